// The real QvodTerminal.exe never harms what is not its own: the user's
// files, a small disk, a folder of damaged records, strangers' requests, a
// kill at any moment.

#include "part_file.h"
#include "terminal_fixture.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <netinet/in.h>
#include <random>
#include <set>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kelvara::testing {
namespace {

using namespace std::chrono_literals;
using terminal_api::State;
namespace fs = std::filesystem;

const auto is_complete = [](const terminal_api::Status& s) { return s.state == State::Complete; };
const auto is_failed = [](const terminal_api::Status& s) { return s.state == State::Failed; };

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, sorted.
std::set<std::string> names_in(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A connection to the terminal that sends `bytes` and is left open.
int open_connection(int port, const std::string& bytes) {
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(sock);
        return -1;
    }
    if (!bytes.empty())
        ::send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    return sock;
}

class TerminalSafety : public TerminalTest {};

TEST_F(TerminalSafety, LeavesTheUsersFilesAloneAndKeepsTwoFilmsOfOneName) {
    fs::create_directories(save_folder_);
    const File film = add_file("第01集.mp4", 512 * 1024, 31);
    // The user's own file of that name and size, but other bytes.
    const std::string users = make_content(film.size(), 99);
    write_file(save_folder_ + film.name, users);
    // Another series' first episode: same name, another file.
    const File other = add_file("第01集.mp4", 300 * 1024, 32);
    server_.set("a", {.rate = 4 * 1024 * 1024});
    start_terminal({server_.base("a")});

    const auto whole = get_stream(film);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(*whole == film.content) << "the user's file was served for the film";
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->path, save_folder_ + "第01集 (2).mp4");
    EXPECT_TRUE(read_file(done->path) == film.content);

    // After a restart the terminal knows no earlier download, but still
    // replaces nothing.
    restart_terminal(SIGKILL);
    ASSERT_TRUE(get_stream(other, "0-0"));
    const auto second = wait_status(other, is_complete);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->path, save_folder_ + "第01集 (3).mp4");
    EXPECT_TRUE(read_file(second->path) == other.content);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == users) << "the user's bytes changed";
    EXPECT_TRUE(read_file(save_folder_ + "第01集 (2).mp4") == film.content);
    ASSERT_TRUE(get_stream(film, "0-0"));
    EXPECT_EQ(status(film).value_or(terminal_api::Status{}).path, save_folder_ + "第01集 (2).mp4");
}

TEST_F(TerminalSafety, TakesAFileAlreadyThereOnlyWhenItsHashMatches) {
    fs::create_directories(save_folder_);
    const File film = add_file("旧电影.mkv", 3 * 1024 * 1024, 33);
    write_file(save_folder_ + film.name, film.content);
    const auto before = fs::last_write_time(save_folder_ + film.name);
    server_.set("a", {.rate = 256 * 1024});
    start_terminal({server_.base("a")});

    // The first bytes come at once, from the source, while the file is hashed.
    const auto asked = std::chrono::steady_clock::now();
    const auto head = get_stream(film, "0-16383");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1500ms);
    ASSERT_TRUE(head);
    EXPECT_TRUE(*head == film.content.substr(0, 16384));
    const auto done = wait_status(film, is_complete, 5s);
    ASSERT_TRUE(done) << "the file's hash matched: nothing more to fetch";
    EXPECT_EQ(done->path, save_folder_ + film.name);
    EXPECT_LT(server_.stats("a").bytes, film.size() / 2);
    EXPECT_EQ(fs::last_write_time(save_folder_ + film.name), before);
    EXPECT_EQ(names_in(save_folder_),
              (std::set<std::string>{film.name, terminal_api::record_file_name(film.sha1)}));

    // The check is remembered: a restart serves it at once, with no source.
    server_.set("a", {.fail_status = 503});
    restart_terminal(SIGTERM);
    ASSERT_TRUE(get_stream(film, "0-0"));
    const auto after = status(film);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->state, State::Complete);
}

