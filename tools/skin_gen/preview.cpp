#include "preview.h"

#include "logic/layout/layout_formulas.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace kelvara::skin_gen {

namespace {

using Strips = std::array<QImage, strip_count>;

Strips paint_all(const Palette& p, const Fonts& fonts) {
    Strips strips;
    for (int i = 0; i < strip_count; ++i)
        strips[i] = paint_strip(p, fonts, i);
    return strips;
}

QImage contact_sheet(const Strips& strips, const Palette& p) {
    constexpr int zoom = 3, margin = 16, label_h = 18, sheet_w = 1320;
    // Flow the strips left to right, one row after another.
    std::array<QPoint, strip_count> at;
    int x = margin, y = margin, row_h = 0;
    for (int i = 0; i < strip_count; ++i) {
        QSize s = strips[i].size() * zoom;
        s.setWidth(std::max(s.width(), 150)); // room for the label
        if (x + s.width() + margin > sheet_w) {
            x = margin;
            y += row_h + margin;
            row_h = 0;
        }
        at[i] = QPoint(x, y);
        x += s.width() + margin;
        row_h = std::max(row_h, s.height() + label_h);
    }
    QImage sheet(sheet_w, y + row_h + margin, QImage::Format_ARGB32);
    sheet.fill(QColor(236, 236, 236));
    QPainter g(&sheet);
    g.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int i = 0; i < strip_count; ++i) {
        const QImage& s = strips[i];
        g.setPen(Qt::black);
        g.drawText(at[i] + QPoint(0, 12), QStringLiteral("%1  (%2)  %3 x %4")
                                              .arg(i)
                                              .arg(resource_number(p.skin, i))
                                              .arg(s.width())
                                              .arg(s.height()));
        g.drawImage(QRect(at[i] + QPoint(0, label_h), s.size() * zoom), s);
    }
    return sheet;
}

// One picture box: a cell of a strip copied to a window position.
struct Put {
    int strip;
    int src_x;
    QSize size;
    QPoint at;
};

struct MockState {
    bool selected_now_playing = false;
    bool maximised = false;
    bool pinned = false;
    bool pause = false;
    bool muted = false;
    bool armed = false;
    bool box_open = true;
    bool local_list = false;
    bool side_bar = true;
    bool hover = false; // a few buttons shown under the pointer
};

void stretch(QPainter& g, const QImage& src, QRect from, QRect to) {
    g.drawImage(to, src, from);
}

// The frame cut from the strips as the window cuts it.
void paint_frame(QPainter& g, const Strips& s, const std::vector<FramePiece>& pieces) {
    for (const FramePiece& piece : pieces)
        stretch(g, s[piece.strip], piece.source, piece.target);
}

void put(QPainter& g, const Strips& s, const Put& b) {
    g.drawImage(b.at, s[b.strip], QRect(QPoint(b.src_x, 0), b.size));
}

// Stand-in for a web page: a light page with a few grey tiles.
void fake_page(QPainter& g, const QRect& r, int tiles) {
    g.fillRect(r, QColor(246, 247, 249));
    const int tile_w = 104, tile_h = 140;
    for (int i = 0; i < tiles; ++i) {
        const QRect t(r.left() + 16 + (i % 6) * (tile_w + 14),
                      r.top() + 16 + (i / 6) * (tile_h + 34), tile_w, tile_h);
        if (t.right() < r.right() - 8 && t.bottom() < r.bottom() - 8)
            g.fillRect(t, QColor(214, 219, 226));
    }
}

void paint_side_bar(QPainter& g, const Strips& s, const Palette& p, const QRect& l2,
                    const MockState& st) {
    g.fillRect(l2, p.content);
    const int bar_y = st.box_open ? 46 : 0;
    if (st.box_open)
        g.fillRect(QRect(l2.left(), l2.top(), 163, 46), QColor(255, 241, 214));
    const QPoint bar(l2.left(), l2.top() + bar_y);
    stretch(g, s[10], QRect(0, 0, 3, 25), QRect(bar, QSize(163, 25)));
    put(g, s, {4, st.box_open ? 30 : 20, {10, 10}, bar + QPoint(147, 9)});
    put(g, s, {9, st.local_list ? 171 : 0, {57, 20}, bar + QPoint(10, 5)});
    put(g, s, {9, st.local_list ? 114 : 57, {57, 20}, bar + QPoint(80, 5)});
    const int list_top = bar.y() + 27;
    fake_page(g, QRect(l2.left(), list_top, 160, l2.bottom() - 20 - list_top), 0);
    g.setPen(QColor(90, 90, 90));
    g.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 9));
    g.drawText(QPoint(l2.left() + 162 - 80, l2.bottom() - 4),
               st.local_list ? QStringLiteral("∴ 清空列表") : QStringLiteral("∴ 管理任务"));
}

