// Strip 0 (frame pieces), strip 3 (banner) and strip 20 (logo button).
#include "strip_painters.h"

namespace kelvara::skin_gen {

namespace {

// Rows of strip 0 as the frame painters cut them.
constexpr int header_rows = 55;   // top pieces, the header behind buttons and tabs
constexpr int content_top = 50;   // from here on the content panel covers the middle
constexpr int transport_top = 69; // first row of the transport bar left visible
constexpr int border = 2;         // frame columns left and right of the content panel

// The brand mark: a dark disc with a ring and a K, or lit when hovered.
void draw_mark(QPainter& g, QPointF c, double r, const Palette& p, const QString& latin, bool lit) {
    g.setPen(Qt::NoPen);
    g.setBrush(lit ? p.accent : p.content);
    g.drawEllipse(c, r, r);
    g.setBrush(Qt::NoBrush);
    const double ring = r > 12 ? 2.0 : 1.5;
    g.setPen(QPen(lit ? p.accent_high : p.accent, ring));
    g.drawEllipse(c, r - ring / 2, r - ring / 2);
    QFont font = pixel_font(latin, int(r * 1.25), true);
    const QRectF box(c.x() - r, c.y() - r + r * 0.04, 2 * r, 2 * r);
    draw_caption(g, box, QStringLiteral("K"), font, lit ? p.accent_text : p.accent_high);
}

} // namespace

QImage paint_frame_pieces(const Palette& p, const Fonts& fonts) {
    QImage image = new_strip(0);
    QPainter g;
    start_painter(g, image);
    const int w = image.width(), h = image.height();
    fill_header(g, QRect(0, 0, w, content_top), p, 0);
    g.fillRect(QRect(0, content_top, w, h - content_top), p.frame);
    // Under the content panel: the window background, so that the row between
    // the tabs and the panel, and any gap at the panel's edges, read as part of it.
    g.fillRect(QRect(border, content_top, w - 2 * border, transport_top - content_top), p.content);
    g.fillRect(QRect(border, transport_top, w - 2 * border, 1), mix(p.frame, Qt::white, 0.1));
    static_assert(header_rows > content_top);
    // The mark left of the window title, clear of the columns the compact
    // frame takes from this corner.
    draw_mark(g, QPointF(21, 30), 10.5, p, fonts.latin, false);
    g.end();
    return image;
}

QImage paint_banner(const Palette& p, const Fonts& fonts) {
    QImage image = new_strip(3);
    QPainter g;
    start_painter(g, image);
    g.fillRect(image.rect(), p.frame);
    g.setFont(pixel_font(fonts.latin, 17, true));
    g.setPen(p.glyph);
    g.drawText(QRectF(8, 1, 110, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kelvara"));
    g.setFont(pixel_font(fonts.cjk, 10));
    g.setPen(p.glyph_dim);
    g.drawText(QRectF(9, 21, 110, 13), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("高清影视 · 随心而看"));
    // A groove that sets the name off from the buttons on its right.
    g.fillRect(QRect(116, 8, 1, 20), p.line);
    g.fillRect(QRect(117, 8, 1, 20), mix(p.frame, Qt::white, 0.08));
    g.end();
    return image;
}

QImage paint_logo(const Palette& p, const Fonts& fonts) {
    QImage image = new_strip(20);
    QPainter g;
    start_painter(g, image);
    g.fillRect(image.rect(), p.frame);
    for (int cell = 0; cell < 2; ++cell)
        draw_mark(g, QPointF(cell * 45 + 22.5, 18.5), 16, p, fonts.latin, cell == 1);
    g.end();
    return image;
}

} // namespace kelvara::skin_gen
