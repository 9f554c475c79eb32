// Films whose source offers a torrent come through a swarm of terminals on
// 127.0.0.1, with the demo server's seed as the web seed and its tracker.

#include "demo_server/demo_server.h"
#include "demo_server/torrent_files.h"
#include "terminal_fixture.h"

#include <csignal>
#include <filesystem>
#include <httplib.h>
#include <iostream>
#include <thread>

namespace kelvara::testing {
namespace {

using namespace std::chrono_literals;

// One viewer: its own QVOD folder, download folder and terminal, with the
// settings a fresh application folder gets.
struct Viewer {
    std::string qvod_folder;
    std::string save_folder;
    TerminalProcess terminal;
    terminal_api::Endpoint endpoint;

    bool start(const std::string& root, const std::string& source) {
        qvod_folder = root + "/Qvod";
        save_folder = root + "/下载 影片/";
        std::filesystem::create_directories(qvod_folder);
        write_settings(qvod_folder, save_folder, {source});
        if (!terminal.start(terminal_program(), {"--folder", qvod_folder, "--stall-ms", "3000"}))
            return false;
        const auto found = wait_for_port(qvod_folder, 10s);
        if (found)
            endpoint = *found;
        return found.has_value();
    }

    std::string target(const char* route, const DemoClip& clip, const std::string& name) const {
        const QvodAddress address{clip.size, QString::fromStdString(clip.sha1),
                                  QString::fromStdString(name)};
        const QString path = std::string(route) == "stream" ? terminal_api::stream_target(address)
                                                            : terminal_api::status_target(address);
        return terminal_api::with_secret(path, endpoint.secret).toStdString();
    }

