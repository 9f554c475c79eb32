#pragma once

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
class tip;
class BA3;
class adsb;

// The main window. It owns every control, the timers and the playback
// variables; the handlers of each area live in the file of that area (start
// and stop in app/, panes and links in panes/, playback in player/, history
// actions in history/, frame, layout and skins in window/, tray in tray/,
// shutdown in shutdown/, notice file and advertisements in services/).
class BA1 : public QWidget {
    Q_OBJECT
public:
    BA1(Platform& platform, QString app_dir, QString base_url, QWidget* parent = nullptr);
    ~BA1() override;

    Platform& platform() { return platform_; }
    History& history() { return *history_; }
    const QString& app_dir() const { return app_dir_; }
    // Content server base URL, ending in "/soft/".
    const QString& base_url() const { return base_url_; }
    // The pop-up menus and the help window.
    tip& menus() { return *tip_; }

    // Window size in twips (15 per pixel), as stored in config.ini.
    int Width() const { return width() * 15; }
    int Height() const { return height() * 15; }
    void set_size_twips(int width, int height);

    ApplicationFolder app_folder() const { return ApplicationFolder(app_dir_); }
    // A file of the application folder.
    QString app_file(const QString& name) const;
    // config.ini, read afresh at each use.
    Settings settings() const { return Settings(ini_path); }
    // Reads a value of config.ini afresh (default "0").
    QString setting(const char* section, const char* key) const;
    void write_setting(const char* section, const char* key, const QString& value);

    // ---- Start and stop (app/main_window_start.cpp) ----
    void Form_Load(const QString& command_line);
    void Timer3_Timer(); // the QVOD process check
    void ttt_v();        // quits the client

    // ---- Instance hand-off (app/link_execute.cpp) and command line
    // (app/instance_handoff.cpp) ----
    void LinkExecute(const QString& CmdStr);
    void l_com(const QString& command);

    // ---- Web panes (panes/web_panes.cpp) ----
    void connect_panes();
    void jia_Click();
    void webe_Click();
    void Web1_DownloadComplete();
    void Web1_NavigateError(const QString& address);
    void Weby_NavigateError(const QString& address);
    void Web7_NavigateError(const QString& address);
    void M_M1_oncontextmenu(QPoint global_pos);

    // ---- Link dispatcher (panes/dispatcher.cpp) ----
    void Web1_BeforeNavigate2(const QString& address, bool& cancel);
    void Web2_BeforeNavigate2(const QString& address, bool& cancel);
    void Web4_BeforeNavigate2(const QString& address, bool& cancel);
    void Web5_BeforeNavigate2(const QString& address, bool& cancel);
    // Connects the link handlers of the panes and the history menus and
    // label (panes/link_wiring.cpp).
    void connect_main_path();
    // The QVOD program folder: qvod_dir, else the folder S_q/qvodw chooses,
    // else the client's own <application folder>/Qvod/ (app/guanbi.h).
    QString qvod_program_folder();
    // Starts the QVOD terminal from the QVOD folder unless it runs.
    void start_qvod_terminal();

    // ---- Play-address request (panes/play_address.cpp) ----
    // The server's reply to base + "h.asp?id=…&v=…&v1=…"; empty when the
    // request failed.
    std::optional<QString> request_play_address(qint64 id, const QString& v, const QString& v1);

    // ---- Status poll (player/status_poll.cpp) ----
    void Timer1_Timer();
    // Url, Play and the status poll on.
    void start_playback(const QString& address);
    // What is known of a local file that plays: no series, no web player,
    // resumed at `resume` seconds (0 from the start).
    void playing_local_file(const QString& path, qint64 resume);

    // ---- Transport buttons (player/transport.cpp) ----
    void bo_but_Click(int index);

    // ---- Episode sequencing (player/episodes.cpp) ----
    void fetch_next_episode();
    void step_episode(int direction);
    void Timer2_Timer();
    void Timer4_Timer();

    // ---- The desktop's media controls and screen saver
    // (player/media_session.cpp) ----
    // Hands the media controls' requests to the transport buttons' handlers.
    void connect_media_controls();
    // Tells the media controls what plays, and holds the screen saver off
    // while a film plays in the shown window. Run after every change of the
    // playback status, the film, the episode buttons or the window's
    // visibility.
    void update_media_session();
    // The previous (1) or next (2) episode button would ask the server for
    // an episode.
    bool can_step_episode(int direction) const;
    // Shows and raises the window, as the tray icon's click does for a
    // hidden or minimised one.
    void raise_window();

