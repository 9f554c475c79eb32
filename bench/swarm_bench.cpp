// The swarm against HTTP only, on 127.0.0.1 with the demo server's seed as
// the source: the first bytes of a film and a seek, and mpv's first frame
// from the start and from 70 % (with Debian's mpv), for one viewer alone and
// for one beside a viewer that holds the film, at the same source rate; and
// the seed's bytes per viewer as 1, 3 and 10 terminals watch one film, one
// after another and all at once.
//
//   build/swarm_bench [source KiB/s, default 64]
//
// SWARM_BENCH_FIRST_ONLY=1 leaves out the bytes per viewer.

#include "demo_server/demo_server.h"
#include "qvod_terminal/terminal_fixture.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <thread>

using namespace kelvara;
using namespace kelvara::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int64_t kFirstBytes = 64 * 1024;

struct Viewer {
    std::string qvod_folder;
    TerminalProcess terminal;
    terminal_api::Endpoint endpoint;

    bool start(const std::string& root, const std::string& source, bool share) {
        qvod_folder = root + "/Qvod";
        std::filesystem::create_directories(qvod_folder);
        std::ofstream(qvod_folder + "/QvodPlayer.xml", std::ios::binary)
            << "<QvodPlayer>\r\n<Config Defaultsavepath=\"" << root << "/films/\" Share=\""
            << (share ? 1 : 0) << "\"/>\r\n<Source url=\"" << source << "\"/>\r\n</QvodPlayer>\r\n";
        if (!terminal.start(terminal_program(), {"--folder", qvod_folder}))
            return false;
        const auto found = wait_for_port(qvod_folder, 10s);
        if (found)
            endpoint = *found;
        return found.has_value();
    }

    std::string target(const char* route, const DemoClip& clip) const {
        const QvodAddress address{clip.size, QString::fromStdString(clip.sha1),
                                  QStringLiteral("影片.mp4")};
        const QString path = std::string(route) == "stream" ? terminal_api::stream_target(address)
                                                            : terminal_api::status_target(address);
        return terminal_api::with_secret(path, endpoint.secret).toStdString();
    }

    // Milliseconds until `length` bytes at `offset` arrived.
    double read_ms(const DemoClip& clip, int64_t offset, int64_t length) {
        httplib::Client client("127.0.0.1", endpoint.port);
        client.set_read_timeout(60, 0);
        const auto range = "bytes=" + std::to_string(offset) + "-" +
                           std::to_string(std::min(clip.size, offset + length) - 1);
        const auto begin = Clock::now();
        const auto reply = client.Get(target("stream", clip), {{"Range", range}});
        if (!reply || reply->status != 206)
            return -1;
        return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    }

    // Seconds until mpv showed the first frame of the stream, from `start`
    // ("0%" or "70%" for a seek), with no video or audio output; -1 when it
    // failed.
    double mpv_first_frame(const DemoClip& clip, const char* start) {
        const std::string url =
            "http://127.0.0.1:" + std::to_string(endpoint.port) + target("stream", clip);
        const std::string command = std::string("mpv --no-config --really-quiet --vo=null ") +
                                    "--ao=null --frames=1 --start=" + start + " '" + url +
                                    "' >/dev/null 2>&1";
        const auto begin = Clock::now();
        if (std::system(command.c_str()) != 0)
            return -1;
        return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    }

