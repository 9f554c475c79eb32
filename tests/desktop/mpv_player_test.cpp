// The player control on real libmpv, drawing into a real OpenGL window
// (run under Xvfb, without sound output).

#include "clip_server.h"
#include "desktop/event_wait.h"
#include "desktop/mpv_player.h"
#include "desktop/mpv_video_window.h"
#include "desktop/qvod_streams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;
using kelvara::test::ClipServer;

namespace {

const QString kClip = QStringLiteral(KELVARA_TEST_DATA "/clip.mp4");

// Runs the event loop until `done` holds or the time is up.
std::string clip_bytes() {
    QFile file(kClip);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

// Share of pixels that are neither black nor grey: the test picture is
// coloured all over.
double coloured_share(const QImage& image) {
    if (image.isNull())
        return 0;
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::max({c.red(), c.green(), c.blue()}) -
                    std::min({c.red(), c.green(), c.blue()}) >
                40)
                ++coloured;
        }
    }
    return double(coloured) / (image.width() * image.height());
}

// What is on the screen in `rect` of `widget`'s window, child windows included.
QImage on_screen(const QWidget& widget, const QRect& rect) {
    const QPoint at = widget.mapTo(widget.window(), rect.topLeft());
    return widget.screen()
        ->grabWindow(widget.window()->winId(), at.x(), at.y(), rect.width(), rect.height())
        .toImage();
}

// Key and mouse presses that widgets of `top`'s window are sent, as an event
// filter on the application sees them.
class InputRecorder : public QObject {
public:
    struct Key {
        QObject* to;
        int key;
        bool operator==(const Key&) const = default;
    };
    struct Press {
        QObject* to;
        QPoint at;
        bool operator==(const Press&) const = default;
    };

    explicit InputRecorder(QWidget* top) : top_(top) { qApp->installEventFilter(this); }
    ~InputRecorder() override { qApp->removeEventFilter(this); }

    std::vector<Key> keys;
    std::vector<Press> presses;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != top_)
            return false;
        if (event->type() == QEvent::KeyPress)
            keys.push_back({watched, static_cast<QKeyEvent*>(event)->key()});
        if (event->type() == QEvent::MouseButtonPress)
            presses.push_back({watched, static_cast<QMouseEvent*>(event)->position().toPoint()});
        return false;
    }

private:
    QWidget* top_;
};

class FakeStreams : public QvodStreams {
public:
    QString open(const QString& address) override {
        opened.push_back(address);
        return opens_refused > 0 ? (--opens_refused, QString()) : stream;
    }
    std::optional<Status> status(const QString& address) override {
        asked.push_back(address);
        return current;
    }
    void preload(const QString& address) override { preloaded.push_back(address); }

    QString stream;
    int opens_refused = 0;
    std::optional<Status> current;
    QStringList opened, asked, preloaded;
};

class MpvPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        container.resize(320, 240);
        container.show();
    }

    std::unique_ptr<PlayerControl> make(QvodStreams* streams = nullptr) {
        auto player = MpvPlayerFactory(streams).create_player(&container);
        player->widget()->setGeometry(0, 0, 320, 240);
        player->widget()->show();
        return player;
    }

    bool wait_state(PlayerControl& p, int state, int timeout_ms = 8000) {
        return run_until([&] { return p.PlayState() == state; }, timeout_ms);
    }

    QWidget container;
};

