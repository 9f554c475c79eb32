// The frame: the edge band, dragging, the title-bar buttons, tabs, compact
// mode, topmost and the close button.

#include "window/frame_fixture.h"

#include "logic/settings/settings.h"
#include "platform/player_control.h"

#include "window/tray/menus_and_help.h"

#include <QMenu>
#include <QScreen>

using namespace kelvara;
using namespace kelvara::test;

namespace {

bool topmost(const MainWindow& w) {
    return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

class Frame : public ShownWindow {};

TEST_F(Frame, EdgeBandShowsResizePointersAndResizesFromThreePixels) {
    MainWindow& w = start();
    w.move(200, 100);
    const int W = w.width(), H = w.height();
    move_to({W - 1, 1});
    EXPECT_EQ(w.cursor().shape(), Qt::SizeBDiagCursor);
    move_to({2, H - 2});
    EXPECT_EQ(w.cursor().shape(), Qt::SizeBDiagCursor);
    move_to({W / 2, H - 1});
    EXPECT_EQ(w.cursor().shape(), Qt::SizeVerCursor);
    move_to({600, 30}); // free header surface
    EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);

    // A press 3 pixels from the left edge (beside the header, where no
    // control covers the band) resizes, here by the window's own loop as the
    // offscreen desktop has none, and saves the size.
    client.set_setting("S_q", "h_w", "1");
    press_at({3, 30});
    EXPECT_TRUE(w.border_resize_started);
    EXPECT_EQ(client.setting("S_q", "h_w"), QString::number(W * 15));
    QTest::mouseMove(handle(), {3 - 40, 30});
    EXPECT_EQ(w.width(), W + 40);
    EXPECT_EQ(w.x(), 200 - 40);
    release_at({3, 30});
    EXPECT_EQ(client.setting("S_q", "h_w"), QString::number((W + 40) * 15));
    EXPECT_EQ(client.setting("S_q", "h_h"), QString::number(H * 15));

    // Four pixels in is the interior: no resize, nothing saved.
    client.set_setting("S_q", "h_w", "1");
    w.border_resize_started = false;
    press_at({4, 30});
    release_at({4, 30});
    EXPECT_FALSE(w.border_resize_started);
    EXPECT_EQ(client.setting("S_q", "h_w"), "1");
}

TEST_F(Frame, FreeSurfaceDragsTheWindowAndDoubleClickMaximises) {
    MainWindow& w = start();
    w.move(200, 100);
    press_at({600, 30});
    QTest::mouseMove(handle(), {650, 60});
    EXPECT_EQ(w.pos(), QPoint(250, 130));
    release_at({600, 30});

    QTest::mouseDClick(handle(), Qt::LeftButton, {}, {600, 30});
    EXPECT_TRUE(w.isMaximized());
    EXPECT_EQ(w.frame_buttons[kMaximiseButton]->tip(), "还原");
    EXPECT_TRUE(shows(w.frame_buttons[kMaximiseButton],
                      frame_button_cell(kMaximiseButton, false, {.maximised = true})));
    // Maximised: the band neither resizes nor saves, dragging does nothing.
    client.set_setting("S_q", "h_w", "1");
    const QRect maximised = w.geometry();
    press_at({1, 300});
    QTest::mouseMove(handle(), {40, 300});
    release_at({40, 300});
    EXPECT_EQ(w.geometry(), maximised);
    EXPECT_EQ(client.setting("S_q", "h_w"), "1");

    w.frame_button_clicked(kMaximiseButton);
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(w.frame_buttons[kMaximiseButton]->tip(), "最大化");
    EXPECT_TRUE(
        shows(w.frame_buttons[kMaximiseButton], frame_button_cell(kMaximiseButton, false, {})));
}

TEST_F(Frame, OutlineIsRoundedAndTopmostFollowsItsButton) {
    MainWindow& w = start();
    const QRegion mask = w.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(w.width() - 1, w.height() - 1)));
    EXPECT_TRUE(mask.contains(QPoint(1, 0)));
    EXPECT_TRUE(mask.contains(QPoint(w.width() / 2, w.height() / 2)));

    click(w.frame_buttons[kTopmostButton]);
    EXPECT_TRUE(topmost(w));
    EXPECT_TRUE(w.isVisible()); // the flag changes without hiding the window
    EXPECT_EQ(w.frame_buttons[kTopmostButton]->tip(), "取消置顶");
    EXPECT_TRUE(shows(w.frame_buttons[kTopmostButton],
                      frame_button_cell(kTopmostButton, false, {.topmost = true})));
    click(w.frame_buttons[kTopmostButton]);
    EXPECT_FALSE(topmost(w));
    EXPECT_EQ(w.frame_buttons[kTopmostButton]->tip(), "置顶");
}

