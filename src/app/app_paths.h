#pragma once

#include <QString>
#include <QStringList>

namespace kelvara {

// The application folder that holds config.ini, the histories and the pages:
// $KELVARA_HOME, else $XDG_DATA_HOME/kelvara (~/.local/share/kelvara). It is
// created when missing.
QString application_folder();

// The content server's base URL (ending in "/soft/"): $KELVARA_SERVER, else
// the build's configured address; empty when neither names one.
QString configured_server();

// The command text of a start: the arguments after the program's name, joined
// by blanks, as the text the client plays.
QString command_line_text(const QStringList& arguments);

} // namespace kelvara
