// Clearing the icons that ended processes leave in the notification area: a
// mouse movement over every pixel of the icon strip makes the shell notice
// them. Desktops that drop such icons themselves offer no strip.

#include "platform/platform.h"
#include "platform/tray.h"
#include "window/main_window.h"

namespace kelvara {

void MainWindow::sweep_tray_icons() {
    Tray& tray = platform().tray;
    const Tray::Strip strip = tray.find_strip();
    if (strip.handle == 0)
        return;
    // Posted, not sent: the sweep returns at once.
    for (int x = 1; x <= strip.width - 1; ++x) {
        for (int y = 1; y <= strip.height - 1; ++y)
            tray.post_mouse_move(strip.handle, x, y);
    }
}

} // namespace kelvara
