// Skins and hover art: the strips, the switch, and the hover cells that
// follow the mouse through the buttons' capture.

#include "logic/playback/playback_session.h"
#include "window/frame_fixture.h"

#include "window/skin_strips.h"
#include "window/tray/menus_and_help.h"

#include <QAction>

using namespace kelvara;
using namespace kelvara::test;

namespace {

bool same_image(const QPixmap& a, const QPixmap& b) {
    return !a.isNull() && !b.isNull() &&
           a.toImage().convertToFormat(QImage::Format_ARGB32) ==
               b.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class Skins : public ShownWindow {};

TEST_F(Skins, HoverFollowsTheMouseFromOneTitleButtonToTheNext) {
    MainWindow& w = start();
    const ButtonLook plain;
    ASSERT_FALSE(same_image(w.ppt[1].copy(72, 0, 24, 19), w.ppt[2].copy(72, 0, 24, 19)));

    move_to(centre_of(w.frame_buttons[kMinimiseButton]));
    EXPECT_TRUE(
        shows(w.frame_buttons[kMinimiseButton], frame_button_cell(kMinimiseButton, true, plain)));
    EXPECT_EQ(QWidget::mouseGrabber(), w.frame_buttons[kMinimiseButton]);
    ASSERT_TRUE(w.p1->isVisible());
    EXPECT_EQ(w.bo_tip->text(), "最小化");
    EXPECT_EQ(w.p1->pos(), w.frame_buttons[kMinimiseButton]->pos() + QPoint(-5, 19 + 3));
    EXPECT_EQ(w.p1->size(), w.bo_tip->size() + QSize(5, 5));

    // Onto the maximise button: the minimise button holds the mouse, so it
    // sees the first move outside itself and lets go; the next move reaches
    // the maximise button.
    const QPoint next = centre_of(w.frame_buttons[kMaximiseButton]);
    move_to(next);
    EXPECT_TRUE(
        shows(w.frame_buttons[kMinimiseButton], frame_button_cell(kMinimiseButton, false, plain)));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_FALSE(w.p1->isVisible());
    move_to(next + QPoint(1, 0));
    EXPECT_TRUE(
        shows(w.frame_buttons[kMaximiseButton], frame_button_cell(kMaximiseButton, true, plain)));
    EXPECT_EQ(QWidget::mouseGrabber(), w.frame_buttons[kMaximiseButton]);
    EXPECT_EQ(w.bo_tip->text(), "最大化");

    move_to({600, 30});
    EXPECT_TRUE(
        shows(w.frame_buttons[kMaximiseButton], frame_button_cell(kMaximiseButton, false, plain)));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(Skins, GripToggleAndLogoShowNoTipPanel) {
    MainWindow& w = start();
    move_to(centre_of(w.frame_buttons[kLogoButton]));
    EXPECT_TRUE(shows(w.frame_buttons[kLogoButton], frame_button_cell(kLogoButton, true, {})));
    EXPECT_FALSE(w.p1->isVisible());
    move_to({600, 30});
    move_to({600, 31});
    move_to(centre_of(w.frame_buttons[kSideBarGrip]));
    EXPECT_FALSE(w.p1->isVisible());
    EXPECT_TRUE(shows(w.frame_buttons[kSideBarGrip], grip_cell(true)));
    move_to({600, 30});
    move_to({600, 31});
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(Skins, TransportButtonsHoverByTheirState) {
    MainWindow& w = start();
    w.session().state().play_button = PlayButton::OffersPause;
    move_to(centre_of(w.transport_buttons[kPlayPauseButton]));
    EXPECT_TRUE(shows(w.transport_buttons[kPlayPauseButton],
                      transport_button_cell(kPlayPauseButton, true, {.pause = true})));
    EXPECT_EQ(QWidget::mouseGrabber(), w.transport_buttons[kPlayPauseButton]);
    move_to({600, 30});
    EXPECT_TRUE(shows(w.transport_buttons[kPlayPauseButton],
                      transport_button_cell(kPlayPauseButton, false, {.pause = true})));

    // The shutdown button keeps what its state painted.
    const QImage armed = w.transport_buttons[kShutdownButton]->picture().toImage();
    w.transport_buttons[kShutdownButton]->paint_cell(w.ppt[17], 0, 0, 25, 24);
    const QImage painted = w.transport_buttons[kShutdownButton]->picture().toImage();
    ASSERT_NE(armed, painted);
    move_to(centre_of(w.transport_buttons[kShutdownButton]));
    move_to({600, 30});
    EXPECT_EQ(w.transport_buttons[kShutdownButton]->picture().toImage(), painted);
}

TEST_F(Skins, LabelsChangeColourUnderThePointer) {
    MainWindow& w = start();
    w.frame_button_clicked(kLocalListTab); // the local list
    move_to(centre_of(w.qk));
    EXPECT_EQ(w.qk->fore_color(), QColor(128, 0, 0));
    move_to(w.shan->mapTo(&w, QPoint(5, 10)));
    EXPECT_EQ(w.qk->fore_color(), QColor(90, 90, 90));

    w.frame_button_clicked(kCompactButton);
    move_to(centre_of(w.jbi));
    EXPECT_EQ(w.jbi->fore_color(), QColor(128, 0, 0));
    move_to(w.bo_ad->mapTo(&w, QPoint(5, 5)));
    EXPECT_EQ(w.jbi->fore_color(), QColor(Qt::white));
}

TEST_F(Skins, SwitchRepaintsEverythingKeepsTheTabsAndIsSaved) {
    MainWindow& w = start();
    w.frame_button_clicked(kNowPlayingTab);
    w.frame_button_clicked(kLocalListTab);
    const QImage frame_before = w.frame_picture.toImage();
    w.menus().grey_mood_skin_item->trigger();
    EXPECT_EQ(client.setting("Skin", "Num"), "1");
    for (int i = 0; i < 21; ++i)
        EXPECT_TRUE(same_image(w.ppt[i], load_strip(1, i))) << i;
    EXPECT_NE(w.frame_picture.toImage(), frame_before);
    EXPECT_EQ(w.L1->back_color(), QColor(51, 51, 51));
    EXPECT_EQ(w.main_tab, kNowPlayingTab);
    EXPECT_FALSE(w.frame_buttons[kNowPlayingTab]->isEnabled());
    EXPECT_EQ(w.qk->caption(), "∴ 清空列表");
    EXPECT_TRUE(shows(w.frame_buttons[kNowPlayingTab], header_tab_cell(kNowPlayingTab, true)));
    EXPECT_TRUE(shows(w.frame_buttons[kLocalListTab], sub_tab_cell(kLocalListTab, true)));
    EXPECT_TRUE(shows(w.frame_buttons[kSideBarGrip], grip_cell(true)));
    EXPECT_TRUE(
        shows(w.frame_buttons[kSideBoxToggle], frame_button_cell(kSideBoxToggle, false, {})));
    EXPECT_TRUE(shows(w.frame_buttons[kCloseButton], frame_button_cell(kCloseButton, false, {})));
    EXPECT_TRUE(shows(w.transport_buttons[kNextEpisodeButton],
                      transport_button_cell(kNextEpisodeButton, false, {})));
    EXPECT_TRUE(same_image(w.volume_track->picture(), w.ppt[15]));

    w.menus().blue_classic_skin_item->trigger();
    EXPECT_EQ(client.setting("Skin", "Num"), "0");
    EXPECT_EQ(w.L1->back_color(), QColor(0, 38, 81));
    EXPECT_TRUE(same_image(w.ppt[0], load_strip(0, 0)));
}

TEST_F(Skins, StartingWithASkinDoesNotRewriteTheSettings) {
    SimulatedClient first;
    first.start({}, false);
    first.set_setting("Skin", "Num", "1");
    const QByteArray before = first.read("config.ini");
    MainWindow& w = first.window();
    w.Form_Load({});
    EXPECT_EQ(first.read("config.ini"), before);
    EXPECT_TRUE(same_image(w.ppt[3], load_strip(1, 3)));
    EXPECT_EQ(w.main_tab, kLibraryTab);
}

TEST_F(Skins, SkinNumbersWithoutArt) {
    // Above 3: the first skin.
    SimulatedClient five;
    five.start({}, false);
    five.set_setting("Skin", "Num", "5");
    five.window().Form_Load({});
    EXPECT_TRUE(same_image(five.window().ppt[0], load_strip(0, 0)));

    // 2: no pictures at all, every button blank.
    SimulatedClient two;
    two.start({}, false);
    two.set_setting("Skin", "Num", "2");
    MainWindow& w = two.window();
    w.Form_Load({});
    for (const QPixmap& strip : w.ppt)
        EXPECT_TRUE(strip.isNull());
    EXPECT_TRUE(w.frame_buttons[kCloseButton]->picture().isNull());
    // A later switch to a skin without art keeps the strips it has.
    w.apply_skin(0);
    w.apply_skin(3);
    EXPECT_TRUE(same_image(w.ppt[0], load_strip(0, 0)));
}