    // ---- Seek bar, volume and keys (player/seek_volume.cpp) ----
    // Seeks to `seconds` as the seek bar does and moves the knob there.
    void seek_to(double seconds);
    // The volume, as the volume keys set it: sound on, the slider moved.
    void set_volume(int percent);
    // key_code: the Windows key code (32 space, 37 to 40 the arrows).
    void Form_KeyDown(int key_code);
    // Connects the transport buttons, the seek bar, the volume slider and the
    // key preview; run once by the constructor.
    void wire_player_controls();
    // x: the pointer inside the control that raises the event.
    void gunt_MouseDown(Qt::MouseButton button, int x);
    void gunt_MouseUp();
    void huan_MouseDown(Qt::MouseButton button, int x);
    void huan_MouseUp();
    void gunt1_MouseMove(Qt::MouseButtons buttons, int x);
    void gunt1_MouseUp();
    void yin_MouseDown(Qt::MouseButton button, int x);
    void bo_v_MouseMove(Qt::MouseButtons buttons, int x);

    // ---- History pane actions (history/history_actions.cpp) ----
    void Web3_BeforeNavigate2(const QString& address, bool& cancel);
    // A right click in c.htm or the episode page: the row menu on row links.
    void M_M3_oncontextmenu(QPoint global_pos, const QString& href);
    void M_M5_oncontextmenu(QPoint global_pos, const QString& href);
    void CCC();
    void ddd();
    void eee();
    void qk_Click();
    void qk_xl();
    void qk_xw();

    // ---- Frame and title-bar buttons (window/frame.cpp) ----
    void npc_Click(int index);
    void zhi_d(int mode);
    void jbi_Click();
    void Timer6_Timer();
    void apply_round_region();
    void Form_MouseDown(Qt::MouseButton button, int x, int y);
    void Form_MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Form_MouseUp(Qt::MouseButton button, int x, int y);
    void Form_DblClick();
    // The edge band: mode 0 move, 1 press, 2 release.
    void border_hit(int mode, int x, int y);
    // The main menu `r_m` at the pointer (tray right click).
    void popup_main_menu(QPoint global_pos);
    // The local list is the one shown while the label above the lists offers
    // to clear it.
    bool local_list_shown() const;

    // ---- Layout (window/layout.cpp) ----
    void Form_Resize();
    void qvod_Resize();
    void layout_main();
    void layout_sidebar();
    void layout_sidebox();
    void layout_compact();

    // ---- Skins and hover art (window/skins.cpp) ----
    void p_p(int skin);
    void paint_buttons();
    void paint_frame();
    void paint_compact_frame();
    // Repaints a button for its state, normal or hovered. Other areas call
    // these after changing a button's state (its tool-tip).
    void paint_npc(int index, bool hover = false);
    void paint_bo_but(int index, bool hover = false);
    void npc_MouseMove(int index, Qt::MouseButtons buttons, int x, int y);
    void bo_but_MouseMove(int index, Qt::MouseButtons buttons, int x, int y);
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
    void show_balloon(const QString& text);
    void tray_remove();
    void sweep_tray_icons();
    // Caps the maximised and the tracking size (pixels); a maximum of 0 is
    // the screen's size.
    void install_size_limits(int min_width, int min_height, int max_width, int max_height);
    QSize max_track_size() const { return max_track_; }
    // Left click on the tray icon: restore, hide or show.
    void tray_left_click();
    // The settings dialog `BA3` opened modeless on a section (0 about, 1
    // settings) and given the focus. Defined with the settings dialog.
    void open_settings(int section);

    // ---- Settings dialog (settings_dialog/ba3.cpp) ----
    BA3* ba3 = nullptr; // the dialog while it is loaded

    // ---- Scheduled shutdown (shutdown/shutdown.cpp) ----
    void kaiqi_Click();
    void quxiao_Click();
    bool shutdown_armed() const;
    void system_shutdown(bool force);

    // ---- Notice file, update check and advertisements (services/) ----
    void connect_services();
    void Timer5_Timer();
    void shengji();
    // Asks about the new version; Yes starts the updater of the application
    // folder, or opens base + `download_path`, and quits.
    void offer_update(const QString& download_path);
    void Timer7_Timer();
    void Timer8_Timer();
    void Lab2_Click(int index);
    void adp_Click();
    void show_floating_ad();
    void close_floating_ad();
    adsb* floating_ad() const { return adsb_.get(); }

