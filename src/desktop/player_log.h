#pragma once

#include <QLoggingCategory>

namespace kelvara {

// kelvara.player: the player control; warnings only unless switched on with
// QT_LOGGING_RULES="kelvara.player.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lc_player)

} // namespace kelvara
