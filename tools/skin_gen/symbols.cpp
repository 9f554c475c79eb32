#include "symbols.h"

#include <QPainterPath>

#include <cmath>

namespace kelvara::skin_gen {

namespace {

QPen line_pen(const QColor& col, double width, Qt::PenCapStyle cap = Qt::FlatCap) {
    return QPen(col, width, Qt::SolidLine, cap, Qt::MiterJoin);
}

// Top-left pixel of a w x h symbol centred on c, so that 1-pixel lines drawn
// at half-pixel offsets from it stay crisp.
QPointF origin(QPointF c, int w, int h) {
    return QPointF(std::floor(c.x() - w / 2.0), std::floor(c.y() - h / 2.0));
}

void fill_path(QPainter& p, const QPainterPath& path, const QColor& col) {
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawPath(path);
}

} // namespace

void draw_compact_mode(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 11, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(line_pen(col, 1));
    p.drawRect(QRectF(o.x() + 0.5, o.y() + 0.5, 10, 8));
    p.fillRect(QRectF(o.x() + 5, o.y() + 4, 4, 3), col);
}

void draw_skin_shirt(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 12, 10);
    QPainterPath shirt;
    shirt.moveTo(o + QPointF(4, 0));
    shirt.lineTo(o + QPointF(0, 2.2));
    shirt.lineTo(o + QPointF(1.4, 5));
    shirt.lineTo(o + QPointF(2.8, 4.2));
    shirt.lineTo(o + QPointF(2.8, 10));
    shirt.lineTo(o + QPointF(9.2, 10));
    shirt.lineTo(o + QPointF(9.2, 4.2));
    shirt.lineTo(o + QPointF(10.6, 5));
    shirt.lineTo(o + QPointF(12, 2.2));
    shirt.lineTo(o + QPointF(8, 0));
    shirt.quadTo(o + QPointF(6, 2.6), o + QPointF(4, 0));
    shirt.closeSubpath();
    fill_path(p, shirt, col);
}

void draw_menu_lines(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 10, 9);
    for (int row : {1, 4, 7})
        p.fillRect(QRectF(o.x(), o.y() + row, 10, 1), col);
}

void draw_minimise(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 10, 9);
    p.fillRect(QRectF(o.x(), o.y() + 5, 10, 1), col);
}

void draw_maximise(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 10, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(line_pen(col, 1));
    p.drawRect(QRectF(o.x() + 0.5, o.y() + 0.5, 9, 8));
    p.fillRect(QRectF(o.x(), o.y() + 1, 10, 1), col);
}

