// The history lists' row menu, the clear label and its menu. What a row does
// (play it again, delete it and its downloads, clear a list) is the playback
// session's; the window keeps the row the menu was opened on.

#include "logic/history/downloads.h"
#include "logic/history/history_files.h"
#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/links/qvod_address.h"
#include "logic/playback/playback_session.h"
#include "logic/startup/qvod_processes.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/web_pane.h"
#include "shared/qvod_terminal_api.h"
#include "window/main_window.h"
#include "window/player/player_view.h"
#include "window/tray/menus_and_help.h"

#include <QCursor>
#include <QDir>
#include <QMenu>

namespace kelvara {

namespace {

// The row number a history link carries.
QString row_of(const QString& href) {
    QString n = href;
    n.remove(QStringLiteral("open://"));
    n.remove(QStringLiteral("delk://"));
    if (n.endsWith(u'/'))
        n.chop(1);
    return n;
}

} // namespace

void MainWindow::history_page_context_menu(QPoint global_pos, const QString& href) {
    if (!href.contains(QLatin1String("open://")))
        return;
    sel_href = href;
    menus().popup_global(menus().task_row_menu, global_pos);
}

void MainWindow::episode_page_context_menu(QPoint global_pos, const QString& href) {
    history_page_context_menu(global_pos, href);
}

void MainWindow::play_chosen_row() {
    if (!sel_href.contains(QLatin1String("//")))
        return;
    QString n = sel_href;
    session().follow_history_link(QStringLiteral("open://") + n.remove(QStringLiteral("open://")));
}

void MainWindow::delete_chosen_row() {
    if (!sel_href.contains(QLatin1String("//")))
        return;
    QString n = sel_href;
    session().follow_history_link(QStringLiteral("delk://") + n.remove(QStringLiteral("open://")));
}

void MainWindow::delete_chosen_task_with_downloads() {
    if (sel_href.contains(QLatin1String("//")))
        session().delete_task_with_downloads(row_of(sel_href));
}

void MainWindow::clear_label_clicked() {
    qk->set_fore_color(QColor(0x5A, 0x5A, 0x5A));
    if (local_list_shown())
        session().clear_local_list();
    else
        menus().popup_global(menus().task_list_menu, QCursor::pos());
}

void MainWindow::clear_network_list() {
    if (!local_list_shown())
        session().clear_network_list();
}

void MainWindow::open_download_folder() {
    QString folder = configured_download_folder(qvod_program_folder());
    if (!QDir::isAbsolutePath(folder))
        folder = terminal_api::default_download_folder();
    QStringList names;
    if (!list_files(folder, QStringLiteral("*.*"), names))
        return;
    if (topmost_chosen)
        frame_button_clicked(kTopmostButton);
    platform().shell.open_folder(folder);
}

} // namespace kelvara