TEST_F(Frame, CloseAsksOnceThenTheAnswerDecides) {
    MainWindow& w = start();
    ASSERT_EQ(client.setting("S_q", "ts"), "3");
    client.dialogs.answers = {MsgAnswer::Yes};
    click(w.frame_buttons[kCloseButton]);
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, "关闭 Kelvara 最小化到托盘吗？");
    EXPECT_EQ(client.dialogs.boxes[0].title, "提示：");
    EXPECT_EQ(client.dialogs.boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(client.setting("S_q", "ts"), "1");
    EXPECT_EQ(client.setting("S_q", "quit"), "2");
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(client.tray.present());

    // Shown again from the tray, closed again: hidden without a question.
    client.tray.on_left_click();
    ASSERT_TRUE(w.isVisible());
    w.frame_button_clicked(kCloseButton);
    EXPECT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(client.tray.present());
}

TEST_F(Frame, CloseMinimisesWhereTheDesktopHasNoTray) {
    MainWindow& w = start();
    client.set_setting("S_q", "ts", "1");
    client.set_setting("S_q", "quit", "2");
    client.tray.shown = false; // the desktop could not show the icon
    w.frame_button_clicked(kCloseButton);
    EXPECT_TRUE(w.isMinimized());
}

TEST_F(Frame, CloseQuitsWhenTheAnswerOrTheSettingSaysSo) {
    struct Case {
        const char* ts;
        const char* quit;
        MsgAnswer answer;
        bool asks;
        bool quits;
    };
    const Case cases[] = {
        {"3", "2", MsgAnswer::No, true, true},    {"1", "2", MsgAnswer::Yes, false, false},
        {"1", "1", MsgAnswer::Yes, false, true},  {"2", "1", MsgAnswer::Yes, false, true},
        {"2", "2", MsgAnswer::Yes, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ts " << c.ts << " quit " << c.quit);
        SimulatedClient other;
        other.set_setting("S_q", "ts", c.ts);
        MainWindow& w = other.start();
        // The start-up repairs ts and quit; set them again for the case.
        other.set_setting("S_q", "ts", c.ts);
        other.set_setting("S_q", "quit", c.quit);
        w.show();
        other.dialogs.answers = {c.answer};
        w.frame_button_clicked(kCloseButton);
        EXPECT_EQ(other.dialogs.boxes.size(), c.asks ? 1u : 0u);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(other.tray.present(), !c.quits); // quitting removes the icon
        if (c.asks) {
            EXPECT_EQ(other.setting("S_q", "quit"), "1");
        }
    }
}

TEST_F(Frame, HeaderTabsSwitchTheContent) {
    MainWindow& w = start();
    EXPECT_EQ(w.main_tab, kLibraryTab);
    EXPECT_FALSE(w.frame_buttons[kLibraryTab]->isEnabled());
    EXPECT_TRUE(w.Pic1->isVisible());
    EXPECT_TRUE(shows(w.frame_buttons[kLibraryTab], header_tab_cell(kLibraryTab, true)));
    EXPECT_TRUE(shows(w.frame_buttons[kNowPlayingTab], header_tab_cell(kNowPlayingTab, false)));

    click(w.frame_buttons[kNowPlayingTab]);
    EXPECT_EQ(w.main_tab, kNowPlayingTab);
    EXPECT_FALSE(w.frame_buttons[kNowPlayingTab]->isEnabled());
    EXPECT_TRUE(w.frame_buttons[kLibraryTab]->isEnabled());
    EXPECT_FALSE(w.Pic1->isVisible());
    EXPECT_TRUE(w.qvod->isVisible());
    EXPECT_FALSE(w.Pic2->isVisible());
    EXPECT_TRUE(w.Pic5->isVisible()); // the episode page in place of the list
    EXPECT_EQ(client.pane("web_player_pane").requested.last(), "about:blank");
    EXPECT_TRUE(shows(w.frame_buttons[kNowPlayingTab], header_tab_cell(kNowPlayingTab, true)));
    EXPECT_TRUE(shows(w.frame_buttons[kLibraryTab], header_tab_cell(kLibraryTab, false)));

    // Online TV: its page once, however often the tab is clicked.
    client.player().state = kStateStopped;
    w.frame_button_clicked(kOnlineTvTab);
    w.frame_button_clicked(kLibraryTab);
    w.frame_button_clicked(kOnlineTvTab);
    EXPECT_EQ(client.pane("tv_pane").requested.filter("/tv"), QStringList{client.base + "/tv"});
    EXPECT_TRUE(w.ying->isVisible());
    EXPECT_FALSE(w.zz->isVisible());
    w.frame_button_clicked(kRecommendationsTab);
    EXPECT_EQ(client.pane("tv_pane").requested.last(), client.base + "/yy");
    EXPECT_EQ(w.tv_page, 2);
    // Compact mode is not offered from these pages.
    w.frame_button_clicked(kCompactButton);
    EXPECT_EQ(w.compact_mode, 0);
    w.frame_button_clicked(kLibraryTab);
    EXPECT_FALSE(w.ying->isVisible());
    EXPECT_TRUE(w.zz->isVisible());
    EXPECT_TRUE(w.Pic1->isVisible());
}

TEST_F(Frame, HistorySubTabsSwitchTheListAndTheCaption) {
    MainWindow& w = start();
    click(w.frame_buttons[kLocalListTab]);
    EXPECT_EQ(w.qk->caption(), "∴ 清空列表");
    EXPECT_TRUE(w.Pic4->isVisible());
    EXPECT_FALSE(w.Pic3->isVisible());
    EXPECT_FALSE(w.frame_buttons[kLocalListTab]->isEnabled());
    EXPECT_TRUE(shows(w.frame_buttons[kLocalListTab], sub_tab_cell(kLocalListTab, true)));
    EXPECT_TRUE(shows(w.frame_buttons[kNetworkTasksTab], sub_tab_cell(kNetworkTasksTab, false)));
    // The film-library tab keeps the local list.
    w.frame_button_clicked(kNowPlayingTab);
    w.frame_button_clicked(kLibraryTab);
    EXPECT_TRUE(w.Pic4->isVisible());

    click(w.frame_buttons[kNetworkTasksTab]);
    EXPECT_EQ(w.qk->caption(), "∴ 管理任务");
    EXPECT_TRUE(w.Pic3->isVisible());
    EXPECT_FALSE(w.Pic4->isVisible());
    // On the now-playing tab the network tab shows the episode page.
    w.session().state().source = PlaySource::NetworkTask;
    w.frame_button_clicked(kNowPlayingTab);
    EXPECT_TRUE(w.Pic5->isVisible());
    EXPECT_FALSE(w.Pic3->isVisible());
    w.session().state().source = PlaySource::LocalFile;
    w.frame_button_clicked(kNowPlayingTab);
    EXPECT_TRUE(w.Pic4->isVisible());
    EXPECT_EQ(w.qk->caption(), "∴ 清空列表");
}

TEST_F(Frame, CompactModeInAndOut) {
    client.set_setting("S_q", "h_w", "15000");
    client.set_setting("S_q", "h_h", "9000");
    MainWindow& w = start();
    ASSERT_EQ(w.size(), QSize(1000, 600));
    w.text_ad_timer->set_enabled(true);
    click(w.frame_buttons[kCompactButton]);
    EXPECT_EQ(w.compact_mode, 1);
    EXPECT_EQ(w.main_tab, kNowPlayingTab);
    EXPECT_EQ(w.size(), QSize(5800 / 15, 4800 / 15));
    EXPECT_TRUE(topmost(w));
    for (int i = 0; i <= 15; ++i)
        EXPECT_FALSE(w.frame_buttons[i]->isVisible()) << i;
    EXPECT_TRUE(w.frame_buttons[kLogoButton]->isVisible());
    for (PictureBox* b : w.transport_buttons)
        EXPECT_FALSE(b->isVisible());
    EXPECT_FALSE(w.volume_track->isVisible());
    EXPECT_FALSE(w.l2->isVisible());
    EXPECT_FALSE(w.ni_name->isVisible());
    EXPECT_TRUE(w.ni_bo1->isVisible());
    EXPECT_TRUE(w.jbi->isVisible());
    EXPECT_FALSE(w.text_ad_timer->enabled());
    EXPECT_FALSE(w.Lab2[0]->isVisible());

    // No double-click maximise and no saved size while compact.
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, {1, w.height() / 2});
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(client.setting("S_q", "h_w"), "15000");

    w.text_ad_switch = "1";
    click(w.jbi);
    EXPECT_EQ(w.compact_mode, 0);
    EXPECT_EQ(w.size(), QSize(1000, 600));
    const QRect screen = w.screen()->geometry();
    EXPECT_EQ(w.pos(), QPoint((screen.width() - 1000) / 2, (screen.height() - 600) / 2));
    EXPECT_FALSE(topmost(w));
    EXPECT_TRUE(w.l2->isVisible());
    EXPECT_TRUE(w.frame_buttons[kTopmostButton]->isVisible());
    EXPECT_TRUE(w.transport_buttons[kPlayPauseButton]->isVisible());
    EXPECT_TRUE(w.ni_name->isVisible());
    EXPECT_EQ(w.ni_name->text(), "Kelvara 2.1");
    EXPECT_FALSE(w.jbi->isVisible());
    EXPECT_TRUE(w.text_ad_timer->enabled());
    EXPECT_EQ(w.zz->geometry(), QRect(2, 51, 996, 510));
}

