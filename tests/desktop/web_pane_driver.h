#pragma once

#include "platform/web_pane.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <ostream>

// Readable QStrings in the messages of failed expectations.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kelvara::test {

// Long enough for a loaded machine, short enough that a broken test ends.
constexpr int kWaitMs = 15000;

// Addresses the client's handlers take over and cancel.
bool is_client_link(const QString& address);

// Everything a pane told its client, in order.
struct PaneEvents {
    QStringList navigations;
    int begun = 0;
    int completed = 0;
    QStringList errors;
    QStringList windows;
    QList<QPair<QPoint, QString>> menus;
    // Which navigations the handler cancels.
    std::function<bool(const QString&)> cancels = is_client_link;
    // Runs inside the handler, before it decides.
    std::function<void(const QString&)> on_navigate;

    void attach(WebPane& pane);
};

bool wait_for(const std::function<bool()>& condition, int ms = kWaitMs);
// Runs the event loop for a while.
void pause(int ms);
// Navigates and waits until the engine has finished with the load.
bool load(WebPane& pane, const PaneEvents& events, const QString& address);
// Runs a script in the page and waits for its result.
QVariant run_js(WebPane& pane, const QString& code);
// Lets the engine settle: one round trip through the page's renderer and a
// short pause, after which events an action could cause have arrived.
void settle(WebPane& pane);
// The centre of the element with the id, in view coordinates.
QPoint center_of(WebPane& pane, const QString& id);
// A real mouse click on the view at the position.
void mouse_click(WebPane& pane, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
// The view of a pane made by WebEnginePaneFactory.
QWidget* view_of(WebPane& pane);

} // namespace kelvara::test
