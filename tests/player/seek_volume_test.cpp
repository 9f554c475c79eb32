// The seek bar and the volume slider by mouse, and the keys of the player area.

#include "player/player_fixture.h"

#include <QApplication>
#include <QWidget>

namespace kelvara::test {
namespace {

using SeekBar = PlayerTest;
using Volume = PlayerTest;
using Keys = PlayerTest;

QStringList seeks(const ScriptedPlayer& p) {
    return p.calls.filter(QStringLiteral("setPosition"));
}

TEST_F(SeekBar, KnobReleasedPastTwoStepsBackTwoSeconds) {
    playing(QStringLiteral("/films/a.mp4"), 0, 3600);
    w->gunt1->move(150, 0);
    press(w->gunt1, 5);
    drag(w->gunt1, 50); // the knob's left follows the pointer: 150 + 50
    EXPECT_EQ(w->gunt1->x(), 200);
    release(w->gunt1, 5);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:1798")});

    w->gunt1->move(2, 0);
    press(w->gunt1, 1);
    release(w->gunt1, 1);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:18"));

    w->gunt1->move(3, 0);
    press(w->gunt1, 1);
    release(w->gunt1, 1);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:25")); // 27 - 2
}

TEST_F(SeekBar, KnobDragStaysOnTheTrackAndIgnoresHovering) {
    playing(QStringLiteral("/films/a.mp4"), 0, 3600);
    w->gunt1->move(380, 0);
    drag(w->gunt1, 15, 3, Qt::NoButton);
    EXPECT_EQ(w->gunt1->x(), 380);
    press(w->gunt1, 5);
    drag(w->gunt1, 90);
    EXPECT_EQ(w->gunt1->x(), 400);
    drag(w->gunt1, -500);
    EXPECT_EQ(w->gunt1->x(), 0);
    drag(w->gunt1, 400);
    release(w->gunt1, 5);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:3598"));
}

TEST_F(SeekBar, PressOnTheTrackSeeksWhereItWasPressed) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->gunt, 100);
    EXPECT_EQ(w->gunt1->x(), 100);
    release(w->gunt, 100);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:250")});

    press(w->gunt, 300, 3, Qt::RightButton);
    EXPECT_EQ(w->gunt1->x(), 100);
}

TEST_F(SeekBar, NearestRoundsHalvesToEven) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    for (int x : {1, 3, 5}) {
        press(w->gunt, x);
        release(w->gunt, x);
    }
    // 2.5, 7.5 and 12.5 seconds
    EXPECT_EQ(seeks(*player), (QStringList{"setPosition:2", "setPosition:8", "setPosition:12"}));
}

TEST_F(SeekBar, PressOnTheDownloadedPartStepsBackTwoSeconds) {
    playing(QStringLiteral("http://127.0.0.1/a.mp4"), 0, 1000);
    vb_move(w->huan, 0, 0, 300);
    press(w->huan, 100);
    EXPECT_EQ(w->gunt1->x(), 100);
    release(w->huan, 100);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:248")});

    // At the very start the step back would go before the film.
    press(w->huan, 0);
    release(w->huan, 0);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:0"));
}

TEST_F(SeekBar, ASeekBeyondTheEndLandsTwoSecondsBeforeIt) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->gunt, 410); // 1025 s
    release(w->gunt, 410);
    EXPECT_EQ(seeks(*player), (QStringList{"setPosition:1025", "setPosition:998"}));
}

TEST_F(SeekBar, PendingMessagesRunBeforeTheSeek) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->gunt, 100);
    // A message waiting at the release changes the film's length first.
    client.events.on_pass = [this] { player->duration = 2000; };
    const int passes = client.events.passes;
    release(w->gunt, 100);
    EXPECT_EQ(client.events.passes, passes + 1);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:500")});
}

TEST_F(SeekBar, ATrackWithoutSpanDoesNotSeek) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    vb_move(w->gunt, 10, 400, 20);
    press(w->gunt, 5);
    release(w->gunt, 5);
    EXPECT_TRUE(seeks(*player).isEmpty());
}

TEST_F(Volume, PressOnTheTrackOrItsFilledPartSetsTheVolume) {
    press(w->yin, 40);
    EXPECT_EQ(player->volume, 40);
    EXPECT_EQ(w->bo_v->x(), 40);
    EXPECT_EQ(w->bo_y->width(), 40);
    EXPECT_EQ(w->zhun->caption(), QStringLiteral("音量：40%"));

    press(w->yin, 105); // beyond the span: the knob goes to the end
    EXPECT_EQ(player->volume, 100);
    EXPECT_EQ(w->bo_v->x(), 100);

    press(w->bo_y, 30);
    EXPECT_EQ(player->volume, 30);
    EXPECT_EQ(w->bo_y->width(), 30);

    press(w->yin, 70, 3, Qt::RightButton);
    EXPECT_EQ(player->volume, 30);
}

