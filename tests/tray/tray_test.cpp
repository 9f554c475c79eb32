// The tray icon, the balloon, the dead-icon sweep, and the menu window.

#include "window/frame_fixture.h"

#include "shared/gbk.h"
#include "window/tray/menus_and_help.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

using namespace kelvara;
using namespace kelvara::test;

class TrayIcon : public ShownWindow {};

TEST_F(TrayIcon, LeftClickRestoresHidesAndShows) {
    MainWindow& w = start();
    EXPECT_TRUE(client.tray.present());
    EXPECT_EQ(client.tray.tip, "Kelvara");
    w.showMinimized();
    ASSERT_TRUE(w.isMinimized());
    client.tray.on_left_click();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
    client.tray.on_left_click();
    EXPECT_FALSE(w.isVisible());
    client.tray.on_left_click();
    EXPECT_TRUE(w.isVisible());
}

TEST_F(TrayIcon, RightClickOpensTheMainMenuAtThePointer) {
    MainWindow& w = start();
    client.tray.on_right_click(QPoint(1500, 950));
    MenusAndHelp& menus = w.menus();
    EXPECT_EQ(menus.last_popup(), menus.main_menu);
    EXPECT_TRUE(menus.main_menu->isVisible());
    menus.main_menu->close();
}

TEST_F(TrayIcon, BalloonHasItsTitleAndFieldLengths) {
    MainWindow& w = start();
    w.show_balloon(QStringLiteral("正在缓冲下一集"));
    ASSERT_EQ(client.tray.balloons.size(), 1u);
    EXPECT_EQ(client.tray.balloons[0].title, "Kelvara提示:");
    EXPECT_EQ(client.tray.balloons[0].text, "正在缓冲下一集");
    EXPECT_EQ(client.tray.tip, "Kelvara");
    const QString long_text = QString(QStringLiteral("长")).repeated(300);
    w.show_balloon(long_text);
    EXPECT_EQ(to_gbk(client.tray.balloons[1].text).size(), 256);
    EXPECT_TRUE(long_text.startsWith(client.tray.balloons[1].text));
}

TEST_F(TrayIcon, RemovedIconNoLongerReachesTheWindow) {
    MainWindow& w = start();
    w.tray_remove();
    EXPECT_FALSE(client.tray.present());
    EXPECT_FALSE(client.tray.on_left_click);
    EXPECT_FALSE(client.tray.on_right_click);
}

TEST_F(TrayIcon, SweepMovesOverEveryInnerPixelOfTheStrip) {
    MainWindow& w = start();
    client.tray.strip = {42, 150, 30};
    w.sweep_tray_icons();
    EXPECT_EQ(client.tray.posted, 149 * 29);
    client.tray.posted = 0;
    client.tray.strip = {42, 1, 1};
    w.sweep_tray_icons();
    client.tray.strip = {0, 150, 30}; // no strip found
    w.sweep_tray_icons();
    EXPECT_EQ(client.tray.posted, 0);
}

TEST_F(TrayIcon, HelpCardsCycleAndStartAgainFromTheFirst) {
    MainWindow& w = start();
    MenusAndHelp& help = w.menus();
    help.help_item->trigger();
    ASSERT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle(), "帮助提示");
    EXPECT_EQ(help.size(), QSize(365, 177));
    EXPECT_EQ(help.Label1->text(), "你知道吗");
    EXPECT_EQ(help.cmdnext->text(), "下一条(&N)");
    EXPECT_EQ(help.cmdclose->text(), "关闭(&C)");
    EXPECT_EQ(help.Image1->pixmap().size(), QSize(29, 29));
    EXPECT_EQ(help.Image2->pixmap().size(), QSize(17, 17));
    const auto shown = [&] {
        int visible = -1, count = 0;
        for (int i = 0; i < 5; ++i) {
            if (help.Pi[i]->isVisible()) {
                visible = i;
                ++count;
            }
        }
        return count == 1 ? visible : -1;
    };
    const auto counter = [&] {
        return help.La[21]->text() + help.La[22]->text() + help.La[23]->text();
    };
    EXPECT_EQ(shown(), 0);
    EXPECT_EQ(counter(), "第1条");
    EXPECT_EQ(help.Pi[0]->geometry(), QRect(8, 48, 337, 73));
    for (int click = 1; click <= 5; ++click) {
        QTest::mouseClick(help.cmdnext, Qt::LeftButton);
        EXPECT_EQ(shown(), click % 5);
        EXPECT_EQ(counter(), QStringLiteral("第%1条").arg(click % 5 + 1));
    }
    QTest::mouseClick(help.cmdnext, Qt::LeftButton);
    QTest::mouseClick(help.cmdnext, Qt::LeftButton);
    EXPECT_EQ(shown(), 2);
    QTest::mouseClick(help.cmdclose, Qt::LeftButton);
    EXPECT_FALSE(help.isVisible());
    help.help_item->trigger();
    EXPECT_EQ(shown(), 0);
    EXPECT_EQ(counter(), "第1条");
    help.close();
}

TEST_F(TrayIcon, HelpOverAHiddenTopmostWindowShowsItAndKeepsTopmost) {
    MainWindow& w = start();
    w.frame_button_clicked(kTopmostButton);
    w.hide();
    w.menus().help_item->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.menus().isVisible());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.menus().windowHandle()->transientParent(), w.windowHandle());
    w.menus().close();
}

TEST_F(TrayIcon, MenuItemsReachTheirProcedures) {
    MainWindow& w = start();
    MenusAndHelp& m = w.menus();
    FakePane& home = client.pane("catalogue_pane");
    m.back_item->trigger();
    m.forward_item->trigger();
    m.refresh_item->trigger();
    m.copy_item->trigger();
    m.paste_item->trigger();
    EXPECT_EQ(home.backs, 1);
    EXPECT_EQ(home.forwards, 1);
    EXPECT_EQ(home.refreshes, 1);
    EXPECT_EQ(home.copies, 1);
    EXPECT_EQ(home.pastes, 1);
    m.home_item->trigger();
    EXPECT_EQ(home.requested.last(), client.base);
    m.home_page_item->trigger();
    EXPECT_EQ(client.shell.opened_urls, QStringList{"http://127.0.0.1:9/"});
    EXPECT_TRUE(m.disarm_shutdown_item->isChecked());
    EXPECT_FALSE(m.arm_shutdown_item->isChecked());

    m.quit_item->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(client.tray.present());
}
