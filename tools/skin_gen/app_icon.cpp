#include "app_icon.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <algorithm>

namespace kelvara::skin_gen {

namespace {

// The drawing in units of the icon's size, shared by the picture and the SVG.
const QRectF tile(0.04, 0.04, 0.92, 0.92);
constexpr qreal tile_radius = 0.2;
const QColor tile_top(58, 146, 240);
const QColor tile_bottom(12, 62, 148);
const QColor tile_edge(8, 44, 110);
constexpr qreal edge_width = 1.0 / 48;
// A soft highlight on the upper half.
const QRectF shine(0.09, 0.09, 0.82, 0.37);
constexpr qreal shine_radius = 0.16;
constexpr int shine_alpha = 40;
const QPointF play[3] = {{0.38, 0.27}, {0.75, 0.5}, {0.38, 0.73}};

QRectF scaled(const QRectF& r, qreal s) {
    return {r.x() * s, r.y() * s, r.width() * s, r.height() * s};
}

} // namespace

QImage paint_app_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF square = scaled(tile, s);
    QLinearGradient fill(square.topLeft(), square.bottomLeft());
    fill.setColorAt(0, tile_top);
    fill.setColorAt(1, tile_bottom);
    p.setPen(QPen(tile_edge, std::max(1.0, s * edge_width)));
    p.setBrush(fill);
    p.drawRoundedRect(square, s * tile_radius, s * tile_radius);
    QPainterPath highlight;
    highlight.addRoundedRect(scaled(shine, s), s * shine_radius, s * shine_radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, shine_alpha));
    p.drawPath(highlight);
    QPainterPath sign;
    sign.moveTo(play[0] * s);
    sign.lineTo(play[1] * s);
    sign.lineTo(play[2] * s);
    sign.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(sign);
    return image;
}

QByteArray app_icon_svg() {
    constexpr qreal s = 256;
    const auto n = [](qreal v) { return QString::number(v * s, 'g', 6); };
    const QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
            "viewBox=\"0 0 256 256\">\n"
            "  <defs>\n"
            "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
            "      <stop offset=\"0\" stop-color=\"%1\"/>\n"
            "      <stop offset=\"1\" stop-color=\"%2\"/>\n"
            "    </linearGradient>\n"
            "  </defs>\n"
            "  <rect x=\"%3\" y=\"%4\" width=\"%5\" height=\"%6\" rx=\"%7\" fill=\"url(#tile)\" "
            "stroke=\"%8\" stroke-width=\"%9\"/>\n")
            .arg(tile_top.name(), tile_bottom.name(), n(tile.x()), n(tile.y()), n(tile.width()),
                 n(tile.height()), n(tile_radius), tile_edge.name(), n(edge_width)) +
        QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                       "fill=\"#ffffff\" fill-opacity=\"%6\"/>\n")
            .arg(n(shine.x()), n(shine.y()), n(shine.width()), n(shine.height()), n(shine_radius),
                 QString::number(shine_alpha / 255.0, 'g', 3)) +
        QStringLiteral("  <path d=\"M %1 %2 L %3 %4 L %5 %6 Z\" fill=\"#ffffff\"/>\n</svg>\n")
            .arg(n(play[0].x()), n(play[0].y()), n(play[1].x()), n(play[1].y()), n(play[2].x()),
                 n(play[2].y()));
    return svg.toUtf8();
}

} // namespace kelvara::skin_gen
