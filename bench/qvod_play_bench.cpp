// Benchmark of qvod:// playback in the player control (not a test), all on
// 127.0.0.1 in one control:
//  - the time from Play to the first played frame (mpv's playback restart,
//    which the control reports as PlayState 3) for a qvod:// address, through
//    a fresh terminal and download folder each round, against plain http of
//    the same file from the same server; also until one second has played;
//  - the time to play on after a seek to 80 % of a file not yet downloaded.
//
//   qvod_play_bench --clip <film> [--rounds 5] [--rate-kb 4096]
//
// The server sends each reply at most --rate-kb KiB/s (0: unlimited); the
// first-frame rounds run unlimited and at that rate, the seek at that rate.
// Run it under a display: bench/qvod_play.sh makes a clip and uses Xvfb.

#include "desktop/mpv_player.h"
#include "desktop/qvod_folder.h"
#include "desktop/terminal_streams.h"
#include "logic/text/text_files.h"
#include "shared/qvod_terminal_api.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <httplib.h>
#include <thread>

using namespace kelvara;

namespace {

constexpr int kTimeoutMs = 30000;

bool wait_for(const std::function<bool()>& done, int timeout_ms = kTimeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
    return true;
}

void pump(int ms) {
    wait_for([] { return false; }, ms);
}

bool zombie(int pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren > 0 && paren + 2 < text.size() && text[paren + 2] == 'Z';
}

double median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString list(const std::vector<double>& values) {
    QStringList parts;
    for (const double v : values)
        parts << QString::number(v, 'f', 3);
    return parts.join(u' ');
}

// One film under /media/<name> (plain http) and /seed/<sha1> (the terminal's
// source), with byte ranges; each reply at most `rate` bytes a second.
class FilmServer {
public:
    FilmServer(std::string body, std::string name, std::string sha1)
        : body_(std::move(body)), name_(std::move(name)), sha1_(std::move(sha1)) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(16); };
        server_.set_tcp_nodelay(true); // as servers of films have it
        server_.Get(R"(/(media|seed)/(.+))",
                    [this](const httplib::Request& req, httplib::Response& res) {
                        if (req.matches[2] != (req.matches[1] == "seed" ? sha1_ : name_)) {
                            res.status = 404;
                            return;
                        }
                        serve(res);
                    });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~FilmServer() {
        server_.stop();
        thread_.join();
    }
    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(QLatin1String(path));
    }
    void set_rate(int64_t bytes_per_second) { rate_ = bytes_per_second; }

private:
    void serve(httplib::Response& res) {
        res.set_header("Accept-Ranges", "bytes");
        const int64_t rate = rate_;
        const auto started = std::chrono::steady_clock::now();
        auto sent = std::make_shared<int64_t>(0);
        res.set_content_provider(
            body_.size(), "video/mp4",
            [this, rate, started, sent](size_t offset, size_t length, httplib::DataSink& sink) {
                const size_t n = std::min<size_t>(length, 64 * 1024);
                if (rate > 0)
                    std::this_thread::sleep_until(
                        started + std::chrono::microseconds((*sent + int64_t(n)) * 1000000 / rate));
                *sent += int64_t(n);
                return sink.write(body_.data() + offset, n);
            });
    }

    std::string body_, name_, sha1_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int64_t> rate_{0};
};

// The QVOD folder of a temporary application folder, set up from the
// installed copy, with the film server's seeds as the only source.
class QvodSetUp {
public:
    QvodSetUp(const QString& installed, const QString& seeds)
        : qvod_(root_.path() + QStringLiteral("/app"), installed), seeds_(seeds) {
        qvod_.register_control();
        streams_ = std::make_unique<TerminalStreams>(qvod_.folder());
    }
    ~QvodSetUp() { end_terminal(); }

    TerminalStreams& streams() { return *streams_; }

    // A fresh terminal with a fresh download folder, started and answering.
    bool fresh_terminal(const QString& address) {
        end_terminal();
        const QString folder = root_.path() + QStringLiteral("/downloads-%1/").arg(++round_);
        write_text_atomically(qvod_.folder() + u'/' + QLatin1String(terminal_api::kSettingsFile),
                              default_qvod_settings(folder, {seeds_}));
        return !streams_->open(address).isEmpty();
    }

    void end_terminal() {
        QFile file(qvod_.folder() + u'/' + QLatin1String(terminal_api::kPortFile));
        if (!file.open(QIODevice::ReadOnly))
            return;
        file.readLine();
        const int pid = file.readLine().trimmed().toInt();
        file.close();
        if (pid <= 0)
            return;
        ::kill(pid, SIGTERM);
        const auto ended = [pid] { return ::kill(pid, 0) != 0 || zombie(pid); };
        if (!wait_for(ended, 5000))
            ::kill(pid, SIGKILL);
    }

private:
    QTemporaryDir root_;
    QvodFolder qvod_;
    QString seeds_;
    std::unique_ptr<TerminalStreams> streams_;
    int round_ = 0;
};

struct Start {
    double first_frame = -1; // Play to PlayState 3
    double one_second = -1;  // Play to Position 1
};

Start play_from_start(PlayerControl& player, const QString& url) {
    player.Stop();
    pump(200);
    Start result;
    QElapsedTimer clock;
    clock.start();
    player.setUrl(url);
    player.Play();
    if (!wait_for([&] { return player.PlayState() == kStatePlaying; }))
        return result;
    result.first_frame = clock.nsecsElapsed() / 1e9;
    if (wait_for([&] { return player.Position() >= 1; }))
        result.one_second = clock.nsecsElapsed() / 1e9;
    return result;
}

