#pragma once

#include "logic/layout/button_indexes.h"
#include "logic/playback/playback_view.h"
#include "logic/settings/application_folder.h"
#include "logic/settings/settings.h"
#include "platform/media_controls.h"
#include "platform/timers.h"
#include "window/controls.h"

#include <QPixmap>
#include <QString>
#include <array>
#include <memory>
#include <optional>

class QMenu;

namespace kelvara {

struct Platform;
class History;
class WebPane;
class PlayerControl;
class MenusAndHelp;
class SettingsDialog;
class adsb;
class PlaybackSession;

// The main window. It owns every control and the timers of the window; what
// plays, and the decisions about it, are the playback session's, which the
// window shows as its PlaybackView and to which it forwards the events of the
// player area, the transport buttons and the client's links. The handlers of
// each area live in the file of that area under window/ (start and stop in
// start/, panes and links in panes/, the player area in player/, history
// actions in history/, tray in tray/, shutdown in shutdown/, notice file and
// advertisements in services/; frame, layout and skins in window/ itself).
// The old program's `BA1`.
class MainWindow : public QWidget, public PlaybackView {
    Q_OBJECT
public:
    MainWindow(Platform& platform, QString app_dir, QString base_url, QWidget* parent = nullptr);
    ~MainWindow() override;

    Platform& platform() { return platform_; }
    History& history() { return *history_; }
    PlaybackSession& session() { return *session_; }
    const QString& app_dir() const { return app_dir_; }
    // Content server base URL, ending in "/soft/".
    const QString& base_url() const { return base_url_; }
    // The pop-up menus and the help window.
    MenusAndHelp& menus() { return *menus_; }

    // Window size in twips (15 per pixel), as stored in config.ini.
    int Width() const { return width() * 15; }
    int Height() const { return height() * 15; }
    void set_size_twips(int width, int height);

    ApplicationFolder app_folder() const { return ApplicationFolder(app_dir_); }
    // config.ini, read afresh at each use.
    Settings settings() const { return Settings(ini_path); }

    // ---- Start and stop (start/main_window_start.cpp) ----
    void Form_Load(const QString& command_line);
    void check_qvod_processes(); // `Timer3_Timer`: the QVOD process check
    void quit_client();          // `ttt_v`

    // ---- Instance hand-off (start/link_execute.cpp) and command line
    // (start/instance_handoff.cpp) ----
    void LinkExecute(const QString& CmdStr);
    // Plays what a command line names (`l_com`).
    void open_from_command_line(const QString& command);

    // ---- Web panes (panes/web_panes.cpp) ----
    void connect_panes();
    void jia_Click();
    void webe_Click();
    void catalogue_loaded();                              // `Web1_DownloadComplete`
    void catalogue_load_failed(const QString& address);   // `Web1_NavigateError`
    void software_ad_load_failed(const QString& address); // `Weby_NavigateError`
    void qvod_ad_load_failed(const QString& address);     // `Web7_NavigateError`
    void M_M1_oncontextmenu(QPoint global_pos);

    // ---- The client's links (panes/link_wiring.cpp, panes/dispatcher.cpp) ----
    // Connects the link handlers of the panes to the playback session, and
    // the history menus and label.
    void connect_main_path();
    // The QVOD program folder: qvod_dir, else the folder S_q/qvodw chooses,
    // else the client's own <application folder>/Qvod/.
    QString qvod_program_folder() override;
    // Starts the QVOD terminal from the QVOD folder unless it runs.
    void start_qvod_terminal() override;

    // ---- Transport buttons (player/transport.cpp) ----
    void transport_button_clicked(TransportIndex button); // `bo_but_Click`

    // ---- The desktop's media controls and screen saver
    // (player/media_session.cpp) ----
    void connect_media_controls();
    // Run after every change of the playback status, the film, the episode
    // buttons or the window's visibility.
    void update_media_session();
    // Shows and raises the window, as the tray icon's click does for a
    // hidden or minimised one.
    void raise_window() override;

