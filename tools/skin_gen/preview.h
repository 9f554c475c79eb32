#pragma once

#include "strips.h"

#include <QString>

namespace kelvara::skin_gen {

// Writes, for skins 0 and 1, a contact sheet of all strips at three times
// their size (sheet_<skin>.png) and mock-ups of the window put together from
// the strips as the window does it: the normal frame at 904 x 565 in its
// start-up state (window_<skin>.png) and with the other button states and
// some buttons under the pointer (window_states_<skin>.png), and the compact
// frame (compact_<skin>.png). For looking at the art; nothing reads them.
bool write_previews(const QString& dir, const Fonts& fonts);

} // namespace kelvara::skin_gen