void draw_restore(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = origin(c, 10, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(line_pen(col, 1));
    QPainterPath back;
    back.moveTo(o + QPointF(2.5, 2));
    back.lineTo(o + QPointF(2.5, 0.5));
    back.lineTo(o + QPointF(9.5, 0.5));
    back.lineTo(o + QPointF(9.5, 6.5));
    back.lineTo(o + QPointF(8, 6.5));
    p.drawPath(back);
    p.drawRect(QRectF(o.x() + 0.5, o.y() + 2.5, 7, 6));
}

void draw_close(QPainter& p, QPointF c, const QColor& col) {
    p.setPen(line_pen(col, 1.4, Qt::RoundCap));
    const double r = 4.2;
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
}

void draw_pin(QPainter& p, QPointF c, const QColor& col, bool pinned) {
    // Pixel-aligned when c lies on a pixel centre horizontally and between
    // two rows vertically; a quarter turn keeps it so.
    p.save();
    p.translate(c);
    if (!pinned)
        p.rotate(90);
    QPainterPath pin;
    pin.addRect(QRectF(-3.5, -5.5, 7, 2));
    pin.addRect(QRectF(-1.5, -3.5, 3, 3));
    pin.addRect(QRectF(-4.5, -0.5, 9, 2));
    pin.addRect(QRectF(-0.5, 1.5, 1, 4));
    pin.setFillRule(Qt::WindingFill);
    fill_path(p, pin, col);
    p.restore();
}

void draw_play(QPainter& p, QPointF c, double size, const QColor& col) {
    // The triangle's centre of mass sits left of its box; shift it right.
    const double w = size * 0.88, h = size;
    const QPointF o = c + QPointF(-w / 2 + size * 0.1, -h / 2);
    QPainterPath tri;
    tri.moveTo(o);
    tri.lineTo(o + QPointF(w, h / 2));
    tri.lineTo(o + QPointF(0, h));
    tri.closeSubpath();
    p.setPen(QPen(col, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(col);
    p.drawPath(tri);
}

void draw_pause(QPainter& p, QPointF c, double size, const QColor& col) {
    const double bar = size * 0.3, gap = size * 0.26;
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawRoundedRect(QRectF(c.x() - gap / 2 - bar, c.y() - size / 2, bar, size), 1, 1);
    p.drawRoundedRect(QRectF(c.x() + gap / 2, c.y() - size / 2, bar, size), 1, 1);
}

void draw_stop(QPainter& p, QPointF c, const QColor& col) {
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawRoundedRect(QRectF(c.x() - 5, c.y() - 5, 10, 10), 1.5, 1.5);
}

namespace {

// Bar and triangle of the previous / next symbols; dir -1 points left.
void draw_skip(QPainter& p, QPointF c, const QColor& col, int dir) {
    const double h = 10, tri_w = 9, bar_w = 2;
    const double left = std::floor(c.x() - (tri_w + bar_w) / 2);
    QPainterPath tri;
    if (dir < 0) {
        p.fillRect(QRectF(left, c.y() - h / 2, bar_w, h), col);
        tri.moveTo(left + bar_w, c.y());
        tri.lineTo(left + bar_w + tri_w, c.y() - h / 2);
        tri.lineTo(left + bar_w + tri_w, c.y() + h / 2);
    } else {
        p.fillRect(QRectF(left + tri_w, c.y() - h / 2, bar_w, h), col);
        tri.moveTo(left + tri_w, c.y());
        tri.lineTo(left, c.y() - h / 2);
        tri.lineTo(left, c.y() + h / 2);
    }
    tri.closeSubpath();
    fill_path(p, tri, col);
}

} // namespace

void draw_previous(QPainter& p, QPointF c, const QColor& col) {
    draw_skip(p, c, col, -1);
}

void draw_next(QPainter& p, QPointF c, const QColor& col) {
    draw_skip(p, c, col, 1);
}

void draw_speaker(QPainter& p, QPointF c, const QColor& col, bool muted) {
    const double left = c.x() - 7.5;
    QPainterPath cone;
    cone.moveTo(left, c.y() - 2.5);
    cone.lineTo(left + 3, c.y() - 2.5);
    cone.lineTo(left + 7, c.y() - 6);
    cone.lineTo(left + 7, c.y() + 6);
    cone.lineTo(left + 3, c.y() + 2.5);
    cone.lineTo(left, c.y() + 2.5);
    cone.closeSubpath();
    fill_path(p, cone, col);
    p.setBrush(Qt::NoBrush);
    if (muted) {
        p.setPen(line_pen(col, 1.5, Qt::RoundCap));
        const QPointF x(left + 12.5, c.y());
        p.drawLine(x + QPointF(-2.6, -2.6), x + QPointF(2.6, 2.6));
        p.drawLine(x + QPointF(-2.6, 2.6), x + QPointF(2.6, -2.6));
        return;
    }
    p.setPen(line_pen(col, 1.4, Qt::RoundCap));
    const QPointF centre(left + 7, c.y());
    for (double r : {3.6, 7.0}) {
        const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        p.drawArc(box, -45 * 16, 90 * 16);
    }
}

void draw_full_screen(QPainter& p, QPointF c, const QColor& col) {
    // Four corner brackets, 2 pixels thick, on whole pixels of a 15 x 12 box.
    const int w = 15, h = 12, arm = 5, t = 2;
    const int left = int(std::floor(c.x() - w / 2.0)), top = int(std::floor(c.y() - h / 2.0));
    const int right = left + w, bottom = top + h;
    p.fillRect(QRect(left, top, arm, t), col);
    p.fillRect(QRect(left, top, t, arm - 1), col);
    p.fillRect(QRect(right - arm, top, arm, t), col);
    p.fillRect(QRect(right - t, top, t, arm - 1), col);
    p.fillRect(QRect(left, bottom - t, arm, t), col);
    p.fillRect(QRect(left, bottom - arm + 1, t, arm - 1), col);
    p.fillRect(QRect(right - arm, bottom - t, arm, t), col);
    p.fillRect(QRect(right - t, bottom - arm + 1, t, arm - 1), col);
}

void draw_open_folder(QPainter& p, QPointF c, const QColor& col) {
    const QPointF o = c + QPointF(-7.5, -5.5);
    QPainterPath back;
    back.moveTo(o + QPointF(0, 1));
    back.lineTo(o + QPointF(4.5, 1));
    back.lineTo(o + QPointF(6, 2.5));
    back.lineTo(o + QPointF(12.5, 2.5));
    back.lineTo(o + QPointF(12.5, 4.5));
    back.lineTo(o + QPointF(2.6, 4.5));
    back.lineTo(o + QPointF(0, 10.5));
    back.closeSubpath();
    QColor dim = col;
    dim.setAlphaF(col.alphaF() * 0.7);
    fill_path(p, back, dim);
    QPainterPath front;
    front.moveTo(o + QPointF(3.4, 5.6));
    front.lineTo(o + QPointF(15.5, 5.6));
    front.lineTo(o + QPointF(13, 11));
    front.lineTo(o + QPointF(0.6, 11));
    front.closeSubpath();
    fill_path(p, front, col);
}

void draw_power(QPainter& p, QPointF c, double radius, const QColor& col) {
    p.setBrush(Qt::NoBrush);
    p.setPen(line_pen(col, 1.8, Qt::RoundCap));
    const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    // Qt's angles run counter-clockwise from three o'clock; leave a gap at the top.
    p.drawArc(box, 55 * 16, -290 * 16);
    p.drawLine(c + QPointF(0, -radius - 1.2), c + QPointF(0, -radius * 0.15));
}

void draw_side_bar(QPainter& p, QPointF c, const QColor& col) {
    // A window outline with its right-hand column filled, on whole pixels.
    const int w = 15, h = 12;
    const QRect box(int(std::floor(c.x() - w / 2.0)), int(std::floor(c.y() - h / 2.0)), w, h);
    p.fillRect(QRect(box.left(), box.top(), w, 2), col);
    p.fillRect(QRect(box.left(), box.bottom() - 1, w, 2), col);
    p.fillRect(QRect(box.left(), box.top(), 2, h), col);
    p.fillRect(QRect(box.right() - 5, box.top(), 6, h), col);
}

void draw_chevron(QPainter& p, QPointF c, const QColor& col, bool up) {
    // Pixel by pixel: a 2-pixel stroke, 8 wide and 5 high, around c.
    const int left = int(std::floor(c.x())) - 4, top = int(std::floor(c.y())) - 2;
    for (int step = 0; step < 4; ++step)
        for (int thick = 0; thick < 2; ++thick) {
            const int row = up ? 3 - step + thick : step + thick;
            p.fillRect(QRect(left + step, top + row, 1, 1), col);
            p.fillRect(QRect(left + 7 - step, top + row, 1, 1), col);
        }
}

} // namespace kelvara::skin_gen
