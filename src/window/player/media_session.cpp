// The desktop's media controls and the screen saver follow the playback
// session; raising and quitting are the window's.

#include "logic/playback/playback_session.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/screen_saver.h"
#include "window/main_window.h"
#include "window/player/player_view.h"

namespace kelvara {

void MainWindow::connect_media_controls() {
    session().connect_media_controls();
}

void MainWindow::update_media_session() {
    session().publish_media_state();
}

bool MainWindow::window_shown() const {
    return isVisible();
}

void MainWindow::raise_window() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::quit() {
    quit_client();
}

void MainWindow::power_off() {
    system_shutdown(true);
}

} // namespace kelvara