QImage mock_window(const Strips& s, const Palette& p, const MockState& st) {
    const int w = 904, h = 565;
    QImage win(w, h, QImage::Format_ARGB32);
    win.fill(Qt::black);
    QPainter g(&win);
    paint_frame(g, s, normal_frame_pieces(w, h, s[3].size()));
    // Content panel zz and what it holds.
    const QRect zz(2, 51, w - 4, h - 90);
    g.fillRect(zz, p.content);
    const int grip_x = st.side_bar ? zz.width() - 160 : zz.width() - 4;
    fake_page(g, QRect(zz.topLeft(), QSize(st.side_bar ? grip_x - 1 : zz.width(), zz.height())),
              12);
    if (st.side_bar)
        paint_side_bar(g, s, p, QRect(zz.left() + zz.width() - 162, zz.top(), 162, zz.height()),
                       st);
    put(g, s,
        {11, st.side_bar ? 0 : 3, {3, 40}, zz.topLeft() + QPoint(grip_x, (zz.height() - 40) / 2)});
    // Title bar, right to left.
    put(g, s, {st.hover ? 2 : 1, 120, {33, 19}, {w - 38, 0}});
    if (st.maximised)
        put(g, s, {5, st.hover ? 24 : 0, {24, 19}, {w - 62, 0}});
    else
        put(g, s, {1, 96, {24, 19}, {w - 62, 0}});
    put(g, s, {1, 72, {24, 19}, {w - 86, 0}});
    put(g, s, {1, 48, {24, 19}, {w - 110, 0}});
    put(g, s, {1, 24, {24, 19}, {w - 134, 0}});
    put(g, s, {1, 0, {24, 19}, {w - 158, 0}});
    put(g, s, {6, st.pinned ? 42 : 0, {21, 19}, {w - 179, 0}});
    // Header tabs: film library, now playing, online TV, recommendations.
    const int tab_src[] = {80, 0, 160, 240};
    const int selected = st.selected_now_playing ? 1 : 0;
    for (int i = 0; i < 4; ++i)
        put(g, s, {i == selected ? 7 : 8, tab_src[i], {80, 32}, {200 + 92 * i, 18}});
    g.setPen(Qt::white);
    g.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 9));
    g.drawText(QPoint(40, 34), QStringLiteral("Kelvara 2.1"));
    // Transport bar.
    const int t = h - 36;
    put(g, s, {20, st.hover ? 45 : 0, {45, 38}, {10, t - 2}});
    const int stop_x = (w - 120) / 2;
    put(g, s, {13, 0, {25, 24}, {stop_x, t + 5}});
    put(g, s, {18, 0, {25, 24}, {stop_x + 29, t + 5}});
    put(g, s, {12, st.pause ? (st.hover ? 114 : 76) : 0, {38, 33}, {stop_x + 56, t}});
    put(g, s, {18, st.hover ? 75 : 50, {25, 24}, {stop_x + 97, t + 5}});
    put(g, s, {14, st.muted ? 50 : 0, {25, 24}, {stop_x + 127, t + 5}});
    const QPoint yin(stop_x + 153, t + 5);
    put(g, s, {15, 0, {80, 24}, yin});
    const int knob = st.muted ? 20 : 48;
    g.fillRect(QRect(yin + QPoint(0, 10), QSize(knob, 4)), p.accent);
    put(g, s, {19, 0, {10, 10}, yin + QPoint(knob, 7)});
    put(g, s, {st.hover ? 17 : 16, 75, {25, 24}, {w - 47, t + 3}});
    put(g, s, {st.hover ? 17 : 16, 50, {25, 24}, {w - 73, t + 3}});
    put(g, s, {16, 25, {25, 24}, {w - 99, t + 3}});
    put(g, s, {st.armed ? 17 : 16, 0, {25, 24}, {w - 125, t + 4}});
    g.setPen(p.glyph);
    g.drawText(QPoint(100, t + 20), QStringLiteral("示例影片 第01集"));
    g.end();
    return win;
}