TEST_F(MpvPlayerTest, LocalClipPlaysPausesSeeksAndStops) {
    auto p = make();
    EXPECT_EQ(p->PlayState(), 0);
    EXPECT_EQ(p->Url(), "");
    EXPECT_EQ(p->Duration(), 0);

    p->setUrl(kClip);
    EXPECT_EQ(p->Url(), kClip);
    pump(200);
    EXPECT_EQ(p->PlayState(), 0) << "setting the address does not load it";

    p->Play();
    EXPECT_EQ(p->Duration(), 0);
    EXPECT_EQ(p->PlayState(), 5);
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_EQ(p->Duration(), 6);
    EXPECT_EQ(p->DownloadPermille(), 1000);
    EXPECT_EQ(p->DownloadRate(), 0);
    ASSERT_TRUE(run_until([&] { return p->Position() >= 1; })) << "the position moves";
    EXPECT_TRUE(run_until([&] { return p->BitRate() > 0; }));

    p->Pause();
    EXPECT_EQ(p->PlayState(), 2);
    pump(300);
    const int paused_at = p->Position();
    pump(700);
    EXPECT_EQ(p->Position(), paused_at);
    EXPECT_EQ(p->PlayState(), 2);

    p->setPosition(4);
    EXPECT_EQ(p->Position(), 4) << "read back at once";
    pump(500);
    EXPECT_EQ(p->Position(), 4) << "paused where the seek went";
    p->setPosition(1);
    pump(500);
    EXPECT_EQ(p->Position(), 1);

    p->Play();
    EXPECT_EQ(p->PlayState(), 3);
    ASSERT_TRUE(run_until([&] { return p->Position() >= 2; }));

    p->Stop();
    EXPECT_EQ(p->PlayState(), 1);
    EXPECT_EQ(p->Position(), 0);
    pump(500);
    EXPECT_EQ(p->PlayState(), 1);
    EXPECT_EQ(p->Position(), 0);
    EXPECT_EQ(p->Duration(), 0);
    EXPECT_EQ(p->Url(), kClip) << "Stop keeps the address";

    p->Play();
    ASSERT_TRUE(wait_state(*p, 3)) << "plays again after a stop";
    EXPECT_LE(p->Position(), 1);
}

TEST_F(MpvPlayerTest, EndOfTheClipIsReportedAndPlayStartsOver) {
    auto p = make();
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    p->setPosition(4);
    ASSERT_TRUE(wait_state(*p, 6, 6000));
    EXPECT_GT(p->Position(), p->Duration() - 2) << "the poll's end check fires";
    pump(700);
    EXPECT_EQ(p->PlayState(), 6) << "stays at the end";
    EXPECT_EQ(p->Url(), kClip);

    // A seek beyond the end reads back beyond it; the caller then steps back.
    p->setPosition(p->Duration() + 5);
    EXPECT_GT(p->Position(), p->Duration());
    p->setPosition(p->Duration() - 2);
    ASSERT_TRUE(wait_state(*p, 3)) << "a seek back from the end plays on";
    ASSERT_TRUE(wait_state(*p, 6, 6000));

    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_LE(p->Position(), 2) << "Play at the end starts over";
}

TEST_F(MpvPlayerTest, VolumeAndMuteRoundTrip) {
    auto p = make();
    EXPECT_EQ(p->Volume(), 100);
    auto* player = static_cast<MpvPlayer*>(p.get());
    // Asked before mpv starts with the first file, they go with it.
    p->setVolume(37);
    p->setMute(-1);
    EXPECT_EQ(p->Volume(), 37);
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    pump(300);
    EXPECT_EQ(p->Volume(), 37) << "mpv keeps it across the load";
    EXPECT_TRUE(player->muted());
    p->setMute(0);
    p->setVolume(150);
    EXPECT_EQ(p->Volume(), 100);
    p->setVolume(-20);
    pump(300);
    EXPECT_EQ(p->Volume(), 0);
    p->setVolume(55);
    pump(300);
    EXPECT_EQ(p->Volume(), 55);

    p->setMute(-1);
    EXPECT_TRUE(player->muted());
    pump(300);
    EXPECT_TRUE(player->muted());
    p->setMute(0);
    pump(300);
    EXPECT_FALSE(player->muted());
}

TEST_F(MpvPlayerTest, MissingFileAndMissingPageReportStopped) {
    auto p = make();
    p->setUrl(QStringLiteral("/nonexistent/kelvara/film.rmvb"));
    p->Play();
    ASSERT_TRUE(wait_state(*p, 1));
    EXPECT_EQ(p->Position(), 0);
    EXPECT_EQ(p->Duration(), 0);

    ClipServer server(clip_bytes());
    p->setUrl(server.url("film.missing"));
    p->Play();
    EXPECT_EQ(p->PlayState(), 10);
    ASSERT_TRUE(wait_state(*p, 1));
    EXPECT_EQ(server.requests("/film.missing"), 1);

    p->setUrl(kClip);
    p->Play();
    EXPECT_TRUE(wait_state(*p, 3)) << "recovers with the next address";
}