    bool wait_complete(const DemoClip& clip) {
        httplib::Client client("127.0.0.1", endpoint.port);
        client.Get(target("stream", clip), {{"Range", "bytes=0-0"}});
        const auto deadline = Clock::now() + 120s;
        while (Clock::now() < deadline) {
            const auto reply = client.Get(target("status", clip));
            const auto status = reply ? terminal_api::parse_status(reply->body) : std::nullopt;
            if (status && status->state == terminal_api::State::Complete)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
};

std::string fresh_root() {
    char pattern[] = "/tmp/swarm-bench-XXXXXX";
    return ::mkdtemp(pattern);
}

// First bytes and a seek to 70 % for one viewer, and mpv's first frames;
// `holder` first fetches the whole film and seeds it. Milliseconds.
struct FirstBytes {
    double first = 0, seek = 0, frame = 0, seek_frame = 0;
};

FirstBytes first_bytes(DemoServer& demo, const DemoClip& clip, bool share, bool holder, bool mpv) {
    const std::string root = fresh_root();
    std::unique_ptr<Viewer> seed;
    if (holder) {
        seed = std::make_unique<Viewer>();
        seed->start(root + "/holder", demo.seed_url(), share);
        seed->wait_complete(clip);
    }
    FirstBytes result;
    Viewer viewer;
    const auto fresh_viewer = [&] {
        viewer.terminal.signal(SIGKILL);
        viewer.terminal.wait(5s);
        std::filesystem::remove_all(root + "/viewer");
        return viewer.start(root + "/viewer", demo.seed_url(), share);
    };
    if (fresh_viewer()) {
        result.first = viewer.read_ms(clip, 0, kFirstBytes);
        result.seek = viewer.read_ms(clip, clip.size * 7 / 10, kFirstBytes);
    }
    // mpv's own start-up is in both figures alike.
    if (mpv && fresh_viewer())
        result.frame = viewer.mpv_first_frame(clip, "0%");
    if (mpv && fresh_viewer())
        result.seek_frame = viewer.mpv_first_frame(clip, "70%");
    viewer.terminal.signal(SIGKILL);
    viewer.terminal.wait(5s);
    if (seed)
        seed->terminal.signal(SIGKILL);
    std::filesystem::remove_all(root);
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void bytes_per_viewer(DemoServer& demo, const DemoClip& clip, int viewers, bool at_once) {
    const std::string root = fresh_root();
    std::vector<std::unique_ptr<Viewer>> all;
    const int64_t before = demo.seed_bytes_sent();
    const auto begin = Clock::now();
    std::vector<std::thread> watching;
    std::atomic<int> done = 0;
    for (int n = 0; n < viewers; ++n) {
        all.push_back(std::make_unique<Viewer>());
        all.back()->start(root + "/v" + std::to_string(n), demo.seed_url(), true);
        if (at_once)
            watching.emplace_back([&, v = all.back().get()] { done += v->wait_complete(clip); });
        else
            done += all.back()->wait_complete(clip);
    }
    for (std::thread& t : watching)
        t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    const double films = double(demo.seed_bytes_sent() - before) / double(clip.size);
    std::printf("%2d viewers %-15s web seed %5.2f films, %4.2f per viewer, %d complete, %.1f s\n",
                viewers, at_once ? "all at once" : "one after another", films, films / viewers,
                done.load(), seconds);
    for (auto& v : all)
        v->terminal.signal(SIGKILL);
    std::filesystem::remove_all(root);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const int64_t rate = (argc > 1 ? std::atoll(argv[1]) : 64) * 1024;
    // mpv (Debian's package) shows the first frames when it is there.
    const bool mpv = std::system("mpv --version >/dev/null 2>&1") == 0;
    DemoServer demo;
    if (!demo.start(0, KELVARA_DEMO_MEDIA_DIR))
        return 1;
    demo.set_seed_rate(rate);
    std::vector<DemoClip> clips = demo.clips();
    std::printf("source %lld KiB/s, clips of about %lld KiB\n", (long long)(rate / 1024),
                (long long)(clips.front().size / 1024));
    size_t next = 0;
    constexpr int kRounds = 5;
    std::printf("medians of %d rounds, ms (a fresh terminal and folder each)\n", kRounds);
    for (const bool holder : {false, true}) {
        for (const bool share : {false, true}) {
            std::vector<double> first, seek, frame, seek_frame;
            for (int round = 0; round < kRounds; ++round) {
                const FirstBytes r =
                    first_bytes(demo, clips[next++ % clips.size()], share, holder, mpv);
                first.push_back(r.first);
                seek.push_back(r.seek);
                frame.push_back(r.frame);
                seek_frame.push_back(r.seek_frame);
            }
            std::printf("%-10s %-16s first 64 KiB %5.0f  at 70%% %5.0f   mpv first frame %5.0f  "
                        "from 70%% %5.0f\n",
                        share ? "swarm" : "HTTP only", holder ? "beside a holder" : "alone",
                        median(first), median(seek), median(frame), median(seek_frame));
        }
    }
    if (std::getenv("SWARM_BENCH_FIRST_ONLY"))
        return 0;
    for (const bool at_once : {false, true}) {
        for (const int viewers : {1, 3, 10})
            bytes_per_viewer(demo, clips[next++ % clips.size()], viewers, at_once);
    }
    return 0;
}
