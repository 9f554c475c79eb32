#include "logic/layout/layout_formulas.h"

#include <algorithm>

namespace kelvara {

int twips_to_pixels_ceil(int twips) {
    return twips <= 0 ? twips / twips_per_pixel : (twips + twips_per_pixel - 1) / twips_per_pixel;
}

QSize minimum_size_twips(bool compact) {
    return compact ? QSize(4100, 3000) : QSize(13000, 7000);
}

QSize raised_to_minimum(QSize size, bool compact) {
    const QSize min = minimum_size_twips(compact);
    return {std::max(size.width(), twips_to_pixels_ceil(min.width())),
            std::max(size.height(), twips_to_pixels_ceil(min.height()))};
}

QSize compact_size_twips() {
    return {5800, 4800};
}

MainLayout main_layout(int W, int H) {
    MainLayout m;
    // Title-bar buttons, right to left from the close button.
    m.frame_buttons[kCloseButton] = QRect(W - 38, 0, 33, 19);
    m.frame_buttons[kMaximiseButton] = QRect(m.frame_buttons[kCloseButton].left() - 24, 0, 24, 19);
    m.frame_buttons[kMinimiseButton] =
        QRect(m.frame_buttons[kMaximiseButton].left() - 24, 0, 24, 19);
    m.frame_buttons[kMainMenuButton] =
        QRect(m.frame_buttons[kMinimiseButton].left() - 24, 0, 24, 19);
    m.frame_buttons[kSkinButton] = QRect(m.frame_buttons[kMainMenuButton].left() - 24, 0, 24, 19);
    m.frame_buttons[kCompactButton] = QRect(m.frame_buttons[kSkinButton].left() - 24, 0, 24, 19);
    m.frame_buttons[kTopmostButton] = QRect(m.frame_buttons[kCompactButton].left() - 21, 0, 21, 19);
    m.frame_buttons[kSideBoxToggle] = QRect(147, 9, 10, 10);
    // Header tabs, 92 pixels apart.
    m.frame_buttons[kLibraryTab] = QRect(200, 18, 80, 32);
    m.frame_buttons[kNowPlayingTab] = QRect(m.frame_buttons[kLibraryTab].left() + 92, 18, 80, 32);
    m.frame_buttons[kOnlineTvTab] = QRect(m.frame_buttons[kNowPlayingTab].left() + 92, 18, 80, 32);
    m.frame_buttons[kRecommendationsTab] =
        QRect(m.frame_buttons[kOnlineTvTab].left() + 92, 18, 80, 32);
    m.zz = QRect(2, 51, W - 4, H - 90);

    // Transport bar: the playback group from the middle, the tools from the
    // right edge.
    const int T = H - 36;
    const QSize small(25, 24);
    m.frame_buttons[kLogoButton] = QRect(10, T - 2, 45, 38);
    m.transport_buttons[kStopButton] = QRect(QPoint((W - 120) / 2, T + 5), small);
    m.transport_buttons[kPreviousEpisodeButton] =
        QRect(QPoint(m.transport_buttons[kStopButton].left() + 29, T + 5), small);
    m.transport_buttons[kPlayPauseButton] =
        QRect(m.transport_buttons[kPreviousEpisodeButton].left() + 27, T, 38, 33);
    m.transport_buttons[kNextEpisodeButton] =
        QRect(QPoint(m.transport_buttons[kPlayPauseButton].left() + 41, T + 5), small);
    m.transport_buttons[kMuteButton] =
        QRect(QPoint(m.transport_buttons[kNextEpisodeButton].left() + 30, T + 5), small);
    m.volume_track = QRect(m.transport_buttons[kMuteButton].left() + 26, T + 5, 80, 24);
    m.transport_buttons[kSideBarButton] = QRect(QPoint(W - 47, T + 3), small);
    m.transport_buttons[kFullScreenButton] =
        QRect(QPoint(m.transport_buttons[kSideBarButton].left() - 26, T + 3), small);
    m.transport_buttons[kOpenFileButton] =
        QRect(QPoint(m.transport_buttons[kFullScreenButton].left() - 26, T + 3), small);
    m.transport_buttons[kShutdownButton] =
        QRect(QPoint(m.transport_buttons[kOpenFileButton].left() - 26, T + 4), small);
    m.bo_name = QPoint(100, T + 8);

    m.ying = QRect(2, 51, m.zz.width(), m.zz.height());
    m.tv_pane = QRect(-2, -2, m.ying.width() + 2, m.ying.height() + 2);
    return m;
}

SidebarLayout sidebar_layout(QSize zz, bool side_bar_shown, QSize jia) {
    SidebarLayout s;
    const int zw = zz.width();
    const int zh = zz.height();
    s.l2 = QRect(zw - 162, 0, 162, zh);
    int grip_left;
    if (side_bar_shown) {
        grip_left = zw - 160;
        s.L1 = QRect(0, 0, grip_left, zh);
        s.Pic1 = QRect(0, 0, s.L1.width() - 1, s.L1.height());
        s.grip_cell = 0;
    } else {
        // The side bar keeps its place; the left part spans the panel under
        // the grip.
        grip_left = zw - 4;
        s.L1 = QRect(0, 0, zw, zh);
        s.Pic1 = QRect(0, 0, s.L1.width(), s.L1.height());
        s.grip_cell = 3;
    }
    s.side_bar_grip = QRect(grip_left, (zh - 40) / 2, 3, 40);
    s.Pic2 = QRect(0, 0, s.Pic1.width(), s.Pic1.height());
    s.jia = QRect((s.Pic2.width() - jia.width()) / 2, (s.Pic2.height() - jia.height()) / 2 - 20,
                  jia.width(), jia.height());
    s.catalogue_pane = QRect(-2, -2, s.Pic1.width() + 4, s.Pic1.height() + 4);
    s.webe = QPoint(s.jia.left() + 40, s.jia.top() + s.jia.height() + 4);
    return s;
}

SideboxLayout sidebox_layout(QSize zz, bool box_open, int shan_height) {
    SideboxLayout b;
    b.u_k = QRect(0, 0, 163, 46);
    b.software_ad_pane = QRect(-2, -2, b.u_k.width() + 4, b.u_k.height() + 4);
    b.u_k_visible = box_open;
    b.sub_tab_bar = QRect(0, box_open ? 46 : 0, 162, 25);
    b.network_tasks_tab = QRect(10, 5, 57, 20);
    b.local_list_tab = QRect(80, 5, 57, 20);
    b.l2 = QRect(zz.width() - 162, 0, 162, zz.height());
    b.l3 = QRect(0, 0, b.l2.width(), b.l2.height());
    const int below_tabs = b.sub_tab_bar.top() + b.sub_tab_bar.height();
    b.Pic3 = QRect(0, below_tabs + 2, b.l3.width(), b.l3.height() - below_tabs - shan_height);
    b.network_list_pane = QRect(-2, -2, b.Pic3.width() + 2, b.Pic3.height() + 4);
    b.local_list_pane = b.network_list_pane;
    return b;
}

PlayerLayout player_layout(const PlayerSizes& sizes) {
    PlayerLayout p;
    p.qvod = QRect(QPoint(0, 0), sizes.Pic2);
    const int w = p.qvod.width();
    p.seek_track = QRect(0, p.qvod.height() - sizes.seek_track_height, w, sizes.seek_track_height);
    p.bo_zt = QRect(0, p.seek_track.top() - sizes.bo_zt_height, w, sizes.bo_zt_height);
    p.QvodC = QRect(0, 0, w, p.bo_zt.top());
    p.bo_ad = QRect(0, 0, p.QvodC.width(), p.QvodC.height());
    const auto centred = [&](QSize s) {
        return QRect((p.bo_ad.width() - s.width()) / 2, (p.bo_ad.height() - s.height()) / 2,
                     s.width(), s.height());
    };
    p.adp = centred(sizes.adp);
    p.ad_huan = centred(QSize(450, 260));
    p.qvod_ad_pane = QRect(-2, -2, p.ad_huan.width() + 4, p.ad_huan.height() + 4);
    p.next_s = QPoint(p.adp.left(), p.adp.top() + p.adp.height() + 10);
    p.status_label = QPoint(13, 3);
    p.times = QPoint(w - sizes.times_width - 13, 3);
    return p;
}

CompactLayout compact_layout(int W, int H, int jbi_width) {
    CompactLayout c;
    c.jbi = QPoint(W - jbi_width - 13, 0);
    c.zz = QRect(2, 20, W - 4, H - 23);
    c.L1 = QRect(0, 0, c.zz.width(), c.zz.height());
    c.Pic2 = QRect(0, 0, c.L1.width(), c.L1.height());
    // The top 20 pixels of the web-player page stay out of sight.
    c.web_player_pane = QRect(-2, -20, c.Pic2.width() + 4, c.Pic2.height() + 20);
    c.title_room = c.jbi.x() - 50;
    return c;
}

std::vector<FramePiece> normal_frame_pieces(int W, int H, QSize banner) {
    return {
        {0, QRect(0, 55, 35, 8), QRect(0, 55, 35, H - 55)},        // left edge
        {0, QRect(45, 55, 35, 8), QRect(W - 35, 55, 35, H - 55)},  // right edge
        {0, QRect(35, 63, 10, 45), QRect(35, H - 45, W - 70, 45)}, // bottom edge
        {0, QRect(0, 63, 35, 45), QRect(0, H - 45, 35, 45)},       // bottom left
        {0, QRect(45, 63, 35, 45), QRect(W - 35, H - 45, 35, 45)}, // bottom right
        {0, QRect(40, 0, 10, 55), QRect(40, 0, W - 70, 55)},       // top edge
        {0, QRect(0, 0, 40, 55), QRect(0, 0, 40, 55)},             // top left
        {0, QRect(50, 0, 30, 55), QRect(W - 30, 0, 30, 55)},       // top right
        {3, QRect(QPoint(0, 0), banner), QRect(QPoint(W - 247, H - 36), banner)},
    };
}

std::vector<FramePiece> compact_frame_pieces(int W, int H) {
    return {
        {0, QRect(0, 78, 7, 10), QRect(0, 20, 7, H - 27)},      // left edge
        {0, QRect(73, 78, 7, 10), QRect(W - 7, 20, 7, H - 27)}, // right edge
        {0, QRect(35, 23, 10, 7), QRect(3, H - 7, W - 6, 7)},   // bottom edge
        {0, QRect(0, 101, 3, 7), QRect(0, H - 7, 3, 7)},        // bottom left
        {0, QRect(73, 23, 7, 7), QRect(W - 7, H - 7, 7, 7)},    // bottom right
        {0, QRect(35, 0, 10, 20), QRect(7, 0, W - 14, 20)},     // top edge
        {0, QRect(0, 0, 7, 20), QRect(0, 0, 7, 20)},            // top left
        {0, QRect(73, 0, 7, 20), QRect(W - 7, 0, 7, 20)},       // top right
    };
}

bool in_interior(int W, int H, int x, int y) {
    return x > 3 && x < W - 3 && y > 3 && y < H - 3;
}

BorderHit border_hit_test(int W, int H, int x, int y) {
    const bool right = x >= W - 3;
    const bool left = x <= 3;
    const bool top = y <= 3;
    const bool bottom = y >= H - 3;
    if (right) {
        if (top)
            return {EdgeCursor::SizeNeSw, 14};
        if (bottom)
            return {EdgeCursor::SizeNwSe, 17};
        return {EdgeCursor::SizeHorizontal, 11};
    }
    if (!left) {
        if (top)
            return {EdgeCursor::SizeVertical, 12};
        if (bottom)
            return {EdgeCursor::SizeVertical, 15};
        return {};
    }
    if (top)
        return {EdgeCursor::SizeNwSe, 13};
    if (bottom)
        return {EdgeCursor::SizeNeSw, 16};
    return {EdgeCursor::SizeHorizontal, 10};
}

QRect tip_panel_rect(const QRect& button, QSize text) {
    return {button.left() - 5, button.top() + button.height() + 3, text.width() + 5,
            text.height() + 5};
}

} // namespace kelvara
