// The main window's start (load), the QVOD process check, and the quit.

#include "logic/services/notice_file.h"
#include "logic/settings/settings.h"
#include "logic/startup/qvod_processes.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/transfer.h"
#include "platform/web_pane.h"
#include "shared/qvod_terminal_api.h"
#include "window/main_window.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QScreen>

Q_LOGGING_CATEGORY(lcStart, "kelvara.start", QtWarningMsg)

namespace kelvara {

namespace {

const QString kPlayer = QStringLiteral("QvodPlayer.exe");
const QString kTerminal = QString::fromLatin1(terminal_api::kProgram);

} // namespace

void MainWindow::Form_Load(const QString& command_line) {
    // The maximised size is the work area.
    const QScreen* s = screen();
    const QRect work_area = s ? s->availableGeometry() : QRect();
    install_size_limits(0, 0, work_area.width(), work_area.height());
    // Minimisable and maximisable from the taskbar, though borderless.
    set_window_flag_live(Qt::WindowMinMaxButtonsHint, true);

    // Settings (the constructor set ini_path).
    const Settings stored = settings();
    skin_no = stored.skin();
    user_id = stored.identity();
    running_version = stored.version();
    saved_width = stored.saved_width();
    saved_height = stored.saved_height();
    size_option = static_cast<int>(stored.number(Setting::RestoreSize));

    // The saved size.
    if (stored.restores_size() && saved_width > 0 && saved_height > 0)
        set_size_twips(saved_width, saved_height);

    // The skin, which also selects the film-library tab.
    main_tab = kLibraryTab;
    apply_skin(skin_no > 3 ? 0 : skin_no);

    // The panes' start pages, in this order.
    const QString base = base_url();
    catalogue_pane->navigate(base);
    web_player_pane->navigate(QStringLiteral("about:blank"));
    const ApplicationFolder folder = app_folder();
    network_list_pane->navigate(folder.network_page());
    local_list_pane->navigate(folder.local_page());
    episode_pane->navigate(folder.network_page());
    software_ad_pane->navigate(base + QStringLiteral("js/ads/softad.html"));
    statistics_pane->navigate(base + QStringLiteral("tj/tj.asp?id=") + user_id);
    tv_pane->navigate(QStringLiteral("about:blank"));
    qvod_ad_pane->navigate(base + QStringLiteral("js/ads/qvodad.html"));

    // The tray icon, with the caption as its tip; the desktop's media
    // controls.
    tray_add(windowTitle());
    connect_media_controls();

    // Variables.
    home_failed = 0;
    softad_failed = 0;
    qvodad_failed = 0;

    // The player's own advertisement.
    QvodC->setAdPage(base + QStringLiteral("js/ads/qvodad.html"));

    // Keys reach Form_KeyDown through the window's key filter (installed
    // with the key handler), ahead of the controls; nothing here takes them.

    // A command line plays.
    if (!command_line.isEmpty())
        open_from_command_line(command_line);
    update_media_session();
}

void MainWindow::check_qvod_processes() {
    qvod_check_timer->set_enabled(false);
    Processes& processes = platform().processes;
    // Only the user's own QVOD programs of this client's folder are adopted
    // or ended: another client's, or another user's, are none of ours.
    const QString folder = qvod_program_folder();
    bool terminal_found = false;
    if (settings().checks_qvod_at_start()) {
        // QVOD's own player would hold the terminal; end it.
        for (const ProcessInfo& p : processes.list()) {
            if (p.name.compare(kPlayer, Qt::CaseInsensitive) == 0 &&
                runs_from(processes, p, folder)) {
                qvod_dir = folder;
                processes.terminate(p.pid);
                qCDebug(lcStart) << "ended" << p.path;
            }
        }
        for (const ProcessInfo& p : processes.list()) {
            if (p.name.compare(kTerminal, Qt::CaseInsensitive) == 0 &&
                runs_from(processes, p, folder))
                terminal_found = true;
        }
        // The ended player leaves its icon behind.
        sweep_tray_icons();
        if (!terminal_found) {
            platform().events.do_events();
            if (!processes.start_detached(folder + kTerminal, {}, true))
                qCDebug(lcStart) << "could not start" << folder + kTerminal;
        }
    }
    if (qvod_dir.isEmpty() && terminal_found)
        qvod_dir = folder;
    if (!qvod_dir.isEmpty())
        settings().set_qvod_program_folder(qvod_dir);
}

void MainWindow::quit_client() {
    tray_remove();
    const bool ends_qvod = settings().quit_ends_qvod();
    // Stores the play position of what plays.
    transport_button_clicked(kStopButton);
    if (ends_qvod) {
        Processes& processes = platform().processes;
        const QString folder = qvod_program_folder();
        kill_process_by_name(processes, kPlayer, folder);
        kill_process_by_name(processes, kTerminal, folder);
        sweep_tray_icons();
    }
    if (platform().transfer.still_executing())
        platform().transfer.cancel();
    // The server's quit action: "1****<address>" opens a web address.
    const QString quit_address = quit_action_address(exit_action);
    if (is_web_address(quit_address))
        platform().shell.open_url(quit_address);
    // The other windows (menus and help, the advertisement window, the
    // settings dialog) go first, then this one; the client ends with it.
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != this && other->isVisible())
            other->close();
    }
    release_capture();
    close();
    QApplication::quit();
}

} // namespace kelvara
