// The client's main road with its real parts, as a user takes it: a film
// clicked in the catalogue is resolved by the demo server, downloaded by the
// QVOD terminal and played by libmpv; a series moves on to its next episode
// by itself; the history replays a film from where the client was quit.

#include "desktop/client_driver.h"
#include "desktop/web_pane_driver.h"
#include "logic/playback/playback_session.h"

#include "app/desktop_client.h"
#include "demo_server/demo_server.h"
#include "desktop/terminal_streams.h"
#include "logic/history/history_files.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"
#include "window/main_window.h"

#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kFilmLink = QStringLiteral("a[href^=\"eebovod://1001-1-1-\"]");
const QString kSeriesLink = QStringLiteral("a[href^=\"eebovod://2001-1-1-\"]");
const QString kHistoryRow = QStringLiteral("a[href^=\"open://\"]");
const QString kFilmTitle = QStringLiteral("长河落日");

// A start with nine panes and a player takes a few seconds; a slow machine
// gets several times that.
constexpr int kStartMs = 30000;
constexpr int kPlayMs = 20000;

bool requested(const DemoServer& demo, const std::string& target) {
    const std::vector<std::string> all = demo.requests();
    return std::find(all.begin(), all.end(), target) != all.end();
}

int times_requested(const DemoServer& demo, const std::string& target) {
    const std::vector<std::string> all = demo.requests();
    return static_cast<int>(std::count(all.begin(), all.end(), target));
}

bool playing(MainWindow& w) {
    return w.QvodC->PlayState() == kStatePlaying;
}

QString page_text(WebPane& pane) {
    return run_js(pane, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.valid()); }

    void TearDown() override {
        client_.reset();
        EXPECT_TRUE(folder_.end_terminals()) << "a QVOD terminal of the test is still running";
    }

    // A client on the test's folder with the embedded demo server, its
    // catalogue and history pages loaded.
    void start_client() {
        client_ = std::make_unique<DesktopClient>(folder_.app_dir());
        ASSERT_TRUE(client_->start());
        ASSERT_NE(client_->demo_server(), nullptr);
        ASSERT_TRUE(wait_for_element(*window().catalogue_pane, kFilmLink, kStartMs))
            << "the catalogue did not load in the home pane";
    }

    void quit_client() {
        window().quit_client();
        client_.reset();
    }

    MainWindow& window() { return *client_->window(); }
    DemoServer& demo() { return *client_->demo_server(); }

    ClientFolder folder_;
    std::unique_ptr<DesktopClient> client_;
};

TEST_F(ClientEndToEnd, FilmClickedInTheCataloguePlaysAndResumesFromTheHistoryAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(start_client());
    MainWindow& w = window();
    demo().clear_requests();
    // The 118 KB film comes in over about six seconds.
    demo().set_seed_rate(20000);

    ASSERT_TRUE(click_element(*w.catalogue_pane, kFilmLink));
    ASSERT_TRUE(wait_for([&] { return playing(w); }, kPlayMs))
        << w.status_label->caption().toStdString();
    EXPECT_LT(w.QvodC->DownloadPermille(), 1000) << "it should play while it downloads";
    EXPECT_TRUE(requested(demo(), "/soft/h.asp?id=1001&v=1&v1=1"));
    EXPECT_TRUE(w.QvodC->Url().startsWith(QLatin1String("qvod://")));
    EXPECT_TRUE(
        w.session().state().episode_key.value_or(QString()).startsWith(QLatin1String("1001-1-1-")));
    EXPECT_FALSE(folder_.terminals().isEmpty()) << "played without this folder's terminal";

    // The film moves on, and the status poll says so.
    const int first = w.QvodC->Position();
    EXPECT_TRUE(wait_for([&] { return w.QvodC->Position() >= first + 2; }, 10000));
    EXPECT_TRUE(wait_for([&] { return w.status_label->caption().startsWith(u"播放中("); }, 3000))
        << w.status_label->caption().toStdString();
    EXPECT_TRUE(w.bo_name->caption().startsWith(kFilmTitle));

    // Recorded at the top of the task list, and shown in the history pane.
    const QList<QStringList> records = folder_.records(HistoryList::NetworkTasks);
    ASSERT_FALSE(records.isEmpty());
    EXPECT_EQ(records.first().value(0), u"1001");
    EXPECT_EQ(records.first().value(4), u"1");
    EXPECT_EQ(records.first().value(5), u"1");
    EXPECT_TRUE(
        wait_for([&] { return page_text(*w.network_list_pane).contains(kFilmTitle); }, 5000));

    // Quit halfway through the 15-second film: the position is stored.
    // The poll notes the position once a second; that is what is stored.
    ASSERT_TRUE(wait_for([&] { return w.QvodC->Position() >= 7; }, 15000));
    const int at_quit = w.QvodC->Position();
    quit_client();
    const int stored = folder_.records(HistoryList::NetworkTasks).value(0).value(6).toInt();
    ASSERT_GE(stored, at_quit - 2);
    ASSERT_LE(stored, at_quit);

    // As the quit does by default, the terminal goes too; a new client on
    // the same folder starts it again and replays the row from there.
    ASSERT_TRUE(folder_.end_terminals());
    ASSERT_NO_FATAL_FAILURE(start_client());
    MainWindow& again = window();
    ASSERT_TRUE(wait_for_element(*again.network_list_pane, kHistoryRow, 10000));
    ASSERT_TRUE(click_element(*again.network_list_pane, kHistoryRow));
    ASSERT_TRUE(wait_for([&] { return playing(again); }, kPlayMs))
        << again.status_label->caption().toStdString();
    // From 0 the film could not get that far in three seconds.
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(wait_for([&] { return again.QvodC->Position() >= stored - 1; }, 3000))
        << "position " << again.QvodC->Position() << " after " << clock.elapsed() << " ms";
    EXPECT_TRUE(again.session().state().episode_key.value_or(QString()).startsWith(
        QLatin1String("1001-1-1-")));
}