QImage mock_compact(const Strips& s) {
    const int w = 387, h = 320;
    QImage win(w, h, QImage::Format_ARGB32);
    win.fill(Qt::black);
    QPainter g(&win);
    paint_frame(g, s, compact_frame_pieces(w, h));
    QLinearGradient video(0, 20, 0, h);
    video.setColorAt(0, QColor(30, 30, 36));
    video.setColorAt(1, QColor(8, 8, 10));
    g.fillRect(QRect(2, 20, w - 4, h - 23), video);
    g.setPen(Qt::white);
    g.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 9));
    g.drawText(QPoint(13, 15), QStringLiteral("示例影片 第01集"));
    g.drawText(QPoint(w - 22, 14), QStringLiteral("x"));
    g.end();
    return win;
}

// The window's rounded outline (a 4 x 4 corner ellipse) on a desktop colour.
QImage on_desktop(const QImage& win) {
    const int pad = 24;
    QImage out(win.size() + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32);
    out.fill(QColor(228, 231, 235));
    QPainter g(&out);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(pad, pad, win.width(), win.height()), 2, 2);
    g.setClipPath(outline);
    g.drawImage(QPoint(pad, pad), win);
    return out;
}

// The header and the transport bar of a window mock-up, at three times
// their size, in four pieces one below the other.
QImage zoomed_edges(const QImage& win) {
    constexpr int zoom = 3, piece_w = 450, gap = 12;
    const int w = win.width(), h = win.height();
    const QRect pieces[] = {{0, 0, piece_w, 60},
                            {w - piece_w, 0, piece_w, 60},
                            {0, h - 45, piece_w, 45},
                            {w - piece_w, h - 45, piece_w, 45}};
    int total = 0;
    for (const QRect& r : pieces)
        total += r.height() * zoom + gap;
    QImage out(piece_w * zoom, total, QImage::Format_ARGB32);
    out.fill(QColor(236, 236, 236));
    QPainter g(&out);
    int y = 0;
    for (const QRect& r : pieces) {
        g.drawImage(QRect(0, y, r.width() * zoom, r.height() * zoom), win, r);
        y += r.height() * zoom + gap;
    }
    return out;
}

// The top of the side bar down to the grip, at three times its size.
QImage zoomed_side_bar(const QImage& win) {
    const QRect r(win.width() - 210, 40, 210, 270);
    return win.copy(r).scaled(r.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

bool write_previews(const QString& dir, const Fonts& fonts) {
    QDir().mkpath(dir);
    bool ok = true;
    for (int skin = 0; skin < 2; ++skin) {
        const Palette p = palette_for(skin);
        const Strips strips = paint_all(p, fonts);
        auto save = [&](const QImage& image, const char* name) {
            ok = image.save(QDir(dir).filePath(QStringLiteral("%1_%2.png").arg(name).arg(skin))) &&
                 ok;
        };
        save(contact_sheet(strips, p), "sheet");
        const QImage window = mock_window(strips, p, {});
        save(on_desktop(window), "window");
        save(zoomed_edges(window), "window_zoom");
        MockState other;
        other.selected_now_playing = other.maximised = other.pinned = other.pause = true;
        other.muted = other.armed = other.local_list = other.hover = true;
        other.box_open = false;
        const QImage states = mock_window(strips, p, other);
        save(on_desktop(states), "window_states");
        save(zoomed_edges(states), "window_states_zoom");
        save(zoomed_side_bar(window), "side_zoom");
        save(zoomed_side_bar(states), "side_states_zoom");
        MockState hidden;
        hidden.side_bar = false;
        save(on_desktop(mock_window(strips, p, hidden)), "window_no_side_bar");
        save(on_desktop(mock_compact(strips)), "compact");
    }
    return ok;
}

} // namespace kelvara::skin_gen
