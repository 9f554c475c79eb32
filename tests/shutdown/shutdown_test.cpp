// The scheduled shutdown on the simulated platform: the menu, the button, and
// the end of a film driven by the status poll and the end-of-playback timer.

#include "fakes/simulated_client.h"
#include "logic/history/history_files.h"
#include "window/main_window.h"
#include "window/skin_strips.h"
#include "window/tray/menus_and_help.h"

#include <QAction>
#include <QImage>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kShutdownBalloon = QStringLiteral("即将播放完毕，正准备自动关机！");
const QString kNextBalloon = QStringLiteral("正在准备播放下一集！");

class Shutdown : public ::testing::Test {
protected:
    void SetUp() override {
        w = &client.start();
        for (int strip : {16, 17})
            w->ppt[strip] = load_strip(0, strip);
    }

    // Episode 3 of series 42 plays at `position` of `duration` seconds.
    void play_episode(int position, int duration) {
        w->history().history_add_task(42, "片名", "第3集", "qvod://1|ab|x.rmvb|", 1, 3, 0);
        w->QvodC->setUrl("qvod://1|ab|x.rmvb|");
        w->QvodC->Play();
        ScriptedPlayer& p = client.player();
        p.position = position;
        p.duration = duration;
        p.state = 3;
        w->session().state().stored_as = "42";
        w->session().state().source = PlaySource::NetworkTask;
        w->session().state().episode_key = "42-1-3-片名";
        w->session().status_poll_timer().set_enabled(true);
    }
    void prepare_next_episode() {
        prepare_next_link(
            w->session().state(),
            "eeqvod://qvod&&&qvod%3A//2%7Ccd%7Cy.rmvb%7C&&&片名&&&第4集&&&42&&&1&&&4");
        prepare_next_address(w->session().state(), "qvod://2|cd|y.rmvb|");
        w->session().state().next.hold_prebuffer = true;
    }
    // The poll has seen the end region; then the film ends.
    void end_film() {
        client.clock.advance(1000);
        client.player().position = client.player().duration;
        client.player().state = 6;
    }
    int balloons(const QString& text) const {
        int n = 0;
        for (const FakeTray::Balloon& b : client.tray.balloons)
            n += b.text == text;
        return n;
    }
    static QImage cell(const QPixmap& pixmap) {
        return pixmap.copy(0, 0, 25, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    }

    SimulatedClient client;
    MainWindow* w = nullptr;
};

} // namespace

TEST_F(Shutdown, SwitchSetsTheMarksTheButtonTipAndPicture) {
    MenusAndHelp& menus = w->menus();
    EXPECT_TRUE(menus.disarm_shutdown_item->isChecked());
    EXPECT_FALSE(menus.arm_shutdown_item->isChecked());
    EXPECT_FALSE(w->shutdown_armed());

    w->arm_shutdown();
    EXPECT_TRUE(menus.arm_shutdown_item->isChecked());
    EXPECT_FALSE(menus.disarm_shutdown_item->isChecked());
    EXPECT_EQ(w->transport_buttons[kShutdownButton]->tip(), "已开启自动关机");
    EXPECT_TRUE(w->shutdown_armed());
    EXPECT_EQ(cell(w->transport_buttons[kShutdownButton]->picture()), cell(w->ppt[17]));

    w->arm_shutdown(); // chosen again: stays armed
    EXPECT_TRUE(menus.arm_shutdown_item->isChecked());
    EXPECT_TRUE(w->shutdown_armed());

    w->disarm_shutdown();
    EXPECT_FALSE(menus.arm_shutdown_item->isChecked());
    EXPECT_TRUE(menus.disarm_shutdown_item->isChecked());
    EXPECT_EQ(w->transport_buttons[kShutdownButton]->tip(), "计划关机");
    EXPECT_FALSE(w->shutdown_armed());
    EXPECT_EQ(cell(w->transport_buttons[kShutdownButton]->picture()), cell(w->ppt[16]));
    EXPECT_NE(cell(w->ppt[16]), cell(w->ppt[17]));
}

