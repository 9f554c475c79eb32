#include "logic/layout/layout_formulas.h"

#include <gtest/gtest.h>
#include <vector>

using namespace kelvara;

namespace {

// Pixels of a W × H window that no piece paints and that lie outside
// `inner`.
int unpainted_outside(const std::vector<FramePiece>& pieces, int W, int H, const QRect& inner) {
    std::vector<bool> painted(W * H, false);
    for (const FramePiece& p : pieces) {
        const QRect t = p.target.intersected(QRect(0, 0, W, H));
        for (int y = t.top(); y <= t.bottom(); ++y)
            for (int x = t.left(); x <= t.right(); ++x)
                painted[y * W + x] = true;
    }
    int missing = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            missing += !painted[y * W + x] && !inner.contains(x, y);
    return missing;
}

} // namespace

TEST(LayoutFormulas, MinimumSizesNeverLeaveTheWindowATwipShort) {
    // 13000 / 15 is 866.7: 866 pixels would be 12990 twips and too small.
    EXPECT_EQ(raised_to_minimum({866, 466}, false), QSize(867, 467));
    EXPECT_EQ(raised_to_minimum({867, 467}, false), QSize(867, 467));
    EXPECT_EQ(raised_to_minimum({1200, 300}, false), QSize(1200, 467));
    EXPECT_EQ(raised_to_minimum({100, 100}, true), QSize(274, 200));
    EXPECT_EQ(raised_to_minimum({400, 320}, true), QSize(400, 320));
    for (bool compact : {false, true}) {
        const QSize least = raised_to_minimum({1, 1}, compact);
        EXPECT_GE(least.width() * 15, minimum_size_twips(compact).width());
        EXPECT_LT((least.width() - 1) * 15, minimum_size_twips(compact).width());
        EXPECT_GE(least.height() * 15, minimum_size_twips(compact).height());
    }
}

TEST(LayoutFormulas, TitleButtonsRowUpWithoutGapsFromTheCloseButton) {
    for (int W : {867, 904, 1366}) {
        const MainLayout m = main_layout(W, 600);
        EXPECT_EQ(m.frame_buttons[kCloseButton].right(), W - 6) << W;
        // Right to left: close, maximise, minimise, menu, skin, compact, topmost.
        const int order[] = {2, 1, 0, 5, 3, 15, 4};
        for (int i = 1; i < 7; ++i) {
            EXPECT_EQ(m.frame_buttons[order[i]].right() + 1, m.frame_buttons[order[i - 1]].left())
                << order[i];
            EXPECT_EQ(m.frame_buttons[order[i]].height(), 19);
        }
        EXPECT_EQ(m.frame_buttons[kTopmostButton].left(), W - 38 - 5 * 24 - 21);
    }
}

TEST(LayoutFormulas, TransportBarCentresThePlaybackGroup) {
    for (int W : {867, 1000, 1441}) {
        const MainLayout m = main_layout(W, 700);
        const int T = 700 - 36;
        EXPECT_EQ(m.transport_buttons[kStopButton].left(), (W - 120) / 2);
        // stop, previous, play, next, mute, volume left to right, no overlap
        const QRect* row[] = {
            &m.transport_buttons[kStopButton],      &m.transport_buttons[kPreviousEpisodeButton],
            &m.transport_buttons[kPlayPauseButton], &m.transport_buttons[kNextEpisodeButton],
            &m.transport_buttons[kMuteButton],      &m.volume_track};
        for (int i = 1; i < 6; ++i)
            EXPECT_GT(row[i]->left(), row[i - 1]->right());
        EXPECT_EQ(m.transport_buttons[kPlayPauseButton].top(), T);
        EXPECT_EQ(m.transport_buttons[kSideBarButton].left(), W - 47);
        EXPECT_EQ(m.transport_buttons[kShutdownButton].left(), W - 47 - 3 * 26);
        EXPECT_EQ(m.transport_buttons[kShutdownButton].top(), T + 4);
        EXPECT_EQ(m.frame_buttons[kLogoButton], QRect(10, T - 2, 45, 38));
        // The pages panel lies exactly over the content panel.
        EXPECT_EQ(m.ying, m.zz);
        EXPECT_EQ(m.tv_pane.size(), m.zz.size() + QSize(2, 2));
    }
}

TEST(LayoutFormulas, SideBarSplitsTheContentPanel) {
    const QSize zz(900, 520);
    const SidebarLayout shown = sidebar_layout(zz, true, {48, 48});
    const SidebarLayout hidden = sidebar_layout(zz, false, {48, 48});
    EXPECT_EQ(shown.l2, hidden.l2); // the side bar keeps its place
    EXPECT_EQ(shown.l2.right(), zz.width() - 1);
    EXPECT_EQ(shown.Pic1.width(), zz.width() - 161);
    EXPECT_EQ(hidden.Pic1.width(), zz.width());
    EXPECT_EQ(zz.width() - hidden.side_bar_grip.left(), 4);
    EXPECT_EQ(shown.side_bar_grip.top() + 20, zz.height() / 2);
    EXPECT_NE(shown.grip_cell, hidden.grip_cell);
    // The panes overlap their container by 2 pixels on each side.
    EXPECT_EQ(shown.catalogue_pane, shown.Pic1.adjusted(-2, -2, 2, 2));
    // The reload sign sits 20 pixels above the centre, the text below it.
    EXPECT_EQ(shown.jia.center().y() + 20, shown.Pic2.center().y());
    EXPECT_EQ(shown.webe.y(), shown.jia.bottom() + 5);
}

