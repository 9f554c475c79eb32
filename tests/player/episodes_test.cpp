#include "panes/main_path_fixture.h"

#include "logic/links/link_formats.h"

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kNext = QStringLiteral("qvod://88|F00D|abc 06.rmvb|");
const QString kRetryBalloon = QStringLiteral("读取下一集数据出错，稍后将重新读取！");

class Episodes : public MainPath {
protected:
    void SetUp() override {
        MainPath::SetUp();
        w->session().state().episode_key = QStringLiteral("123-1-5-abc");
    }
    QString link(const QString& type, const QString& episode, const QString& v1) const {
        return QStringLiteral("eeqvod://") + type + "&&&" + js_escape(kNext) + "&&&abc&&&" +
               episode + "&&&123&&&1&&&" + v1;
    }
};

} // namespace

TEST_F(Episodes, NextEpisodeIsPreparedAsAQvodLink) {
    serve("123", "1", "6", QStringLiteral("E$") + kNext + QStringLiteral("$flash"));
    w->session().state().next.hold_prebuffer = true;
    w->session().fetch_next_episode();
    EXPECT_EQ(client.transfer.requests, QStringList{request("123", "1", "6")});
    EXPECT_EQ(w->session().state().next.address, kNext);
    EXPECT_EQ(w->session().state().next.link, link("qvod", "E", "6"));
    EXPECT_FALSE(w->session().state().next.hold_prebuffer);
    EXPECT_FALSE(w->session().next_retry_timer().enabled());
    expect_balloons({});
}

TEST_F(Episodes, ServerAnswersForTheNextEpisode) {
    serve("123", "1", "6", QStringLiteral("1"));
    w->session().fetch_next_episode();
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NoneLeft);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NoneLeft);

    serve("123", "1", "6", QStringLiteral("0"));
    w->session().fetch_next_episode();
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_FALSE(w->session().next_retry_timer().enabled());
    expect_balloons({});
}

TEST_F(Episodes, NothingIsAskedWithoutAutomaticBufferingOrASeries) {
    client.set_setting("S_q", "s_h", "1");
    w->session().state().next.status = NextEpisodeStatus::RequestFailed;
    w->session().fetch_next_episode();
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);

    client.set_setting("S_q", "s_h", "2");
    for (const char* key : {"0", "film"}) {
        w->session().state().episode_key = QString::fromLatin1(key);
        w->session().fetch_next_episode();
    }
    EXPECT_TRUE(client.transfer.requests.isEmpty());
}

TEST_F(Episodes, FailedRequestIsRetriedOnTheSecondTickHundredSecondsLater) {
    timers_off();
    w->session().fetch_next_episode(); // no reply: the request fails
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::RequestFailed);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_TRUE(w->session().state().next.hold_prebuffer);
    EXPECT_TRUE(w->session().next_retry_timer().enabled());
    expect_balloons({kRetryBalloon});

    client.clock.advance(50000);
    EXPECT_EQ(client.transfer.requests.size(), 1);
    EXPECT_EQ(w->session().state().next.retry_ticks, 1);
    EXPECT_TRUE(w->session().state().next.hold_prebuffer);

    // The retry fails as well: the same wait starts afresh.
    client.clock.advance(50000);
    EXPECT_EQ(client.transfer.requests.size(), 2);
    EXPECT_TRUE(w->session().state().next.hold_prebuffer);
    EXPECT_EQ(w->session().state().next.retry_ticks, 0);
    EXPECT_EQ(client.clock.remaining(w->session().next_retry_timer()), 50000);
    expect_balloons({kRetryBalloon, kRetryBalloon});

    serve("123", "1", "6", QStringLiteral("E$") + kNext + QStringLiteral("$qvod"));
    client.clock.advance(99999);
    EXPECT_EQ(client.transfer.requests.size(), 2);
    client.clock.advance(1);
    EXPECT_EQ(client.transfer.requests.size(), 3);
    EXPECT_EQ(w->session().state().next.link, link("qvod", "E", "6"));
    EXPECT_FALSE(w->session().state().next.hold_prebuffer);
    EXPECT_FALSE(w->session().next_retry_timer().enabled());
}

// The end of playback, two seconds after the poll first saw the end region.
class EndOfPlayback : public Episodes {
protected:
    void SetUp() override {
        Episodes::SetUp();
        timers_off();
        w->session().status_poll_timer().set_enabled(true);
        w->session().status_poll_timer().set_on_tick({}); // the poll is not under test here
        w->QvodC->widget()->show();
        w->bo_ad->hide();
    }
    void reach_end() {
        w->session().end_of_film_timer().set_enabled(true);
        client.clock.advance(1000);
        w->session().end_of_film_timer().set_enabled(true); // a later poll tick keeps the countdown
        client.clock.advance(1000);
    }
};

