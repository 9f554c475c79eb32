// The status poll against a scripted player, tick by tick on the manual clock.

#include "player/player_fixture.h"

namespace kelvara::test {
namespace {

using StatusPoll = PlayerTest;

TEST_F(StatusPoll, WithNothingLoadedOnlyKeepsReadyAndHidesTheBar) {
    w->transport_buttons[kPlayPauseButton]->set_tip(QStringLiteral("暂停"));
    w->status_label->set_caption(QStringLiteral("已停止"));
    vb_move(w->download_bar, 5, 0, 50);
    w->seek_knob->move(100, 0);
    w->times->set_caption(QStringLiteral("unchanged"));
    tick();
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("播放"));
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("准备就绪"));
    EXPECT_EQ(w->download_bar->x(), -30);
    EXPECT_EQ(w->download_bar->width(), 50);
    EXPECT_EQ(w->seek_knob->x(), 100);
    EXPECT_EQ(w->times->caption(), QStringLiteral("unchanged"));
    EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(StatusPoll, EveryPlayStateHasItsTextAndSwapsVideoAndAdvert) {
    struct Case {
        int code;
        const char* text; // null: the text stays
        bool play_tip;    // the play/pause tip goes back to "播放"
    };
    const Case cases[] = {
        {0, "播放完毕", true},      {1, "已停止", true},
        {2, "已暂停", true},        {4, "正在缓冲 (37Kbps/S)", false},
        {5, "等待中", false},       {6, "播放结束", false},
        {7, "准备读", false},       {8, "重连中", false},
        {9, "BT种子下载中", false}, {10, "正在连接 (37KB/S)", false},
        {11, "正在停止", false},    {12, nullptr, false},
        {-1, nullptr, false},
    };
    playing(QStringLiteral("/films/a.mp4"), 100, 1000);
    player->download_rate = 37;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        player->state = c.code;
        w->status_label->set_caption(QStringLiteral("before"));
        w->transport_buttons[kPlayPauseButton]->set_tip(QStringLiteral("暂停"));
        w->bo_ad->hide();
        w->QvodC->widget()->show();
        tick();
        EXPECT_EQ(w->session().state().player_state, c.code);
        EXPECT_EQ(w->status_label->caption(),
                  c.text ? QString::fromUtf8(c.text) : QStringLiteral("before"));
        EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(),
                  c.play_tip ? QStringLiteral("播放") : QStringLiteral("暂停"));
        EXPECT_FALSE(w->bo_ad->isHidden());
        EXPECT_TRUE(w->QvodC->widget()->isHidden());
    }

    w->ppt[12] = cell_strip(38, 33, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    player->state = kStatePlaying;
    w->next_s->show();
    tick();
    EXPECT_EQ(picture_color(w->transport_buttons[kPlayPauseButton]),
              QColor(Qt::blue)); // the pause cell
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放中(37 Kbps/S)"));
    EXPECT_EQ(w->transport_buttons[kPlayPauseButton]->tip(), QStringLiteral("暂停"));
    EXPECT_TRUE(w->bo_ad->isHidden());
    EXPECT_FALSE(w->QvodC->widget()->isHidden());
    EXPECT_TRUE(w->next_s->isHidden());
}

TEST_F(StatusPoll, ShowsTheBitRateForTheFirstSixSecondsAndWithoutATransferRate) {
    playing(QStringLiteral("http://127.0.0.1/a.mp4"), 6, 1000);
    player->download_rate = 250;
    player->bit_rate = 800;
    tick();
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放中(800 Kbps)"));

    player->position = 7;
    tick();
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放中(250 Kbps/S)"));

    player->download_rate = 0;
    player->position = 300;
    tick();
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放中(800 Kbps)"));

    // A rate beyond 16 bits is held at the limit.
    player->download_rate = 70000;
    tick();
    EXPECT_EQ(w->session().state().download_rate, 32767);
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放中(32767 Kbps/S)"));
}

TEST_F(StatusPoll, TimeLabelKnobAndKnobTip) {
    playing(QStringLiteral("/films/a.mp4"), 3725, 5400);
    tick();
    EXPECT_EQ(w->times->caption(), QStringLiteral("1:02:05 / 1:30:00"));
    EXPECT_EQ(w->seek_knob->x(), 276); // 3725 / 5400 × 400
    EXPECT_EQ(w->seek_knob->tip(), QStringLiteral("1:02:05"));
    EXPECT_EQ(w->times->x(), 700 - w->times->width() - 13);
    EXPECT_EQ(w->session().state().last_position, 3725);

    // Another film from its start.
    w->session().state().resume_position = 0;
    playing(QStringLiteral("/films/b.mp4"), 65, 600);
    tick();
    EXPECT_EQ(w->times->caption(), QStringLiteral("01:05 / 10:00"));
    EXPECT_EQ(w->seek_knob->x(), 43);
    EXPECT_EQ(w->seek_knob->tip(), QStringLiteral("01:05"));
}

