#include "fakes/simulated_client.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

TEST(MainWindow, HoldsItsControlsInTheirContainers) {
    SimulatedClient client;
    MainWindow& w = client.start({}, false);
    EXPECT_EQ(w.npc[6]->parentWidget(), w.zz);
    EXPECT_EQ(w.npc[7]->parentWidget(), w.npc[10]);
    EXPECT_EQ(w.npc[10]->parentWidget(), w.l3);
    EXPECT_EQ(w.gunt1->parentWidget(), w.gunt);
    EXPECT_EQ(w.zhun->parentWidget(), w.bo_zt);
    EXPECT_EQ(client.pane("Web1").widget()->parentWidget(), w.Pic1);
    EXPECT_EQ(client.pane("Web7").widget()->parentWidget(), w.ad_huan);
    EXPECT_EQ(client.player().widget()->parentWidget(), w.qvod);
    EXPECT_EQ(w.bo_but[6]->tip(), QStringLiteral("计划关机"));
    EXPECT_EQ(w.npc[4]->tip(), QStringLiteral("置顶"));
    EXPECT_TRUE(w.npc[4]->toolTip().isEmpty()); // shown by the window's own panel
    EXPECT_EQ(w.zhun->caption(), QStringLiteral("准备就绪"));
}
