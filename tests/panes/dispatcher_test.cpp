#include "panes/main_path_fixture.h"

#include "logic/links/link_formats.h"
#include "platform/player_control.h"

#include <QTemporaryDir>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kTitle = QStringLiteral("天龙八部");
const QString kEsc = js_escape(kTitle); // "%u5929%u9F99%u516B%u90E8"
const QString kAddress = QStringLiteral("qvod://734003200|A1B2C3|天龙八部05.rmvb|");

QString qvod_link(const QString& type, const QString& address, const QString& title,
                  const QString& episode, const QString& id, const QString& v, const QString& v1) {
    return QStringLiteral("eeqvod://") +
           QStringList{type, js_escape(address), title, episode, id, v, v1}.join("&&&");
}

class Dispatcher : public MainPath {};

} // namespace

TEST_F(Dispatcher, FilmLinkIsResolvedPlayedShownAndRecorded) {
    serve("123", "1", "5", QStringLiteral("第5集$") + kAddress + QStringLiteral("$qvod"));
    QString status_during_request;
    client.transfer.responder = [&](const QString& url) -> std::optional<QString> {
        status_during_request = w->status_label->caption();
        return client.transfer.replies.at(url);
    };
    w->session().status_poll_timer().set_enabled(false);
    w->session().state().source = PlaySource::LocalFile;
    w->session().state().next.hold_prebuffer = true;
    w->session().state().resume_position = 500;

    pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc + QStringLiteral("/"));

    EXPECT_EQ(client.transfer.requests, QStringList{request("123", "1", "5")});
    EXPECT_EQ(status_during_request, QStringLiteral("正在搜索资源，请稍后"));
    // The resolved link plays at once: no page sees it.
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_TRUE(pane("catalogue_pane").loaded.isEmpty());
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kAddress, "Play"}));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("天龙八部-第5集"));
    const QString key = QStringLiteral("123-1-5-") + kEsc;
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page(key, "0")});
    EXPECT_EQ(w->session().state().episode_key, key);
    EXPECT_EQ(w->session().state().stored_as, "123");
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_FALSE(w->session().state().next.hold_prebuffer);
    EXPECT_EQ(w->session().state().resume_position, 0);
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);
    EXPECT_EQ(w->session().state().source, PlaySource::NetworkTask);

    EXPECT_EQ(client.read("date.dat"),
              to_gbk("123|" + kEsc + "|第5集|" + js_escape(kAddress) + "|1|5|0\r\n\r\n"));
    EXPECT_TRUE(text_of("c.htm").contains(">·" + kTitle + "</a>"));
    EXPECT_EQ(pane("network_list_pane").loaded, QStringList{client.file("c.htm")});
    expect_balloons({});
}

