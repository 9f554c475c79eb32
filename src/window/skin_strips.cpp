// INTERIM: plain placeholder strips of the exact sizes, so that the window
// can be painted and tested before the skin art lands. The real strips (PNG
// resources painted by the skin generator) replace this file.

#include "window/skin_strips.h"

#include <QPainter>

namespace kelvara {

namespace {

constexpr QSize strip_sizes[skin_strip_count] = {
    {80, 108}, {153, 19}, {153, 19}, {245, 36}, {40, 10}, {48, 19}, {84, 19},
    {320, 32}, {320, 32}, {228, 20}, {3, 25},   {6, 40},  {152, 33}, {50, 24},
    {100, 24}, {80, 24},  {100, 24}, {100, 24}, {100, 24}, {10, 10}, {90, 38}};

// Width of the cells of each strip (0: one picture).
constexpr int cell_widths[skin_strip_count] = {0,  24, 24, 0,  10, 24, 21, 80, 80, 57, 0,
                                               3,  38, 25, 25, 0,  25, 25, 25, 0,  45};

} // namespace

QPixmap load_strip(int skin, int strip) {
    if (skin < 0 || skin > 1 || strip < 0 || strip >= skin_strip_count)
        return {};
    QColor base = skin == 0 ? QColor(24, 74, 140) : QColor(70, 70, 70);
    if (strip == 2 || strip == 17) // the hover strips
        base = base.lighter(170);
    QPixmap pm(strip_sizes[strip]);
    pm.fill(base);
    QPainter p(&pm);
    const int cw = cell_widths[strip];
    if (cw > 0) {
        for (int x = 0, n = 0; x < pm.width(); x += cw, ++n) {
            p.fillRect(QRect(x + 1, 1, cw - 2, pm.height() - 2),
                       n % 2 ? base.lighter(150) : base.lighter(120));
        }
    }
    if (strip == 0 || strip == 3)
        p.fillRect(pm.rect().adjusted(2, 2, -2, -2), base.darker(130));
    return pm;
}

} // namespace kelvara
