// The controls' places for several window sizes and states, against the
// layout rules written out here.

#include "window/frame_fixture.h"

#include "platform/player_control.h"
#include "platform/web_pane.h"

using namespace kelvara;
using namespace kelvara::test;

namespace {

QRect geometry_of(WebPane* pane) {
    return pane->widget()->geometry();
}

} // namespace

class Layout : public ShownWindow {};

TEST_F(Layout, NormalLayoutForSeveralSizesAndSideStates) {
    MainWindow& w = start();
    for (QSize size : {QSize(904, 565), QSize(1000, 700), QSize(1440, 900)}) {
        for (bool side_bar : {true, false}) {
            for (bool box_open : {true, false}) {
                SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height()
                                                << " side bar " << side_bar << " box " << box_open);
                // The toggles lay out their part; the resize after them all.
                if ((w.frame_buttons[kSideBarGrip]->tip() == "关闭侧栏") != side_bar)
                    w.frame_button_clicked(kSideBarGrip);
                if ((w.frame_buttons[kSideBoxToggle]->tip() == "关闭") != box_open)
                    w.frame_button_clicked(kSideBoxToggle);
                w.resize(size + QSize(1, 1));
                w.resize(size);
                const int W = size.width(), H = size.height();
                ASSERT_EQ(w.size(), size);

                // Header.
                EXPECT_EQ(w.frame_buttons[kCloseButton]->geometry(), QRect(W - 38, 0, 33, 19));
                EXPECT_EQ(w.frame_buttons[kMaximiseButton]->x(), W - 62);
                EXPECT_EQ(w.frame_buttons[kCompactButton]->x(), W - 38 - 5 * 24);
                EXPECT_EQ(w.frame_buttons[kTopmostButton]->geometry(),
                          QRect(W - 38 - 5 * 24 - 21, 0, 21, 19));
                EXPECT_EQ(w.frame_buttons[kLibraryTab]->geometry(), QRect(200, 18, 80, 32));
                EXPECT_EQ(w.frame_buttons[kRecommendationsTab]->geometry(), QRect(476, 18, 80, 32));
                EXPECT_EQ(w.ni_name->pos(), QPoint(40, 22));

                // Content panel and side bar.
                const QRect zz(2, 51, W - 4, H - 90);
                EXPECT_EQ(w.zz->geometry(), zz);
                EXPECT_EQ(w.l2->geometry(), QRect(zz.width() - 162, 0, 162, zz.height()));
                EXPECT_EQ(w.l2->isVisibleTo(w.zz), side_bar);
                const int grip = side_bar ? zz.width() - 160 : zz.width() - 4;
                EXPECT_EQ(w.frame_buttons[kSideBarGrip]->geometry(),
                          QRect(grip, (zz.height() - 40) / 2, 3, 40));
                EXPECT_EQ(w.L1->geometry(), QRect(0, 0, side_bar ? grip : zz.width(), zz.height()));
                EXPECT_EQ(w.Pic1->width(), side_bar ? grip - 1 : zz.width());
                EXPECT_EQ(w.Pic2->size(), w.Pic1->size());
                EXPECT_EQ(geometry_of(w.catalogue_pane.get()),
                          w.Pic1->rect().adjusted(-2, -2, 2, 2));

                // Inside the side bar.
                const int bar_top = box_open ? 46 : 0;
                EXPECT_EQ(w.u_k->isVisibleTo(w.l3), box_open);
                EXPECT_EQ(w.frame_buttons[kSubTabBar]->geometry(), QRect(0, bar_top, 162, 25));
                EXPECT_EQ(w.shan->geometry(), QRect(0, zz.height() - 20, 162, 20));
                EXPECT_EQ(w.qk->x(), 162 - 80);
                const QRect list(0, bar_top + 27, 162, zz.height() - bar_top - 25 - 20);
                for (PictureBox* pic : {w.Pic3, w.Pic4, w.Pic5})
                    EXPECT_EQ(pic->geometry(), list);
                EXPECT_EQ(geometry_of(w.network_list_pane.get()),
                          QRect(-2, -2, 164, list.height() + 4));

                // Player area fills the left part above the transport bar.
                EXPECT_EQ(w.qvod->size(), w.Pic2->size());
                EXPECT_EQ(w.seek_track->geometry().bottom(), w.qvod->height() - 1);
                EXPECT_EQ(w.bo_zt->geometry().bottom() + 1, w.seek_track->y());
                EXPECT_EQ(client.player().widget()->geometry(),
                          QRect(0, 0, w.qvod->width(), w.bo_zt->y()));
                EXPECT_EQ(w.times->geometry().right(), w.qvod->width() - 14);

                // Transport bar.
                const int T = H - 36;
                const int stop = (W - 120) / 2;
                EXPECT_EQ(w.transport_buttons[kStopButton]->geometry(), QRect(stop, T + 5, 25, 24));
                EXPECT_EQ(w.transport_buttons[kPlayPauseButton]->geometry(),
                          QRect(stop + 29 + 27, T, 38, 33));
                EXPECT_EQ(w.volume_track->geometry(),
                          QRect(stop + 29 + 27 + 41 + 30 + 26, T + 5, 80, 24));
                EXPECT_EQ(w.transport_buttons[kSideBarButton]->geometry(),
                          QRect(W - 47, T + 3, 25, 24));
                EXPECT_EQ(w.transport_buttons[kShutdownButton]->geometry(),
                          QRect(W - 47 - 78, T + 4, 25, 24));
                EXPECT_EQ(w.frame_buttons[kLogoButton]->geometry(), QRect(10, T - 2, 45, 38));
                EXPECT_EQ(w.bo_name->pos(), QPoint(100, T + 8));
                for (Label* ad : w.Lab2)
                    EXPECT_EQ(ad->pos(), QPoint((w.times->x() - 100) / 2, 3));
            }
        }
    }
}