TEST(LayoutFormulas, CollapsedSideBoxGivesTheListsItsHeight) {
    const QSize zz(800, 480);
    const SideboxLayout open = sidebox_layout(zz, true, 20);
    const SideboxLayout shut = sidebox_layout(zz, false, 20);
    EXPECT_TRUE(open.u_k_visible);
    EXPECT_FALSE(shut.u_k_visible);
    EXPECT_EQ(open.sub_tab_bar.top(), 46);
    EXPECT_EQ(shut.sub_tab_bar.top(), 0);
    EXPECT_EQ(shut.Pic3.height() - open.Pic3.height(), 46);
    EXPECT_EQ(open.Pic3.top(), open.sub_tab_bar.bottom() + 3);
    EXPECT_EQ(open.Pic3.height(), zz.height() - 46 - 25 - 20);
    EXPECT_EQ(open.network_list_pane.width(), open.Pic3.width() + 2);
    EXPECT_EQ(open.local_list_pane.height(), open.Pic3.height() + 4);
}

TEST(LayoutFormulas, PlayerAreaStacksVideoStatusAndSeekBar) {
    PlayerSizes s;
    s.Pic2 = {700, 500};
    s.seek_track_height = 6;
    s.bo_zt_height = 22;
    s.adp = {300, 160};
    s.times_width = 80;
    const PlayerLayout p = player_layout(s);
    EXPECT_EQ(p.seek_track.bottom(), 499);
    EXPECT_EQ(p.bo_zt.bottom() + 1, p.seek_track.top());
    EXPECT_EQ(p.QvodC.height(), p.bo_zt.top());
    EXPECT_EQ(p.ad_huan.center(), p.bo_ad.center());
    EXPECT_EQ(p.adp.center(), p.bo_ad.center());
    EXPECT_EQ(p.next_s, QPoint(p.adp.left(), p.adp.bottom() + 11));
    EXPECT_EQ(p.times.x() + 80 + 13, 700);
}

TEST(LayoutFormulas, CompactWindowShowsOnlyThePlayer) {
    const CompactLayout c = compact_layout(387, 320, 8);
    EXPECT_EQ(c.jbi, QPoint(387 - 8 - 13, 0));
    EXPECT_EQ(c.zz, QRect(2, 20, 383, 297));
    EXPECT_EQ(c.Pic2.size(), c.zz.size());
    EXPECT_EQ(c.web_player_pane.top(), -20);
    EXPECT_EQ(c.web_player_pane.bottom(), c.Pic2.bottom());
    EXPECT_EQ(c.title_room, c.jbi.x() - 50);
}

TEST(LayoutFormulas, FramePiecesTileTheWindowEdges) {
    for (QSize size : {QSize(867, 467), QSize(904, 565), QSize(1280, 760)}) {
        const int W = size.width(), H = size.height();
        // The whole outer ring, 35 pixels left and right, 55 on top and 45
        // below, is painted.
        EXPECT_EQ(unpainted_outside(normal_frame_pieces(W, H, {245, 36}), W, H,
                                    QRect(35, 55, W - 70, H - 100)),
                  0)
            << W << "x" << H;
        // Plain copies keep their size.
        for (const FramePiece& p : normal_frame_pieces(W, H, {245, 36})) {
            EXPECT_TRUE(QRect(0, 0, W, H).contains(p.target))
                << p.target.x() << "," << p.target.y();
            if (p.source.width() > 10 && p.source.height() > 10) {
                EXPECT_EQ(p.source.size(), p.target.size());
            }
        }
        EXPECT_EQ(unpainted_outside(compact_frame_pieces(W, H), W, H, QRect(7, 20, W - 14, H - 27)),
                  0)
            << W << "x" << H;
    }
    // Every source rectangle lies inside strip 0 (80 × 108).
    for (const FramePiece& p : compact_frame_pieces(400, 300)) {
        EXPECT_TRUE(QRect(0, 0, 80, 108).contains(p.source));
    }
}

TEST(LayoutFormulas, EdgeBandIsThreePixelsWithTheInteriorFromFour) {
    const int W = 900, H = 600;
    struct Case {
        int x, y, code;
        EdgeCursor cursor;
    };
    const Case cases[] = {
        {3, 300, 10, EdgeCursor::SizeHorizontal}, {0, 300, 10, EdgeCursor::SizeHorizontal},
        {4, 300, 0, EdgeCursor::Arrow},           {W - 3, 300, 11, EdgeCursor::SizeHorizontal},
        {W - 4, 300, 0, EdgeCursor::Arrow},       {450, 3, 12, EdgeCursor::SizeVertical},
        {450, 4, 0, EdgeCursor::Arrow},           {450, H - 3, 15, EdgeCursor::SizeVertical},
        {2, 2, 13, EdgeCursor::SizeNwSe},         {W - 1, 0, 14, EdgeCursor::SizeNeSw},
        {1, H - 1, 16, EdgeCursor::SizeNeSw},     {W - 2, H - 2, 17, EdgeCursor::SizeNwSe},
    };
    for (const Case& c : cases) {
        const BorderHit hit = border_hit_test(W, H, c.x, c.y);
        EXPECT_EQ(hit.code, c.code) << c.x << "," << c.y;
        EXPECT_EQ(hit.cursor, c.cursor) << c.x << "," << c.y;
        EXPECT_EQ(in_interior(W, H, c.x, c.y), c.code == 0);
    }
}

TEST(LayoutFormulas, TipPanelHangsBelowItsButton) {
    EXPECT_EQ(tip_panel_rect(QRect(800, 0, 24, 19), {40, 14}), QRect(795, 22, 45, 19));
}
