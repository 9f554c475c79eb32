// The transport buttons, clicked with the mouse.

#include "logic/history/history_files.h"
#include "player/player_fixture.h"
#include "window/tray/menus_and_help.h"

#include <QMenu>

namespace kelvara::test {
namespace {

class Transport : public PlayerTest {
protected:
    // A network episode of the film with id 77 that plays at `position`.
    void network_episode_at(int position) {
        w->history().history_add_task(77, QStringLiteral("%u957F%u6CB3"), QStringLiteral("ep5"),
                                      QStringLiteral("qvod://5|abc|ep5.rmvb|"), 1, 5, 0);
        w->session().state().stored_as = QStringLiteral("77");
        w->session().state().source = PlaySource::NetworkTask;
        playing(QStringLiteral("qvod://5|abc|ep5.rmvb|"), position, 2700);
        tick();
    }
};

TEST_F(Transport, StopStoresThePositionOfANetworkFilmOnce) {
    w->ppt[12] = cell_strip(38, 33, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    network_episode_at(1200);
    EXPECT_EQ(w->session().state().last_position, 1200);

    click(w->transport_buttons[kStopButton]);
    EXPECT_EQ(record("date.dat", 0, QStringLiteral("77")).value(6), QStringLiteral("1200"));
    EXPECT_EQ(w->session().state().last_position, 0);
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("已停止"));
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("播放"));
    EXPECT_EQ(picture_color(w->transport_buttons[kPlayPauseButton]), QColor(Qt::red));
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_FALSE(w->bo_ad->isHidden());
    EXPECT_TRUE(w->QvodC->widget()->isHidden());
    EXPECT_EQ(player->count(QStringLiteral("Stop")), 1);

    // A second stop has no position left to store.
    w->history().history_set_task_pos(77, 500);
    click(w->transport_buttons[kStopButton]);
    EXPECT_EQ(record("date.dat", 0, QStringLiteral("77")).value(6), QStringLiteral("500"));
}

TEST_F(Transport, StopStoresALocalFileInTheLocalList) {
    const QString path = QStringLiteral("/home/u/Media/长河.mp4");
    w->history().history_add_local(QStringLiteral("长河.mp4"), path, 0);
    w->session().state().stored_as = path;
    w->session().state().source = PlaySource::LocalFile;
    playing(path, 61, 600);
    tick();
    click(w->transport_buttons[kStopButton]);
    EXPECT_EQ(record("date_f.dat", 1, path).value(2), QStringLiteral("61"));
}

TEST_F(Transport, PlayAndStopDoNothingWithoutAnAddress) {
    w->session().status_poll_timer().set_enabled(true);
    click(w->transport_buttons[kPlayPauseButton]);
    click(w->transport_buttons[kStopButton]);
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("准备就绪"));
}

TEST_F(Transport, PauseThenPlayConsidersTheResumePositionAgain) {
    playing(QStringLiteral("/films/a.mp4"), 600, 5400);
    tick();
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("暂停"));
    EXPECT_FALSE(w->session().state().resumed); // nothing was stored, so no seek was considered

    click(w->transport_buttons[kPlayPauseButton]);
    EXPECT_EQ(player->calls.last(), QStringLiteral("Pause"));
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("播放"));
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("已暂停"));
    EXPECT_FALSE(w->bo_ad->isHidden());
    EXPECT_TRUE(w->QvodC->widget()->isHidden());

    // Paused at 600, the Left key goes back to 590; play then returns to 600.
    w->Form_KeyDown(37);
    EXPECT_EQ(player->position, 590);
    w->session().state().resumed = true;
    w->session().status_poll_timer().set_enabled(false);
    click(w->transport_buttons[kPlayPauseButton]);
    EXPECT_EQ(player->calls.last(), QStringLiteral("Play"));
    EXPECT_FALSE(w->session().state().resumed);
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("暂停"));
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("正在播放"));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    tick();
    EXPECT_EQ(player->calls.filter(QStringLiteral("setPosition")).last(),
              QStringLiteral("setPosition:600"));
    EXPECT_EQ(player->position, 600);
}

