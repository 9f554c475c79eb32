// The real QvodTerminal.exe against sources on 127.0.0.1 that are slow,
// stall, fail or send wrong bytes.

#include "part_file.h"
#include "terminal_fixture.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace kelvara::testing {
namespace {

using namespace std::chrono_literals;
using terminal_api::State;
using Clock = std::chrono::steady_clock;

const auto is_complete = [](const terminal_api::Status& s) { return s.state == State::Complete; };
const auto is_failed = [](const terminal_api::Status& s) { return s.state == State::Failed; };

int64_t record_have(const std::string& path) {
    const auto record = parse_part_record(read_file(path));
    return record ? record->pieces.have_bytes() : -1;
}

class Terminal : public TerminalTest {};

TEST_F(Terminal, PlaysWhileDownloadingAndKeepsTheCheckedFile) {
    const File film = add_file("电影 01.mp4", 2 * 1024 * 1024, 1);
    server_.set("a", {.rate = 1024 * 1024});
    start_terminal({server_.base("a")});

    const auto asked = Clock::now();
    int reply = 0;
    const auto head = get_stream(film, "0-16383", &reply);
    EXPECT_LT(Clock::now() - asked, 1500ms) << "the first bytes waited for the whole file";
    EXPECT_EQ(reply, 206);
    ASSERT_TRUE(head);
    EXPECT_EQ(*head, film.content.substr(0, 16384));

    const auto midway = wait_status(film, [](const auto& s) { return s.permille >= 300; });
    ASSERT_TRUE(midway);
    EXPECT_EQ(midway->state, State::Downloading);
    EXPECT_LT(midway->permille, 1000);
    EXPECT_EQ(midway->permille, midway->have * 1000 / film.size());
    EXPECT_GT(midway->rate_kbs, 300);
    EXPECT_LT(midway->rate_kbs, 2000);
    const std::string partial = data_path(film);
    struct stat info {};
    ASSERT_EQ(::stat(partial.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, film.size());
    EXPECT_LE(int64_t(info.st_blocks) * 512, (film.size() + 4095) / 4096 * 4096);
    EXPECT_FALSE(file_exists(save_folder_ + film.name));

    const auto whole = get_stream(film, "", &reply);
    EXPECT_EQ(reply, 200);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(*whole == film.content);

    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
    EXPECT_EQ(done->permille, 1000);
    EXPECT_EQ(done->path, save_folder_ + film.name);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == film.content);
    EXPECT_FALSE(file_exists(partial));
    const auto record = parse_part_record(read_file(record_path(film)));
    ASSERT_TRUE(record) << "the finished download keeps its record";
    EXPECT_TRUE(record->complete);
    EXPECT_EQ(record->name, film.name);
    // Nothing fetched twice (a piece at most, should a slow machine look
    // like a stalled source once).
    EXPECT_LE(server_.stats("a").bytes, film.size() + piece_);
}

TEST_F(Terminal, SeekFarAheadIsServedWithoutTheBytesBefore) {
    const File film = add_file("seek.mkv", 4 * 1024 * 1024, 2);
    server_.set("a", {.rate = 512 * 1024});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(film, "0-16383"));

    const int64_t at = 3 * 1024 * 1024;
    const auto asked = Clock::now();
    const auto tail = get_stream(film, std::to_string(at) + "-" + std::to_string(at + 65535));
    const auto waited = Clock::now() - asked;
    ASSERT_TRUE(tail);
    EXPECT_EQ(*tail, film.content.substr(size_t(at), 65536));
    // Everything before it would take six seconds at this rate.
    EXPECT_LT(waited, 2s);
    const auto starts = server_.stats("a").starts;
    EXPECT_NE(std::find(starts.begin(), starts.end(), at), starts.end());
    const auto now = status(film);
    ASSERT_TRUE(now);
    EXPECT_LT(now->permille, 900);
}

TEST_F(Terminal, ResumesAPartialFileAfterItWasKilled) {
    const File film = add_file("resume.avi", 2 * 1024 * 1024, 3);
    server_.set("a", {.rate = 512 * 1024});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(film, "0-0"));
    const std::string record = record_path(film);
    const auto deadline = Clock::now() + 10s;
    while (record_have(record) < film.size() * 3 / 10 && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    terminal_.signal(SIGKILL);
    terminal_.wait(5s);

    const int64_t have = record_have(record);
    ASSERT_GT(have, film.size() / 4);
    ASSERT_LT(have, film.size());
    server_.reset_stats();
    // Nothing asks for the file again: the terminal resumes it on its own.
    start_terminal(sources_);
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == film.content);
    EXPECT_LE(server_.stats("a").bytes, film.size() - have + 2 * piece_);
}

