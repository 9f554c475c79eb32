#pragma once

// Painters of the single strips and what they share; used by strips.cpp.

#include "strips.h"

#include <QFont>
#include <QPainter>
#include <QRectF>

namespace kelvara::skin_gen {

// A transparent image of the strip's size, to be painted over completely.
QImage new_strip(int strip);

// A painter with antialiasing on for text and shapes.
void start_painter(QPainter& painter, QImage& image);

// Fills rect with the header gradient, its top row lying at window row window_y.
void fill_header(QPainter& painter, const QRect& rect, const Palette& p, int window_y);

// Colour at row y of the history sub-tab bar.
QColor sub_bar_at(const Palette& p, int y);
void fill_sub_bar(QPainter& painter, const QRect& rect, const Palette& p, int bar_y);

// Background of a title-bar button under the pointer: hangs from the top
// edge with rounded lower corners.
void hover_plate(QPainter& painter, const QRectF& cell, const QColor& col);

// Faint round plate behind a transport symbol under the pointer.
void round_plate(QPainter& painter, QPointF c, double radius, const QColor& col);

QFont pixel_font(const QString& family, int pixels, bool bold = false);
void draw_caption(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
                  const QColor& col);

QImage paint_frame_pieces(const Palette& p, const Fonts& fonts);
QImage paint_banner(const Palette& p, const Fonts& fonts);
QImage paint_logo(const Palette& p, const Fonts& fonts);

QImage paint_title_buttons(const Palette& p, bool hover);
QImage paint_restore(const Palette& p);
QImage paint_topmost(const Palette& p);
QImage paint_tabs(const Palette& p, const Fonts& fonts, bool selected);

QImage paint_side_box_toggle(const Palette& p);
QImage paint_sub_tabs(const Palette& p, const Fonts& fonts);
QImage paint_sub_bar(const Palette& p);
QImage paint_grip(const Palette& p);

QImage paint_play_pause(const Palette& p);
QImage paint_stop(const Palette& p);
QImage paint_mute(const Palette& p);
QImage paint_volume_track(const Palette& p);
QImage paint_tool_buttons(const Palette& p, bool hover);
QImage paint_skip(const Palette& p);
QImage paint_volume_knob(const Palette& p);

} // namespace kelvara::skin_gen
