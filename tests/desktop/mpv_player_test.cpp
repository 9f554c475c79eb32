// The player control on real libmpv, drawing into a real OpenGL widget
// (run under Xvfb, without sound output).

#include "clip_server.h"
#include "platform/desktop/mpv_player.h"
#include "platform/desktop/qvod_streams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::ClipServer;

namespace {

const QString kClip = QStringLiteral(KELVARA_TEST_DATA "/clip.mp4");

// Runs the event loop until `done` holds or the time is up.
bool wait_for(const std::function<bool()>& done, int timeout_ms = 8000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

void pump(int ms) {
    wait_for([] { return false; }, ms);
}

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
        return wait_for([&] { return p.PlayState() == state; }, timeout_ms);
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
    ASSERT_TRUE(wait_for([&] { return p->Position() >= 1; })) << "the position moves";
    EXPECT_TRUE(wait_for([&] { return p->BitRate() > 0; }));

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
    ASSERT_TRUE(wait_for([&] { return p->Position() >= 2; }));

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
    p->setVolume(37);
    EXPECT_EQ(p->Volume(), 37);
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    EXPECT_EQ(p->Volume(), 37) << "mpv keeps it across the load";
    p->setVolume(150);
    EXPECT_EQ(p->Volume(), 100);
    p->setVolume(-20);
    pump(300);
    EXPECT_EQ(p->Volume(), 0);
    p->setVolume(55);
    pump(300);
    EXPECT_EQ(p->Volume(), 55);

    auto* player = static_cast<MpvPlayer*>(p.get());
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
    ASSERT_TRUE(wait_for(
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
    ASSERT_TRUE(wait_for([&] { return p->Position() >= 1; }));

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
    ASSERT_TRUE(wait_for([&] { return server.requests("/episode2.mp4") >= 1; }))
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
    ASSERT_TRUE(wait_for([&] { return p->DownloadPermille() == 420; }, 2500));
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
    EXPECT_TRUE(wait_for([&] { return p->DownloadPermille() == 30; }, 2500))
        << "the next poll brings the new figures";
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

TEST_F(MpvPlayerTest, VideoFramesReachTheWidget) {
    auto p = make();
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));
    auto* gl = qobject_cast<QOpenGLWidget*>(p->widget());
    ASSERT_NE(gl, nullptr);
    ASSERT_EQ(gl->parentWidget(), &container);
    pump(500);
    const QImage first = gl->grabFramebuffer();
    EXPECT_EQ(first.size(), QSize(320, 240));
    EXPECT_GT(coloured_share(first), 0.5);
    pump(1000);
    EXPECT_NE(gl->grabFramebuffer(), first) << "the picture moves";
}

TEST_F(MpvPlayerTest, FullScreenShowsTheVideoAloneAndComesBack) {
    auto p = make();
    auto* player = static_cast<MpvPlayer*>(p.get());
    auto* gl = qobject_cast<QOpenGLWidget*>(p->widget());
    p->widget()->setGeometry(10, 20, 200, 150);
    p->setUrl(kClip);
    p->Play();
    ASSERT_TRUE(wait_state(*p, 3));

    p->setFullScreen(-1);
    EXPECT_TRUE(player->full_screen());
    QWidget* window = gl->window();
    EXPECT_NE(window, container.window());
    ASSERT_TRUE(wait_for([&] { return window->isFullScreen() && gl->width() > 200; }, 3000));
    pump(700);
    EXPECT_GT(coloured_share(gl->grabFramebuffer().scaled(160, 120)), 0.5)
        << "the video plays on in full screen";
    EXPECT_EQ(p->PlayState(), 3);

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(gl, &esc);
    EXPECT_FALSE(player->full_screen());
    EXPECT_EQ(gl->parentWidget(), &container);
    EXPECT_EQ(gl->geometry(), QRect(10, 20, 200, 150));
    EXPECT_TRUE(gl->isVisible());
    pump(500);
    EXPECT_GT(coloured_share(gl->grabFramebuffer()), 0.5);

    p->setFullScreen(-1);
    ASSERT_TRUE(player->full_screen());
    const QPointF at(5, 5);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, gl->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(gl, &twice);
    EXPECT_FALSE(player->full_screen());
    EXPECT_EQ(gl->parentWidget(), &container);

    // The client hides the video when nothing plays: full screen ends too.
    p->setFullScreen(-1);
    ASSERT_TRUE(player->full_screen());
    gl->hide();
    EXPECT_FALSE(player->full_screen());
    EXPECT_EQ(gl->parentWidget(), &container);
    EXPECT_FALSE(gl->isVisible());
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