struct Seek {
    double seconds = -1; // from the seek to playing on
    int permille = -1;   // of the file on disk when the seek was made
};

// Playing on: the control shows one second played past the target; that
// second is taken off.
Seek seek_to_80(PlayerControl& player, const QString& url) {
    Seek result;
    const Start start = play_from_start(player, url);
    if (start.first_frame < 0 || !wait_for([&] { return player.Duration() > 0; }))
        return result;
    const int target = player.Duration() * 8 / 10;
    result.permille = player.DownloadPermille();
    QElapsedTimer clock;
    clock.start();
    player.setPosition(target);
    if (wait_for(
            [&] { return player.PlayState() == kStatePlaying && player.Position() >= target + 1; }))
        result.seconds = clock.nsecsElapsed() / 1e9 - 1.0;
    return result;
}

struct Options {
    QString clip;
    int rounds = 5;
    int64_t rate_kb = 4096;
    QString installed = installed_qvod_dir();
};

std::optional<Options> parse(const QStringList& args) {
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& flag = args[i];
        const QString& value = args[i + 1];
        if (flag == QLatin1String("--clip"))
            o.clip = value;
        else if (flag == QLatin1String("--rounds"))
            o.rounds = std::max(1, value.toInt());
        else if (flag == QLatin1String("--rate-kb"))
            o.rate_kb = std::max(0, value.toInt());
        else if (flag == QLatin1String("--qvod-dir"))
            o.installed = value;
        else
            return std::nullopt;
    }
    if (o.clip.isEmpty() || args.size() % 2 == 0)
        return std::nullopt;
    return o;
}

void report(const char* what, const std::vector<double>& values) {
    std::printf("  %-34s median %7.3f s   [%s]\n", what, median(values),
                list(values).toUtf8().constData());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto options = parse(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "usage: qvod_play_bench --clip <film> [--rounds 5] [--rate-kb 4096] "
                             "[--qvod-dir <installed Qvod folder>]\n");
        return 2;
    }
    QFile file(options->clip);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(options->clip));
        return 2;
    }
    const QByteArray bytes = file.readAll();
    const QString sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
    FilmServer server(bytes.toStdString(), "film.mp4", sha1.toStdString());
    const QString http = server.url("media/film.mp4");
    const QString qvod = QStringLiteral("qvod://%1|%2|film.mp4|").arg(bytes.size()).arg(sha1);
    QvodSetUp setup(options->installed, server.url("seed/"));

    QWidget window;
    window.resize(640, 360);
    window.show();
    auto player = MpvPlayerFactory(&setup.streams()).create_player(&window);
    player->widget()->setGeometry(0, 0, 640, 360);
    player->widget()->show();
    pump(500);

    std::printf("film %s: %.1f MB; %d rounds; fresh terminal and download folder per qvod round\n",
                qPrintable(QFileInfo(options->clip).fileName()), bytes.size() / 1e6,
                options->rounds);
    bool failed = false;
    const auto rounds = [&](int64_t rate_kb) {
        server.set_rate(rate_kb * 1024);
        std::vector<double> http_first, qvod_first, http_second, qvod_second;
        for (int r = 0; r < options->rounds; ++r) {
            const Start h = play_from_start(*player, http);
            if (!setup.fresh_terminal(qvod))
                std::fprintf(stderr, "the terminal did not start\n");
            const Start q = play_from_start(*player, qvod);
            failed |= h.one_second < 0 || q.one_second < 0;
            http_first.push_back(h.first_frame);
            qvod_first.push_back(q.first_frame);
            http_second.push_back(h.one_second);
            qvod_second.push_back(q.one_second);
        }
        std::printf("server rate %s\n",
                    rate_kb ? qPrintable(QStringLiteral("%1 KiB/s a reply").arg(rate_kb))
                            : "unlimited");
        report("http: Play to first frame", http_first);
        report("qvod: Play to first frame", qvod_first);
        std::printf("  %-34s %.2f (goal at most 1.5)\n", "ratio of the medians",
                    median(qvod_first) / median(http_first));
        report("http: Play to 1 s played", http_second);
        report("qvod: Play to 1 s played", qvod_second);
    };
    rounds(0);
    if (options->rate_kb > 0)
        rounds(options->rate_kb);

    server.set_rate(std::max<int64_t>(options->rate_kb, 1024) * 1024);
    std::vector<double> http_seek, qvod_seek;
    QStringList on_disk;
    for (int r = 0; r < options->rounds; ++r) {
        http_seek.push_back(seek_to_80(*player, http).seconds);
        setup.fresh_terminal(qvod);
        const Seek q = seek_to_80(*player, qvod);
        qvod_seek.push_back(q.seconds);
        on_disk << QString::number(q.permille);
        failed |= q.seconds < 0;
    }
    std::printf("seek to 80 %% at %lld KiB/s a reply (qvod: DownloadPermille at the seek: %s)\n",
                static_cast<long long>(std::max<int64_t>(options->rate_kb, 1024)),
                qPrintable(on_disk.join(u' ')));
    report("http: seek to playing on", http_seek);
    report("qvod: seek to playing on", qvod_seek);
    std::printf("  %-34s (goal under 2 s)\n", "");

    player->Stop();
    player.reset();
    return failed ? 1 : 0;
}
