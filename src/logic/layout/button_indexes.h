#pragma once

namespace kelvara {

// The window's picture buttons of the frame, by their index in its array of
// them (the old program's control array `npc`): the title-bar buttons, the
// header tabs, the side bar's grip, box toggle and sub-tabs, compact mode and
// the logo. The header tab selected is kept as its index.
enum FrameButton : int {
    kMinimiseButton = 0,
    kMaximiseButton = 1,
    kCloseButton = 2,
    kSkinButton = 3,
    kTopmostButton = 4,
    kMainMenuButton = 5,
    kSideBarGrip = 6,
    kSideBoxToggle = 7,
    kLibraryTab = 8,    // 影视片库
    kNowPlayingTab = 9, // 正在播放
    kSubTabBar = 10,
    kNetworkTasksTab = 11,
    kLocalListTab = 12,
    kOnlineTvTab = 13,        // 在线电视
    kRecommendationsTab = 14, // 精彩推荐
    kCompactButton = 15,
    kLogoButton = 16,
};
inline constexpr int kFrameButtonCount = 17;

// The buttons below the video, by index (the control array `bo_but`).
enum TransportIndex : int {
    kPlayPauseButton = 0,
    kStopButton = 1,
    kMuteButton = 2,
    kFullScreenButton = 3,
    kOpenFileButton = 4,
    kPreviousEpisodeButton = 5,
    kShutdownButton = 6,
    kNextEpisodeButton = 7,
    kSideBarButton = 8,
};
inline constexpr int kTransportButtonCount = 9;

} // namespace kelvara
