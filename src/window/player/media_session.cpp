// The desktop's media controls and the screen saver follow the playback
// session; raising and quitting are the window's.

#include "logic/playback/playback_session.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/screen_saver.h"
#include "window/ba1.h"
#include "window/player/player_view.h"

namespace kelvara {

void BA1::connect_media_controls() {
    session().connect_media_controls();
}

void BA1::update_media_session() {
    session().publish_media_state();
}

bool BA1::window_shown() const {
    return isVisible();
}

void BA1::raise_window() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void BA1::quit() {
    ttt_v();
}

void BA1::power_off() {
    system_shutdown(true);
}

} // namespace kelvara