    // ---- Seek bar, volume and keys (player/seek_volume.cpp) ----
    // key_code: the Windows key code (32 space, 37 to 40 the arrows).
    void Form_KeyDown(int key_code);
    // Connects the transport buttons, the seek bar, the volume slider and the
    // key preview; run once by the constructor.
    void wire_player_controls();
    // x: the pointer inside the control that raises the event.
    void seek_track_pressed(Qt::MouseButton button, int x);    // gunt_MouseDown
    void seek_track_released();                                // gunt_MouseUp
    void download_bar_pressed(Qt::MouseButton button, int x);  // huan_MouseDown
    void download_bar_released();                              // huan_MouseUp
    void seek_knob_dragged(Qt::MouseButtons buttons, int x);   // gunt1_MouseMove
    void seek_knob_released();                                 // gunt1_MouseUp
    void volume_track_pressed(Qt::MouseButton button, int x);  // yin_MouseDown
    void volume_knob_dragged(Qt::MouseButtons buttons, int x); // bo_v_MouseMove

    // ---- History pane actions (history/history_actions.cpp) ----
    // A right click in c.htm or the episode page: the row menu on row links.
    void history_page_context_menu(QPoint global_pos, const QString& href); // M_M3_oncontextmenu
    void episode_page_context_menu(QPoint global_pos, const QString& href); // M_M5_oncontextmenu
    // The row menu's items on the row it was opened on.
    void play_chosen_row();                   // CCC
    void delete_chosen_row();                 // ddd
    void delete_chosen_task_with_downloads(); // eee
    void clear_label_clicked();               // qk_Click
    void clear_network_list();                // qk_xl
    // Shows the QVOD download folder in the file manager.
    void open_download_folder(); // qk_xw

    // ---- Frame and title-bar buttons (frame.cpp) ----
    // A click on a frame button; other areas click them too, to act as the
    // user would (`npc_Click`).
    void frame_button_clicked(FrameButton button);
    void set_topmost(int mode); // `zhi_d`: 1 keeps the window on top
    void jbi_Click();
    // Opens the side box once, 2 s after the start (`Timer6_Timer`).
    void open_side_box_once();
    void apply_round_region();
    void Form_MouseDown(Qt::MouseButton button, int x, int y);
    void Form_MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Form_MouseUp(Qt::MouseButton button, int x, int y);
    void Form_DblClick();
    // The edge band: mode 0 move, 1 press, 2 release.
    void border_hit(int mode, int x, int y);
    // The main menu at the pointer (tray right click).
    void popup_main_menu(QPoint global_pos);
    bool local_list_shown() const override { return local_list_active; }

    // ---- Layout (layout.cpp) ----
    void Form_Resize();
    void qvod_Resize();
    void layout_main();
    void layout_sidebar();
    void layout_sidebox();
    void layout_compact();

    // ---- Skins and hover art (skins.cpp) ----
    void apply_skin(int skin); // `p_p`
    void paint_buttons();
    void paint_frame();
    void paint_compact_frame();
    // Repaints a button for its state, normal or hovered. Other areas call
    // these after changing a button's state (its tool-tip).
    void paint_frame_button(FrameButton button, bool hover = false);
    void paint_transport_button(TransportIndex button, bool hover = false);
    void frame_button_mouse_move(FrameButton button, Qt::MouseButtons buttons, int x, int y);
    void transport_button_mouse_move(TransportIndex button, Qt::MouseButtons buttons, int x, int y);
    void jbi_MouseMove();
    void qk_MouseMove();
    void shan_MouseMove();
    void bo_ad_MouseMove();
    void zz_MouseMove();
    void u_k_MouseMove();
    // Gives back the mouse a hovered button holds (before the window hides).
    void release_capture();
    // The frame drawn on the window's own surface.
    QPixmap frame_picture;

    // ---- Tray icon (tray/tray_icon.cpp, tray/tray_sweep.cpp) ----
    void tray_add(const QString& tip_text);
    void show_balloon(const QString& text) override;
    void tray_remove();
    void sweep_tray_icons();
    // Caps the maximised and the tracking size (pixels); a maximum of 0 is
    // the screen's size.
    void install_size_limits(int min_width, int min_height, int max_width, int max_height);
    QSize max_track_size() const { return max_track_; }
    // Left click on the tray icon: restore, hide or show.
    void tray_left_click();
    // The settings dialog `SettingsDialog` opened modeless on a section (0 about, 1
    // settings) and given the focus. Defined with the settings dialog.
    void open_settings(int section);

