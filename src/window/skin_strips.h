#pragma once

#include <QPixmap>

namespace kelvara {

// Number of strip images a skin has (ppt(0) to ppt(20)).
constexpr int skin_strip_count = 21;

// Strip `strip` of skin `skin` as compiled into the program (resource number
// skin * 100 + 101 + strip). The null pixmap when the skin has no pictures:
// only skins 0 (blue) and 1 (grey) have art, and a skin without it leaves the
// window's strips as they were.
QPixmap load_strip(int skin, int strip);

} // namespace kelvara