TEST_F(EndOfPlayback, PreparedEpisodePlaysNext) {
    const QString next = link("qvod", "E", "6");
    prepare_next_link(w->session().state(), next);
    reach_end();
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放完毕"));
    EXPECT_FALSE(w->bo_ad->isHidden());
    EXPECT_TRUE(w->QvodC->widget()->isHidden());
    EXPECT_FALSE(w->session().end_of_film_timer().enabled());
    EXPECT_FALSE(w->next_s->isHidden());
    EXPECT_EQ(w->session().state().last_position, 1);
    // The end reaches the next episode without a navigation of web_player_pane or catalogue_pane.
    EXPECT_FALSE(
        pane("web_player_pane").requested.contains(QString::fromLatin1(kEndOfEpisodeAddress)));
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kNext, "Play"}));
    EXPECT_EQ(w->session().state().episode_key, "123-1-6-abc");
    EXPECT_TRUE(client.transfer.requests.isEmpty());
}

TEST_F(EndOfPlayback, AutomaticNextEpisodeOffOnlyRestartsThePoll) {
    prepare_next_link(w->session().state(),
                      QStringLiteral("eeqvod://qvod&&&x&&&abc&&&E&&&123&&&1&&&6"));
    client.set_setting("S_q", "s_bo", "1");
    reach_end();
    // Automatic next episode off: the end only restarts the poll.
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_TRUE(w->QvodC->widget()->isHidden());
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
}

TEST_F(EndOfPlayback, FailedPreparationOpensTheNextEpisodePage) {
    w->session().state().next.status = NextEpisodeStatus::RequestFailed;
    reach_end();
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_TRUE(w->next_s->isHidden());
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page("123-1-5-abc", "16")});
    EXPECT_TRUE(player().calls.isEmpty());
}

TEST_F(EndOfPlayback, LastEpisodeOrNoBufferingJustStops) {
    for (const NextEpisodeStatus state :
         {NextEpisodeStatus::NoneLeft, NextEpisodeStatus::NotAsked}) {
        forget();
        w->session().state().next.status = state;
        w->session().state().resume_position = 590;
        w->status_label->set_caption(QStringLiteral("播放中(300 Kbps)"));
        reach_end();
        EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放完毕")) << int(state);
        EXPECT_EQ(w->session().state().resume_position, 1);
        EXPECT_TRUE(w->session().status_poll_timer().enabled());
        EXPECT_TRUE(pane("web_player_pane").requested.isEmpty());
        EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
    }
}

TEST_F(EndOfPlayback, ArmedShutdownEndsPlaybackWithoutTheNextEpisode) {
    w->arm_shutdown();
    prepare_next_link(w->session().state(), link("qvod", "E", "6"));
    w->session().state().resume_position = 590;
    reach_end();
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("播放完毕"));
    EXPECT_EQ(w->session().state().resume_position,
              1); // stored as a finished film, not resumed at its end
    EXPECT_TRUE(w->next_s->isHidden());
    EXPECT_TRUE(pane("web_player_pane").requested.isEmpty());
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_TRUE(player().calls.isEmpty());
}

TEST_F(Episodes, NextAndPreviousButtonsAskForTheNeighbouringEpisode) {
    serve("123", "1", "6", QStringLiteral("第6集$") + kNext + QStringLiteral("$qvod"));
    w->session().press(TransportButton::NextEpisode);
    EXPECT_EQ(client.transfer.requests, QStringList{request("123", "1", "6")});
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kNext, "Play"}));
    EXPECT_EQ(w->session().state().episode_key, "123-1-6-abc");

    forget();
    serve("123", "1", "5", QStringLiteral("第5集$http://127.0.0.1:9/5.mp4$flash"));
    w->session().press(TransportButton::PreviousEpisode);
    EXPECT_EQ(client.transfer.requests, QStringList{request("123", "1", "5")});
    EXPECT_EQ(w->session().state().route, PlayRoute::WebPlayer);
    EXPECT_EQ(pane("web_player_pane").loaded, QStringList{client.base + "play.htm?123-1-5-abc"});
}

TEST_F(Episodes, NoStepBeforeTheFirstEpisodeOrWithoutAnAnswer) {
    w->session().state().episode_key = QStringLiteral("123-1-0-abc");
    w->session().press(TransportButton::PreviousEpisode);
    EXPECT_TRUE(client.transfer.requests.isEmpty());

    for (const char* reply : {"1", "0", "<html>error</html>"}) {
        serve("123", "1", "1", QString::fromLatin1(reply));
        w->session().press(TransportButton::NextEpisode);
    }
    client.transfer.replies.clear();
    w->session().press(TransportButton::NextEpisode); // the request fails
    EXPECT_EQ(client.transfer.requests.size(), 4);
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_TRUE(client.dialogs.boxes.empty());
    expect_balloons({});
    EXPECT_EQ(w->session().state().episode_key, "123-1-0-abc");
}
