#include "fakes/simulated_client.h"
#include "window/main_window.h"
#include "window/tray/menus_and_help.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

class WebPanes : public ::testing::Test {
protected:
    WebPanes() : w(client.start({}, false)) {}
    SimulatedClient client;
    MainWindow& w;
};

const QString kHomeError = QStringLiteral("Error！出错了\r\n\r\n1.请检查你的网络连接\r\n"
                                          "2.软件网络出现了故障\r\n3.请点此尝试重新连接\r\n"
                                          "4.请尝试重新启动软件\r\n");

} // namespace

TEST_F(WebPanes, HomeFailureShowsTheErrorTextAndRetryShowsThePaneAgain) {
    FakePane& web1 = client.pane("catalogue_pane");
    web1.navigate(client.base);
    web1.finish_load(false);
    EXPECT_TRUE(w.Pic1->isHidden());
    EXPECT_FALSE(w.wait->isHidden());
    EXPECT_EQ(w.webe->caption(), kHomeError);
    EXPECT_EQ(w.home_failed, 1);

    // Clicking the error text reloads the home page with "?30".
    w.webe_Click();
    EXPECT_EQ(web1.requested.last(), client.base + "?30");
    EXPECT_FALSE(w.Pic1->isHidden());
    EXPECT_TRUE(w.wait->isHidden());
    EXPECT_EQ(w.home_failed, 1);

    // From now on only the retry switches the home area.
    w.Pic1->hide();
    w.wait->show();
    web1.finish_load(true);
    EXPECT_TRUE(w.Pic1->isHidden());
}

TEST_F(WebPanes, ALoadFinishingOverTheNowPlayingTabLeavesThePlayerInView) {
    w.main_tab = kNowPlayingTab;
    client.pane("catalogue_pane").navigate(client.base);
    client.pane("catalogue_pane").finish_load(true);
    EXPECT_TRUE(w.Pic1->isHidden());
    EXPECT_TRUE(w.wait->isHidden());
}

TEST_F(WebPanes, FirstCompletedLoadShowsTheHomePane) {
    EXPECT_TRUE(w.Pic1->isHidden());
    EXPECT_FALSE(w.wait->isHidden());
    client.pane("catalogue_pane").navigate(client.base);
    client.pane("catalogue_pane").finish_load(true);
    EXPECT_FALSE(w.Pic1->isHidden());
    EXPECT_TRUE(w.wait->isHidden());
}

TEST_F(WebPanes, FailuresOutsideTheServerCountOnlyForTheAdvertisementPane) {
    FakePane& web1 = client.pane("catalogue_pane");
    web1.navigate("http://elsewhere.example/pic.png");
    web1.finish_load(false);
    EXPECT_EQ(w.home_failed, 0);
    EXPECT_TRUE(w.webe->caption().isEmpty());

    FakePane& weby = client.pane("software_ad_pane");
    weby.navigate("http://elsewhere.example/ad.html");
    weby.finish_load(false);
    EXPECT_EQ(w.softad_failed, 0);
    weby.navigate(client.base + "js/ads/softad.html");
    weby.finish_load(false);
    EXPECT_EQ(w.softad_failed, 1);

    FakePane& web7 = client.pane("qvod_ad_pane");
    w.ad_huan->show();
    w.adp->hide();
    web7.navigate("http://elsewhere.example/x");
    web7.finish_load(false);
    EXPECT_EQ(w.qvodad_failed, 1);
    EXPECT_TRUE(w.ad_huan->isHidden());
    EXPECT_FALSE(w.adp->isHidden());
}

TEST_F(WebPanes, EveryPaneIsSilencedWhenALoadBegins) {
    for (const char* name :
         {"catalogue_pane", "web_player_pane", "network_list_pane", "local_list_pane",
          "episode_pane", "software_ad_pane", "tv_pane", "qvod_ad_pane"}) {
        FakePane& pane = client.pane(name);
        EXPECT_FALSE(pane.silent()) << name;
        pane.navigate("about:blank");
        EXPECT_TRUE(pane.silent()) << name;
    }
}

TEST_F(WebPanes, OnlyTheHomePaneHasAContextMenu) {
    FakePane& web2 = client.pane("web_player_pane");
    web2.context_menu(QPoint(10, 10), {});
    EXPECT_EQ(w.menus().last_popup(), nullptr);
    client.pane("catalogue_pane").context_menu(QPoint(10, 10), {});
    EXPECT_EQ(w.menus().last_popup(), w.menus().home_menu);
    EXPECT_TRUE(w.menus().home_menu->isVisible());
    w.menus().home_menu->hide();
}
