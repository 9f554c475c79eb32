#pragma once

#include <QString>

namespace kelvara {

// The application folder that holds config.ini, the histories and the pages:
// $KELVARA_HOME, else $XDG_DATA_HOME/kelvara (~/.local/share/kelvara). It is
// created when missing.
QString application_folder();

// The content server's base URL (ending in "/soft/"): $KELVARA_SERVER, else
// the build's configured address; empty when neither names one.
QString configured_server();

} // namespace kelvara