TEST_F(Frame, TopmostChosenBeforeCompactModeStaysAfterIt) {
    MainWindow& w = start();
    w.frame_button_clicked(kSideBarGrip); // side bar hidden stays hidden after compact mode
    w.frame_button_clicked(kTopmostButton);
    w.frame_button_clicked(kCompactButton);
    w.jbi_Click();
    EXPECT_TRUE(topmost(w));
    EXPECT_EQ(w.frame_buttons[kTopmostButton]->tip(), "取消置顶");
    EXPECT_FALSE(w.l2->isVisible());
}

TEST_F(Frame, SideBoxOpensTwoSecondsAfterLoadUnlessItsPageFailed) {
    MainWindow& w = start();
    EXPECT_EQ(w.frame_buttons[kSideBoxToggle]->tip(), "打开");
    EXPECT_FALSE(w.u_k->isVisible());
    client.clock.advance(1999);
    EXPECT_FALSE(w.u_k->isVisible());
    client.clock.advance(1);
    EXPECT_EQ(w.frame_buttons[kSideBoxToggle]->tip(), "关闭");
    EXPECT_TRUE(w.u_k->isVisible());
    EXPECT_FALSE(w.side_box_timer->enabled());

    SimulatedClient failed;
    MainWindow& v = failed.start();
    v.softad_failed = 1;
    failed.clock.advance(5000);
    EXPECT_EQ(v.frame_buttons[kSideBoxToggle]->tip(), "打开");
    EXPECT_FALSE(v.side_box_timer->enabled());
}

TEST_F(Frame, MenuButtonsPopTheirMenusBesideThemselves) {
    MainWindow& w = start();
    MenusAndHelp& menus = w.menus();
    w.frame_button_clicked(kSkinButton);
    EXPECT_EQ(menus.last_popup(), menus.skin_menu);
    EXPECT_EQ(menus.skin_menu->pos(),
              w.mapToGlobal(w.frame_buttons[kSkinButton]->pos() + QPoint(-15, 20)));
    menus.skin_menu->close();
    w.frame_button_clicked(kMainMenuButton);
    EXPECT_EQ(menus.last_popup(), menus.main_menu);
    EXPECT_EQ(menus.main_menu->pos(),
              w.mapToGlobal(w.frame_buttons[kMainMenuButton]->pos() + QPoint(-15, 20)));
    menus.main_menu->close();
    w.frame_button_clicked(kLogoButton);
    EXPECT_EQ(menus.main_menu->pos(),
              w.mapToGlobal(w.frame_buttons[kLogoButton]->pos() + QPoint(20, 25)));
    menus.main_menu->close();
}
