// Strips 1, 2, 5 and 6 (title-bar buttons) and 7, 8 (header tabs).
#include "strip_painters.h"

#include "symbols.h"

#include <QPainterPath>

namespace kelvara::skin_gen {

namespace {

constexpr int tab_top = 18; // window row of the tabs' top edge
constexpr double symbol_y = 9.5;

QColor hover_fill() {
    return QColor(255, 255, 255, 44);
}

struct TitleCell {
    int x;
    int width;
    void (*draw)(QPainter&, QPointF, const QColor&);
};

constexpr TitleCell title_cells[] = {
    {0, 24, draw_compact_mode}, {24, 24, draw_skin_shirt}, {48, 24, draw_menu_lines},
    {72, 24, draw_minimise},    {96, 24, draw_maximise},   {120, 33, draw_close},
};

} // namespace

QImage paint_title_buttons(const Palette& p, bool hover) {
    QImage image = new_strip(hover ? 2 : 1);
    QPainter g;
    start_painter(g, image);
    fill_header(g, image.rect(), p, 0);
    for (const TitleCell& cell : title_cells) {
        const QRectF box(cell.x, 0, cell.width, image.height());
        const bool close = cell.draw == draw_close;
        if (hover)
            hover_plate(g, box, close ? p.close_hover : hover_fill());
        cell.draw(g, QPointF(box.center().x(), symbol_y), hover ? Qt::white : p.glyph);
    }
    g.end();
    return image;
}

QImage paint_restore(const Palette& p) {
    QImage image = new_strip(5);
    QPainter g;
    start_painter(g, image);
    fill_header(g, image.rect(), p, 0);
    hover_plate(g, QRectF(24, 0, 24, image.height()), hover_fill());
    draw_restore(g, QPointF(12, symbol_y), p.glyph);
    draw_restore(g, QPointF(36, symbol_y), Qt::white);
    g.end();
    return image;
}

QImage paint_topmost(const Palette& p) {
    QImage image = new_strip(6);
    QPainter g;
    start_painter(g, image);
    fill_header(g, image.rect(), p, 0);
    // Cells: loose normal, loose hover, pinned normal, pinned hover.
    for (int cell = 0; cell < 4; ++cell) {
        const bool hover = cell % 2 == 1, pinned = cell >= 2;
        const QRectF box(cell * 21, 0, 21, image.height());
        if (hover)
            hover_plate(g, box, hover_fill());
        const QColor col = pinned ? p.accent_high : hover ? QColor(Qt::white) : p.glyph;
        draw_pin(g, QPointF(box.center().x(), symbol_y), col, pinned);
    }
    g.end();
    return image;
}

QImage paint_tabs(const Palette& p, const Fonts& fonts, bool selected) {
    static const QString captions[] = {QStringLiteral("正在播放"), QStringLiteral("影视片库"),
                                       QStringLiteral("在线电视"), QStringLiteral("精彩推荐")};
    QImage image = new_strip(selected ? 7 : 8);
    QPainter g;
    start_painter(g, image);
    fill_header(g, image.rect(), p, tab_top);
    const QFont font = pixel_font(fonts.cjk, 14);
    for (int cell = 0; cell < 4; ++cell) {
        const QRectF box(cell * 80, 0, 80, image.height());
        if (selected) {
            // The tab runs on into the window background below the header.
            QPainterPath tab;
            tab.addRoundedRect(box.adjusted(1, 3, -1, 8), 5, 5);
            g.save();
            g.setClipRect(box);
            g.setPen(Qt::NoPen);
            g.setBrush(p.content);
            g.drawPath(tab);
            g.setClipPath(tab, Qt::IntersectClip);
            g.fillRect(QRectF(box.left(), 3, 80, 2), p.accent);
            g.restore();
        }
        draw_caption(g, box.adjusted(0, 4, 0, 0), captions[cell], font,
                     selected ? QColor(Qt::white) : p.glyph_dim);
    }
    g.end();
    return image;
}

} // namespace kelvara::skin_gen