    // Plays the film through: the whole stream, then the finished film.
    std::optional<std::string> watch(const DemoClip& clip, const std::string& name) {
        httplib::Client client("127.0.0.1", endpoint.port);
        client.set_read_timeout(30, 0);
        const auto reply = client.Get(target("stream", clip, name));
        if (!reply || reply->status != 200)
            return std::nullopt;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto status = client.Get(target("status", clip, name));
            const auto parsed = status ? terminal_api::parse_status(status->body) : std::nullopt;
            if (parsed && parsed->state == terminal_api::State::Complete)
                return reply->body;
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(save_folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

class Swarm : public ::testing::Test {
protected:
    Swarm() {
        char pattern[] = "/tmp/qvod-swarm-test-XXXXXX";
        root_ = ::mkdtemp(pattern);
        EXPECT_TRUE(demo_.start(0, KELVARA_DEMO_MEDIA_DIR));
    }
    ~Swarm() override {
        for (Viewer& viewer : viewers_)
            viewer.terminal.signal(SIGKILL);
        demo_.stop();
        std::filesystem::remove_all(root_);
    }

    DemoClip clip(const std::string& file) const {
        for (const DemoClip& c : demo_.clips()) {
            if (c.file == file)
                return c;
        }
        ADD_FAILURE() << "no clip " << file;
        return {};
    }

    Viewer& viewer(int n) {
        Viewer& v = viewers_[size_t(n)];
        EXPECT_TRUE(v.start(root_ + "/viewer" + std::to_string(n), demo_.seed_url()))
            << "terminal " << n << " did not come up";
        return v;
    }

    std::string root_;
    DemoServer demo_;
    std::array<Viewer, 3> viewers_;
};

TEST_F(Swarm, ThreeViewersOneAfterAnotherCostTheSourceLittleMoreThanOneFilm) {
    const DemoClip film = clip("film_1001.mp4");
    const std::string name = "长河落日 (导演剪辑版).mp4";
    const std::string bytes = read_file(std::string(KELVARA_DEMO_MEDIA_DIR) + "/" + film.file);
    // The source is slow; the viewers on this machine are not.
    demo_.set_seed_rate(48 * 1024);
    for (int n = 0; n < 3; ++n) {
        Viewer& v = viewer(n);
        const auto watched = v.watch(film, name);
        ASSERT_TRUE(watched) << "viewer " << n;
        EXPECT_TRUE(*watched == bytes) << "viewer " << n << " saw other bytes";
        EXPECT_TRUE(read_file(v.save_folder + name) == bytes) << "viewer " << n;
        const std::vector<std::string> expected = {terminal_api::record_file_name(film.sha1),
                                                   "." + film.sha1 + ".kvswarm", name};
        EXPECT_EQ(v.files(), expected) << "viewer " << n;
    }
    const double films = double(demo_.seed_bytes_sent()) / double(film.size);
    std::cout << "web seed sent " << demo_.seed_bytes_sent()
              << " bytes for three viewers: " << films << " films\n";
    EXPECT_LT(films, 1.5);
}

TEST_F(Swarm, ATorrentOfAnotherSizeIsRefusedAndBadPiecesNeverReachTheFilm) {
    const DemoClip film = clip("film_1002.mp4");
    const std::string bytes = read_file(std::string(KELVARA_DEMO_MEDIA_DIR) + "/" + film.file);
    const std::string torrent_path = "/seed/" + film.sha1 + ".torrent";
    demo::TorrentFields wrong = demo::torrent_of(bytes + "x");
    wrong.name = "../../escape.mp4";
    wrong.announce = "http://127.0.0.1:" + std::to_string(demo_.port()) + "/announce";
    wrong.web_seed = demo_.seed_url() + film.sha1;
    demo_.set_fixed_body(torrent_path, demo::torrent_file(wrong));

    Viewer& first = viewer(0);
    const auto watched = first.watch(film, "星海信号.mp4");
    ASSERT_TRUE(watched);
    EXPECT_TRUE(*watched == bytes);
    const std::vector<std::string> over_http = {terminal_api::record_file_name(film.sha1),
                                                "星海信号.mp4"};
    EXPECT_EQ(first.files(), over_http) << "the refused torrent is not kept";
    EXPECT_FALSE(file_exists(root_ + "/escape.mp4"));

    // With the torrent back, the first viewer fetches the film again and
    // holds it. The web seed then sends a wrong byte, and the second viewer
    // starts while the first is away: the pieces holding that byte fail
    // their hash until the first comes back and seeds the film it holds.
    demo_.set_fixed_body(torrent_path, std::nullopt);
    first.terminal.signal(SIGTERM);
    first.terminal.wait(5s);
    std::filesystem::remove(first.save_folder + "星海信号.mp4");
    ASSERT_TRUE(first.start(root_ + "/viewer0", demo_.seed_url()));
    ASSERT_TRUE(first.watch(film, "星海信号.mp4"));
    first.terminal.signal(SIGTERM);
    first.terminal.wait(5s);
    demo_.set_seed_corrupt(film.sha1, true);

    Viewer& second = viewer(1);
    std::optional<std::string> second_watched;
    std::thread watching([&] { second_watched = second.watch(film, "星海信号.mp4"); });
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(first.start(root_ + "/viewer0", demo_.seed_url()));
    watching.join();
    ASSERT_TRUE(second_watched);
    EXPECT_TRUE(*second_watched == bytes);
    EXPECT_TRUE(read_file(second.save_folder + "星海信号.mp4") == bytes);

    // A torrent of the right size but of other bytes, naming no film hash:
    // the source's pieces all fail, and HTTP takes over.
    const DemoClip other = clip("film_1003.mp4");
    const std::string other_bytes =
        read_file(std::string(KELVARA_DEMO_MEDIA_DIR) + "/" + other.file);
    demo::TorrentFields impostor = demo::torrent_of(std::string(other_bytes.size(), 'k'));
    impostor.sha1.clear();
    impostor.name = other.file;
    impostor.announce = wrong.announce;
    impostor.web_seed = demo_.seed_url() + other.sha1;
    demo_.set_fixed_body("/seed/" + other.sha1 + ".torrent", demo::torrent_file(impostor));
    Viewer& third = viewer(2);
    const auto third_watched = third.watch(other, "雾中城.mp4");
    ASSERT_TRUE(third_watched);
    EXPECT_TRUE(*third_watched == other_bytes);
    const std::vector<std::string> refused = {terminal_api::record_file_name(other.sha1),
                                              "雾中城.mp4"};
    EXPECT_EQ(third.files(), refused);
}

} // namespace
} // namespace kelvara::testing