// A tmpfs of 8 MiB: what does not fit fails at once and leaves nothing;
// once there is room, the same film downloads.
TEST_F(TerminalSafety, ASmallDiskThatFillsKeepsNothingHalfMade) {
    const std::string disk = root_ + "/disk";
    fs::create_directories(disk);
    ASSERT_EQ(::mount("kelvara-test", disk.c_str(), "tmpfs", 0, "size=8m"), 0)
        << "mounting a tmpfs failed (" << std::strerror(errno)
        << "): this test needs root, as the CI machines run it";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    save_folder_ = disk + "/影片/";
    const File huge = add_file("大片.mp4", 12 * 1024 * 1024, 34);
    const File first = add_file("一.mp4", 5 * 1024 * 1024, 35);
    const File second = add_file("二.mp4", 5 * 1024 * 1024, 36);
    server_.set("a", {});
    start_terminal({server_.base("a")});

    const auto asked = std::chrono::steady_clock::now();
    int reply = 0;
    get_stream(huge, "0-0", &reply);
    EXPECT_EQ(reply, 503);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    const auto full = status(huge);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->reason, "disk-full");
    EXPECT_TRUE(fs::is_empty(save_folder_));
    EXPECT_EQ(server_.stats("a").requests, 0) << "no source is asked for what cannot fit";

    ASSERT_TRUE(get_stream(first, "0-0"));
    ASSERT_TRUE(wait_status(first, is_complete));
    client()->Get(target("preload", second));
    const auto no_room = wait_status(second, is_failed, 2s);
    ASSERT_TRUE(no_room);
    EXPECT_EQ(no_room->reason, "disk-full");
    EXPECT_EQ(names_in(save_folder_),
              (std::set<std::string>{first.name, terminal_api::record_file_name(first.sha1)}));

    fs::remove(save_folder_ + first.name);
    client()->Get(target("preload", second));
    const auto done = wait_status(second, is_complete);
    ASSERT_TRUE(done);
    EXPECT_TRUE(read_file(done->path) == second.content);
}

// Records as a crash, a full disk, an older program or another hand leave
// them: each is discarded with its file, and the terminal answers.
TEST_F(TerminalSafety, DiscardsDamagedRecordsAndStartsThoseDownloadsOver) {
    fs::create_directories(save_folder_);
    const File film = add_file("记录.mp4", 256 * 1024, 37);
    const std::string sha1 = film.sha1;
    const std::string good = format_part_record(
        PartRecord{sha1, film.size(), film.name, PieceMap(film.size(), 16 * 1024)});
    const auto record_named = [&](char digit) {
        return save_folder_ + "." + std::string(40, digit) + ".kvpart";
    };
    const auto data_named = [&](char digit) {
        return save_folder_ + "." + std::string(40, digit) + ".kvtmp";
    };
    const std::string huge_size = "QvodTerminal part 2\nsha1=" + std::string(40, 'a') +
                                  "\nsize=99999999999999999\npiece=4096\nname=x.mp4\n"
                                  "state=partial\nasked=0\nhave=\n";
    const std::string many_pieces = "QvodTerminal part 2\nsha1=" + std::string(40, 'b') +
                                    "\nsize=1099511627776\npiece=4096\nname=x.mp4\n"
                                    "state=partial\nasked=0\nhave=00\n";
    write_file(record_named('a'), huge_size);
    write_file(data_named('a'), "a");
    write_file(record_named('b'), many_pieces);
    write_file(record_named('c'), good.substr(0, good.size() / 2)); // cut short
    write_file(data_named('c'), "c");
    write_file(record_named('d'), good); // names another hash than its own
    write_file(record_named('e'), std::string(5000, '\xff'));
    write_file(data_named('f'), "no record names it");
    write_file(record_path(film), good); // whose file is gone
    write_file(save_folder_ + "user.kvpart", "the user's own");
    const std::set<std::string> users = {"user.kvpart"};
    server_.set("a", {});
    start_terminal({server_.base("a")});

    ASSERT_TRUE(client()->Get(with_key(terminal_api::kHelloPath)));
    EXPECT_EQ(names_in(save_folder_), users);
    ASSERT_TRUE(get_stream(film, "0-0"));
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_TRUE(read_file(done->path) == film.content);
}

