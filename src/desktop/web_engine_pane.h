#pragma once

#include "desktop/web_addresses.h"
#include "platform/web_pane.h"

#include <QPointer>
#include <deque>
#include <memory>

class QUrl;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineView;

namespace kelvara {

class PaneProfile;
class PanePage;
class PaneView;

// A browser pane on Qt WebEngine: a QWebEngineView inside the container.
//
// Navigations the client asks for run `before_navigate` first and reach the
// engine only when not cancelled. Navigations the page makes arrive in two
// ways. Those in the client's link schemes are cancelled inside the page by
// the link script and reported with the raw href; the pane runs the handler
// for them as soon as the page has let go of the report. Those the engine
// loads (http, files) come through acceptNavigationRequest, where the
// handler runs with the engine's address and may cancel. Events that come
// from inside the engine (new windows, context menus) are handed to the
// client after the engine call has returned, so a handler may navigate or
// delete the pane.
class WebEnginePane : public WebPane {
public:
    WebEnginePane(std::shared_ptr<PaneProfile> profile, QWidget* container, const QString& name);
    ~WebEnginePane() override;

    QWidget* widget() override;
    void navigate(const QString& address) override;
    void refresh() override;
    void go_back() override;
    void go_forward() override;
    void copy() override;
    void paste() override;
    QString current_address() const override;
    void set_silent(bool silent) override { silent_ = silent; }
    bool silent() const override { return silent_; }

    // The engine page, for tests and diagnostics; null once the container
    // has deleted the view.
    QWebEnginePage* page() const;
    QWebEngineView* view() const;

private:
    friend class PanePage;
    friend class PaneView;

    bool run_before_navigate(const QString& address);
    // acceptNavigationRequest of a navigation the page started.
    bool page_navigation(const QUrl& url);
    // A report of the link script; handled after the engine call returns.
    void page_report(const PageReport& report);
    void run_reports();
    void run_report(const PageReport& report);
    void new_window_requested(QWebEngineNewWindowRequest& request);
    void open_new_window(const QString& address);
    void show_context_menu(QPoint global_pos, const QString& href);
    void loading_changed(const QWebEngineLoadingInfo& info);
    void later(std::function<void()> action);

    std::shared_ptr<PaneProfile> profile_;
    QString name_;
    QPointer<PaneView> view_;
    QPointer<PanePage> page_;
    // Silent from the start: the client sets it on every download begin
    // anyway, and a pane without that handler shows no dialog either.
    bool silent_ = true;
    std::deque<PageReport> reports_;
    // A load the pane asked the page's script for (addresses QUrl would
    // rewrite); empty when none is under way.
    QUrl own_script_load_;
    // The last link that opens a new window, for the window request.
    std::optional<PageReport> popup_;
};

// Creates the panes, all on one profile.
class WebEnginePaneFactory : public PaneFactory {
public:
    // `storage_dir`: where cookies and the HTTP cache persist; empty for an
    // off-the-record profile.
    explicit WebEnginePaneFactory(const QString& storage_dir);
    ~WebEnginePaneFactory() override;
    std::unique_ptr<WebPane> create_pane(QWidget* container, const QString& name) override;

private:
    std::shared_ptr<PaneProfile> profile_;
};

} // namespace kelvara