TEST_F(Dispatcher, KeyIsSplitOnEveryDashAndABadIdIsZero) {
    serve("0", "2", "7", QStringLiteral("第7集$") + kAddress + QStringLiteral("$qvod"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://x12-2-7-Star-Wars"));
    EXPECT_EQ(client.transfer.requests, QStringList{request("0", "2", "7")});
    EXPECT_EQ(w->session().state().episode_key, "0-2-7-Star");
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("Star-第7集"));
    EXPECT_TRUE(client.read("date.dat").startsWith("0|Star|"));
}

TEST_F(Dispatcher, LongTitleIsCutToWidthThirtyInTheNowPlayingLabel) {
    const QString title = QStringLiteral("一二三四五六七八九十一二三四五六七八");
    serve("9", "1", "1", QStringLiteral("第1集$") + kAddress + QStringLiteral("$qvod"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://9-1-1-") + js_escape(title));
    EXPECT_EQ(w->bo_name->caption(), title.left(15) + QStringLiteral("-第1集"));
}

TEST_F(Dispatcher, FailedOrEmptyRepliesReportAndLeaveThePlayingFilmAlone) {
    const std::vector<std::optional<QString>> replies = {QStringLiteral("1"), QStringLiteral("0"),
                                                         QString(), std::nullopt};
    for (const std::optional<QString>& reply : replies) {
        SCOPED_TRACE(reply ? "reply '" + reply->toStdString() + "'" : "request failed");
        forget();
        serve("123", "1", "5", reply);
        player().url = QStringLiteral("qvod://old|film|");
        player().state = kStatePlaying;
        w->session().state().next.status = NextEpisodeStatus::NotAsked;
        const QByteArray history_before = client.read("date.dat");

        pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc);

        EXPECT_EQ(client.transfer.requests.size(), 1);
        EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NoneLeft);
        EXPECT_EQ(w->status_label->caption(), QStringLiteral("读取数据出错，请返回重试"));
        expect_balloons({QStringLiteral("读取数据出错，请返回重试！")});
        EXPECT_TRUE(player().calls.isEmpty());
        EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
        EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
        EXPECT_EQ(client.read("date.dat"), history_before);
    }
}

TEST_F(Dispatcher, ReplyWithoutDollarIsAReadErrorThatKeepsThePreparedEpisode) {
    serve("123", "1", "5", QStringLiteral("<html>Server Error</html>"));
    prepare_next_link(w->session().state(), QStringLiteral("eeqvod://qvod&&&prepared"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc);
    EXPECT_EQ(w->session().state().next.link, "eeqvod://qvod&&&prepared");
    EXPECT_EQ(w->status_label->caption(), QStringLiteral("读取数据出错，请返回重试"));
    expect_balloons({QStringLiteral("读取数据出错，请返回重试！")});
    EXPECT_TRUE(player().calls.isEmpty());
}

TEST_F(Dispatcher, OnlyTheFirstThreeReplyFieldsCount) {
    serve("123", "1", "5", QStringLiteral("第5集$") + kAddress + QStringLiteral("$qvod$flash$x"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc);
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kAddress, "Play"}));
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);
    EXPECT_TRUE(pane("web_player_pane").requested.filter("play.htm").isEmpty());
}

TEST_F(Dispatcher, OtherPlayerTypesPlayInTheWebPlayer) {
    const QString address = QStringLiteral("http://127.0.0.1:9/media/5.mp4?a=1&b=2");
    serve("123", "1", "5", QStringLiteral("第5集$") + address + QStringLiteral("$flash"));
    w->session().state().next.hold_prebuffer = true;
    w->session().status_poll_timer().set_enabled(false);
    pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc);

    const QString key = QStringLiteral("123-1-5-") + kEsc;
    EXPECT_EQ(pane("web_player_pane").loaded.value(pane("web_player_pane").loaded.size() - 1),
              client.base + "play.htm?" + key);
    EXPECT_TRUE(player().calls.isEmpty());
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->session().state().route, PlayRoute::WebPlayer);
    EXPECT_EQ(w->session().state().stored_as, std::nullopt);
    EXPECT_EQ(w->session().state().episode_key, key);
    EXPECT_TRUE(w->session().state().next.hold_prebuffer); // the web player leaves it
    EXPECT_EQ(w->session().state().source, PlaySource::NetworkTask);
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page(key, "0")});
    EXPECT_EQ(client.read("date.dat"),
              to_gbk("123|" + kEsc + "|第5集|" + js_escape(address) + "|1|5|0\r\n\r\n"));
}

TEST_F(Dispatcher, PageLinkWithAnAmpersandInItsAddressPlaysThatAddress) {
    const QString address = QStringLiteral("http://127.0.0.1:9/v.mp4?a=1&&&b=2&c=3");
    const QString link = qvod_link("qvod", address, kEsc, "%u7B2C2%u96C6", "42", "3", "9") + "/";
    pane("catalogue_pane").click(link);
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + address, "Play"}));
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("天龙八部-第2集"));
    EXPECT_EQ(w->session().state().episode_key, "42-3-9-" + kEsc);
    EXPECT_TRUE(client.transfer.requests.isEmpty());
    EXPECT_EQ(client.read("date.dat"),
              to_gbk("42|" + kEsc + "|%u7B2C2%u96C6|" + js_escape(address) + "|3|9|0\r\n\r\n"));
}