TEST_F(StatusPoll, UnknownLengthOrOddPositionsKeepTheKnobOnTheTrack) {
    playing(QStringLiteral("qvod://1|abc|a.rmvb|"), 0, 0);
    player->state = kStateConnecting;
    w->seek_knob->move(150, 0);
    tick();
    EXPECT_EQ(w->seek_knob->x(), 0);
    EXPECT_EQ(w->times->caption(), QStringLiteral("00:00 / 00:00"));

    playing(QStringLiteral("/films/a.mp4"), -3, 600);
    w->seek_knob->move(150, 0);
    tick();
    EXPECT_EQ(w->seek_knob->x(), 0);
    EXPECT_EQ(w->times->caption(), QStringLiteral("00:00 / 10:00"));

    playing(QStringLiteral("/films/a.mp4"), 30, 0);
    tick();
    EXPECT_EQ(w->seek_knob->x(), 0);
    EXPECT_EQ(w->times->caption(), QStringLiteral("00:30 / 00:00"));
}

TEST_F(StatusPoll, DownloadedPortionBar) {
    playing(QStringLiteral("http://127.0.0.1/a.mp4"), 10, 1000);
    player->permille = 500;
    tick();
    EXPECT_EQ(w->download_bar->geometry(), QRect(0, 0, 210, 10));

    player->permille = 1000;
    tick();
    EXPECT_EQ(w->download_bar->width(), 420);

    player->permille = 0;
    tick();
    EXPECT_EQ(w->download_bar->x(), -30);
    EXPECT_EQ(w->download_bar->width(), 0);

    player->permille = 4000; // never wider than the track
    tick();
    EXPECT_EQ(w->download_bar->width(), 420);
}

TEST_F(StatusPoll, HandsAKnownNextAddressToThePlayerOnceAt602) {
    client.set_setting("S_q", "s_pao", QStringLiteral("2"));
    playing(QStringLiteral("qvod://1|abc|ep1.rmvb|"), 100, 1000);
    prepare_next_address(w->session().state(), QStringLiteral("qvod://2|def|ep2.rmvb|"));
    player->permille = 601;
    tick();
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext")), 0);

    player->permille = 602;
    tick();
    tick();
    tick();
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext:qvod://2|def|ep2.rmvb|")), 1);
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext")), 1);
    EXPECT_TRUE(w->session().state().next.hold_prebuffer);
    EXPECT_EQ(balloon_texts(), QStringList{QStringLiteral("开始缓冲下一集！")});

    // No next episode: nothing is preloaded.
    w->session().state().next.hold_prebuffer = false;
    w->session().state().next.address_status = NextEpisodeStatus::NoneLeft;
    tick();
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext")), 1);

    // With balloon tips off the next address goes without a balloon.
    client.tray.balloons.clear();
    client.set_setting("S_q", "s_pao", QStringLiteral("1"));
    prepare_next_address(w->session().state(), QStringLiteral("qvod://3|fed|ep3.rmvb|"));
    tick();
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext:qvod://3|fed|ep3.rmvb|")), 1);
    EXPECT_TRUE(client.tray.balloons.empty());
}

TEST_F(StatusPoll, AsksForTheNextEpisodeFirstAndPreloadsItOnTheNextTick) {
    client.set_setting("S_q", "s_h", QStringLiteral("2"));
    client.transfer.default_reply = QStringLiteral("第6集$qvod://6|def|e6.rmvb|$qvod");
    playing(QStringLiteral("qvod://5|abc|e5.rmvb|"), 100, 1000);
    w->session().state().episode_key = QStringLiteral("123-1-5-abc");
    player->permille = 602;
    tick();
    ASSERT_EQ(client.transfer.requests.size(), 1);
    EXPECT_TRUE(client.transfer.requests.at(0).endsWith(QStringLiteral("v1=6")));
    EXPECT_EQ(player->count(QStringLiteral("PreloadNext")), 0);

    tick();
    EXPECT_EQ(player->calls.filter(QStringLiteral("PreloadNext")),
              QStringList{QStringLiteral("PreloadNext:qvod://6|def|e6.rmvb|")});
    EXPECT_EQ(client.transfer.requests.size(), 1);
}

