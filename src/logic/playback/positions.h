#pragma once

#include <QtGlobal>

namespace kelvara {

// Nearest whole number, halves going to the even neighbour.
qint64 round_half_even(double value);
// A number of seconds as a position the player takes: held within 0..INT_MAX.
int to_position(qint64 seconds);

} // namespace kelvara