TEST_F(Shutdown, MenuItemsSwitchIt) {
    MenusAndHelp& menus = w->menus();
    menus.arm_shutdown_item->trigger();
    EXPECT_TRUE(w->shutdown_armed());
    menus.arm_shutdown_item->trigger(); // a checkable item chosen again stays checked
    EXPECT_TRUE(menus.arm_shutdown_item->isChecked());
    EXPECT_FALSE(menus.disarm_shutdown_item->isChecked());
    menus.disarm_shutdown_item->trigger();
    EXPECT_FALSE(w->shutdown_armed());
    menus.disarm_shutdown_item->trigger();
    EXPECT_TRUE(menus.disarm_shutdown_item->isChecked());
    EXPECT_FALSE(menus.arm_shutdown_item->isChecked());
}

TEST_F(Shutdown, PowerOffStoresThePositionOfWhatPlayedFirst) {
    play_episode(1200, 2400);
    w->session().state().last_position = 1200; // as the poll read it
    w->system_shutdown(true);
    EXPECT_EQ(client.power.power_offs, 1);
    EXPECT_EQ(client.player().count("Stop"), 1);
    EXPECT_TRUE(client.read("date.dat").contains("|1200\r\n"))
        << client.read("date.dat").constData();
}

TEST_F(Shutdown, ArmedThenCancelledEndsTheFilmNormally) {
    w->arm_shutdown();
    w->disarm_shutdown();
    play_episode(99, 100);
    end_film();
    client.clock.advance(2000);
    EXPECT_EQ(balloons(kShutdownBalloon), 0);
    EXPECT_EQ(client.power.power_offs, 0);
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->session().state().resume_position, 1); // the end of playback without a shutdown
    EXPECT_EQ(client.player().count("Stop"), 0);
}

TEST_F(Shutdown, ArmedWithBalloonsOffStillPowersOff) {
    client.set_setting("S_q", "s_pao", "1");
    w->arm_shutdown();
    play_episode(99, 100);
    end_film();
    EXPECT_TRUE(client.tray.balloons.empty());
    EXPECT_EQ(client.power.power_offs, 0); // not before the end-of-playback timer
    client.clock.advance(2000);
    EXPECT_TRUE(client.tray.balloons.empty());
    EXPECT_EQ(client.power.power_offs, 1);
    EXPECT_EQ(w->status_label->caption(), "播放完毕");
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
}

TEST_F(Shutdown, ArmedWhileNothingPlaysWaitsForTheEndOfAFilm) {
    w->arm_shutdown();
    client.clock.advance(20000);
    EXPECT_EQ(client.power.power_offs, 0);
    EXPECT_TRUE(client.tray.balloons.empty());
    EXPECT_FALSE(w->session().end_of_film_timer().enabled());

    play_episode(1500, 1800);
    client.clock.advance(5000);
    EXPECT_EQ(client.power.power_offs, 0);
    client.player().position = 1799;
    end_film();
    client.clock.advance(2000);
    EXPECT_GE(balloons(kShutdownBalloon), 1);
    EXPECT_EQ(client.power.power_offs, 1);
}

TEST_F(Shutdown, ArmedAtTheEndOfAnEpisodeSkipsThePreparedNextOne) {
    w->arm_shutdown();
    play_episode(99, 100);
    prepare_next_episode();
    end_film();
    EXPECT_EQ(balloons(kShutdownBalloon), 1);
    EXPECT_EQ(balloons(kNextBalloon), 0);
    const int web1_before = client.pane("catalogue_pane").requested.size();
    const int web2_before = client.pane("web_player_pane").requested.size();
    client.clock.advance(2000);

    EXPECT_EQ(client.power.power_offs, 1);
    EXPECT_EQ(w->status_label->caption(), "播放完毕");
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_FALSE(w->bo_ad->isHidden());
    // The next episode is not played, and the finished one is stored as a
    // finished episode is (1), not at its end, where a replay would resume.
    EXPECT_EQ(client.pane("catalogue_pane").requested.size(), web1_before);
    EXPECT_EQ(client.pane("web_player_pane").requested.size(), web2_before);
    EXPECT_EQ(client.player().count("setUrl:qvod://2"), 0);
    EXPECT_EQ(client.player().count("Stop"), 1);
    EXPECT_TRUE(client.read("date.dat").startsWith("42|")) << client.read("date.dat").constData();
    EXPECT_TRUE(client.read("date.dat").endsWith("|1\r\n")) << client.read("date.dat").constData();

    // The poll stays off: nothing more happens.
    client.clock.advance(10000);
    EXPECT_EQ(client.power.power_offs, 1);
}