TEST_F(ClientEndToEnd, SeriesPreloadsAndPlaysTheNextEpisodeAtTheEnd) {
    ASSERT_NO_FATAL_FAILURE(start_client());
    MainWindow& w = window();
    // The 71 KB episode takes about six seconds to come in, so the status
    // poll sees it pass 60 % while it still downloads.
    demo().set_seed_rate(12000);
    demo().clear_requests();

    // What the list holds at the moment the next episode's page is shown,
    // after the finished one's position was stored.
    QList<QStringList> at_next_start;
    const auto web5 = w.episode_pane->before_navigate;
    w.episode_pane->before_navigate = [&, web5](const QString& address, bool& cancel) {
        if (address.contains(QLatin1String("pp.htm?2001-1-2-")))
            at_next_start = folder_.records(HistoryList::NetworkTasks);
        web5(address, cancel);
    };

    ASSERT_TRUE(click_element(*w.catalogue_pane, kSeriesLink));
    ASSERT_TRUE(wait_for([&] { return playing(w); }, kPlayMs))
        << w.status_label->caption().toStdString();
    ASSERT_TRUE(
        w.session().state().episode_key.value_or(QString()).startsWith(QLatin1String("2001-1-1-")));

    // The next episode is asked for once more than 601 thousandths are in.
    const std::string next_request = "/soft/h.asp?id=2001&v=1&v1=2";
    int permille_when_asked = -1;
    ASSERT_TRUE(wait_for(
        [&] {
            if (!requested(demo(), next_request))
                return false;
            permille_when_asked = w.QvodC->DownloadPermille();
            return true;
        },
        10000));
    EXPECT_GT(permille_when_asked, 601);
    EXPECT_LT(permille_when_asked, 1000) << "asked for only once the episode was all there";
    EXPECT_TRUE(w.session().state().next.link.startsWith(QLatin1String("eeqvod://qvod&&&")));

    // Its address goes to the terminal while the first episode still plays.
    ASSERT_TRUE(wait_for([&] { return w.session().state().next.hold_prebuffer; }, 3000));
    const QString next_address = w.session().state().next.address;
    ASSERT_TRUE(next_address.startsWith(QLatin1String("qvod://")));
    TerminalStreams terminal(folder_.qvod_dir());
    EXPECT_TRUE(terminal.status(next_address).has_value()) << "the terminal knows no preload";
    EXPECT_TRUE(
        w.session().state().episode_key.value_or(QString()).startsWith(QLatin1String("2001-1-1-")));

    // At the end of the 10-second episode the next one plays, without a new
    // request.
    ASSERT_TRUE(wait_for(
        [&] {
            return w.session().state().episode_key.value_or(QString()).startsWith(
                QLatin1String("2001-1-2-"));
        },
        kPlayMs));
    EXPECT_EQ(w.QvodC->Url(), next_address);
    EXPECT_TRUE(wait_for([&] { return playing(w); }, kPlayMs))
        << w.status_label->caption().toStdString();
    EXPECT_EQ(times_requested(demo(), next_request), 1);

    ASSERT_FALSE(at_next_start.isEmpty());
    EXPECT_EQ(at_next_start.first().value(0), u"2001");
    EXPECT_EQ(at_next_start.first().value(5), u"1");
    EXPECT_EQ(at_next_start.first().value(6), u"1") << "the finished episode's position";
    const QList<QStringList> records = folder_.records(HistoryList::NetworkTasks);
    ASSERT_FALSE(records.isEmpty());
    EXPECT_EQ(records.first().value(0), u"2001");
    EXPECT_EQ(records.first().value(5), u"2");
}

} // namespace
