#include "logic/playback/playback_session.h"
#include "platform/web_pane.h"
#include "window/main_window.h"
#include "window/tray/menus_and_help.h"

#include <QAction>

namespace kelvara {

void MainWindow::connect_main_path() {
    PlaybackSession& s = session();
    catalogue_pane->before_navigate = [&s](const QString& a, bool& c) {
        s.catalogue_navigation(a, c);
    };
    web_player_pane->before_navigate = [&s](const QString& a, bool& c) {
        s.web_player_navigation(a, c);
    };
    network_list_pane->before_navigate = [&s](const QString& a, bool& c) {
        s.network_list_navigation(a, c);
    };
    local_list_pane->before_navigate = [&s](const QString& a, bool& c) {
        s.local_list_navigation(a, c);
    };
    episode_pane->before_navigate = [&s](const QString& a, bool& c) {
        s.episode_page_navigation(a, c);
    };
    network_list_pane->context_menu = [this](QPoint p, const QString& href) {
        history_page_context_menu(p, href);
    };
    episode_pane->context_menu = [this](QPoint p, const QString& href) {
        episode_page_context_menu(p, href);
    };

    MenusAndHelp& m = menus();
    connect(m.play_row_item, &QAction::triggered, this, [this] { play_chosen_row(); });
    connect(m.delete_row_item, &QAction::triggered, this, [this] { delete_chosen_row(); });
    connect(m.delete_row_with_downloads_item, &QAction::triggered, this,
            [this] { delete_chosen_task_with_downloads(); });
    connect(m.clear_task_list_item, &QAction::triggered, this, [this] { clear_network_list(); });
    connect(m.manage_downloads_item, &QAction::triggered, this, [this] { open_download_folder(); });
    connect(qk, &Label::clicked, this, [this] { clear_label_clicked(); });
}

} // namespace kelvara
