#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>

namespace kelvara::skin_gen {

// Flat symbols for the buttons. Each is drawn around the centre c in the
// colour col; sizes are fixed for the cells the buttons have.

// Title bar, about 10 pixels across, 1-pixel lines.
void draw_compact_mode(QPainter& p, QPointF c, const QColor& col);
void draw_skin_shirt(QPainter& p, QPointF c, const QColor& col);
void draw_menu_lines(QPainter& p, QPointF c, const QColor& col);
void draw_minimise(QPainter& p, QPointF c, const QColor& col);
void draw_maximise(QPainter& p, QPointF c, const QColor& col);
void draw_restore(QPainter& p, QPointF c, const QColor& col);
void draw_close(QPainter& p, QPointF c, const QColor& col);
// A push-pin, lying on its side when loose and upright when pinned.
void draw_pin(QPainter& p, QPointF c, const QColor& col, bool pinned);

// Transport bar, about 12 to 16 pixels across.
void draw_play(QPainter& p, QPointF c, double size, const QColor& col);
void draw_pause(QPainter& p, QPointF c, double size, const QColor& col);
void draw_stop(QPainter& p, QPointF c, const QColor& col);
void draw_previous(QPainter& p, QPointF c, const QColor& col);
void draw_next(QPainter& p, QPointF c, const QColor& col);
void draw_speaker(QPainter& p, QPointF c, const QColor& col, bool muted);
void draw_full_screen(QPainter& p, QPointF c, const QColor& col);
void draw_open_folder(QPainter& p, QPointF c, const QColor& col);
void draw_power(QPainter& p, QPointF c, double radius, const QColor& col);
void draw_side_bar(QPainter& p, QPointF c, const QColor& col);

// A chevron pointing down (expand) or up (collapse), 8 pixels wide.
void draw_chevron(QPainter& p, QPointF c, const QColor& col, bool up);

} // namespace kelvara::skin_gen