TEST_F(MpvPlayerTest, HttpClipReportsItsDownload) {
    ClipServer server(clip_bytes());
    server.set_rate(24 * 1024); // about 3 seconds for the clip
    auto p = make();
    p->setUrl(server.url("clip.mp4"));
    p->Play();
    EXPECT_EQ(p->PlayState(), 10);

    int max_rate = 0;
    bool partial = false;
    ASSERT_TRUE(run_until(
        [&] {
            max_rate = std::max(max_rate, p->DownloadRate());
            const int permille = p->DownloadPermille();
            partial = partial || (permille > 0 && permille < 1000);
            return p->DownloadPermille() == 1000;
        },
        10000));
    EXPECT_GT(max_rate, 0);
    EXPECT_TRUE(partial) << "the cached part grows while it downloads";
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_GE(server.requests("/clip.mp4"), 1);
    EXPECT_EQ(p->Duration(), 6);
}

TEST_F(MpvPlayerTest, ReplacingThePlayingAddressPlaysTheNewOne) {
    ClipServer server(clip_bytes());
    auto p = make();
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    ASSERT_TRUE(run_until([&] { return p->Position() >= 1; }));

    p->setUrl(server.url("clip.mp4"));
    p->Play();
    EXPECT_EQ(p->PlayState(), 10);
    EXPECT_EQ(p->Position(), 0);
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_EQ(server.requests("/clip.mp4"), 1);

    // Two addresses in a row before mpv started either: the last one plays.
    p->setUrl(server.url("a.mp4"));
    p->Play();
    p->setUrl(server.url("b.mp4"));
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    pump(500);
    EXPECT_EQ(p->PlayState(), 3);
    EXPECT_EQ(server.requests("/b.mp4"), 1);

    // Stop and play again before mpv got to the stop.
    p->Stop();
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    pump(500);
    EXPECT_EQ(p->PlayState(), 3);
}

TEST_F(MpvPlayerTest, HttpPreloadOpensTheNextAddressAhead) {
    ClipServer server(clip_bytes());
    auto p = make();
    p->setUrl(server.url("episode1.mp4"));
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    p->PreloadNext(server.url("episode2.mp4"));
    ASSERT_TRUE(run_until([&] { return server.requests("/episode2.mp4") >= 1; }))
        << "mpv opens the next address while the current one plays";
    EXPECT_EQ(p->Url(), server.url("episode1.mp4"));
    EXPECT_NE(p->PlayState(), 1);

    // The end of the current episode does not move on by itself.
    ASSERT_TRUE(wait_state(*p, 6));
    pump(500);
    EXPECT_EQ(p->PlayState(), 6);
    const int opened = server.requests("/episode2.mp4");

    p->Stop();
    p->setUrl(server.url("episode2.mp4"));
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_EQ(server.requests("/episode2.mp4"), opened) << "played from the preloaded opening";
}

TEST_F(MpvPlayerTest, QvodAddressPlaysThroughTheTerminalStream) {
    ClipServer server(clip_bytes());
    FakeStreams streams;
    streams.stream = server.url("stream.mp4");
    streams.opens_refused = 1; // the terminal is still starting
    streams.current = QvodStreams::Status{0, 0, true, false, false};
    auto p = make(&streams);
    const QString address = QStringLiteral("qvod://67797|0123456789ABCDEF|clip.mp4|");

    p->setUrl(address);
    p->Play();
    EXPECT_EQ(p->PlayState(), 10);
    ASSERT_EQ(streams.opened.size(), 1);
    EXPECT_EQ(streams.opened[0], address);

    streams.current = QvodStreams::Status{420, 77, false, false, false};
    ASSERT_TRUE(wait_state(*p, 3)) << "the next poll opens the stream";
    EXPECT_EQ(streams.opened.size(), 2);
    EXPECT_GE(server.requests("/stream.mp4"), 1);
    ASSERT_TRUE(run_until([&] { return p->DownloadPermille() == 420; }, 2500));
    EXPECT_EQ(p->DownloadRate(), 77);
    EXPECT_EQ(p->Url(), address);
    EXPECT_EQ(streams.asked.front(), address);

    p->PreloadNext(QStringLiteral("qvod://1|AB|next.mp4|"));
    EXPECT_EQ(streams.preloaded, QStringList{"qvod://1|AB|next.mp4|"});
}