TEST_F(Terminal, EndsOnSigtermWithItsRecordUpToDate) {
    const File film = add_file("term.mp4", 2 * 1024 * 1024, 4);
    server_.set("a", {.rate = 1024 * 1024});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(film, "0-0"));
    const auto before = wait_status(film, [](const auto& s) { return s.permille >= 300; });
    ASSERT_TRUE(before);
    terminal_.signal(SIGTERM);
    EXPECT_EQ(terminal_.wait(3s), 0);
    EXPECT_FALSE(file_exists(qvod_folder_ + "/" + terminal_api::kPortFile));
    EXPECT_GE(record_have(record_path(film)), before->have);
}

TEST_F(Terminal, DiscardsAFileWhoseChecksumDoesNotMatch) {
    const File once = add_file("once.mp4", 512 * 1024, 5);
    const File always = add_file("always.mp4", 512 * 1024, 6);
    server_.set("a", {.corrupt_at = 300000, .corrupt_count = 1});
    start_terminal({server_.base("a")});

    // A wrong byte once: the file is fetched again and kept right.
    ASSERT_TRUE(get_stream(once, "0-0"));
    const auto fixed = wait_status(once, is_complete);
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->state, State::Complete);
    EXPECT_TRUE(read_file(save_folder_ + once.name) == once.content);
    EXPECT_GE(server_.stats("a").bytes, 2 * once.size());

    // A source that always sends it wrong: nothing is kept.
    server_.set("a", {.corrupt_at = 300000});
    client()->Get(target("preload", always));
    const auto failed = wait_status(always, is_failed);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->state, State::Failed);
    EXPECT_EQ(failed->reason, "checksum");
    EXPECT_FALSE(file_exists(save_folder_ + always.name));
    EXPECT_FALSE(file_exists(data_path(always)));
    EXPECT_FALSE(file_exists(record_path(always)));
}

TEST_F(Terminal, FindsTheGoodSourceWhenAnotherSendsWrongBytes) {
    const File film = add_file("mixed.mp4", 1024 * 1024, 7);
    server_.set("a", {.corrupt_at = 700000});
    server_.set("b", {});
    start_terminal({server_.base("a"), server_.base("b")});
    ASSERT_TRUE(get_stream(film, "0-0"));
    const auto done = wait_status(film, [](const auto& s) {
        return s.state != State::Downloading && s.state != State::Connecting;
    });
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == film.content);
}

TEST_F(Terminal, ReportsReconnectingWhileAStalledSourceIsRetried) {
    const File film = add_file("stall.mp4", 1024 * 1024, 8);
    // Two stalls in a row: the state stays reconnecting long enough to be seen.
    server_.set("a", {.rate = 2 * 1024 * 1024, .stall_after = 100 * 1024, .stall_count = 2});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(film, "0-0"));
    std::set<State> seen;
    const auto done = wait_status(film, [&](const auto& s) {
        seen.insert(s.state);
        return s.state == State::Complete;
    });
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
    EXPECT_TRUE(seen.count(State::Reconnecting));
    EXPECT_GE(server_.stats("a").requests, 3);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == film.content);
}

TEST_F(Terminal, ConnectsThenReconnectsUntilASourceAnswers) {
    const File film = add_file("late.mp4", 256 * 1024, 9);
    server_.set("a", {.stall_after = 0});
    start_terminal({server_.base("a")});
    client()->Get(target("preload", film));
    const auto first = status(film);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->state, State::Connecting);
    const auto retrying =
        wait_status(film, [](const auto& s) { return s.state == State::Reconnecting; });
    ASSERT_TRUE(retrying);
    EXPECT_EQ(retrying->state, State::Reconnecting);
    server_.set("a", {.fail_status = 503, .fail_count = 2});
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
}

TEST_F(Terminal, UsesTheWorkingSourceWhenTheOtherFails) {
    const File refused = add_file("refused.mp4", 1024 * 1024, 10);
    const File dropped = add_file("dropped.mp4", 1024 * 1024, 11);
    server_.set("a", {.fail_status = 503});
    server_.set("b", {.rate = 4 * 1024 * 1024});
    start_terminal({server_.base("a"), server_.base("b")});
    const auto whole = get_stream(refused);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(*whole == refused.content);
    EXPECT_GE(server_.stats("a").requests, 1);
    EXPECT_EQ(server_.stats("a").bytes, 0);

    server_.set("a", {.drop_after = 40000});
    const auto second = get_stream(dropped);
    ASSERT_TRUE(second);
    EXPECT_TRUE(*second == dropped.content);
    const auto done = wait_status(dropped, is_complete);
    ASSERT_TRUE(done);
    EXPECT_TRUE(read_file(save_folder_ + dropped.name) == dropped.content);
}

TEST_F(Terminal, PreloadsTheNextFileWithOneConnection) {
    const File playing = add_file("ep01.mp4", 2 * 1024 * 1024, 12);
    const File next = add_file("ep02.mp4", 1024 * 1024, 13);
    server_.set("a", {.rate = 2 * 1024 * 1024});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(playing, "0-0"));
    const auto preload = client()->Get(target("preload", next));
    ASSERT_TRUE(preload);
    EXPECT_EQ(preload->status, 200);
    const auto done = wait_status(next, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->state, State::Complete);
    EXPECT_TRUE(read_file(save_folder_ + next.name) == next.content);
    EXPECT_EQ(server_.most_concurrent(next.sha1), 1);
    EXPECT_TRUE(wait_status(playing, is_complete));
}

