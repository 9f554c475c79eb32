// The playback session without a window: a fresh application folder, the
// platform's doubles and a view that records what it was told.

#include "fakes/fake_services.h"
#include "fakes/manual_clock.h"
#include "fakes/recording_pane.h"
#include "fakes/scripted_player.h"
#include "logic/history/history_files.h"
#include "logic/links/js_escape.h"
#include "logic/playback/playback_session.h"
#include "logic/playback/playback_view.h"
#include "logic/startup/startup.h"
#include "platform/platform.h"
#include "platform/web_pane.h"
#include "shared/gbk.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvara::test {
namespace {

class RecordingView : public PlaybackView {
public:
    void show_status(const QString& text) override { status = text; }
    void show_times(int, int) override {}
    void place_knob(double, int) override {}
    void show_progress(int, int, int) override {}
    void hide_download_bar() override {}
    void show_video(bool shown) override { video = shown; }
    void show_next_episode_notice(bool) override {}
    void set_play_button(PlayButton) override {}
    void paint_play_button(PlayButton) override {}
    void show_mute_button(bool) override {}
    void place_volume_knob(int) override {}
    void enable_episode_button(EpisodeStep, bool) override {}
    void show_title(const QString& caption) override { title = caption; }
    void show_compact_title() override {}
    void show_balloon(const QString& text) override { balloons.append(text); }
    void show_now_playing_tab() override { ++tab_switches; }
    bool local_list_shown() const override { return local_list; }
    bool window_shown() const override { return true; }
    void raise_window() override {}
    void quit() override {}
    bool shutdown_armed() const override { return false; }
    void power_off() override { ADD_FAILURE() << "no test powers the machine off"; }
    QString qvod_program_folder() override { return QStringLiteral("/nonexistent/Qvod/"); }
    void start_qvod_terminal() override { ++terminal_starts; }

    QString status, title;
    QStringList balloons;
    bool video = false;
    bool local_list = false;
    int tab_switches = 0, terminal_starts = 0;
};

// The windows create panes and players; the session is handed its own.
class NoFactories : public PaneFactory, public PlayerFactory {
public:
    std::unique_ptr<WebPane> create_pane(QWidget*, const QString&) override { return {}; }
    std::unique_ptr<PlayerControl> create_player(QWidget*) override { return {}; }
};

class Session : public ::testing::Test {
protected:
    Session()
        : platform{clock,   events, transfer, processes, shell, dialogs, tray, power,
                   machine, none,   none,     channel,   qvod,  media,   saver} {
        run_startup(dir.path(), base, qvod, dialogs, shell, machine);
        history.set_panes(&network_list, &local_list);
        session = std::make_unique<PlaybackSession>(
            platform, player, view, history,
            PlaybackPanes{catalogue, web_player, network_list, local_list, episode_page},
            dir.path(), base);
        wire(catalogue, &PlaybackSession::catalogue_navigation);
        wire(web_player, &PlaybackSession::web_player_navigation);
        wire(network_list, &PlaybackSession::network_list_navigation);
        wire(local_list, &PlaybackSession::local_list_navigation);
        wire(episode_page, &PlaybackSession::episode_page_navigation);
        session->connect_media_controls();
    }

