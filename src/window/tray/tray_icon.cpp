// The notification-area icon of the main window, and the size limits the
// window keeps when it is maximised or resized.

#include "logic/tray/tray_text.h"
#include "platform/platform.h"
#include "platform/tray.h"
#include "window/main_window.h"
#include "window/tray/menus_and_help.h"

#include <QGuiApplication>
#include <QScreen>

namespace kelvara {

namespace {

const QString kBalloonTitle = QStringLiteral("Kelvara提示:");

} // namespace

void MainWindow::tray_add(const QString& tip_text) {
    Tray& tray = platform().tray;
    tray.on_left_click = [this] { tray_left_click(); };
    tray.on_right_click = [this](QPoint global_pos) { popup_main_menu(global_pos); };
    tray.add(fit_field(tip_text, tray_tip_bytes));
}

void MainWindow::tray_left_click() {
    if (isMinimized()) {
        showNormal();
        return;
    }
    if (isVisible()) {
        release_capture();
        hide();
    } else {
        raise_window();
    }
}

void MainWindow::show_balloon(const QString& text) {
    Tray& tray = platform().tray;
    tray.set_tip(fit_field(windowTitle(), tray_tip_bytes));
    tray.show_balloon(fit_field(kBalloonTitle, balloon_title_bytes),
                      fit_field(text, balloon_text_bytes));
}

void MainWindow::tray_remove() {
    Tray& tray = platform().tray;
    tray.remove();
    // The icon's clicks no longer reach the window.
    tray.on_left_click = nullptr;
    tray.on_right_click = nullptr;
}

void MainWindow::install_size_limits(int min_width, int min_height, int max_width, int max_height) {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize screen_size = s ? s->size() : QSize();
    if (max_width == 0)
        max_width = screen_size.width();
    if (max_height == 0)
        max_height = screen_size.height();
    min_track_ = QSize(min_width, min_height);
    max_track_ = QSize(max_width, max_height);
}

} // namespace kelvara
