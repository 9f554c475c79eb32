#pragma once

#include <QLoggingCategory>

namespace kelvara {

// kelvara.playback: what plays, stored positions, play-address requests.
Q_DECLARE_LOGGING_CATEGORY(lc_playback)

} // namespace kelvara
