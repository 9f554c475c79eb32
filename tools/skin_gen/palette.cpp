#include "palette.h"

#include <algorithm>

namespace kelvara::skin_gen {

namespace {

// Rows over which the header fades from its top colour into the frame colour.
constexpr int header_fade_rows = 50;

} // namespace

Palette palette_for(int skin) {
    Palette p;
    p.skin = skin;
    if (skin == 0) {
        p.frame = QColor(20, 68, 124);
        p.header_top = QColor(34, 96, 166);
        p.content = QColor(0, 38, 81);
        p.line = QColor(9, 45, 88);
        p.glyph = QColor(208, 226, 246);
        p.glyph_dim = QColor(150, 184, 222);
        p.accent = QColor(46, 156, 240);
        p.accent_high = QColor(104, 190, 255);
        p.accent_text = QColor(255, 255, 255);
    } else {
        p.frame = QColor(66, 66, 66);
        p.header_top = QColor(92, 92, 92);
        p.content = QColor(51, 51, 51);
        p.line = QColor(40, 40, 40);
        p.glyph = QColor(222, 222, 222);
        p.glyph_dim = QColor(165, 165, 165);
        p.accent = QColor(238, 140, 44);
        p.accent_high = QColor(255, 176, 92);
        p.accent_text = QColor(255, 255, 255);
    }
    p.close_hover = QColor(222, 54, 54);
    p.armed = QColor(232, 76, 61);
    return p;
}

QColor header_at(const Palette& p, int y) {
    const double t = std::clamp(double(y) / header_fade_rows, 0.0, 1.0);
    const QColor c = mix(p.header_top, p.frame, t);
    // A faint highlight along the very top edge.
    return y == 0 ? mix(c, Qt::white, 0.12) : c;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    auto lerp = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

} // namespace kelvara::skin_gen
