#include "desktop/player_log.h"

namespace kelvara {

Q_LOGGING_CATEGORY(lc_player, "kelvara.player", QtWarningMsg)

} // namespace kelvara
