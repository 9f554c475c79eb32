// A later start of the client handed its command text to this one.

#include "window/main_window.h"

namespace kelvara {

void MainWindow::LinkExecute(const QString& CmdStr) {
    qvod_check_timer->set_enabled(true);
    // To the front, also out of the tray. A minimised window returns to the
    // state it had, so a maximised one stays maximised.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (CmdStr.isEmpty())
        return;
    if (compact_mode == 1)
        jbi_Click();
    transport_button_clicked(kStopButton);
    open_from_command_line(CmdStr);
}

} // namespace kelvara
