#pragma once

#include "logic/playback/mpv_state.h"

#include <optional>

struct mpv_event;

namespace kelvara {

// The player event an mpv event stands for; nothing for events the control
// does not follow.
std::optional<PlayerEvent> to_player_event(const mpv_event& event);

} // namespace kelvara
