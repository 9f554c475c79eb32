#include "logic/playback/positions.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kelvara {

qint64 round_half_even(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    auto whole = static_cast<qint64>(down);
    if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0))
        ++whole;
    return whole;
}

int to_position(qint64 seconds) {
    return static_cast<int>(std::clamp<qint64>(seconds, 0, INT_MAX));
}

} // namespace kelvara
