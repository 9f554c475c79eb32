#include "window/main_window.h"

#include "logic/history/history_files.h"
#include "logic/playback/playback_session.h"
#include "logic/settings/settings.h"
#include "logic/startup/startup.h"
#include "logic/text/text_helpers.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/screen_saver.h"
#include "platform/web_pane.h"
#include "window/services/adsb.h"
#include "window/tray/menus_and_help.h"

#include <QScreen>

namespace kelvara {

namespace {

PictureBox* box(QWidget* parent, const char* name, bool visible = true) {
    auto* b = new PictureBox(parent, QString::fromLatin1(name));
    b->setVisible(visible);
    return b;
}

Label* label(QWidget* parent, const char* name, const QString& caption, bool visible = true) {
    auto* l = new Label(parent, QString::fromLatin1(name), caption);
    l->setVisible(visible);
    return l;
}

} // namespace

MainWindow::MainWindow(Platform& platform, QString app_dir, QString base_url, QWidget* parent)
    : QWidget(parent), platform_(platform), app_dir_(std::move(app_dir)),
      base_url_(std::move(base_url)),
      history_(std::make_unique<History>(ApplicationFolder(app_dir_))) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Kelvara"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setMouseTracking(true);
    ini_path = ApplicationFolder(app_dir_).settings_file();
    resize(904, 565);
    create_controls();
    create_panes();
    create_timers();
    menus_ = std::make_unique<MenusAndHelp>(*this);
    connect_panes();
    connect_services();
    connect_main_path();
    setup_frame();
    wire_player_controls();
}

MainWindow::~MainWindow() {
    // The desktop's controls outlive the window: they reach it no more, and
    // the screen saver is let go.
    platform_.media.clear_handlers();
    platform_.screen_saver.set_inhibited(false, {});
    // The session holds the panes and the player, and its timers tick no more.
    session_.reset();
    // The panes and the player go before the containers that hold their
    // widgets.
    catalogue_pane.reset();
    web_player_pane.reset();
    network_list_pane.reset();
    local_list_pane.reset();
    episode_pane.reset();
    software_ad_pane.reset();
    statistics_pane.reset();
    tv_pane.reset();
    qvod_ad_pane.reset();
    QvodC.reset();
    adsb_.reset();
}

void MainWindow::set_size_twips(int width, int height) {
    QSize size(width / 15, height / 15);
    // A size read from config.ini may be anything; the window never grows
    // past the screen's available area.
    if (const QScreen* s = screen())
        size = size.boundedTo(s->availableGeometry().size());
    resize(size);
}