TEST_F(MpvPlayerTest, QvodStatesFollowTheTerminalWhileTheStreamWaits) {
    ClipServer server(clip_bytes());
    server.close_gate();
    FakeStreams streams;
    streams.stream = server.url("stream.mp4");
    streams.current = QvodStreams::Status{0, 0, false, true, false};
    auto p = make(&streams);
    p->setUrl(QStringLiteral("qvod://67797|ABCD|clip.mp4|"));
    p->Play();
    ASSERT_TRUE(wait_state(*p, 8, 3000)) << "reconnecting";
    streams.current = QvodStreams::Status{5, 12, true, false, false};
    ASSERT_TRUE(wait_state(*p, 10, 3000)) << "connecting";
    EXPECT_EQ(p->DownloadRate(), 12);
    streams.current = QvodStreams::Status{30, 12, false, false, false};
    server.open_gate();
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_TRUE(run_until([&] { return p->DownloadPermille() == 30; }, 2500))
        << "the next poll brings the new figures";
}

TEST_F(MpvPlayerTest, QvodStreamGoesOnFromWhereItWasWhenItsTerminalGoesAway) {
    // The first terminal sends slowly, so the film is still coming in when
    // it goes.
    auto first = std::make_unique<ClipServer>(clip_bytes());
    first->set_rate(20000);
    ClipServer second(clip_bytes());
    FakeStreams streams;
    streams.stream = first->url("stream.mp4");
    streams.current = QvodStreams::Status{100, 20, false, false, false};
    auto p = make(&streams);
    p->setUrl(QStringLiteral("qvod://67797|0123456789ABCDEF|clip.mp4|"));
    p->Play();
    ASSERT_TRUE(run_until([&] { return p->PlayState() == 3 && p->Position() >= 1; }));
    ASSERT_EQ(streams.opened.size(), 1);

    // Its terminal ends: no answer, the stream cut off. A new one serves
    // the address elsewhere.
    streams.current.reset();
    streams.stream = second.url("again.mp4");
    const int at_loss = p->Position();
    first.reset();
    ASSERT_TRUE(run_until([&] { return second.requests("/again.mp4") > 0; }, 5000))
        << "the stream was not opened again";
    EXPECT_EQ(streams.opened.size(), 2);
    streams.current = QvodStreams::Status{1000, 0, false, false, false};
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_GE(p->Position(), at_loss) << "it started over instead of going on";
    EXPECT_TRUE(run_until([&] { return p->Position() >= at_loss + 1; }, 4000));
}

TEST_F(MpvPlayerTest, QvodAddressWithoutTerminalStaysConnecting) {
    auto p = make(nullptr);
    p->setUrl(QStringLiteral("qvod://67797|ABCD|clip.mp4|"));
    p->Play();
    EXPECT_EQ(p->PlayState(), 10);
    pump(1500);
    EXPECT_EQ(p->PlayState(), 10);
    EXPECT_EQ(p->Position(), 0);
    EXPECT_EQ(p->DownloadPermille(), 0);
    p->PreloadNext(QStringLiteral("qvod://1|AB|next.mp4|"));
    p->Stop();
    EXPECT_EQ(p->PlayState(), 1);
}

TEST_F(MpvPlayerTest, VideoFramesReachTheScreenWhereTheContainerIs) {
    auto p = make();
    auto* player = static_cast<MpvPlayer*>(p.get());
    QWidget* video = p->widget();
    ASSERT_EQ(video->parentWidget(), &container);
    MpvVideoWindow* surface = player->video_window();
    ASSERT_NE(surface, nullptr);
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    pump(500);
    const QImage first = on_screen(container, video->geometry());
    EXPECT_EQ(first.size(), QSize(320, 240));
    EXPECT_GT(coloured_share(first), 0.5);
    pump(1000);
    EXPECT_NE(on_screen(container, video->geometry()), first) << "the picture moves";
    EXPECT_GT(surface->frames_rendered(), 20u);

    // The main window moves, resizes and hides the container; the video
    // follows, drawn again while paused.
    p->Pause();
    pump(300);
    video->setGeometry(40, 30, 160, 120);
    pump(500);
    EXPECT_EQ(surface->geometry(), QRect(40, 30, 160, 120));
    EXPECT_GT(coloured_share(on_screen(container, QRect(40, 30, 160, 120))), 0.5);
    EXPECT_LT(coloured_share(on_screen(container, QRect(0, 0, 40, 240))), 0.05)
        << "nothing left where it was";
    video->hide();
    pump(300);
    EXPECT_FALSE(surface->isVisible());
    EXPECT_LT(coloured_share(on_screen(container, QRect(40, 30, 160, 120))), 0.05);
    video->show();
    pump(500);
    EXPECT_TRUE(surface->isVisible());
    EXPECT_GT(coloured_share(on_screen(container, QRect(40, 30, 160, 120))), 0.5);
}