    void wire(RecordingPane& pane, void (PlaybackSession::*handler)(const QString&, bool&)) {
        pane.before_navigate = [this, handler](const QString& a, bool& c) {
            (session.get()->*handler)(a, c);
        };
    }
    void tick(int seconds = 1) { clock.advance(seconds * 1000); }
    QString file(const char* name) const { return from_gbk(read(name)); }
    QByteArray read(const char* name) const {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString request(int v1) const {
        return base + QStringLiteral("h.asp?id=2001&v=1&v1=%1").arg(v1);
    }
    const NowPlaying& state() const { return session->state(); }

    QTemporaryDir dir;
    const QString base = QStringLiteral("http://127.0.0.1:9/soft/");
    ManualClock clock;
    FakeEventLoop events;
    FakeTransfer transfer;
    FakeProcesses processes;
    FakeShell shell;
    FakeDialogs dialogs;
    FakeTray tray;
    FakePower power;
    FakeMachine machine;
    NoFactories none;
    FakeChannel channel;
    FakeQvod qvod;
    FakeMediaControls media;
    FakeScreenSaver saver;
    Platform platform;

    RecordingPane catalogue{"catalogue_pane"}, web_player{"web_player_pane"},
        network_list{"network_list_pane"}, local_list{"local_list_pane"},
        episode_page{"episode_pane"};
    ScriptedPlayer player;
    RecordingView view;
    History history{ApplicationFolder(dir.path())};
    std::unique_ptr<PlaybackSession> session;
};

TEST_F(Session, ASeriesPlaysEpisodeAfterEpisodeAndStoresWhereItStopped) {
    const QString title = QStringLiteral("长河 落日");
    const QString first = QStringLiteral("qvod://100|AAA|长河 落日 1.rmvb|");
    const QString second = QStringLiteral("qvod://200|BBB|长河 落日 2.rmvb|");
    transfer.replies[request(1)] = QStringLiteral("第1集$") + first + QStringLiteral("$qvod");
    transfer.replies[request(2)] = QStringLiteral("第2集$") + second + QStringLiteral("$qvod");

    catalogue.click(QStringLiteral("eebovod://2001-1-1-") + js_escape(title));
    EXPECT_TRUE(catalogue.loaded.isEmpty());
    EXPECT_TRUE(catalogue.requested.isEmpty()); // no round trip through the pane
    EXPECT_EQ(player.calls, (QStringList{QStringLiteral("setUrl:") + first, "Play"}));
    EXPECT_EQ(state().source, PlaySource::NetworkTask);
    EXPECT_EQ(state().stored_as, QStringLiteral("2001"));
    EXPECT_EQ(state().episode_key, QStringLiteral("2001-1-1-") + js_escape(title));
    EXPECT_EQ(view.title, title + QStringLiteral("-第1集"));
    EXPECT_TRUE(
        file("date.dat")
            .startsWith(QStringLiteral("2001|") + js_escape(title) + QStringLiteral("|第1集|")));

    // Most of it fetched: the next episode is asked for, then buffered once.
    player.position = 100;
    player.duration = 600;
    player.permille = 700;
    tick();
    EXPECT_EQ(transfer.requests, (QStringList{request(1), request(2)}));
    EXPECT_EQ(state().next.status, NextEpisodeStatus::Prepared);
    EXPECT_EQ(state().play_button, PlayButton::OffersPause);
    tick(3);
    EXPECT_EQ(player.calls.filter("PreloadNext"), QStringList{"PreloadNext:" + second});

    // The media controls' Play leaves a playing film alone; Pause pauses it.
    media.on_play();
    EXPECT_EQ(player.count("Pause"), 0);
    media.on_pause();
    EXPECT_EQ(state().status, PlaybackStatus::Paused);
    media.on_play();
    EXPECT_EQ(state().status, PlaybackStatus::Playing);

    // The end: the prepared episode plays without another request.
    player.position = 599;
    tick();
    EXPECT_TRUE(view.balloons.contains(QStringLiteral("正在准备播放下一集！")));
    tick(2);
    EXPECT_EQ(player.url, second);
    EXPECT_EQ(transfer.requests.size(), 2);
    EXPECT_EQ(state().episode_key, QStringLiteral("2001-1-2-") + js_escape(title));
    EXPECT_EQ(state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_TRUE(web_player.requested.isEmpty()); // the end reached the session directly

    // Stopped half-way, the second episode keeps its position.
    player.position = 321;
    tick();
    session->press(TransportButton::Stop);
    EXPECT_TRUE(
        file("date.dat")
            .startsWith(QStringLiteral("2001|") + js_escape(title) + QStringLiteral("|第2集|")));
    EXPECT_TRUE(file("date.dat").section(QStringLiteral("\r\n"), 0, 0).endsWith(u"|1|2|321"));
}

TEST_F(Session, ALocalFileWithAnOddNameResumesFromTheLocalList) {
    const QString path = dir.filePath(QStringLiteral("长河|落日 100%.mp4"));
    QFile film(path);
    ASSERT_TRUE(film.open(QIODevice::WriteOnly));
    film.close();

    session->play_command_line(path);
    EXPECT_EQ(state().source, PlaySource::LocalFile);
    EXPECT_EQ(state().stored_as, path);
    EXPECT_FALSE(state().episode_key.has_value());
    player.duration = 5400;
    player.position = 754;
    tick();
    session->press(TransportButton::Stop);
    EXPECT_EQ(state().status, PlaybackStatus::Stopped);

    // From the list: it starts again where it stopped, once.
    view.local_list = true;
    player.url.clear();
    local_list.click(QStringLiteral("open://1"));
    EXPECT_EQ(player.url, path);
    EXPECT_EQ(state().resume_position, 754);
    player.position = 0;
    tick();
    tick();
    EXPECT_EQ(player.calls.filter("setPosition"), QStringList{"setPosition:754"});
    EXPECT_EQ(view.title, QStringLiteral("长河|落日 100%.mp4"));
}

} // namespace
} // namespace kelvara::test
