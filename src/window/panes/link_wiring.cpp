#include "logic/playback/playback_session.h"
#include "platform/web_pane.h"
#include "window/main_window.h"
#include "window/tray/tip.h"

#include <QAction>

namespace kelvara {

void MainWindow::connect_main_path() {
    PlaybackSession& s = session();
    Web1->before_navigate = [&s](const QString& a, bool& c) { s.catalogue_navigation(a, c); };
    Web2->before_navigate = [&s](const QString& a, bool& c) { s.web_player_navigation(a, c); };
    Web3->before_navigate = [&s](const QString& a, bool& c) { s.network_list_navigation(a, c); };
    Web4->before_navigate = [&s](const QString& a, bool& c) { s.local_list_navigation(a, c); };
    Web5->before_navigate = [&s](const QString& a, bool& c) { s.episode_page_navigation(a, c); };
    Web3->context_menu = [this](QPoint p, const QString& href) {
        history_page_context_menu(p, href);
    };
    Web5->context_menu = [this](QPoint p, const QString& href) {
        episode_page_context_menu(p, href);
    };

    tip& m = menus();
    connect(m.c_f, &QAction::triggered, this, [this] { play_chosen_row(); });
    connect(m.c_shan, &QAction::triggered, this, [this] { delete_chosen_row(); });
    connect(m.c_shan2, &QAction::triggered, this, [this] { delete_chosen_task_with_downloads(); });
    connect(m.renwub, &QAction::triggered, this, [this] { clear_network_list(); });
    connect(m.wenjianb, &QAction::triggered, this, [this] { open_download_folder(); });
    connect(qk, &Label::clicked, this, [this] { clear_label_clicked(); });
}

} // namespace kelvara
