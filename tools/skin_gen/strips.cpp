#include "strips.h"

#include "strip_painters.h"

#include <QPainterPath>

#include <array>

namespace kelvara::skin_gen {

namespace {

constexpr std::array<QSize, strip_count> sizes = {{
    {80, 108}, {153, 19}, {153, 19}, {245, 36}, {40, 10},  {48, 19},  {84, 19},
    {320, 32}, {320, 32}, {228, 20}, {3, 25},   {6, 40},   {152, 33}, {50, 24},
    {100, 24}, {80, 24},  {100, 24}, {100, 24}, {100, 24}, {10, 10},  {90, 38},
}};

} // namespace

QSize strip_size(int strip) {
    return sizes.at(strip);
}

int resource_number(int skin, int strip) {
    return skin * 100 + 101 + strip;
}

QImage paint_strip(const Palette& p, const Fonts& fonts, int strip) {
    switch (strip) {
    case 0:
        return paint_frame_pieces(p, fonts);
    case 1:
        return paint_title_buttons(p, false);
    case 2:
        return paint_title_buttons(p, true);
    case 3:
        return paint_banner(p, fonts);
    case 4:
        return paint_side_box_toggle(p);
    case 5:
        return paint_restore(p);
    case 6:
        return paint_topmost(p);
    case 7:
        return paint_tabs(p, fonts, true);
    case 8:
        return paint_tabs(p, fonts, false);
    case 9:
        return paint_sub_tabs(p, fonts);
    case 10:
        return paint_sub_bar(p);
    case 11:
        return paint_grip(p);
    case 12:
        return paint_play_pause(p);
    case 13:
        return paint_stop(p);
    case 14:
        return paint_mute(p);
    case 15:
        return paint_volume_track(p);
    case 16:
        return paint_tool_buttons(p, false);
    case 17:
        return paint_tool_buttons(p, true);
    case 18:
        return paint_skip(p);
    case 19:
        return paint_volume_knob(p);
    case 20:
        return paint_logo(p, fonts);
    }
    return {};
}

QImage new_strip(int strip) {
    QImage image(strip_size(strip), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void start_painter(QPainter& painter, QImage& image) {
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

void fill_header(QPainter& painter, const QRect& rect, const Palette& p, int window_y) {
    for (int row = 0; row < rect.height(); ++row)
        painter.fillRect(QRect(rect.left(), rect.top() + row, rect.width(), 1),
                         header_at(p, window_y + row));
}

QColor sub_bar_at(const Palette& p, int y) {
    // The last row is the window background, so that the selected sub-tab
    // runs on into the list below it.
    if (y >= 24)
        return p.content;
    return mix(mix(p.frame, p.content, 0.25), mix(p.frame, p.content, 0.6), y / 23.0);
}

void fill_sub_bar(QPainter& painter, const QRect& rect, const Palette& p, int bar_y) {
    for (int row = 0; row < rect.height(); ++row)
        painter.fillRect(QRect(rect.left(), rect.top() + row, rect.width(), 1),
                         sub_bar_at(p, bar_y + row));
}

void hover_plate(QPainter& painter, const QRectF& cell, const QColor& col) {
    const double r = 3;
    QPainterPath plate;
    plate.moveTo(cell.topLeft());
    plate.lineTo(cell.topRight());
    plate.lineTo(cell.right(), cell.bottom() - r);
    plate.quadTo(cell.bottomRight(), QPointF(cell.right() - r, cell.bottom()));
    plate.lineTo(cell.left() + r, cell.bottom());
    plate.quadTo(cell.bottomLeft(), QPointF(cell.left(), cell.bottom() - r));
    plate.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(col);
    painter.drawPath(plate);
}

void round_plate(QPainter& painter, QPointF c, double radius, const QColor& col) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(col);
    painter.drawEllipse(c, radius, radius);
}

QFont pixel_font(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void draw_caption(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
                  const QColor& col) {
    painter.setFont(font);
    painter.setPen(col);
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace kelvara::skin_gen