    // ---- Controls (names as the window's own) ----
    std::array<PictureBox*, 17> npc{};
    std::array<PictureBox*, 9> bo_but{};
    std::array<QPixmap, 21> ppt; // the skin strips
    PictureBox* ying = nullptr;  // page panel of the online-TV and recommendation tabs
    PictureBox* zz = nullptr;    // content panel
    PictureBox* L1 = nullptr;    // left part of the content panel
    PictureBox* l2 = nullptr;    // side bar
    PictureBox* l3 = nullptr;    // inner panel of the side bar
    PictureBox* wait = nullptr;  // load panel of the home area
    PictureBox* jia = nullptr;   // reload image
    Label* webe = nullptr;       // error text of the home area
    PictureBox* qvod = nullptr;  // player container
    PictureBox* gunt = nullptr;  // seek track
    PictureBox* gunt1 = nullptr; // seek knob
    PictureBox* huan = nullptr;  // downloaded-portion bar
    PictureBox* bo_ad = nullptr; // advertisement panel over the video
    PictureBox* ad_huan = nullptr;
    PictureBox* adp = nullptr; // fallback advertisement picture
    Label* next_s = nullptr;
    PictureBox* bo_zt = nullptr; // status bar
    std::array<Label*, 4> Lab2{};
    std::array<QString, 4> Te;          // links of the text advertisements
    QString Lab0 = QStringLiteral("0"); // index of the text advertisement shown
    Label* times = nullptr;
    Label* zhun = nullptr;
    PictureBox* Pic1 = nullptr;
    PictureBox* Pic2 = nullptr;
    PictureBox* Pic3 = nullptr;
    PictureBox* Pic4 = nullptr;
    PictureBox* Pic5 = nullptr;
    PictureBox* u_k = nullptr;  // side-bar top box
    PictureBox* shan = nullptr; // bottom strip of the side bar
    Label* qk = nullptr;
    QWidget* Line1 = nullptr;
    PictureBox* tj = nullptr;  // never shown
    PictureBox* yin = nullptr; // volume track
    PictureBox* bo_v = nullptr;
    PictureBox* bo_y = nullptr;
    PictureBox* p1 = nullptr; // tool-tip panel
    Label* bo_tip = nullptr;
    Label* ni_name = nullptr;
    Label* bo_name = nullptr;
    Label* ni_bo1 = nullptr;
    Label* jbi = nullptr;

    std::unique_ptr<WebPane> Web1, Web2, Web3, Web4, Web5, Weby, Web6, Web9, Web7;
    std::unique_ptr<PlayerControl> QvodC;

    std::unique_ptr<Timer> Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7, Timer8;

    // ---- Variables ----
    QString ini_path;
    int skin_no = 0;
    QString user_id;
    QString running_version;
    int saved_width = 0, saved_height = 0;
    int size_option = 0;
    int main_tab = 8;
    int tv_page = 0;
    int compact_mode = 0;
    bool skin_applied = false;
    int home_failed = 0, softad_failed = 0, qvodad_failed = 0;
    QString qvod_dir;
    QString exit_action;
    QString text_ad_switch;
    QString new_version;
    QString sel_href;
    bool border_resize_started = false;
    bool over_interior = false;

    // Playback.
    qint64 resume_pos = 0;
    int resume_done = 0;
    qint64 last_pos = 0;
    int player_state = 0;
    int down_rate = 0;
    QString play_id = QStringLiteral("0");
    int play_kind = 0;
    QString play_key = QStringLiteral("0");
    QString next_link = QStringLiteral("0");
    QString next_addr = QStringLiteral("0");
    int next_pending = 0;
    int retry_ticks = 0;
    int web_mode = 0;
    // What the transport shows: set with the play/pause button's state by
    // the buttons and the poll, and stopped at the end of a film.
    PlaybackStatus playback_status = PlaybackStatus::Stopped;
    // The whole title of what plays, with its episode; counts the films
    // started in this run.
    QString now_playing_title;
    quint64 film_number = 0;

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
    // Parts of npc_Click (window/frame.cpp).
    void close_button();
    void hide_to_tray();
    void header_tab(int index);
    void history_tab(int index);
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
    std::unique_ptr<tip> tip_;
    std::unique_ptr<adsb> adsb_;
};

} // namespace kelvara