    // ---- Settings dialog (settings_dialog/settings_dialog.cpp) ----
    SettingsDialog* settings_dialog = nullptr; // the dialog while it is loaded (`BA3`)

    // ---- Scheduled shutdown (shutdown/shutdown.cpp) ----
    void arm_shutdown();    // `kaiqi_Click`
    void disarm_shutdown(); // `quxiao_Click`
    bool shutdown_armed() const override;
    void system_shutdown(bool force);
    bool shutdown_chosen = false; // the computer powers off when the film ends

    // ---- Notice file, update check and advertisements (services/) ----
    void connect_services();
    void read_notice_file();       // `Timer5_Timer`: lib/wen.txt, once
    void offer_update_on_demand(); // `shengji`
    // Asks about the new version; Yes starts the updater of the application
    // folder, or opens base + `download_path`, and quits.
    void offer_update(const QString& download_path);
    void rotate_text_ads(); // `Timer7_Timer`
    void floating_ad_due(); // `Timer8_Timer`
    void Lab2_Click(int index);
    void adp_Click();
    void show_floating_ad();
    void close_floating_ad();
    adsb* floating_ad() const { return adsb_.get(); }

    // ---- Controls ----
    std::array<PictureBox*, kFrameButtonCount> frame_buttons{};         // `npc`
    std::array<PictureBox*, kTransportButtonCount> transport_buttons{}; // `bo_but`
    std::array<QPixmap, 21> ppt;                                        // the skin strips
    PictureBox* ying = nullptr;         // page panel of the online-TV and recommendation tabs
    PictureBox* zz = nullptr;           // content panel
    PictureBox* L1 = nullptr;           // left part of the content panel
    PictureBox* l2 = nullptr;           // side bar
    PictureBox* l3 = nullptr;           // inner panel of the side bar
    PictureBox* wait = nullptr;         // load panel of the home area
    PictureBox* jia = nullptr;          // reload image
    Label* webe = nullptr;              // error text of the home area
    PictureBox* qvod = nullptr;         // player container
    PictureBox* seek_track = nullptr;   // `gunt`
    PictureBox* seek_knob = nullptr;    // `gunt1`
    PictureBox* download_bar = nullptr; // `huan`: the downloaded portion
    PictureBox* bo_ad = nullptr;        // advertisement panel over the video
    PictureBox* ad_huan = nullptr;
    PictureBox* adp = nullptr; // fallback advertisement picture
    Label* next_s = nullptr;
    PictureBox* bo_zt = nullptr; // status bar
    std::array<Label*, 4> Lab2{};
    std::array<QString, 4> Te;          // links of the text advertisements
    QString Lab0 = QStringLiteral("0"); // index of the text advertisement shown
    Label* times = nullptr;
    Label* status_label = nullptr; // `zhun`: the status line below the video
    PictureBox* Pic1 = nullptr;
    PictureBox* Pic2 = nullptr;
    PictureBox* Pic3 = nullptr;
    PictureBox* Pic4 = nullptr;
    PictureBox* Pic5 = nullptr;
    PictureBox* u_k = nullptr;  // side-bar top box
    PictureBox* shan = nullptr; // bottom strip of the side bar
    Label* qk = nullptr;
    QWidget* Line1 = nullptr;
    PictureBox* tj = nullptr;           // never shown
    PictureBox* volume_track = nullptr; // `yin`
    PictureBox* volume_knob = nullptr;  // `bo_v`
    PictureBox* volume_fill = nullptr;  // `bo_y`: the track left of the knob
    PictureBox* p1 = nullptr;           // tool-tip panel
    Label* bo_tip = nullptr;
    Label* ni_name = nullptr;
    Label* bo_name = nullptr;
    Label* ni_bo1 = nullptr;
    Label* jbi = nullptr;