void MainWindow::create_controls() {
    static const char* const frame_button_tips[17] = {
        "最小化", "最大化", "关闭", "换肤", "置顶", "菜单", "关闭侧栏", "打开",    "",
        "",       "",       "",     "",     "",     "",     "精简模式", "精简模式"};
    static const char* const transport_button_tips[9] = {
        "播放", "停止", "静音", "视频调节", "全屏", "视频调节", "计划关机", "打开文件", "打开文件"};

    ying = box(this, "ying", false);
    zz = box(this, "zz");
    L1 = box(zz, "L1");
    l2 = box(zz, "l2");
    l3 = box(l2, "l3");
    wait = box(L1, "wait");
    jia = box(wait, "jia");
    webe = label(wait, "webe", {});
    qvod = box(L1, "qvod");
    Pic2 = box(L1, "Pic2", false);
    Pic1 = box(L1, "Pic1", false);
    seek_track = box(qvod, "seek_track");
    seek_track->set_tip(QStringLiteral("播放进度条"));
    download_bar = box(seek_track, "download_bar");
    seek_knob = box(seek_track, "seek_knob");
    bo_ad = box(qvod, "bo_ad");
    ad_huan = box(bo_ad, "ad_huan", false);
    adp = box(bo_ad, "adp");
    next_s = label(bo_ad, "next_s", QStringLiteral("正准备播放下一集，请稍后..."), false);
    bo_zt = box(qvod, "bo_zt");
    for (int i = 0; i < 4; ++i) {
        Lab2[i] = new Label(bo_zt, QStringLiteral("Lab2"), {}, i);
        Lab2[i]->setVisible(i == 0);
    }
    times = label(bo_zt, "times", QStringLiteral("00:00 /00:00"));
    status_label = label(bo_zt, "status_label", QStringLiteral("准备就绪"));
    u_k = box(l3, "u_k");
    shan = box(l3, "shan");
    qk = label(shan, "qk", QStringLiteral("∴ 管理任务"));
    Line1 = new QWidget(shan);
    Line1->setObjectName(QStringLiteral("Line1"));
    Pic3 = box(l3, "Pic3");
    Pic4 = box(l3, "Pic4", false);
    Pic5 = box(l3, "Pic5", false);
    tj = box(this, "tj", false);
    volume_track = box(this, "volume_track");
    volume_fill = box(volume_track, "volume_fill");
    volume_knob = box(volume_track, "volume_knob");
    p1 = box(this, "p1", false);
    bo_tip = label(p1, "bo_tip", {});
    ni_name = label(this, "ni_name", QStringLiteral("Kelvara 2.1"));
    bo_name = label(this, "bo_name", {});
    ni_bo1 = label(this, "ni_bo1", {}, false);
    jbi = label(this, "jbi", QStringLiteral("x"), false);
    jbi->setToolTip(QStringLiteral("还原"));

    // The sub-tab bar holds the side-box toggle and the two sub-tabs; the
    // grip sits in the content panel; the rest are on the window.
    for (int i : {10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16}) {
        QWidget* parent = this;
        if (i == kSideBarGrip)
            parent = zz;
        else if (i == kSubTabBar)
            parent = l3;
        else if (i == kSideBoxToggle || i == kNetworkTasksTab || i == kLocalListTab)
            parent = frame_buttons[kSubTabBar];
        frame_buttons[i] = new PictureBox(parent, QStringLiteral("frame_buttons"), i);
        frame_buttons[i]->set_tip(QString::fromUtf8(frame_button_tips[i]));
        const bool own_panel =
            i <= kMainMenuButton || i == kCompactButton; // the window shows these tips itself
        frame_buttons[i]->set_system_tip(!own_panel);
    }
    for (int i = 0; i < 9; ++i) {
        transport_buttons[i] = new PictureBox(this, QStringLiteral("transport_buttons"), i);
        transport_buttons[i]->set_tip(QString::fromUtf8(transport_button_tips[i]));
    }
}

void MainWindow::create_panes() {
    PaneFactory& panes = platform_.panes;
    catalogue_pane = panes.create_pane(Pic1, QStringLiteral("catalogue_pane"));
    web_player_pane = panes.create_pane(Pic2, QStringLiteral("web_player_pane"));
    network_list_pane = panes.create_pane(Pic3, QStringLiteral("network_list_pane"));
    local_list_pane = panes.create_pane(Pic4, QStringLiteral("local_list_pane"));
    episode_pane = panes.create_pane(Pic5, QStringLiteral("episode_pane"));
    software_ad_pane = panes.create_pane(u_k, QStringLiteral("software_ad_pane"));
    statistics_pane = panes.create_pane(tj, QStringLiteral("statistics_pane"));
    tv_pane = panes.create_pane(ying, QStringLiteral("tv_pane"));
    qvod_ad_pane = panes.create_pane(ad_huan, QStringLiteral("qvod_ad_pane"));
    QvodC = platform_.players.create_player(qvod);
    history_->set_panes(network_list_pane.get(), local_list_pane.get());
}

void MainWindow::create_timers() {
    // The playback session's timers (the status poll, the end of a film and
    // the retry of the next episode) come first.
    session_ = std::make_unique<PlaybackSession>(platform_, *QvodC, *this, *history_,
                                                 PlaybackPanes{*catalogue_pane, *web_player_pane,
                                                               *network_list_pane, *local_list_pane,
                                                               *episode_pane},
                                                 app_dir_, base_url_);
    TimerHost& host = platform_.timers;
    qvod_check_timer = std::make_unique<Timer>(host, 10, true, [this] { check_qvod_processes(); });
    notice_timer = std::make_unique<Timer>(host, 6000, true, [this] { read_notice_file(); });
    side_box_timer = std::make_unique<Timer>(host, 2000, true, [this] { open_side_box_once(); });
    text_ad_timer = std::make_unique<Timer>(host, 4000, true, [this] { rotate_text_ads(); });
    floating_ad_timer = std::make_unique<Timer>(host, 3000, false, [this] { floating_ad_due(); });
}

} // namespace kelvara
