#include "logic/layout/skin_cells.h"

namespace kelvara {

namespace {

// Strips 1 (normal) and 2 (hover) share one layout of title-bar cells.
Cell title_cell(bool hover, int x, int w = 24) {
    return {hover ? 2 : 1, x, 0, w, 19};
}

} // namespace

Cell frame_button_cell(FrameButton index, bool hover, const ButtonLook& look) {
    switch (index) {
    case kMinimiseButton:
        return title_cell(hover, 72);
    case kMaximiseButton:
        if (look.maximised)
            return {5, hover ? 24 : 0, 0, 24, 19};
        return title_cell(hover, 96);
    case kCloseButton:
        return title_cell(hover, 120, 33);
    case kSkinButton:
        return title_cell(hover, 24);
    case kTopmostButton:
        return {6, (look.topmost ? 42 : 0) + (hover ? 21 : 0), 0, 21, 19};
    case kMainMenuButton:
        return title_cell(hover, 48);
    case kSideBoxToggle:
        // Hover cells come first in this strip.
        return {4, (look.box_open ? 10 : 0) + (hover ? 0 : 20), 0, 10, 10};
    case kCompactButton:
        return title_cell(hover, 0);
    case kLogoButton:
        return {20, hover ? 45 : 0, 0, 45, 38};
    default:
        return {};
    }
}

Cell header_tab_cell(FrameButton index, bool selected) {
    int x;
    switch (index) {
    case kNowPlayingTab:
        x = 0;
        break;
    case kLibraryTab:
        x = 80;
        break;
    case kOnlineTvTab:
        x = 160;
        break;
    case kRecommendationsTab:
        x = 240;
        break;
    default:
        return {};
    }
    return {selected ? 7 : 8, x, 0, 80, 32};
}

Cell sub_tab_cell(FrameButton index, bool selected) {
    if (index == kNetworkTasksTab)
        return {9, selected ? 0 : 171, 0, 57, 20};
    if (index == kLocalListTab)
        return {9, selected ? 114 : 57, 0, 57, 20};
    return {};
}

Cell grip_cell(bool side_bar_shown) {
    return {11, side_bar_shown ? 0 : 3, 0, 3, 40};
}

Cell transport_button_cell(TransportIndex index, bool hover, const ButtonLook& look) {
    const int h = hover ? 1 : 0;
    switch (index) {
    case kPlayPauseButton:
        return {12, (look.pause ? 76 : 0) + 38 * h, 0, 38, 33};
    case kStopButton:
        return {13, 25 * h, 0, 25, 24};
    case kMuteButton:
        return {14, (look.muted ? 50 : 0) + 25 * h, 0, 25, 24};
    case kFullScreenButton:
        return {16 + h, 50, 0, 25, 24};
    case kOpenFileButton:
        return {16 + h, 25, 0, 25, 24};
    case kSideBarButton:
        return {16 + h, 75, 0, 25, 24};
    case kShutdownButton:
        // The shutdown button has no hover picture: hovering keeps its look.
        return hover ? Cell{} : Cell{16, 0, 0, 25, 24};
    case kPreviousEpisodeButton:
        return {18, 25 * h, 0, 25, 24};
    case kNextEpisodeButton:
        return {18, 50 + 25 * h, 0, 25, 24};
    default:
        return {};
    }
}

} // namespace kelvara
