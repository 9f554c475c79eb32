// How long a film takes from the user's click in the catalogue to the
// player's first playing state, on loopback with the demo server, against
// playing the resolved address directly in the same player; and the client's
// own share of the click: the time inside catalogue_pane's before-navigate handlers
// (dispatch, play-address request, history record and page render) without
// the time the player spends in its own calls. Not a test; run by hand under
// an X display:
//   xvfb-run -a click_to_play_bench [rounds]
//
// Every film is played once before measuring, so that both ways read files
// the QVOD terminal already holds and the download does not weigh in.

#include "desktop/client_driver.h"
#include "desktop/web_pane_driver.h"

#include "app/desktop_client.h"
#include "desktop/web_engine_pane.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"
#include "window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <optional>

using namespace kelvara;
using namespace kelvara::test;

namespace {

QElapsedTimer g_clock;

double now_ms() {
    return g_clock.nsecsElapsed() / 1e6;
}

// The player control with the time spent inside its calls counted.
class TimedPlayer : public PlayerControl {
public:
    explicit TimedPlayer(std::unique_ptr<PlayerControl> real) : real_(std::move(real)) {}
    double spent_ms = 0;

    QWidget* widget() override { return real_->widget(); }
    QString Url() const override { return real_->Url(); }
    void setUrl(const QString& a) override {
        timed([&] { real_->setUrl(a); });
    }
    void Play() override {
        timed([&] { real_->Play(); });
    }
    void Pause() override {
        timed([&] { real_->Pause(); });
    }
    void Stop() override {
        timed([&] { real_->Stop(); });
    }
    void setMute(int m) override { real_->setMute(m); }
    void setFullScreen(int f) override { real_->setFullScreen(f); }
    int Volume() const override { return real_->Volume(); }
    void setVolume(int v) override { real_->setVolume(v); }
    int Duration() const override { return real_->Duration(); }
    int Position() const override { return real_->Position(); }
    void setPosition(int s) override { real_->setPosition(s); }
    int PlayState() const override { return real_->PlayState(); }
    int DownloadRate() const override { return real_->DownloadRate(); }
    int BitRate() const override { return real_->BitRate(); }
    int DownloadPermille() const override { return real_->DownloadPermille(); }
    void PreloadNext(const QString& a) override {
        timed([&] { real_->PreloadNext(a); });
    }
    void setAdPage(const QString& a) override { real_->setAdPage(a); }
    QString AdPage() const override { return real_->AdPage(); }

private:
    template <typename F> void timed(F call) {
        const double start = now_ms();
        call();
        spent_ms += now_ms() - start;
    }
    std::unique_ptr<PlayerControl> real_;
};

// Runs the event loop until the player plays; the moment it was first seen,
// or nullopt after `ms`.
std::optional<double> wait_playing(PlayerControl& player, int ms) {
    const double deadline = now_ms() + ms;
    QEventLoop loop;
    while (now_ms() < deadline) {
        if (player.PlayState() == kStatePlaying)
            return now_ms();
        loop.processEvents(QEventLoop::AllEvents, 1);
    }
    return std::nullopt;
}

// Waits until the page has drawn two frames: input reaches it only then.
void wait_drawn(WebPane& pane) {
    run_js(pane,
           QStringLiteral("window.drawn_ = false; requestAnimationFrame(function () {"
                          "  requestAnimationFrame(function () { window.drawn_ = true; }); })"));
    wait_for([&] { return run_js(pane, QStringLiteral("window.drawn_")).toBool(); });
}

struct ClickRound {
    double to_handler = 0;   // click until catalogue_pane's handler starts
    double handler = 0;      // inside the handler chain
    double player_calls = 0; // of which inside the player's calls
    double to_playing = 0;   // click until the first playing state
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Bench {
public:
    bool start() {
        client_ = std::make_unique<DesktopClient>(folder_.app_dir());
        if (!client_->start())
            return false;
        MainWindow& w = *client_->window();
        auto timed = std::make_unique<TimedPlayer>(std::move(w.QvodC));
        player_ = timed.get();
        w.QvodC = std::move(timed);
        // The outermost call is the click's; the nested ones run inside it.
        const auto handler = w.catalogue_pane->before_navigate;
        w.catalogue_pane->before_navigate = [this, handler](const QString& address, bool& cancel) {
            const bool outer = depth_++ == 0;
            if (outer) {
                handler_start_ = now_ms();
                player_->spent_ms = 0;
            }
            handler(address, cancel);
            if (outer)
                handler_end_ = now_ms();
            --depth_;
        };
        return wait_for_element(*w.catalogue_pane, link(1001), 30000);
    }

    ~Bench() { client_.reset(); }

    static QString link(int id) { return QStringLiteral("a[href^=\"eebovod://%1-1-1-\"]").arg(id); }

    std::optional<ClickRound> click(int id) {
        MainWindow& w = *client_->window();
        stop_and_show_catalogue();
        const std::optional<QPoint> pos = element_center(*w.catalogue_pane, link(id));
        if (!pos)
            return std::nullopt;
        wait_drawn(*w.catalogue_pane);
        handler_start_ = handler_end_ = 0;
        auto* view = dynamic_cast<WebEnginePane&>(*w.catalogue_pane).view();
        const double t0 = now_ms();
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, *pos);
        const std::optional<double> playing = wait_playing(*w.QvodC, 20000);
        if (!playing || handler_start_ == 0) {
            std::fprintf(stderr, "film %d: %s\n", id,
                         handler_start_ == 0 ? "the click reached no handler" : "no playing state");
            return std::nullopt;
        }
        return ClickRound{handler_start_ - t0, handler_end_ - handler_start_, player_->spent_ms,
                          *playing - t0};
    }

