#include "desktop/desktop_platform.h"

#include "desktop/mpv_player.h"
#include "desktop/web_engine_pane.h"
#include "logic/settings/application_folder.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kelvara {

DesktopPlatform::DesktopPlatform(const QString& app_dir,
                                 std::unique_ptr<LocalSocketChannel> channel)
    : tray_(QApplication::windowIcon()),
      channel_(channel ? std::move(channel) : std::make_unique<LocalSocketChannel>(app_dir)),
      qvod_(app_dir, installed_qvod_dir()),
      // Playback takes the QVOD folder the rest of the client takes.
      streams_(QDir::cleanPath(ApplicationFolder(app_dir).qvod_folder())),
      panes_(std::make_unique<WebEnginePaneFactory>(ApplicationFolder(app_dir).web_profile())),
      players_(std::make_unique<MpvPlayerFactory>(&streams_)),
      platform_{timers_,  events_, transfer_, processes_, shell_, dialogs_, tray_,        power_,
                machine_, *panes_, *players_, *channel_,  qvod_,  media_,   screen_saver_} {}

namespace {

int signal_pipe[2] = {-1, -1};

void write_signal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signal_pipe[1], &c, 1);
}

} // namespace

void on_termination_signal(std::function<void()> on_signal) {
    if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [on_signal = std::move(on_signal)] {
        char c;
        while (::read(signal_pipe[0], &c, 1) > 0) {
        }
        on_signal();
    });
    struct sigaction action {};
    action.sa_handler = write_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace kelvara