TEST_F(Volume, DragMovesTheKnobAndIgnoresMovesOffTheTrack) {
    w->bo_v->move(40, 0);
    press(w->bo_v, 2);
    drag(w->bo_v, 10);
    EXPECT_EQ(w->bo_v->x(), 50);
    EXPECT_EQ(w->bo_y->width(), 50);
    EXPECT_EQ(player->volume, 50);
    EXPECT_EQ(w->bo_v->tip(), QStringLiteral("50"));
    EXPECT_EQ(w->zhun->caption(), QStringLiteral("音量：50%"));

    const int writes = player->count(QStringLiteral("setVolume"));
    drag(w->bo_v, 60);  // 110 is past the end
    drag(w->bo_v, -51); // -1 is before the start
    EXPECT_EQ(w->bo_v->x(), 50);
    EXPECT_EQ(player->count(QStringLiteral("setVolume")), writes);

    drag(w->bo_v, 50);
    EXPECT_EQ(player->volume, 100);
    drag(w->bo_v, 5, 3, Qt::NoButton);
    EXPECT_EQ(w->bo_v->x(), 100);
}

class KeysOnTheWindow : public PlayerTest {
protected:
    // Keys go to a control inside the window, as when a pane has the focus.
    QWidget* focus() { return w->bo_zt; }
};

TEST_F(KeysOnTheWindow, RightKeyNearTheEndLandsTwoSecondsBeforeIt) {
    playing(QStringLiteral("/films/a.mp4"), 3595, 3600);
    w->session().status_poll_timer().set_enabled(false);
    key(focus(), Qt::Key_Right);
    EXPECT_EQ(seeks(*player), (QStringList{"setPosition:3605", "setPosition:3598"}));
    EXPECT_EQ(w->times->caption(), QStringLiteral("59:58 / 1:00:00"));
    EXPECT_EQ(w->gunt1->x(), 400);
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
}

TEST_F(KeysOnTheWindow, LeftKeyGoesBackTenSecondsButNotBeforeTheStart) {
    playing(QStringLiteral("/films/a.mp4"), 600, 1000);
    client.clock.advance(600);
    key(focus(), Qt::Key_Left);
    EXPECT_EQ(player->position, 590);
    EXPECT_EQ(w->gunt1->x(), 236);
    EXPECT_EQ(w->times->caption(), QStringLiteral("09:50 / 16:40"));
    // The poll was stopped for the move and starts a new countdown.
    EXPECT_EQ(client.clock.remaining(w->session().status_poll_timer()), 1000);

    player->position = 5;
    key(focus(), Qt::Key_Left);
    EXPECT_EQ(player->position, 0);

    player->calls.clear();
    key(focus(), Qt::Key_Left);
    key(focus(), Qt::Key_Right);
    EXPECT_TRUE(seeks(*player).isEmpty());
}

TEST_F(KeysOnTheWindow, UpAndDownChangeTheVolumeByTen) {
    w->bo_but[2]->set_tip(QStringLiteral("取消静音"));
    player->volume = 95;
    key(focus(), Qt::Key_Up);
    EXPECT_EQ(player->calls.filter(QStringLiteral("setVolume")),
              QStringList{QStringLiteral("setVolume:105")});
    EXPECT_EQ(w->zhun->caption(), QStringLiteral("音量：100%"));
    EXPECT_EQ(w->bo_v->x(), 100);
    EXPECT_EQ(w->bo_but[2]->tip(), QStringLiteral("静音"));
    EXPECT_EQ(player->mute, 0);

    key(focus(), Qt::Key_Down);
    EXPECT_EQ(player->volume, 90);
    EXPECT_EQ(w->bo_v->x(), 90);
    EXPECT_EQ(w->bo_y->width(), 90);

    // A player that takes 105 as it is: the label shows it, the knob stays
    // on the track.
    player->clamp_volume = false;
    player->volume = 95;
    key(focus(), Qt::Key_Up);
    EXPECT_EQ(w->zhun->caption(), QStringLiteral("音量：105%"));
    EXPECT_EQ(w->bo_v->x(), 100);
}

TEST_F(KeysOnTheWindow, SpacePausesAndPlays) {
    playing(QStringLiteral("/films/a.mp4"), 100, 1000);
    tick();
    key(focus(), Qt::Key_Space);
    EXPECT_EQ(player->calls.last(), QStringLiteral("Pause"));
    key(w, Qt::Key_Space);
    EXPECT_EQ(player->calls.last(), QStringLiteral("Play"));
}

TEST_F(KeysOnTheWindow, AnyOtherKeyRestartsThePoll) {
    playing(QStringLiteral("/films/a.mp4"), 100, 1000);
    w->session().status_poll_timer().set_enabled(false);
    key(focus(), Qt::Key_A);
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(KeysOnTheWindow, KeysChangeNothingWhileTheLibraryIsShown) {
    playing(QStringLiteral("/films/a.mp4"), 600, 1000);
    w->qvod->hide();
    w->session().status_poll_timer().set_enabled(false);
    w->zhun->set_caption(QStringLiteral("before"));
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down})
        key(focus(), k);
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->zhun->caption(), QStringLiteral("before"));
}

TEST_F(KeysOnTheWindow, KeysOfOtherWindowsAreNotTheWindowsOwn) {
    playing(QStringLiteral("/films/a.mp4"), 600, 1000);
    QWidget other;
    key(&other, Qt::Key_Left);
    EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(KeysOnTheWindow, AKeyPassedUpToTheParentsActsOnce) {
    playing(QStringLiteral("/films/a.mp4"), 600, 1000);
    // A picture box inside a picture box: neither takes keys, so the press
    // travels up to the window as the same event.
    key(w->huan, Qt::Key_Left);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:590")});
    key(w->huan, Qt::Key_Left);
    EXPECT_EQ(player->position, 580);
}

} // namespace
} // namespace kelvara::test
