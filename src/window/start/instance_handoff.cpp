// A command line given to the client: the whole argument text is played as a
// local file or an address the player accepts, and recorded in the local list.

#include "logic/history/history_files.h"
#include "logic/playback/playback_session.h"
#include "logic/text/text_helpers.h"
#include "window/main_window.h"
#include "window/player/player_view.h"

namespace kelvara {

void MainWindow::open_from_command_line(const QString& command) {
    // Quotes come from paths with spaces; a browser passes some addresses
    // with a "/" at the end.
    QString target = command;
    target.remove(u'"');
    if (target.endsWith(u'/'))
        target.chop(1);

    session().play_command_line(target);
}

} // namespace kelvara
