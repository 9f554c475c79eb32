#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace kelvara {

// One browser pane. Every navigation, whether asked for by the client or made
// by the page (a link click, a script), first runs `before_navigate` on the
// user-interface thread, synchronously and nested inside the call that caused
// it; the engine loads the address only when the handler did not cancel it.
// Link clicks reach the handler with the raw href text exactly as the page
// holds it.
class WebPane {
public:
    virtual ~WebPane() = default;

    virtual QWidget* widget() = 0;

    // Navigate / Navigate2: run before_navigate, then load unless cancelled.
    virtual void navigate(const QString& address) = 0;
    virtual void refresh() = 0;
    virtual void go_back() = 0;
    virtual void go_forward() = 0;
    virtual void copy() = 0;
    virtual void paste() = 0;
    // The address of the page shown, empty before the first load.
    virtual QString current_address() const = 0;
    // No script-error, alert, confirm or prompt dialogs while set.
    virtual void set_silent(bool silent) = 0;
    virtual bool silent() const = 0;

    // Events.
    std::function<void(const QString& address, bool& cancel)> before_navigate;
    std::function<void()> download_begin;
    std::function<void()> download_complete;
    // A failed load: connection refused, name not found, time-out, or an
    // HTTP status of 400 and above. A cancelled navigation is no failure.
    std::function<void(const QString& address)> navigate_error;
    // A right click in the page: the pointer in global coordinates and the
    // raw href of the link under it (empty when none). The pane never shows
    // a menu of its own.
    std::function<void(QPoint global_pos, const QString& href)> context_menu;
    // The page opened a new window (window.open, target=_blank).
    std::function<void(const QString& address)> new_window;
};

// Creates the panes of the windows, each inside its container widget.
class PaneFactory {
public:
    virtual ~PaneFactory() = default;
    virtual std::unique_ptr<WebPane> create_pane(QWidget* container, const QString& name) = 0;
};

} // namespace kelvara
