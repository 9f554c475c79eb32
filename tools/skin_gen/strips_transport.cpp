// Strips 12 to 19: the transport bar's buttons and the volume slider.
#include "strip_painters.h"

#include "symbols.h"

namespace kelvara::skin_gen {

namespace {

constexpr int cell_w = 25;
constexpr double cell_mid_y = 12;

QColor plate_fill() {
    return QColor(255, 255, 255, 30);
}

// A strip on the transport bar's colour.
QImage transport_strip(int strip, const Palette& p) {
    QImage image = new_strip(strip);
    image.fill(p.frame);
    return image;
}

QPointF cell_centre(int cell) {
    return QPointF(cell * cell_w + cell_w / 2.0, cell_mid_y);
}

// The pointer lights a round plate behind the symbol and tints it.
QColor hover_symbol(QPainter& g, const Palette& p, int cell) {
    round_plate(g, cell_centre(cell), 10.5, plate_fill());
    return p.accent_high;
}

} // namespace

QImage paint_play_pause(const Palette& p) {
    QImage image = transport_strip(12, p);
    QPainter g;
    start_painter(g, image);
    // Cells: play, play under the pointer, pause, pause under the pointer.
    for (int cell = 0; cell < 4; ++cell) {
        const bool hover = cell % 2 == 1;
        const QPointF c(cell * 38 + 19, 16.5);
        round_plate(g, c, 15, hover ? p.accent_high : p.accent);
        if (cell < 2)
            draw_play(g, c, 13, p.accent_text);
        else
            draw_pause(g, c, 12, p.accent_text);
    }
    g.end();
    return image;
}

QImage paint_stop(const Palette& p) {
    QPainter g;
    QImage image = transport_strip(13, p);
    start_painter(g, image);
    draw_stop(g, cell_centre(0), p.glyph);
    draw_stop(g, cell_centre(1), hover_symbol(g, p, 1));
    g.end();
    return image;
}

QImage paint_mute(const Palette& p) {
    QPainter g;
    QImage image = transport_strip(14, p);
    start_painter(g, image);
    draw_speaker(g, cell_centre(0), p.glyph, false);
    draw_speaker(g, cell_centre(1), hover_symbol(g, p, 1), false);
    draw_speaker(g, cell_centre(2), p.glyph, true);
    draw_speaker(g, cell_centre(3), hover_symbol(g, p, 3), true);
    g.end();
    return image;
}

QImage paint_volume_track(const Palette& p) {
    QPainter g;
    QImage image = transport_strip(15, p);
    start_painter(g, image);
    // The groove rows 10 to 13; the level bar is drawn over its left part.
    g.setPen(Qt::NoPen);
    g.setBrush(p.line);
    g.drawRoundedRect(QRectF(1, 10, 78, 4), 2, 2);
    g.end();
    return image;
}

QImage paint_tool_buttons(const Palette& p, bool hover) {
    QPainter g;
    QImage image = transport_strip(hover ? 17 : 16, p);
    start_painter(g, image);
    if (hover) {
        // The shutdown button has no hover picture; its cell here shows the
        // armed shutdown instead.
        round_plate(g, cell_centre(0), 10, p.armed);
        draw_power(g, cell_centre(0) + QPointF(0, 0.5), 4.6, Qt::white);
        draw_open_folder(g, cell_centre(1), hover_symbol(g, p, 1));
        draw_full_screen(g, cell_centre(2), hover_symbol(g, p, 2));
        draw_side_bar(g, cell_centre(3), hover_symbol(g, p, 3));
    } else {
        draw_power(g, cell_centre(0) + QPointF(0, 0.5), 5.5, p.glyph);
        draw_open_folder(g, cell_centre(1), p.glyph);
        draw_full_screen(g, cell_centre(2), p.glyph);
        draw_side_bar(g, cell_centre(3), p.glyph);
    }
    g.end();
    return image;
}

QImage paint_skip(const Palette& p) {
    QPainter g;
    QImage image = transport_strip(18, p);
    start_painter(g, image);
    draw_previous(g, cell_centre(0), p.glyph);
    draw_previous(g, cell_centre(1), hover_symbol(g, p, 1));
    draw_next(g, cell_centre(2), p.glyph);
    draw_next(g, cell_centre(3), hover_symbol(g, p, 3));
    g.end();
    return image;
}

QImage paint_volume_knob(const Palette& p) {
    QImage image = transport_strip(19, p);
    QPainter g;
    start_painter(g, image);
    g.setPen(QPen(p.accent, 1.2));
    g.setBrush(Qt::white);
    g.drawEllipse(QPointF(5, 5), 4.2, 4.2);
    g.end();
    return image;
}

} // namespace kelvara::skin_gen