TEST_F(StatusPoll, EndRegionWithBalloonTipsOffArmsTheEndTimerAndEndsTheTick) {
    client.set_setting("S_q", "s_pao", QStringLiteral("1"));
    playing(QStringLiteral("/films/a.mp4"), 98, 100);
    prepare_next_link(w->session().state(),
                      QStringLiteral("eeqvod://qvod&&&a&&&t&&&e&&&1&&&1&&&2"));
    tick();
    EXPECT_FALSE(w->session().end_of_film_timer().enabled()); // 98 is not past 100 - 2

    player->position = 99;
    player->download_rate = 55;
    w->times->set_caption(QStringLiteral("unchanged"));
    tick();
    EXPECT_TRUE(w->session().end_of_film_timer().enabled());
    EXPECT_EQ(client.clock.remaining(w->session().end_of_film_timer()), 2000);
    EXPECT_EQ(w->session().state().last_position, 99);
    EXPECT_EQ(w->times->caption(), QStringLiteral("unchanged"));
    EXPECT_EQ(w->session().state().download_rate, 0);
    EXPECT_TRUE(client.tray.balloons.empty());

    // The next tick leaves the end timer's countdown running.
    tick();
    EXPECT_EQ(client.clock.remaining(w->session().end_of_film_timer()), 1000);
}

TEST_F(StatusPoll, EndRegionAnnouncesTheNextEpisodeOrTheShutdown) {
    client.set_setting("S_q", "s_pao", QStringLiteral("2"));
    playing(QStringLiteral("/films/a.mp4"), 99, 100);
    w->session().state().next.status =
        NextEpisodeStatus::RequestFailed; // the last request failed: nothing to announce
    tick();
    EXPECT_TRUE(w->session().end_of_film_timer().enabled());
    EXPECT_EQ(w->times->caption(), QStringLiteral("01:39 / 01:40")); // the tick went on
    EXPECT_TRUE(client.tray.balloons.empty());

    w->session().end_of_film_timer().set_enabled(false);
    prepare_next_link(w->session().state(),
                      QStringLiteral("eeqvod://qvod&&&a&&&t&&&e&&&1&&&1&&&2"));
    tick();
    EXPECT_EQ(balloon_texts(), QStringList{QStringLiteral("正在准备播放下一集！")});
    EXPECT_EQ(client.tray.balloons.back().title, QStringLiteral("Kelvara提示:"));

    // Armed shutdown wins over a prepared episode.
    client.tray.balloons.clear();
    w->session().end_of_film_timer().set_enabled(false);
    w->arm_shutdown();
    tick();
    EXPECT_EQ(balloon_texts(), QStringList{QStringLiteral("即将播放完毕，正准备自动关机！")});

    // The setting is read at each use.
    client.tray.balloons.clear();
    w->session().end_of_film_timer().set_enabled(false);
    client.set_setting("S_q", "s_pao", QStringLiteral("1"));
    tick();
    EXPECT_TRUE(client.tray.balloons.empty());
}

TEST_F(StatusPoll, ResumesAStoredPositionOnceOnTheFirstPlayingTick) {
    playing(QStringLiteral("/films/a.mp4"), 0, 5400);
    player->state = kStateBuffering;
    w->session().state().resume_position = 1200;
    w->session().state().resumed = false;
    tick();
    EXPECT_EQ(player->count(QStringLiteral("setPosition")), 0);

    player->state = kStatePlaying;
    tick();
    EXPECT_EQ(player->calls.filter(QStringLiteral("setPosition")),
              QStringList{QStringLiteral("setPosition:1200")});
    EXPECT_TRUE(w->session().state().resumed);
    EXPECT_EQ(w->session().state().resume_position, 1200);
    EXPECT_EQ(w->times->caption(), QStringLiteral("20:00 / 1:30:00"));

    // Later ticks follow the film and never seek again.
    player->position = 30;
    tick();
    EXPECT_EQ(w->session().state().resume_position, 30);
    EXPECT_EQ(player->count(QStringLiteral("setPosition")), 1);
}

TEST_F(StatusPoll, NoResumeSeekWhenTheFilmIsAlreadyPastIt) {
    playing(QStringLiteral("/films/a.mp4"), 1500, 5400);
    w->session().state().resume_position = 1200;
    w->session().state().resumed = false;
    tick();
    EXPECT_EQ(player->count(QStringLiteral("setPosition")), 0);
    EXPECT_TRUE(w->session().state().resumed);
    EXPECT_EQ(w->session().state().resume_position, 1500);
}

TEST_F(StatusPoll, StartPlaybackKeepsARunningPollCountdown) {
    client.clock.advance(400);
    w->session().start_playback(QStringLiteral("/films/a.mp4"));
    EXPECT_EQ(player->calls,
              (QStringList{QStringLiteral("setUrl:/films/a.mp4"), QStringLiteral("Play")}));
    EXPECT_EQ(client.clock.remaining(w->session().status_poll_timer()), 600);

    w->session().status_poll_timer().set_enabled(false);
    w->session().start_playback(QStringLiteral("/films/b.mp4"));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(client.clock.remaining(w->session().status_poll_timer()), 1000);
}

} // namespace
} // namespace kelvara::test