    // The nine browser panes, by what they show.
    std::unique_ptr<WebPane> catalogue_pane;    // `Web1`: catalogue, search and film pages
    std::unique_ptr<WebPane> web_player_pane;   // `Web2`: the web-player page
    std::unique_ptr<WebPane> network_list_pane; // `Web3`: c.htm, the network-task history
    std::unique_ptr<WebPane> local_list_pane;   // `Web4`: f.htm, the local-play history
    std::unique_ptr<WebPane> episode_pane;      // `Web5`: the episode page of a series
    std::unique_ptr<WebPane> software_ad_pane;  // `Weby`: the side bar's software advertisement
    std::unique_ptr<WebPane> statistics_pane;   // `Web6`: the statistics request, never shown
    std::unique_ptr<WebPane> tv_pane;           // `Web9`: online-TV and recommendation tabs
    std::unique_ptr<WebPane> qvod_ad_pane;      // `Web7`: the QVOD advertisement
    std::unique_ptr<PlayerControl> QvodC;

    std::unique_ptr<Timer> qvod_check_timer;  // `Timer3`
    std::unique_ptr<Timer> notice_timer;      // `Timer5`
    std::unique_ptr<Timer> side_box_timer;    // `Timer6`
    std::unique_ptr<Timer> text_ad_timer;     // `Timer7`
    std::unique_ptr<Timer> floating_ad_timer; // `Timer8`

    // ---- Variables ----
    QString ini_path;
    int skin_no = 0;
    QString user_id;
    QString running_version;
    int saved_width = 0, saved_height = 0;
    int size_option = 0;
    FrameButton main_tab = kLibraryTab; // the header tab selected
    int tv_page = 0;
    int compact_mode = 0;
    bool skin_applied = false;
    int home_failed = 0, softad_failed = 0, qvodad_failed = 0;
    QString qvod_dir;
    QString exit_action;
    QString text_ad_switch;
    QString new_version;
    QString sel_href;
    // The frame's toggles, which their tool-tips and pictures show.
    bool topmost_chosen = false;    // the user keeps the window on top (置顶 / 取消置顶)
    bool side_bar_shown = true;     // 关闭侧栏 / 显示侧栏
    bool side_box_open = false;     // the side bar's top box (打开 / 关闭)
    bool local_list_active = false; // the history lists show f.htm (∴ 清空列表)
    bool border_resize_started = false;
    bool over_interior = false;

    // ---- What the playback session shows (player/) ----
    void show_status(const QString& text) override;
    void show_times(int position, int duration) override;
    void place_knob(double seconds, int duration) override;
    void show_progress(int position, int duration, int permille) override;
    void hide_download_bar() override;
    void show_video(bool shown) override;
    void show_next_episode_notice(bool shown) override;
    void set_play_button(PlayButton state) override;
    void paint_play_button(PlayButton state) override;
    void show_mute_button(bool muted) override;
    void place_volume_knob(int volume) override;
    void enable_episode_button(EpisodeStep step, bool enabled) override;
    void show_title(const QString& caption) override;
    void show_compact_title() override;
    void show_now_playing_tab() override;
    bool window_shown() const override;
    void quit() override;
    void power_off() override;

protected:
    // Window events, handed to the handlers above (window/window_events.cpp).
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Parts of frame_button_clicked (window/frame.cpp).
    void close_button();
    void hide_to_tray();
    void header_tab(FrameButton index);
    void history_tab(FrameButton index);
    void enter_compact();
    // S_q/h_w and S_q/h_h from the window's size, outside compact mode.
    void write_size_settings();
    // Connects the frame's, the layout's and the hover handlers to the
    // controls and gives the controls the sizes the layout does not set.
    void setup_frame();
    // A move or resize that the window runs itself where the desktop offers
    // none (no window manager).
    void begin_manual_drag(Qt::Edges edges, QPoint global_pos);
    bool continue_manual_drag(QPoint global_pos);
    void set_window_flag_live(Qt::WindowType flag, bool on);
    std::optional<Qt::Edges> manual_drag_;
    bool system_move_started_ = false;
    QPoint drag_origin_;
    QPoint press_origin_; // where the last press on the window was, on screen
    QRect drag_geometry_;
    QSize min_track_, max_track_;

    void create_controls();
    void create_panes();
    void create_timers();

    Platform& platform_;
    QString app_dir_;
    QString base_url_;
    std::unique_ptr<History> history_;
    std::unique_ptr<MenusAndHelp> menus_;
    std::unique_ptr<adsb> adsb_;
    std::unique_ptr<PlaybackSession> session_;
};

} // namespace kelvara
