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
    w->seek_knob->move(150, 0);
    press(w->seek_knob, 5);
    drag(w->seek_knob, 50); // the knob's left follows the pointer: 150 + 50
    EXPECT_EQ(w->seek_knob->x(), 200);
    release(w->seek_knob, 5);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:1798")});

    w->seek_knob->move(2, 0);
    press(w->seek_knob, 1);
    release(w->seek_knob, 1);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:18"));

    w->seek_knob->move(3, 0);
    press(w->seek_knob, 1);
    release(w->seek_knob, 1);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:25")); // 27 - 2
}

TEST_F(SeekBar, KnobDragStaysOnTheTrackAndIgnoresHovering) {
    playing(QStringLiteral("/films/a.mp4"), 0, 3600);
    w->seek_knob->move(380, 0);
    drag(w->seek_knob, 15, 3, Qt::NoButton);
    EXPECT_EQ(w->seek_knob->x(), 380);
    press(w->seek_knob, 5);
    drag(w->seek_knob, 90);
    EXPECT_EQ(w->seek_knob->x(), 400);
    drag(w->seek_knob, -500);
    EXPECT_EQ(w->seek_knob->x(), 0);
    drag(w->seek_knob, 400);
    release(w->seek_knob, 5);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:3598"));
}

TEST_F(SeekBar, PressOnTheTrackSeeksWhereItWasPressed) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->seek_track, 100);
    EXPECT_EQ(w->seek_knob->x(), 100);
    release(w->seek_track, 100);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:250")});

    press(w->seek_track, 300, 3, Qt::RightButton);
    EXPECT_EQ(w->seek_knob->x(), 100);
}

TEST_F(SeekBar, NearestRoundsHalvesToEven) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    for (int x : {1, 3, 5}) {
        press(w->seek_track, x);
        release(w->seek_track, x);
    }
    // 2.5, 7.5 and 12.5 seconds
    EXPECT_EQ(seeks(*player), (QStringList{"setPosition:2", "setPosition:8", "setPosition:12"}));
}

TEST_F(SeekBar, PressOnTheDownloadedPartStepsBackTwoSeconds) {
    playing(QStringLiteral("http://127.0.0.1/a.mp4"), 0, 1000);
    vb_move(w->download_bar, 0, 0, 300);
    press(w->download_bar, 100);
    EXPECT_EQ(w->seek_knob->x(), 100);
    release(w->download_bar, 100);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:248")});

    // At the very start the step back would go before the film.
    press(w->download_bar, 0);
    release(w->download_bar, 0);
    EXPECT_EQ(seeks(*player).last(), QStringLiteral("setPosition:0"));
}

TEST_F(SeekBar, ASeekBeyondTheEndLandsTwoSecondsBeforeIt) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->seek_track, 410); // 1025 s
    release(w->seek_track, 410);
    EXPECT_EQ(seeks(*player), (QStringList{"setPosition:1025", "setPosition:998"}));
}

TEST_F(SeekBar, PendingMessagesRunBeforeTheSeek) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    press(w->seek_track, 100);
    // A message waiting at the release changes the film's length first.
    client.events.on_pass = [this] { player->duration = 2000; };
    const int passes = client.events.passes;
    release(w->seek_track, 100);
    EXPECT_EQ(client.events.passes, passes + 1);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:500")});
}

TEST_F(SeekBar, ATrackWithoutSpanDoesNotSeek) {
    playing(QStringLiteral("/films/a.mp4"), 0, 1000);
    vb_move(w->seek_track, 10, 400, 20);
    press(w->seek_track, 5);
    release(w->seek_track, 5);
    EXPECT_TRUE(seeks(*player).isEmpty());
}

TEST_F(Volume, PressOnTheTrackOrItsFilledPartSetsTheVolume) {
    press(w->volume_track, 40);
    EXPECT_EQ(player->volume, 40);
    EXPECT_EQ(w->volume_knob->x(), 40);
    EXPECT_EQ(w->volume_fill->width(), 40);
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("音量：40%"));

    press(w->volume_track, 105); // beyond the span: the knob goes to the end
    EXPECT_EQ(player->volume, 100);
    EXPECT_EQ(w->volume_knob->x(), 100);

    press(w->volume_fill, 30);
    EXPECT_EQ(player->volume, 30);
    EXPECT_EQ(w->volume_fill->width(), 30);

    press(w->volume_track, 70, 3, Qt::RightButton);
    EXPECT_EQ(player->volume, 30);
}

TEST_F(Volume, DragMovesTheKnobAndIgnoresMovesOffTheTrack) {
    w->volume_knob->move(40, 0);
    press(w->volume_knob, 2);
    drag(w->volume_knob, 10);
    EXPECT_EQ(w->volume_knob->x(), 50);
    EXPECT_EQ(w->volume_fill->width(), 50);
    EXPECT_EQ(player->volume, 50);
    EXPECT_EQ(w->volume_knob->tip(), QStringLiteral("50"));
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("音量：50%"));

    const int writes = player->count(QStringLiteral("setVolume"));
    drag(w->volume_knob, 60);  // 110 is past the end
    drag(w->volume_knob, -51); // -1 is before the start
    EXPECT_EQ(w->volume_knob->x(), 50);
    EXPECT_EQ(player->count(QStringLiteral("setVolume")), writes);

    drag(w->volume_knob, 50);
    EXPECT_EQ(player->volume, 100);
    drag(w->volume_knob, 5, 3, Qt::NoButton);
    EXPECT_EQ(w->volume_knob->x(), 100);
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
    EXPECT_EQ(w->seek_knob->x(), 400);
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
}

TEST_F(KeysOnTheWindow, LeftKeyGoesBackTenSecondsButNotBeforeTheStart) {
    playing(QStringLiteral("/films/a.mp4"), 600, 1000);
    client.clock.advance(600);
    key(focus(), Qt::Key_Left);
    EXPECT_EQ(player->position, 590);
    EXPECT_EQ(w->seek_knob->x(), 236);
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
    w->transport_button_clicked(kMuteButton);
    ASSERT_EQ(w->transport_buttons[kMuteButton]->tip(), QStringLiteral("取消静音"));
    player->volume = 95;
    key(focus(), Qt::Key_Up);
    EXPECT_EQ(player->calls.filter(QStringLiteral("setVolume")),
              QStringList{QStringLiteral("setVolume:105")});
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("音量：100%"));
    EXPECT_EQ(w->volume_knob->x(), 100);
    EXPECT_EQ(w->transport_buttons[kMuteButton]->tip(), QStringLiteral("静音"));
    EXPECT_EQ(player->mute, 0);

    key(focus(), Qt::Key_Down);
    EXPECT_EQ(player->volume, 90);
    EXPECT_EQ(w->volume_knob->x(), 90);
    EXPECT_EQ(w->volume_fill->width(), 90);

    // A player that takes 105 as it is: the label shows it, the knob stays
    // on the track.
    player->clamp_volume = false;
    player->volume = 95;
    key(focus(), Qt::Key_Up);
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("音量：105%"));
    EXPECT_EQ(w->volume_knob->x(), 100);
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
    w->status_label->set_caption(QStringLiteral("before"));
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down})
        key(focus(), k);
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("before"));
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
    key(w->download_bar, Qt::Key_Left);
    EXPECT_EQ(seeks(*player), QStringList{QStringLiteral("setPosition:590")});
    key(w->download_bar, Qt::Key_Left);
    EXPECT_EQ(player->position, 580);
}

} // namespace
} // namespace kelvara::test
