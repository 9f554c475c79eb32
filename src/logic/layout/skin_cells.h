#pragma once

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
    bool topmost = false;   // npc(4)
    bool box_open = false;  // npc(7)
    bool pause = false;     // bo_but(0) offers pause
    bool muted = false;     // bo_but(2) offers sound on
};

// Title-bar buttons, the side-box toggle and the logo button (npc 0-5, 7,
// 15, 16); no cell for the others.
Cell npc_cell(int index, bool hover, const ButtonLook& look);
// Header tabs 8, 9, 13, 14.
Cell header_tab_cell(int index, bool selected);
// History sub-tabs 11 and 12.
Cell sub_tab_cell(int index, bool selected);
// The side-bar grip npc(6).
Cell grip_cell(bool side_bar_shown);
// Transport buttons 0-8; bo_but(6) has no hover cell.
Cell bo_but_cell(int index, bool hover, const ButtonLook& look);

} // namespace kelvara
