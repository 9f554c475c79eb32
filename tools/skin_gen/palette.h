#pragma once

#include <QColor>
#include <QString>

namespace kelvara::skin_gen {

// Colours of one skin. Everything the window chrome shows is flat: one frame
// colour for sides and transport bar, a header that lightens towards the top,
// and the window background around the panes.
struct Palette {
    int skin = 0;
    QColor frame;       // sides, transport bar, bottom of the header
    QColor header_top;  // top row of the header gradient
    QColor content;     // window background around the panes
    QColor line;        // separators and grooves, darker than the frame
    QColor glyph;       // symbols in their normal state
    QColor glyph_dim;   // captions of unselected tabs
    QColor accent;      // selected and hovered things
    QColor accent_high; // hover of accent-filled things
    QColor accent_text; // text and symbols drawn on the accent colour
    QColor close_hover; // close button background under the pointer
    QColor armed;       // shutdown armed
};

// Colours of skin 0 (blue) or 1 (grey).
Palette palette_for(int skin);

// The header colour at row y of the window (0 at the top edge).
QColor header_at(const Palette& p, int y);

// a mixed towards b by t (0 gives a, 1 gives b).
QColor mix(const QColor& a, const QColor& b, double t);

} // namespace kelvara::skin_gen
