// The browser panes of the main window: quiet panes, the home area's switch
// between the catalogue and its error text, and the panes' context menus.

#include "platform/web_pane.h"
#include "window/main_window.h"
#include "window/tray/menus_and_help.h"

namespace kelvara {

namespace {

const char kHomeError[] = "Error！出错了\r\n\r\n1.请检查你的网络连接\r\n2.软件网络出现了故障\r\n"
                          "3.请点此尝试重新连接\r\n4.请尝试重新启动软件\r\n";

} // namespace

void MainWindow::connect_panes() {
    // No script-error or other dialogs in any pane that shows pages.
    for (WebPane* pane : {catalogue_pane.get(), web_player_pane.get(), network_list_pane.get(),
                          local_list_pane.get(), episode_pane.get(), software_ad_pane.get(),
                          tv_pane.get(), qvod_ad_pane.get()}) {
        pane->download_begin = [pane] { pane->set_silent(true); };
    }
    catalogue_pane->download_complete = [this] { catalogue_loaded(); };
    catalogue_pane->navigate_error = [this](const QString& address) {
        catalogue_load_failed(address);
    };
    software_ad_pane->navigate_error = [this](const QString& address) {
        software_ad_load_failed(address);
    };
    qvod_ad_pane->navigate_error = [this](const QString& address) { qvod_ad_load_failed(address); };

    catalogue_pane->context_menu = [this](QPoint pos, const QString&) { M_M1_oncontextmenu(pos); };
    // The web player, the local list and the software advertisement show no
    // menu at all; the panes themselves never show the browser's.
    for (WebPane* pane : {web_player_pane.get(), local_list_pane.get(), software_ad_pane.get(),
                          tv_pane.get(), qvod_ad_pane.get(), statistics_pane.get()})
        pane->context_menu = [](QPoint, const QString&) {};

    connect(jia, &PictureBox::clicked, this, [this] { jia_Click(); });
    connect(webe, &Label::clicked, this, [this] { webe_Click(); });
}

void MainWindow::catalogue_loaded() {
    if (home_failed == 1)
        return;
    wait->hide();
    // The catalogue shows only on its own tab: over the now-playing tab it
    // would cover the player.
    if (main_tab == kLibraryTab)
        Pic1->show();
}

void MainWindow::catalogue_load_failed(const QString& address) {
    if (!address.contains(base_url()))
        return;
    Pic1->hide();
    wait->show();
    webe->set_caption(QString::fromUtf8(kHomeError));
    home_failed = 1;
}

void MainWindow::software_ad_load_failed(const QString& address) {
    if (address.contains(base_url()))
        softad_failed = 1;
}

void MainWindow::qvod_ad_load_failed(const QString&) {
    ad_huan->hide();
    adp->show();
    qvodad_failed = 1;
}

void MainWindow::M_M1_oncontextmenu(QPoint global_pos) {
    menus().popup_global(menus().home_menu, global_pos);
}

void MainWindow::jia_Click() {
    catalogue_pane->navigate(base_url() + QLatin1String("?30"));
    Pic1->show();
    wait->hide();
}

void MainWindow::webe_Click() {
    jia_Click();
}

} // namespace kelvara
