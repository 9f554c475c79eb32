// The scheduled shutdown: the shutdown menu switches it, the shutdown button
// shows it, and the end of playback powers the computer off.

#include "platform/platform.h"
#include "platform/power.h"
#include "window/main_window.h"
#include "window/tray/menus_and_help.h"

#include <QAction>
#include <QLoggingCategory>

namespace kelvara {

namespace {

Q_LOGGING_CATEGORY(lc_shutdown, "kelvara.shutdown", QtWarningMsg)

const char kArmedTip[] = "已开启自动关机";
const char kOffTip[] = "计划关机";

// The menu's check marks, the button's tool-tip and its picture: strip 17
// shows the armed shutdown, strip 16 the plain button.
void show_armed(MainWindow& w, bool armed) {
    w.shutdown_chosen = armed;
    w.menus().arm_shutdown_item->setChecked(armed);
    w.menus().disarm_shutdown_item->setChecked(!armed);
    PictureBox* button = w.transport_buttons[kShutdownButton];
    button->set_tip(QString::fromUtf8(armed ? kArmedTip : kOffTip));
    button->paint_cell(w.ppt[armed ? 17 : 16], 0, 0, 25, 24);
}

} // namespace

void MainWindow::arm_shutdown() {
    show_armed(*this, true);
}

void MainWindow::disarm_shutdown() {
    show_armed(*this, false);
}

bool MainWindow::shutdown_armed() const {
    return shutdown_chosen;
}

void MainWindow::system_shutdown(bool) {
    // The power-off ends the client without its quit procedure: the stop
    // action stores the position of what played first. The status keeps
    // saying the film finished, also when the power-off is refused. The
    // desktop's power-off never asks the other programs, forced or not.
    const QString status = status_label->caption();
    transport_button_clicked(kStopButton);
    status_label->set_caption(status);
    qCInfo(lc_shutdown) << "powering off at the end of playback";
    if (!platform_.power.power_off())
        qCWarning(lc_shutdown) << "the power-off request was refused";
}

} // namespace kelvara