TEST_F(Dispatcher, LinkWithoutTitleOrAddressPlaysButShowsNoPageAndKeepsNoRecord) {
    const QByteArray before = client.read("date.dat");
    pane("catalogue_pane").click(QStringLiteral("eeqvod://qvod&&&") + js_escape(kAddress));
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kAddress, "Play"}));
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("-"));
    EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
    EXPECT_EQ(client.read("date.dat"), before);

    pane("catalogue_pane").click(QStringLiteral("eeqvod://qvod&&&&&&") + kEsc + "&&&e&&&5&&&1&&&1");
    EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
    EXPECT_EQ(client.read("date.dat"), before);
}

TEST_F(Dispatcher, LineBreaksAndBarsFromTheServerNeverBreakTheHistory) {
    serve("123", "1", "5",
          QStringLiteral("第5集|伪\r\n7|x|y|z|1|1|0$") + kAddress + QStringLiteral("$qvod"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://123-1-5-") + kEsc);
    const QStringList lines = text_of("date.dat").split("\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].split('|').size(), 7);
    EXPECT_EQ(lines[0].split('|').value(2),
              QStringLiteral("第5集%7C伪%0D%0A7%7Cx%7Cy%7Cz%7C1%7C1%7C0"));
    EXPECT_EQ(text_of("c.htm").count("open://"), 1);
}

TEST_F(Dispatcher, LinksClickedInTheEpisodePageAreDispatchedByTheCataloguePane) {
    serve("123", "1", "6", QStringLiteral("第6集$") + kAddress + QStringLiteral("$qvod"));
    const QString bo = QStringLiteral("eebovod://123-1-6-") + kEsc;
    pane("episode_pane").click(bo);
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kAddress, "Play"}));
    // Only the new episode page loads in episode_pane, inside the click.
    EXPECT_EQ(pane("episode_pane").loaded, QStringList{page("123-1-6-" + kEsc, "0")});

    forget();
    const QString other = qvod_link("qvod", "qvod://1|2|b.rmvb|", kEsc, "第7集", "123", "1", "7");
    pane("episode_pane").click(other);
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_TRUE(player().calls.contains("setUrl:qvod://1|2|b.rmvb|"));
    // The stop action may come first: something was playing.
    const QStringList calls = player().calls;
    EXPECT_EQ(calls.mid(calls.indexOf("setUrl:qvod://1|2|b.rmvb|")),
              (QStringList{"setUrl:qvod://1|2|b.rmvb|", "Play"}));
    EXPECT_TRUE(client.transfer.requests.isEmpty());
}

TEST_F(Dispatcher, OrdinaryAddressesLoadInEveryPane) {
    for (const char* name :
         {"catalogue_pane", "web_player_pane", "local_list_pane", "episode_pane"}) {
        pane(name).click(client.base + "list.htm?p=2");
        EXPECT_EQ(pane(name).loaded, QStringList{client.base + "list.htm?p=2"}) << name;
    }
    // The schemes are compared in exact case.
    pane("catalogue_pane").click(QStringLiteral("EEBOVOD://1-1-1-a"));
    EXPECT_TRUE(client.transfer.requests.isEmpty());
}

TEST_F(Dispatcher, TerminalIsStartedFromTheQvodFolderWhenItDoesNotRun) {
    // Fresh settings: the client's own folder, by its absolute path.
    const QString own = client.file("Qvod") + "/QvodTerminal.exe";
    client.processes.startable << own;
    const QString link = qvod_link("qvod", kAddress, kEsc, "e", "1", "1", "1");
    pane("catalogue_pane").click(link);
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(client.processes.starts[0].program, own);
    EXPECT_TRUE(client.processes.starts[0].minimised);
    EXPECT_EQ(w->qvod_dir, client.file("Qvod") + "/");

    pane("catalogue_pane").click(link); // now it runs
    EXPECT_EQ(client.processes.starts.size(), 1u);

    // A folder chosen in the settings on purpose.
    client.processes.table.clear();
    QTemporaryDir chosen;
    client.set_setting("S_q", "qvodw", chosen.path() + "/");
    w->qvod_dir.clear();
    pane("catalogue_pane").click(link);
    ASSERT_EQ(client.processes.starts.size(), 2u);
    EXPECT_EQ(client.processes.starts[1].program, chosen.path() + "/QvodTerminal.exe");
}