TEST_F(TerminalSafety, AnswersOnlyItsOwnClient) {
    const File film = add_file("私人.mp4", 64 * 1024, 38);
    server_.set("a", {});
    start_terminal({server_.base("a")});
    struct stat info {};
    ASSERT_EQ(::stat((qvod_folder_ + "/" + terminal_api::kPortFile).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the secret is the owner's";

    const std::string plain = "/preload/" + film.sha1 + "?size=65536&name=x.mp4";
    const auto status_of = [&](const std::string& path, const httplib::Headers& headers = {}) {
        const auto reply = client()->Get(path, headers);
        return reply ? reply->status : -1;
    };
    EXPECT_EQ(status_of(terminal_api::kHelloPath), 403);
    EXPECT_EQ(status_of(plain), 403);
    EXPECT_EQ(status_of(plain + "&key=" + std::string(32, '0')), 403);
    EXPECT_EQ(status_of(with_key(plain) + "&key=" + std::string(32, '0')), 403);
    // DNS rebinding: a page of another name that now points to 127.0.0.1.
    const std::string port = std::to_string(port_);
    EXPECT_EQ(status_of(with_key(plain), {{"Host", "films.example:" + port}}), 403);
    EXPECT_EQ(status_of(with_key(plain), {{"Host", "127.0.0.1"}}), 403);
    EXPECT_TRUE(!fs::exists(save_folder_) || fs::is_empty(save_folder_))
        << "a stranger made the terminal create files";

    const auto own = client()->Get(
        with_key(plain), {{"Host", "localhost:" + port}, {"Origin", "http://films.example"}});
    ASSERT_TRUE(own);
    EXPECT_EQ(own->status, 200);
    EXPECT_FALSE(own->has_header("Access-Control-Allow-Origin"));

    // A new start has a new secret; the old one opens nothing.
    const std::string old_secret = secret_;
    restart_terminal(SIGTERM);
    EXPECT_NE(secret_, old_secret);
    EXPECT_EQ(status_of(std::string(terminal_api::kHelloPath) + "?key=" + old_secret), 403);
}

// Players that wait for bytes the source does not send, and connections
// opened and left (with nothing or half a request): the player's status
// request is still answered at once.
TEST_F(TerminalSafety, AnswersItsPlayerWhileReadersWaitAndConnectionsIdle) {
    const File film = add_file("等不到的字节.mp4", 4 * 1024 * 1024, 40);
    server_.set("a", {.stall_after = 0});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(client()->Get(target("preload", film)));
    const std::string host = "Host: 127.0.0.1:" + std::to_string(port_) + "\r\n";
    std::vector<int> held;
    for (int i = 0; i < 60; ++i) {
        const std::string range = "Range: bytes=" + std::to_string(i * 65536) + "-\r\n";
        held.push_back(open_connection(port_, "GET " + target("stream", film) + " HTTP/1.1\r\n" +
                                                  host + range + "\r\n"));
    }
    for (int i = 0; i < 300; ++i)
        held.push_back(open_connection(port_, i % 2 ? "GET /hello HTTP/1.1\r\n" : ""));
    std::this_thread::sleep_for(300ms); // the readers wait inside the terminal by now

    for (int i = 0; i < 5; ++i) {
        const auto asked = std::chrono::steady_clock::now();
        const auto answer = status(film);
        const auto took = std::chrono::steady_clock::now() - asked;
        EXPECT_TRUE(answer) << "status " << i;
        EXPECT_LT(took, 1s) << "status " << i;
    }
    for (const int sock : held)
        ::close(sock);
}

// A player that has its first seconds stops reading while it decodes: the
// download of a film just opened gives way meanwhile, but only for a moment,
// and goes on to the end while the stream stays open unread.
TEST_F(TerminalSafety, APlayerThatStopsReadingHoldsTheDownloadBackOnlyAMoment) {
    const File film = add_file("解码中的播放器.mp4", 32 * 1024 * 1024, 41);
    server_.set("a", {});
    start_terminal({server_.base("a")});
    const int sock =
        open_connection(port_, "GET " + target("stream", film) + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                   std::to_string(port_) + "\r\n\r\n");
    ASSERT_GE(sock, 0);
    std::string head(64 * 1024, '\0');
    size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::recv(sock, head.data() + got, head.size() - got, 0);
        ASSERT_GT(n, 0);
        got += size_t(n);
    }
    const auto opened = std::chrono::steady_clock::now();

    std::this_thread::sleep_for(300ms);
    const auto held = status(film);
    ASSERT_TRUE(held);
    EXPECT_LT(held->have, film.size()) << "the whole film came while its player decoded";
    const auto done = wait_status(film, is_complete, 10s);
    ::close(sock);
    ASSERT_TRUE(done) << "the download stayed held behind a player that read nothing";
    EXPECT_LT(std::chrono::steady_clock::now() - opened, 8s);
    EXPECT_TRUE(read_file(done->path) == film.content);
}

// A reader that takes the film on and on, as a copy does, is no player
// decoding its first frame: once it has read more than a player's first
// seconds, the download no longer waits for it, though it pauses within the
// film's first second.
TEST_F(TerminalSafety, AReaderThatTookMoreThanAPlayerFirstReadsHoldsNothingBack) {
    const File film = add_file("一口气读完.mp4", 32 * 1024 * 1024, 42);
    server_.set("a", {});
    start_terminal({server_.base("a")});
    const auto asked = std::chrono::steady_clock::now();
    const int sock =
        open_connection(port_, "GET " + target("stream", film) + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                   std::to_string(port_) + "\r\n\r\n");
    ASSERT_GE(sock, 0);
    // It reads a little slower than the source sends, so it never waits.
    std::string buffer(256 * 1024, '\0');
    for (size_t got = 0; got < 10 * 1024 * 1024;) {
        const ssize_t n = ::recv(sock, buffer.data(), buffer.size(), 0);
        ASSERT_GT(n, 0);
        got += size_t(n);
        std::this_thread::sleep_for(1ms);
    }

    // Held, the rest could not come before the film's first second is over.
    const auto first_second_left = 900ms - (std::chrono::steady_clock::now() - asked);
    ASSERT_GT(first_second_left, 0ms) << "reading 10 MiB took most of a second";
    const auto done =
        wait_status(film, is_complete,
                    std::chrono::duration_cast<std::chrono::milliseconds>(first_second_left));
    ::close(sock);
    EXPECT_TRUE(done && is_complete(*done))
        << "the download waited for a reader that had taken 10 MiB";
}

// SIGKILL at random moments of a throttled download, then a restart, over
// and over: the film ends whole and right, and nothing else stays. The
// rounds come from KELVARA_KILL_ROUNDS (scripts/kill_terminal runs many).
TEST_F(TerminalSafety, SurvivesKillsAtRandomMoments) {
    const char* rounds_text = std::getenv("KELVARA_KILL_ROUNDS");
    const int rounds = rounds_text ? std::atoi(rounds_text) : 10;
    const File film = add_file("杀不死.mp4", 3 * 1024 * 1024, 39);
    server_.set("a", {.rate = 512 * 1024});
    std::mt19937 random(uint32_t(std::random_device{}()));
    std::uniform_int_distribution<int> moment_ms(0, 1500);
    start_terminal({server_.base("a")});
    int finished_early = 0;
    for (int round = 0; round < rounds; ++round) {
        // The player asks from a random place, as after a seek.
        const int64_t at = std::uniform_int_distribution<int64_t>(0, film.size() - 1)(random);
        std::thread reader([&, port = port_, target = target("stream", film)] {
            httplib::Client c("127.0.0.1", port);
            c.set_read_timeout(2, 0);
            c.Get(target, {{"Range", "bytes=" + std::to_string(at) + "-"}});
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(moment_ms(random)));
        terminal_.signal(SIGKILL);
        terminal_.wait(5s);
        reader.join();
        if (fs::exists(save_folder_ + film.name)) {
            ++finished_early;
            fs::remove(save_folder_ + film.name);
        }
        ASSERT_GT(start_terminal(sources_), 0) << "after round " << round;
    }
    ASSERT_TRUE(get_stream(film, "0-0"));
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_TRUE(read_file(done->path) == film.content);
    EXPECT_EQ(names_in(save_folder_),
              (std::set<std::string>{film.name, terminal_api::record_file_name(film.sha1)}));
    std::printf("%d kill rounds, %d finished before their kill\n", rounds, finished_early);
}

} // namespace
} // namespace kelvara::testing