TEST_F(Layout, TogglesLayOutTheirPartAtOnce) {
    MainWindow& w = start();
    const int zw = w.zz->width();
    w.frame_button_clicked(kSideBarGrip);
    EXPECT_FALSE(w.l2->isVisible());
    EXPECT_EQ(w.Pic1->width(), zw);
    EXPECT_EQ(w.frame_buttons[kSideBarGrip]->x(), zw - 4);
    EXPECT_EQ(w.qvod->width(), zw);
    EXPECT_TRUE(shows(w.frame_buttons[kSideBarGrip], grip_cell(false)));
    w.frame_button_clicked(kSideBarGrip);
    EXPECT_TRUE(w.l2->isVisible());
    EXPECT_EQ(w.Pic1->width(), zw - 161);
    EXPECT_EQ(w.qvod->width(), zw - 161);
    EXPECT_TRUE(shows(w.frame_buttons[kSideBarGrip], grip_cell(true)));

    const int list_height = w.Pic3->height();
    w.frame_button_clicked(kSideBoxToggle);
    EXPECT_EQ(w.frame_buttons[kSideBoxToggle]->tip(), "关闭");
    EXPECT_TRUE(w.u_k->isVisible());
    EXPECT_EQ(w.Pic3->height(), list_height - 46);
    EXPECT_TRUE(shows(w.frame_buttons[kSideBoxToggle],
                      frame_button_cell(kSideBoxToggle, false, {.box_open = true})));
    w.frame_button_clicked(kSideBoxToggle);
    EXPECT_EQ(w.frame_buttons[kSideBoxToggle]->tip(), "打开");
    EXPECT_EQ(w.Pic3->height(), list_height);
}

TEST_F(Layout, WindowIsRaisedToTheMinimumOfItsMode) {
    MainWindow& w = start();
    w.resize(500, 300);
    EXPECT_EQ(w.size(), QSize(867, 467)); // 13000 × 7000 twips
    EXPECT_GE(w.Width(), 13000);
    EXPECT_GE(w.Height(), 7000);
    // The layout runs for the raised size.
    EXPECT_EQ(w.zz->geometry(), QRect(2, 51, 867 - 4, 467 - 90));

    w.frame_button_clicked(kCompactButton);
    ASSERT_EQ(w.compact_mode, 1);
    w.resize(100, 100);
    EXPECT_EQ(w.size(), QSize(274, 200)); // 4100 × 3000 twips
    w.resize(420, 330);
    EXPECT_EQ(w.size(), QSize(420, 330));
}

TEST_F(Layout, PanesKeepTheirBorderOutsideTheirContainers) {
    MainWindow& w = start();
    w.resize(1000, 640);
    EXPECT_EQ(geometry_of(w.software_ad_pane.get()), QRect(-2, -2, 167, 50));
    EXPECT_EQ(geometry_of(w.tv_pane.get()),
              QRect(-2, -2, w.ying->width() + 2, w.ying->height() + 2));
    EXPECT_EQ(w.ying->geometry(), w.zz->geometry());
    EXPECT_EQ(geometry_of(w.qvod_ad_pane.get()), QRect(-2, -2, 454, 264));
    EXPECT_LE(std::abs(2 * w.ad_huan->x() + 450 - w.bo_ad->width()), 1);
    EXPECT_LE(std::abs(2 * w.ad_huan->y() + 260 - w.bo_ad->height()), 1);
    EXPECT_EQ(geometry_of(w.local_list_pane.get()), geometry_of(w.episode_pane.get()));
    EXPECT_EQ(geometry_of(w.local_list_pane.get()).size(), w.Pic4->size() + QSize(2, 4));
}

TEST_F(Layout, CompactLayoutAndItsTitleLine) {
    MainWindow& w = start();
    w.frame_button_clicked(kCompactButton);
    const int W = w.width(), H = w.height();
    EXPECT_EQ(w.zz->geometry(), QRect(2, 20, W - 4, H - 23));
    EXPECT_EQ(w.L1->size(), w.zz->size());
    EXPECT_EQ(w.Pic2->size(), w.zz->size());
    EXPECT_EQ(w.qvod->size(), w.zz->size());
    EXPECT_EQ(w.jbi->pos(), QPoint(W - w.jbi->width() - 13, 0));
    EXPECT_EQ(geometry_of(w.web_player_pane.get()), QRect(-2, -20, W - 4 + 4, H - 23 + 20));
    EXPECT_EQ(w.status_label->width(), 120);
    EXPECT_EQ(w.ni_bo1->text(), "Kelvara 2.1");
    EXPECT_FALSE(w.ni_bo1->wordWrap());

    // A title wider than the room left of the close mark wraps in that room.
    w.bo_name->set_caption(QString(QStringLiteral("很长的电视剧名称")).repeated(6));
    w.resize(W + 1, H);
    EXPECT_EQ(w.ni_bo1->text(), w.bo_name->caption());
    EXPECT_TRUE(w.ni_bo1->wordWrap());
    EXPECT_EQ(w.ni_bo1->width(), w.jbi->x() - 50);
}
