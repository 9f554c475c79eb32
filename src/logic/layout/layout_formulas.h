#pragma once

#include "logic/layout/button_indexes.h"
#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>
#include <vector>

namespace kelvara {

// The main window's geometry as pure arithmetic: every routine takes the
// sizes it depends on and returns the rectangles the window then applies to
// its controls. All values are pixels unless a name says twips.

constexpr int twips_per_pixel = 15;

// The smallest pixel count that is at least `twips` (used for minimums, so
// that the window is never a pixel short of one).
int twips_to_pixels_ceil(int twips);

// Minimum window size in twips: 13000 × 7000 normally, 4100 × 3000 compact.
QSize minimum_size_twips(bool compact);
// `size` raised to the minimum of the mode, in pixels.
QSize raised_to_minimum(QSize size, bool compact);
// The compact window: 5800 × 4800 twips.
QSize compact_size_twips();

// The header, content panel and transport bar for a window of W × H.
struct MainLayout {
    std::array<QRect, 17> frame_buttons;    // 0-5, 7, 8, 9, 13, 14, 15, 16; the rest empty
    std::array<QRect, 9> transport_buttons; // all nine
    QRect volume_track;
    QRect zz;
    QRect ying;
    QRect tv_pane;
    QPoint bo_name; // position only; its size is its own
};
MainLayout main_layout(int W, int H);

// The split of the content panel into the left part and the side bar.
struct SidebarLayout {
    QRect side_bar_grip;
    QRect l2;
    QRect L1;
    QRect Pic1;
    QRect Pic2; // also `wait`
    QRect jia;
    QRect catalogue_pane; // also web_player_pane
    QPoint webe;
    int grip_cell = 0; // x of the grip's cell in its strip
};
SidebarLayout sidebar_layout(QSize zz, bool side_bar_shown, QSize jia);

// Inside the side bar: the top box, the sub-tab bar and the history panes.
struct SideboxLayout {
    bool u_k_visible = false;
    QRect u_k;
    QRect software_ad_pane;
    QRect sub_tab_bar;
    QRect network_tasks_tab;
    QRect local_list_tab;
    QRect l2;
    QRect l3;
    QRect Pic3; // also Pic4 and Pic5
    QRect network_list_pane;
    QRect local_list_pane; // also episode_pane
};
SideboxLayout sidebox_layout(QSize zz, bool box_open, int shan_height);

// The player area inside Pic2.
struct PlayerSizes {
    QSize Pic2;
    int seek_track_height = 0;
    int bo_zt_height = 0;
    QSize adp;
    int times_width = 0;
};
struct PlayerLayout {
    QRect qvod;
    QRect seek_track;
    QRect bo_zt;
    QRect QvodC;
    QRect bo_ad;
    QRect adp;
    QRect ad_huan;
    QRect qvod_ad_pane;
    QPoint next_s;
    QPoint status_label;
    QPoint times;
};
PlayerLayout player_layout(const PlayerSizes& sizes);

// The compact window.
struct CompactLayout {
    QPoint jbi;
    QRect zz;
    QRect L1;
    QRect Pic2;
    QRect web_player_pane;
    // Width available for the title line before it must wrap.
    int title_room = 0;
};
CompactLayout compact_layout(int W, int H, int jbi_width);

// A copy from a skin strip onto the window: plain when both rectangles have
// the same size, stretched otherwise.
struct FramePiece {
    int strip = 0;
    QRect source;
    QRect target;
};
std::vector<FramePiece> normal_frame_pieces(int W, int H, QSize banner);
std::vector<FramePiece> compact_frame_pieces(int W, int H);

// The 3-pixel band along the window's edges.
enum class EdgeCursor { Arrow, SizeHorizontal, SizeVertical, SizeNwSe, SizeNeSw };
struct BorderHit {
    EdgeCursor cursor = EdgeCursor::Arrow;
    int code = 0; // 10 left … 17 bottom right; 0 inside the window
};
BorderHit border_hit_test(int W, int H, int x, int y);
// True when (x, y) lies more than 3 pixels inside every edge.
bool in_interior(int W, int H, int x, int y);

// Where the tool-tip panel goes for a button: 5 pixels left of it and 3
// below, sized to the text with a 5-pixel margin.
QRect tip_panel_rect(const QRect& button, QSize text);

} // namespace kelvara
