#include "fakes/simulated_client.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

TEST(MainWindow, HoldsItsControlsInTheirContainers) {
    SimulatedClient client;
    MainWindow& w = client.start({}, false);
    EXPECT_EQ(w.frame_buttons[kSideBarGrip]->parentWidget(), w.zz);
    EXPECT_EQ(w.frame_buttons[kSideBoxToggle]->parentWidget(), w.frame_buttons[kSubTabBar]);
    EXPECT_EQ(w.frame_buttons[kSubTabBar]->parentWidget(), w.l3);
    EXPECT_EQ(w.seek_knob->parentWidget(), w.seek_track);
    EXPECT_EQ(w.status_label->parentWidget(), w.bo_zt);
    EXPECT_EQ(client.pane("catalogue_pane").widget()->parentWidget(), w.Pic1);
    EXPECT_EQ(client.pane("qvod_ad_pane").widget()->parentWidget(), w.ad_huan);
    EXPECT_EQ(client.player().widget()->parentWidget(), w.qvod);
    EXPECT_EQ(w.transport_buttons[kShutdownButton]->tip(), QStringLiteral("计划关机"));
    EXPECT_EQ(w.frame_buttons[kTopmostButton]->tip(), QStringLiteral("置顶"));
    EXPECT_TRUE(
        w.frame_buttons[kTopmostButton]->toolTip().isEmpty()); // shown by the window's own panel
    EXPECT_EQ(w.status_label->caption(), QStringLiteral("准备就绪"));
}
