// The QVOD terminal the client's links rely on: the playback session starts
// it from the QVOD program folder the window keeps before a network film
// plays. The links themselves are the session's (logic/playback/).

#include "logic/history/history_files.h"
#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/startup/qvod_processes.h"
#include "logic/text/text_helpers.h"
#include "platform/platform.h"
#include "platform/processes.h"
#include "platform/web_pane.h"
#include "shared/qvod_terminal_api.h"
#include "window/main_window.h"
#include "window/player/player_view.h"

namespace kelvara {

namespace {

const QString kQvodTerminal = QString::fromLatin1(terminal_api::kProgram);

} // namespace

QString MainWindow::qvod_program_folder() {
    return qvod_dir.isEmpty() ? app_folder().qvod_folder() : qvod_dir;
}

void MainWindow::start_qvod_terminal() {
    Processes& processes = platform().processes;
    const QString folder = qvod_program_folder();
    if (find_process_id(processes, kQvodTerminal, folder) != 0)
        return;
    qvod_dir = folder;
    processes.start_detached(join_path(qvod_dir, kQvodTerminal), {}, true);
}

} // namespace kelvara