TEST_F(Transport, MuteThenVolumeTurnsTheSoundBackOn) {
    w->ppt[14] = cell_strip(25, 24, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    click(w->transport_buttons[kMuteButton]);
    EXPECT_EQ(w->transport_buttons[kMuteButton]->tip(), QStringLiteral("取消静音"));
    EXPECT_EQ(player->mute, -1);
    EXPECT_EQ(picture_color(w->transport_buttons[kMuteButton]), QColor(Qt::blue));

    press(w->volume_track, 40);
    EXPECT_EQ(w->transport_buttons[kMuteButton]->tip(), QStringLiteral("静音"));
    EXPECT_EQ(player->mute, 0);
    EXPECT_EQ(player->volume, 40);
    EXPECT_EQ(picture_color(w->transport_buttons[kMuteButton]), QColor(Qt::red));

    click(w->transport_buttons[kMuteButton]);
    click(w->transport_buttons[kMuteButton]);
    EXPECT_EQ(w->transport_buttons[kMuteButton]->tip(), QStringLiteral("静音"));
    EXPECT_EQ(player->calls.filter(QStringLiteral("setMute")),
              (QStringList{"setMute:-1", "setMute:0", "setMute:-1", "setMute:0"}));
}

TEST_F(Transport, FullScreenOnlyWhilePlaying) {
    w->ppt[16] = cell_strip(25, 24, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    playing(QStringLiteral("/films/a.mp4"), 10, 600);
    player->state = kStatePaused;
    click(w->transport_buttons[kFullScreenButton]);
    EXPECT_EQ(player->count(QStringLiteral("setFullScreen")), 0);
    EXPECT_TRUE(w->transport_buttons[kFullScreenButton]->picture().isNull());

    player->state = kStatePlaying;
    click(w->transport_buttons[kFullScreenButton]);
    EXPECT_EQ(player->full_screen, -1);
    EXPECT_EQ(picture_color(w->transport_buttons[kFullScreenButton]), QColor(Qt::blue));
}

TEST_F(Transport, OpeningAFileWhileASeriesPlaysStoresTheEpisodeAndDropsTheSeries) {
    network_episode_at(1500);
    w->session().state().episode_key = QStringLiteral("77-1-5-abc");
    prepare_next_link(w->session().state(),
                      QStringLiteral("eeqvod://qvod&&&x&&&abc&&&ep6&&&77&&&1&&&6"));
    prepare_next_address(w->session().state(), QStringLiteral("qvod://6|def|ep6.rmvb|"));
    w->session().state().next.hold_prebuffer = true;
    w->session().state().resumed = true;
    w->session().state().route = PlayRoute::WebPlayer;
    w->p1->show();
    const QString path = QStringLiteral("/home/u/Media/My Film.mkv");
    client.dialogs.file_to_open = path;
    player->calls.clear();

    click(w->transport_buttons[kOpenFileButton]);
    EXPECT_EQ(
        client.dialogs.last_filter,
        QStringLiteral("影音文件|*.rm;*.rmvb;*.wmv;*.mp3;*wma;*mid;*wav;*mpg;*mp4|所有文件|*.*"));
    EXPECT_EQ(client.dialogs.last_title, QStringLiteral("选择播放文件"));
    EXPECT_TRUE(w->p1->isHidden());
    EXPECT_EQ(record("date.dat", 0, QStringLiteral("77")).value(6), QStringLiteral("1500"));
    EXPECT_EQ(player->calls, (QStringList{"Stop", "setUrl:/home/u/Media/My Film.mkv", "Play"}));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("My Film.mkv"));
    EXPECT_EQ(record("date_f.dat", 1, path), (QStringList{"My Film.mkv", path, "0"}));
    EXPECT_EQ(w->session().state().source, PlaySource::LocalFile);
    EXPECT_EQ(w->session().state().stored_as, path);
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);
    EXPECT_EQ(w->session().state().resume_position, 0);
    EXPECT_FALSE(w->session().state().resumed);
    EXPECT_EQ(w->session().state().episode_key, std::nullopt);
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_FALSE(w->session().state().next.hold_prebuffer);

    // Well into the file, nothing of the series is preloaded.
    player->position = 100;
    player->permille = 1000;
    tick();
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext")), 0);
}

TEST_F(Transport, ACancelledFileDialogChangesNothing) {
    network_episode_at(1500);
    player->calls.clear();
    client.dialogs.file_to_open.clear();
    click(w->transport_buttons[kOpenFileButton]);
    EXPECT_EQ(client.dialogs.last_title, QStringLiteral("选择播放文件"));
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_EQ(w->session().state().stored_as, QStringLiteral("77"));
    EXPECT_EQ(record("date.dat", 0, QStringLiteral("77")).value(6), QStringLiteral("0"));
}

TEST_F(Transport, CompactModeShowsTheOpenedFileInTheTitleLine) {
    w->compact_mode = 1;
    w->jbi->move(300, 0);
    client.dialogs.file_to_open = QStringLiteral("/m/a.mp4");
    click(w->transport_buttons[kOpenFileButton]);
    EXPECT_EQ(w->ni_name->caption(), QStringLiteral("a.mp4"));
    EXPECT_EQ(w->ni_bo1->caption(), QStringLiteral("a.mp4"));
}

TEST_F(Transport, ShutdownButtonPopsUpItsMenu) {
    click(w->transport_buttons[kShutdownButton]);
    EXPECT_EQ(w->menus().last_popup(), w->menus().shutdown_menu);
    w->menus().shutdown_menu->hide();
}

TEST_F(Transport, EpisodeButtonsAreDisabledWhileTheServerIsAsked) {
    w->session().state().episode_key = QStringLiteral("12-1-5-abc");
    std::vector<bool> enabled_during;
    int clicked = 5;
    client.transfer.responder = [&](const QString&) -> std::optional<QString> {
        enabled_during.push_back(w->transport_buttons[clicked]->isEnabled());
        return QStringLiteral("1");
    };
    click(w->transport_buttons[kPreviousEpisodeButton]);
    clicked = 7;
    click(w->transport_buttons[kNextEpisodeButton]);
    EXPECT_TRUE(w->transport_buttons[kPreviousEpisodeButton]->isEnabled());
    EXPECT_TRUE(w->transport_buttons[kNextEpisodeButton]->isEnabled());
    EXPECT_EQ(enabled_during, (std::vector<bool>{false, false}));
}

} // namespace
} // namespace kelvara::test