// The main window keeps the video hidden until the film plays.
TEST_F(MpvPlayerTest, AHiddenVideoStartsTheFilmAndShowsItWhenShown) {
    auto p = make();
    QWidget* video = p->widget();
    video->hide();
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    ASSERT_TRUE(run_until([&] { return p->Position() >= 1; }));
    video->show();
    pump(700);
    EXPECT_GT(coloured_share(on_screen(container, video->geometry())), 0.5);
}

TEST_F(MpvPlayerTest, InputOverTheVideoReachesTheContainersWindow) {
    auto p = make();
    QWidget* video = p->widget();
    video->setGeometry(10, 20, 200, 150);
    MpvVideoWindow* surface = static_cast<MpvPlayer*>(p.get())->video_window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(surface));
    InputRecorder seen(&container);

    QTest::keyClick(surface, Qt::Key_Space);
    ASSERT_EQ(seen.keys.size(), 2) << "the container, then the window it is in";
    EXPECT_EQ(seen.keys[0], (InputRecorder::Key{video, Qt::Key_Space}));
    EXPECT_EQ(seen.keys[1], (InputRecorder::Key{&container, Qt::Key_Space}));

    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_GE(seen.presses.size(), 1u);
    EXPECT_EQ(seen.presses[0], (InputRecorder::Press{video, QPoint(30, 40)}));
    EXPECT_EQ(seen.presses.back(), (InputRecorder::Press{&container, QPoint(40, 60)}))
        << "passed up with the position in the window's terms";
}

TEST_F(MpvPlayerTest, FullScreenShowsTheVideoAloneAndComesBack) {
    auto p = make();
    auto* player = static_cast<MpvPlayer*>(p.get());
    QWidget* video = p->widget();
    MpvVideoWindow* surface = player->video_window();
    video->setGeometry(10, 20, 200, 150);
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    InputRecorder seen(&container);

    p->setFullScreen(-1);
    EXPECT_TRUE(player->full_screen());
    QWidget* window = video->window();
    EXPECT_NE(window, container.window());
    ASSERT_TRUE(run_until([&] { return window->isFullScreen() && surface->width() > 200; }, 3000));
    pump(700);
    EXPECT_EQ(surface->size(), window->size());
    EXPECT_GT(coloured_share(on_screen(*window, window->rect()).scaled(160, 120)), 0.5)
        << "the video plays on in full screen";
    EXPECT_EQ(p->PlayState(), 3);

    // The main window's keys still reach it, whether the full-screen window
    // or the video itself had them.
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(surface, Qt::Key_Left);
    EXPECT_EQ(seen.keys, (std::vector<InputRecorder::Key>{{&container, Qt::Key_Right},
                                                          {&container, Qt::Key_Left}}));

    QTest::keyClick(surface, Qt::Key_Escape);
    EXPECT_FALSE(player->full_screen());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&container)) << "the keys go back to it";
    EXPECT_EQ(video->parentWidget(), &container);
    EXPECT_EQ(video->geometry(), QRect(10, 20, 200, 150));
    EXPECT_TRUE(video->isVisible());
    pump(500);
    EXPECT_EQ(surface->geometry(), QRect(10, 20, 200, 150));
    EXPECT_GT(coloured_share(on_screen(container, video->geometry())), 0.5);

    p->setFullScreen(-1);
    ASSERT_TRUE(player->full_screen());
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(player->full_screen());
    EXPECT_EQ(video->parentWidget(), &container);

    p->setFullScreen(-1);
    ASSERT_TRUE(player->full_screen());
    QTest::keyClick(video->window(), Qt::Key_Escape);
    EXPECT_FALSE(player->full_screen());

    // The client hides the video when nothing plays: full screen ends too.
    p->setFullScreen(-1);
    ASSERT_TRUE(player->full_screen());
    video->hide();
    EXPECT_FALSE(player->full_screen());
    EXPECT_EQ(video->parentWidget(), &container);
    EXPECT_FALSE(video->isVisible());
    EXPECT_FALSE(surface->isVisible());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS(); // listing needs no display
    qputenv("KELVARA_MPV_AO", "null");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
