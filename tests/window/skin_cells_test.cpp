#include "logic/layout/skin_cells.h"

#include <QRect>
#include <QSize>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

using namespace kelvara;

namespace {

// The strips' sizes, as the skins are painted.
const QSize strip_size[21] = {{80, 108}, {153, 19}, {153, 19}, {245, 36}, {40, 10},  {48, 19},
                              {84, 19},  {320, 32}, {320, 32}, {228, 20}, {3, 25},   {6, 40},
                              {152, 33}, {50, 24},  {100, 24}, {80, 24},  {100, 24}, {100, 24},
                              {100, 24}, {10, 10},  {90, 38}};

bool inside_strip(const Cell& c) {
    return c.valid() && QRect(0, 0, strip_size[c.strip].width(), strip_size[c.strip].height())
                            .contains(QRect(c.x, c.y, c.w, c.h));
}

std::tuple<int, int> key(const Cell& c) {
    return {c.strip, c.x};
}

std::vector<ButtonLook> all_looks() {
    std::vector<ButtonLook> looks;
    for (int bits = 0; bits < 32; ++bits)
        looks.push_back(
            {bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8), bool(bits & 16)});
    return looks;
}

} // namespace

TEST(SkinCells, EveryCellLiesInsideItsStrip) {
    for (const ButtonLook& look : all_looks()) {
        for (int i : {0, 1, 2, 3, 4, 5, 7, 15, 16})
            for (bool hover : {false, true})
                EXPECT_TRUE(inside_strip(npc_cell(i, hover, look))) << "npc " << i;
        for (int i = 0; i < 9; ++i)
            EXPECT_TRUE(inside_strip(bo_but_cell(i, false, look))) << "bo_but " << i;
    }
    for (int i : {8, 9, 13, 14})
        for (bool selected : {false, true})
            EXPECT_TRUE(inside_strip(header_tab_cell(i, selected)));
    for (int i : {11, 12})
        for (bool selected : {false, true})
            EXPECT_TRUE(inside_strip(sub_tab_cell(i, selected)));
    EXPECT_TRUE(inside_strip(grip_cell(true)));
    EXPECT_TRUE(inside_strip(grip_cell(false)));
}

TEST(SkinCells, HoverAndStatesShowDifferentCells) {
    for (const ButtonLook& look : all_looks()) {
        for (int i : {0, 1, 2, 3, 4, 5, 7, 15, 16})
            EXPECT_NE(key(npc_cell(i, false, look)), key(npc_cell(i, true, look))) << i;
        for (int i : {0, 1, 2, 3, 4, 5, 7, 8})
            EXPECT_NE(key(bo_but_cell(i, false, look)), key(bo_but_cell(i, true, look))) << i;
        EXPECT_FALSE(bo_but_cell(6, true, look).valid()); // no hover picture
    }
    ButtonLook normal, maximised, topmost, open, pause, muted;
    maximised.maximised = topmost.topmost = open.box_open = pause.pause = muted.muted = true;
    for (bool hover : {false, true}) {
        EXPECT_EQ(npc_cell(1, hover, maximised).strip, 5);
        EXPECT_NE(key(npc_cell(4, hover, normal)), key(npc_cell(4, hover, topmost)));
        EXPECT_NE(key(npc_cell(7, hover, normal)), key(npc_cell(7, hover, open)));
        EXPECT_NE(key(bo_but_cell(0, hover, normal)), key(bo_but_cell(0, hover, pause)));
        EXPECT_NE(key(bo_but_cell(2, hover, normal)), key(bo_but_cell(2, hover, muted)));
    }
    // The title-bar buttons, the four tabs and the sub-tabs each have a cell
    // of their own.
    std::set<std::tuple<int, int>> seen;
    for (int i : {0, 1, 2, 3, 5, 15})
        EXPECT_TRUE(seen.insert(key(npc_cell(i, false, normal))).second) << i;
    for (int i : {8, 9, 13, 14})
        for (bool selected : {false, true})
            EXPECT_TRUE(seen.insert(key(header_tab_cell(i, selected))).second) << i;
    for (int i : {11, 12})
        for (bool selected : {false, true})
            EXPECT_TRUE(seen.insert(key(sub_tab_cell(i, selected))).second) << i;
}
