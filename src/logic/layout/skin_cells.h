#pragma once

#include "logic/layout/button_indexes.h"

namespace kelvara {

// Where a button's picture comes from: a rectangle of one skin strip.
struct Cell {
    int strip = -1; // -1: the button keeps its picture
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool valid() const { return strip >= 0; }
};

// The states a picture depends on, as the window reads them from its
// buttons' tool-tips.
struct ButtonLook {
    bool maximised = false; // the window
    bool topmost = false;   // frame_buttons[kTopmostButton]
    bool box_open = false;  // frame_buttons[kSideBoxToggle]
    bool pause = false;     // transport_buttons[kPlayPauseButton] offers pause
    bool muted = false;     // transport_buttons[kMuteButton] offers sound on
};

// Title-bar buttons, the side-box toggle and the logo button (frame_buttons 0-5, 7,
// 15, 16); no cell for the others.
Cell frame_button_cell(FrameButton index, bool hover, const ButtonLook& look);
// Header tabs 8, 9, 13, 14.
Cell header_tab_cell(FrameButton index, bool selected);
// History sub-tabs 11 and 12.
Cell sub_tab_cell(FrameButton index, bool selected);
// The side-bar grip frame_buttons[kSideBarGrip].
Cell grip_cell(bool side_bar_shown);
// Transport buttons 0-8; transport_buttons[kShutdownButton] has no hover cell.
Cell transport_button_cell(TransportIndex index, bool hover, const ButtonLook& look);

} // namespace kelvara