TEST_F(Terminal, DownloadsIntoTheFolderOfTheSettingsAfterARestart) {
    const File film = add_file("move.mp4", 256 * 1024, 14);
    server_.set("a", {});
    start_terminal({server_.base("a")});
    ASSERT_TRUE(get_stream(film, "0-0"));
    ASSERT_TRUE(wait_status(film, is_complete));
    const std::string first_folder = save_folder_;

    save_folder_ = root_ + "/新的/";
    restart_terminal(SIGTERM);
    const auto whole = get_stream(film);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(*whole == film.content);
    const auto done = wait_status(film, is_complete);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->path, save_folder_ + film.name);
    EXPECT_TRUE(read_file(save_folder_ + film.name) == film.content);
    EXPECT_TRUE(read_file(first_folder + film.name) == film.content);
}

TEST_F(Terminal, ReportsAnUnwritableFolderAsAState) {
    const File film = add_file("nowhere.mp4", 256 * 1024, 15);
    std::ofstream(root_ + "/plain-file") << "x";
    save_folder_ = root_ + "/plain-file/films/";
    start_terminal({server_.base("a")});
    int reply = 0;
    get_stream(film, "0-0", &reply);
    EXPECT_EQ(reply, 503);
    const auto failed = status(film);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->state, State::Failed);
    EXPECT_EQ(failed->reason, "unwritable");
    EXPECT_TRUE(client()->Get(with_key(terminal_api::kHelloPath)));
}

TEST_F(Terminal, ReportsAFullDiskAsAState) {
    const File film = add_file("big.mp4", 1024 * 1024, 16);
    server_.set("a", {});
    start_terminal({server_.base("a")}, 256 * 1024);
    client()->Get(target("preload", film));
    const auto failed = wait_status(film, is_failed, 5s);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->state, State::Failed);
    EXPECT_EQ(failed->reason, "disk-full");
    EXPECT_TRUE(client()->Get(with_key(terminal_api::kHelloPath)));
    EXPECT_TRUE(std::filesystem::is_empty(save_folder_)) << "a failed reservation leaves nothing";
}

TEST_F(Terminal, RunsOncePerFolder) {
    start_terminal({});
    const std::string port_file = read_file(qvod_folder_ + "/" + terminal_api::kPortFile);
    TerminalProcess second;
    ASSERT_TRUE(second.start(terminal_program(), {"--folder", qvod_folder_}));
    EXPECT_EQ(second.wait(3s), 0);
    EXPECT_EQ(read_file(qvod_folder_ + "/" + terminal_api::kPortFile), port_file);
    EXPECT_TRUE(client()->Get(with_key(terminal_api::kHelloPath)));
}

TEST_F(Terminal, AnswersBadRequestsPlainly) {
    const File film = add_file("edge.mp4", 64 * 1024, 17);
    server_.set("a", {});
    start_terminal({server_.base("a")});
    int reply = 0;
    EXPECT_FALSE(status(film)) << "no download was asked for yet";
    get_stream(film, std::to_string(film.size()) + "-", &reply);
    EXPECT_EQ(reply, 416);
    const auto last = get_stream(film, "-100", &reply);
    EXPECT_EQ(reply, 206);
    EXPECT_EQ(last.value_or(""), film.content.substr(film.content.size() - 100));
    // A range past the end ends at the last byte, and says so.
    const auto past = client()->Get(target("stream", film), {{"Range", "bytes=65530-70000"}});
    ASSERT_TRUE(past);
    EXPECT_EQ(past->status, 206);
    EXPECT_EQ(past->get_header_value("Content-Range"), "bytes 65530-65535/65536");
    EXPECT_EQ(past->body, film.content.substr(65530));
    const auto beyond = client()->Get(target("stream", film), {{"Range", "bytes=70000-"}});
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->status, 416);
    EXPECT_EQ(beyond->get_header_value("Content-Range"), "bytes */65536");

    const auto no_size = client()->Get(with_key("/stream/" + film.sha1 + "?name=x.mp4"));
    ASSERT_TRUE(no_size);
    EXPECT_EQ(no_size->status, 400);
    const auto huge = client()->Get(with_key("/preload/" + film.sha1 + "?size=1099511627777"));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 400) << "over 1 TiB";
    const std::string unknown(40, 'a');
    const auto escaping =
        client()->Get(with_key("/preload/" + unknown + "?size=64&name=..%2F..%2Fevil"));
    ASSERT_TRUE(escaping);
    EXPECT_EQ(escaping->status, 200);
    const auto record = parse_part_record(read_file(save_folder_ + "." + unknown + ".kvpart"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->name, "_._.._evil");
    EXPECT_FALSE(file_exists(root_ + "/evil"));
}

} // namespace
} // namespace kelvara::testing
