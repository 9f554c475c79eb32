// Strips 4 (side-box toggle), 9 (history sub-tabs), 10 (sub-tab bar) and
// 11 (side-bar grip): the pictures inside the side bar.
#include "strip_painters.h"

#include "symbols.h"

#include <QPainterPath>

namespace kelvara::skin_gen {

namespace {

// Rows of the sub-tab bar where the toggle and the sub-tabs sit.
constexpr int toggle_top = 9;
constexpr int sub_tab_top = 5;

void paint_sub_tab(QPainter& g, const QRectF& box, const Palette& p, const QFont& font,
                   const QString& caption, bool selected) {
    if (selected) {
        QPainterPath tab;
        tab.addRoundedRect(box.adjusted(0, 1, 0, 8), 4, 4);
        g.save();
        g.setClipRect(box);
        g.setPen(Qt::NoPen);
        g.setBrush(p.content);
        g.drawPath(tab);
        g.setClipPath(tab, Qt::IntersectClip);
        g.fillRect(QRectF(box.left(), 1, box.width(), 2), p.accent);
        g.restore();
    }
    draw_caption(g, box.adjusted(0, 2, 0, 0), caption, font,
                 selected ? QColor(Qt::white) : p.glyph_dim);
}

} // namespace

QImage paint_side_box_toggle(const Palette& p) {
    QImage image = new_strip(4);
    QPainter g;
    start_painter(g, image);
    fill_sub_bar(g, image.rect(), p, toggle_top);
    // Cells: hover collapsed, hover open, normal collapsed, normal open. A
    // collapsed box opens downwards, an open one folds up.
    for (int cell = 0; cell < 4; ++cell) {
        const bool hover = cell < 2, open = cell % 2 == 1;
        const QRectF box(cell * 10, 0, 10, 10);
        if (hover) {
            g.setPen(Qt::NoPen);
            g.setBrush(QColor(255, 255, 255, 48));
            g.drawRoundedRect(box, 2, 2);
        }
        draw_chevron(g, box.center(), hover ? QColor(Qt::white) : p.glyph_dim, open);
    }
    g.end();
    return image;
}

QImage paint_sub_tabs(const Palette& p, const Fonts& fonts) {
    const QString network = QStringLiteral("网络任务"), local = QStringLiteral("本地列表");
    QImage image = new_strip(9);
    QPainter g;
    start_painter(g, image);
    fill_sub_bar(g, image.rect(), p, sub_tab_top);
    const QFont font = pixel_font(fonts.cjk, 12);
    paint_sub_tab(g, QRectF(0, 0, 57, 20), p, font, network, true);
    paint_sub_tab(g, QRectF(57, 0, 57, 20), p, font, local, false);
    paint_sub_tab(g, QRectF(114, 0, 57, 20), p, font, local, true);
    paint_sub_tab(g, QRectF(171, 0, 57, 20), p, font, network, false);
    g.end();
    return image;
}

QImage paint_sub_bar(const Palette& p) {
    QImage image = new_strip(10);
    QPainter g;
    start_painter(g, image);
    fill_sub_bar(g, image.rect(), p, 0);
    g.end();
    return image;
}

QImage paint_grip(const Palette& p) {
    // Three pixels wide: drawn pixel by pixel, without smoothing. A light
    // handle that shows on the pages as on the dark side bar, with a dark
    // arrow pointing where a click moves the side bar: right while it is shown.
    QImage image = new_strip(11);
    image.fill(mix(p.glyph_dim, p.frame, 0.2));
    const QColor arrow = p.content;
    static constexpr int widths[] = {1, 2, 3, 2, 1};
    for (int cell = 0; cell < 2; ++cell) {
        const int x0 = cell * 3;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < widths[row]; ++col) {
                const int x = cell == 0 ? col : 2 - col;
                image.setPixelColor(x0 + x, 18 + row, arrow);
            }
        // Ends shaded off, so the handle reads as rounded.
        for (int y : {0, 39})
            for (int x = 0; x < 3; ++x)
                image.setPixelColor(x0 + x, y, mix(image.pixelColor(x0 + x, y), p.content, 0.45));
    }
    return image;
}

} // namespace kelvara::skin_gen