TEST_F(Dispatcher, HistoryLinksInTheEpisodePaneGoToTheHistoryPane) {
    put("date.dat", "1|a|e|qvod%3A//x|1|1|0\r\n2|b|e|qvod%3A//y|1|1|0\r\n\r\n");
    w->session().state().source = PlaySource::NetworkTask;
    pane("episode_pane").click(QStringLiteral("delk://1"));
    EXPECT_FALSE(pane("network_list_pane").requested.contains("delk://1")); // its handler is called
    EXPECT_EQ(text_of("date.dat"), "2|b|e|qvod%3A//y|1|1|0\r\n");
    EXPECT_EQ(pane("episode_pane").refreshes, 1);
    EXPECT_TRUE(pane("episode_pane").loaded.isEmpty());
}

// The end of an episode: web_player_pane is sent to the end-of-episode address.
class EndOfEpisode : public MainPath {
protected:
    void end() { pane("web_player_pane").navigate(QString::fromLatin1(kEndOfEpisodeAddress)); }
};

TEST_F(EndOfEpisode, WithoutAutomaticNextEpisodeOnlyThePollStarts) {
    client.set_setting("S_q", "s_bo", "1");
    w->session().status_poll_timer().set_enabled(false);
    w->session().state().episode_key = QStringLiteral("123-2-5-abc");
    prepare_next_link(w->session().state(),
                      qvod_link("qvod", kAddress, "abc", "e", "123", "2", "6"));
    end();
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_TRUE(pane("web_player_pane").loaded.isEmpty());
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
    EXPECT_TRUE(player().calls.isEmpty());
}

TEST_F(EndOfEpisode, PreparedLinkPlaysAtOnceWithoutAskingTheServer) {
    w->session().state().episode_key = QStringLiteral("123-2-5-abc");
    const QString next = qvod_link("qvod", kAddress, "abc", "e6", "123", "2", "6");
    prepare_next_link(w->session().state(), next);
    end();
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + kAddress, "Play"}));
    EXPECT_EQ(w->session().state().episode_key, "123-2-6-abc");
    EXPECT_TRUE(client.transfer.requests.isEmpty());
}

TEST_F(EndOfEpisode, WithoutAPreparedLinkTheNextEpisodePageOpens) {
    for (const NextEpisodeStatus state :
         {NextEpisodeStatus::NotAsked, NextEpisodeStatus::RequestFailed}) {
        forget();
        w->session().state().episode_key = QStringLiteral("123-2-5-abc");
        w->session().state().next.status = state;
        end();
        EXPECT_EQ(pane("episode_pane").requested, QStringList{page("123-2-5-abc", "26")})
            << int(state);
        EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    }
}

TEST_F(EndOfEpisode, NoNextEpisodeDoesNothing) {
    w->session().state().episode_key = QStringLiteral("123-2-5-abc");
    w->session().state().next.status = NextEpisodeStatus::NoneLeft;
    w->session().status_poll_timer().set_enabled(false);
    end();
    EXPECT_TRUE(pane("episode_pane").requested.isEmpty());
    EXPECT_TRUE(pane("catalogue_pane").requested.isEmpty());
    EXPECT_FALSE(w->session().status_poll_timer().enabled());
}

TEST_F(EndOfEpisode, WebPlayerPageEndingAnEpisodeMovesTheSeriesOn) {
    serve("123", "2", "5", QStringLiteral("第5集$http://127.0.0.1:9/m/5.mp4$flash"));
    pane("catalogue_pane").click(QStringLiteral("eebovod://123-2-5-abc"));
    forget();
    // play.htm navigates itself to the end-of-episode address.
    pane("web_player_pane").click(QString::fromLatin1(kEndOfEpisodeAddress));
    EXPECT_TRUE(pane("web_player_pane").loaded.isEmpty());
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page("123-2-5-abc", "26")});
}
