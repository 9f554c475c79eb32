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
        for (FrameButton i :
             {kMinimiseButton, kMaximiseButton, kCloseButton, kSkinButton, kTopmostButton,
              kMainMenuButton, kSideBoxToggle, kCompactButton, kLogoButton})
            for (bool hover : {false, true})
                EXPECT_TRUE(inside_strip(frame_button_cell(i, hover, look)))
                    << "frame_buttons " << i;
        for (int i = 0; i < kTransportButtonCount; ++i)
            EXPECT_TRUE(inside_strip(transport_button_cell(TransportIndex(i), false, look)))
                << "transport_buttons " << i;
    }
    for (FrameButton i : {kLibraryTab, kNowPlayingTab, kOnlineTvTab, kRecommendationsTab})
        for (bool selected : {false, true})
            EXPECT_TRUE(inside_strip(header_tab_cell(i, selected)));
    for (FrameButton i : {kNetworkTasksTab, kLocalListTab})
        for (bool selected : {false, true})
            EXPECT_TRUE(inside_strip(sub_tab_cell(i, selected)));
    EXPECT_TRUE(inside_strip(grip_cell(true)));
    EXPECT_TRUE(inside_strip(grip_cell(false)));
}

TEST(SkinCells, HoverAndStatesShowDifferentCells) {
    for (const ButtonLook& look : all_looks()) {
        for (FrameButton i :
             {kMinimiseButton, kMaximiseButton, kCloseButton, kSkinButton, kTopmostButton,
              kMainMenuButton, kSideBoxToggle, kCompactButton, kLogoButton})
            EXPECT_NE(key(frame_button_cell(i, false, look)), key(frame_button_cell(i, true, look)))
                << i;
        for (TransportIndex i :
             {kPlayPauseButton, kStopButton, kMuteButton, kFullScreenButton, kOpenFileButton,
              kPreviousEpisodeButton, kNextEpisodeButton, kSideBarButton})
            EXPECT_NE(key(transport_button_cell(i, false, look)),
                      key(transport_button_cell(i, true, look)))
                << i;
        EXPECT_FALSE(
            transport_button_cell(kShutdownButton, true, look).valid()); // no hover picture
    }
    ButtonLook normal, maximised, topmost, open, pause, muted;
    maximised.maximised = topmost.topmost = open.box_open = pause.pause = muted.muted = true;
    for (bool hover : {false, true}) {
        EXPECT_EQ(frame_button_cell(kMaximiseButton, hover, maximised).strip, 5);
        EXPECT_NE(key(frame_button_cell(kTopmostButton, hover, normal)),
                  key(frame_button_cell(kTopmostButton, hover, topmost)));
        EXPECT_NE(key(frame_button_cell(kSideBoxToggle, hover, normal)),
                  key(frame_button_cell(kSideBoxToggle, hover, open)));
        EXPECT_NE(key(transport_button_cell(kPlayPauseButton, hover, normal)),
                  key(transport_button_cell(kPlayPauseButton, hover, pause)));
        EXPECT_NE(key(transport_button_cell(kMuteButton, hover, normal)),
                  key(transport_button_cell(kMuteButton, hover, muted)));
    }
    // The title-bar buttons, the four tabs and the sub-tabs each have a cell
    // of their own.
    std::set<std::tuple<int, int>> seen;
    for (FrameButton i : {kMinimiseButton, kMaximiseButton, kCloseButton, kSkinButton,
                          kMainMenuButton, kCompactButton})
        EXPECT_TRUE(seen.insert(key(frame_button_cell(i, false, normal))).second) << i;
    for (FrameButton i : {kLibraryTab, kNowPlayingTab, kOnlineTvTab, kRecommendationsTab})
        for (bool selected : {false, true})
            EXPECT_TRUE(seen.insert(key(header_tab_cell(i, selected))).second) << i;
    for (FrameButton i : {kNetworkTasksTab, kLocalListTab})
        for (bool selected : {false, true})
            EXPECT_TRUE(seen.insert(key(sub_tab_cell(i, selected))).second) << i;
}