    std::optional<double> direct(const QString& address) {
        MainWindow& w = *client_->window();
        stop_and_show_catalogue();
        const double t0 = now_ms();
        w.QvodC->setUrl(address);
        w.QvodC->Play();
        const std::optional<double> playing = wait_playing(*w.QvodC, 20000);
        if (!playing)
            return std::nullopt;
        return *playing - t0;
    }

    QString url() const { return client_->window()->QvodC->Url(); }

private:
    void stop_and_show_catalogue() {
        MainWindow& w = *client_->window();
        w.transport_button_clicked(kStopButton);
        w.frame_button_clicked(kLibraryTab);
        pause(500);
    }

    ClientFolder folder_;
    std::unique_ptr<DesktopClient> client_;
    TimedPlayer* player_ = nullptr;
    int depth_ = 0;
    double handler_start_ = 0;
    double handler_end_ = 0;
};

int run(int rounds) {
    Bench bench;
    if (!bench.start()) {
        std::fprintf(stderr, "the client did not start\n");
        return 1;
    }
    const std::vector<int> films{1001, 1002, 1003, 1005};
    std::vector<QString> addresses;
    for (int id : films) {
        if (!bench.click(id)) {
            std::fprintf(stderr, "film %d did not play\n", id);
            return 1;
        }
        addresses.push_back(bench.url());
        pause(1500); // the terminal finishes the small file
    }

    std::vector<double> to_handler, handler, player_calls, client_part, to_playing, direct;
    std::printf("round film  click>handler  handler  player-calls  client-own  click>playing"
                "  direct>playing (ms)\n");
    for (int r = 0; r < rounds; ++r) {
        const size_t f = r % films.size();
        // Alternate which way goes first.
        std::optional<double> d;
        if (r % 2)
            d = bench.direct(addresses[f]);
        const std::optional<ClickRound> c = bench.click(films[f]);
        if (!(r % 2))
            d = bench.direct(addresses[f]);
        if (!d)
            std::fprintf(stderr, "the direct way did not play\n");
        if (!c || !d) {
            std::fprintf(stderr, "round %d failed\n", r);
            return 1;
        }
        const double own = c->handler - c->player_calls;
        std::printf("%5d %4d %14.1f %8.1f %13.1f %11.1f %14.1f %15.1f\n", r + 1, films[f],
                    c->to_handler, c->handler, c->player_calls, own, c->to_playing, *d);
        to_handler.push_back(c->to_handler);
        handler.push_back(c->handler);
        player_calls.push_back(c->player_calls);
        client_part.push_back(own);
        to_playing.push_back(c->to_playing);
        direct.push_back(*d);
    }
    std::printf("median     %14.1f %8.1f %13.1f %11.1f %14.1f %15.1f\n", median(to_handler),
                median(handler), median(player_calls), median(client_part), median(to_playing),
                median(direct));
    std::printf("client's own part (median): %.1f ms (goal: under 50 ms)\n", median(client_part));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("KELVARA_MPV_AO", "null");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    prepare_client_process();
    QApplication app(argc, argv);
    set_up_application();
    g_clock.start();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    return run(rounds);
}
