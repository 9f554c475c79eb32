#pragma once

#include "desktop/curl_transfer.h"
#include "desktop/dbus_screen_saver.h"
#include "desktop/desktop_services.h"
#include "desktop/local_socket_channel.h"
#include "desktop/mpris_controls.h"
#include "desktop/proc_processes.h"
#include "desktop/qt_timer_host.h"
#include "desktop/qt_tray.h"
#include "desktop/qvod_folder.h"
#include "desktop/terminal_streams.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"

namespace kelvara {

// The real platform: Qt, libcurl, /proc, the desktop.
class DesktopPlatform {
public:
    // `channel`: the single-instance channel, claimed already; without one
    // the platform makes its own, unclaimed.
    explicit DesktopPlatform(const QString& app_dir,
                             std::unique_ptr<LocalSocketChannel> channel = nullptr);
    Platform& platform() { return platform_; }
    QvodFolder& qvod() { return qvod_; }
    MprisControls& media() { return media_; }

private:
    QtTimerHost timers_;
    QtEventLoop events_;
    CurlTransfer transfer_;
    ProcProcesses processes_;
    DesktopShell shell_;
    QtDialogs dialogs_;
    QtTray tray_;
    DesktopPower power_;
    DesktopMachine machine_;
    std::unique_ptr<LocalSocketChannel> channel_;
    QvodFolder qvod_;
    TerminalStreams streams_;
    std::unique_ptr<PaneFactory> panes_;
    std::unique_ptr<PlayerFactory> players_;
    MprisControls media_;
    DBusScreenSaver screen_saver_;
    Platform platform_;
};

// Runs `on_signal` on the user-interface thread when SIGTERM or SIGINT
// arrives.
void on_termination_signal(std::function<void()> on_signal);

} // namespace kelvara
