#include "demo_fixture.h"

#include "shared/gbk.h"

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <future>
#include <thread>

using namespace kelvara;
using namespace kelvara::testing;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class DemoSwitches : public DemoServerTest {
protected:
    DemoClip clip() const { return server().clips().front(); }
    std::string seed_path() const { return "/seed/" + clip().sha1; }
};

TEST_F(DemoSwitches, DelayHoldsOnlyThatPath) {
    server().set_delay("/soft/h.asp", 600ms);
    auto start = Clock::now();
    EXPECT_EQ(get("/soft/h.asp?id=1001&v=1&v1=9")->body, "1");
    EXPECT_GE(seconds_since(start), 0.59);

    start = Clock::now();
    EXPECT_EQ(get("/soft/lib/wen.txt")->status, 200);
    EXPECT_LT(seconds_since(start), 0.5);

    server().set_delay("/soft/h.asp", 0ms);
    start = Clock::now();
    get("/soft/h.asp?id=1001&v=1&v1=9");
    EXPECT_LT(seconds_since(start), 0.5);
}

TEST_F(DemoSwitches, FailureAsServerError) {
    server().set_failure("/soft/h.asp", DemoFailure::status_500);
    const auto res = get("/soft/h.asp?id=1001&v=1&v1=1");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 500);
    EXPECT_EQ(res->body.find('$'), std::string::npos);
    server().set_failure("/soft/h.asp", DemoFailure::none);
    EXPECT_NE(get("/soft/h.asp?id=1001&v=1&v1=1")->body.find('$'), std::string::npos);
}

TEST_F(DemoSwitches, FailureAsClosedConnection) {
    server().set_failure("/soft/", DemoFailure::close_connection);
    const auto res = get("/soft/");
    EXPECT_FALSE(res);
    EXPECT_EQ(server().request_count("/soft/"), 1);
    // The server itself goes on.
    EXPECT_EQ(get("/soft/lib/wen.txt")->status, 200);
    server().set_failure("/soft/", DemoFailure::none);
    EXPECT_EQ(get("/soft/")->status, 200);
}

TEST_F(DemoSwitches, FixedBodyReplacesTheReply) {
    server().set_fixed_body("/soft/h.asp", "1");
    EXPECT_EQ(get("/soft/h.asp?id=1001&v=1&v1=1")->body, "1");

    const std::string error_page = "<html><body>Server Error</body></html>";
    server().set_fixed_body("/soft/h.asp", error_page);
    EXPECT_EQ(get("/soft/h.asp?id=1001&v=1&v1=1")->body, error_page);

    const std::string notice =
        to_gbk(QString::fromUtf8("0****x====0====广告****x====0====0====3.0")).toStdString();
    server().set_fixed_body("/soft/lib/wen.txt", notice);
    const auto res = get("/soft/lib/wen.txt");
    EXPECT_EQ(res->body, notice);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=gbk");

    server().reset_switches();
    EXPECT_NE(get("/soft/h.asp?id=1001&v=1&v1=1")->body.find('$'), std::string::npos);
}

TEST_F(DemoSwitches, CountsAndAddressesOfRequests) {
    get("/soft/h.asp?id=2001&v=1&v1=1");
    get("/soft/h.asp?id=2001&v=1&v1=2");
    get("/soft/");
    EXPECT_EQ(server().request_count("/soft/h.asp"), 2);
    EXPECT_EQ(server().request_count("/soft/"), 1);
    EXPECT_EQ(server().request_count("/soft/pp.htm"), 0);
    const std::vector<std::string> expected = {"/soft/h.asp?id=2001&v=1&v1=1",
                                               "/soft/h.asp?id=2001&v=1&v1=2", "/soft/"};
    EXPECT_EQ(server().requests(), expected);
    server().clear_requests();
    EXPECT_EQ(server().request_count("/soft/h.asp"), 0);
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(DemoSwitches, ThrottledSeedKeepsItsRate) {
    const std::string range = "bytes=0-59999";
    const std::string fast = get(seed_path(), range)->body;

    server().set_seed_rate(100000);
    auto start = Clock::now();
    const auto res = get(seed_path(), range);
    const double took = seconds_since(start);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, fast);
    EXPECT_GE(took, 0.5);
    EXPECT_LT(took, 3.0);
    // Pages are not throttled.
    start = Clock::now();
    get("/soft/");
    EXPECT_LT(seconds_since(start), 0.45);
}

TEST_F(DemoSwitches, StalledSeedWaitsAtItsOffsetUntilLifted) {
    server().set_seed_stall(clip().sha1, 1000);
    std::atomic<std::size_t> received{0};
    std::string body;
    auto download = std::async(std::launch::async, [&] {
        httplib::Client c = client();
        return c.Get(seed_path().c_str(), [&](const char* data, size_t length) {
            body.append(data, length);
            received += length;
            return true;
        });
    });
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(received.load(), 1000u);
    EXPECT_EQ(download.wait_for(0ms), std::future_status::timeout);

    server().set_seed_stall(clip().sha1, std::nullopt);
    const auto res = download.get();
    ASSERT_TRUE(res);
    EXPECT_EQ(static_cast<std::int64_t>(body.size()), clip().size);
    EXPECT_EQ(sha1_hex(body), clip().sha1);
}

TEST_F(DemoSwitches, StallAppliesToRangesPastIt) {
    server().set_seed_stall(clip().sha1, 1000);
    // Bytes before the stall still come.
    EXPECT_EQ(get(seed_path(), "bytes=0-499")->body.size(), 500u);
    httplib::Client c = client();
    c.set_read_timeout(0, 400000);
    EXPECT_FALSE(c.Get(seed_path().c_str(), {{"Range", "bytes=2000-2999"}}));
}

TEST_F(DemoSwitches, ClientsGivingUpOnAStallFreeTheServer) {
    server().set_seed_stall(clip().sha1, 0);
    // More impatient clients than the server has threads.
    std::vector<std::future<bool>> gave_up;
    for (int i = 0; i < 40; ++i) {
        gave_up.push_back(std::async(std::launch::async, [&] {
            httplib::Client c = client();
            c.set_read_timeout(0, 300000);
            return !c.Get(seed_path().c_str());
        }));
    }
    for (auto& f : gave_up)
        EXPECT_TRUE(f.get());
    const auto start = Clock::now();
    EXPECT_EQ(get("/soft/lib/wen.txt")->status, 200);
    EXPECT_LT(seconds_since(start), 2.0);
}

TEST_F(DemoSwitches, CorruptSeedKeepsSizeButNotHash) {
    const std::string sha1 = clip().sha1;
    server().set_seed_corrupt(sha1, true);
    const std::string bad = get(seed_path())->body;
    EXPECT_EQ(static_cast<std::int64_t>(bad.size()), clip().size);
    EXPECT_NE(sha1_hex(bad), sha1);
    // A range assembled download sees the same bytes.
    const auto half = clip().size / 2;
    const std::string first = get(seed_path(), "bytes=0-" + std::to_string(half - 1))->body;
    const std::string rest = get(seed_path(), "bytes=" + std::to_string(half) + "-")->body;
    EXPECT_EQ(first + rest, bad);
    // The web copy is left alone.
    EXPECT_EQ(sha1_hex(get("/media/" + clip().file)->body), sha1);

    server().set_seed_corrupt(sha1, false);
    EXPECT_EQ(sha1_hex(get(seed_path())->body), sha1);
}

TEST(DemoServerLife, StartStopAndPorts) {
    DemoServer a;
    EXPECT_FALSE(a.running());
    ASSERT_TRUE(a.start());
    EXPECT_FALSE(a.start());
    const int port = a.port();
    EXPECT_GT(port, 0);
    EXPECT_EQ(a.base_url(), "http://127.0.0.1:" + std::to_string(port) + "/soft/");
    EXPECT_EQ(a.seed_url(), "http://127.0.0.1:" + std::to_string(port) + "/seed/");

    DemoServer b;
    EXPECT_FALSE(b.start(port)); // taken

    a.set_fixed_body("/soft/h.asp", "1");
    a.stop();
    EXPECT_FALSE(a.running());
    httplib::Client c("127.0.0.1", port);
    EXPECT_FALSE(c.Get("/soft/"));

    // Switches outlive a restart.
    ASSERT_TRUE(a.start(port));
    httplib::Client again("127.0.0.1", a.port());
    EXPECT_EQ(again.Get("/soft/h.asp?id=1001&v=1&v1=1")->body, "1");
}

TEST(DemoServerLife, StopCutsHeldReplies) {
    DemoServer s;
    ASSERT_TRUE(s.start());
    const DemoClip clip = s.clips().front();
    s.set_seed_stall(clip.sha1, 10);
    s.set_delay("/soft/", 60s);
    auto stalled = std::async(std::launch::async, [&] {
        httplib::Client c("127.0.0.1", s.port());
        return c.Get(("/seed/" + clip.sha1).c_str());
    });
    auto delayed = std::async(std::launch::async, [&] {
        httplib::Client c("127.0.0.1", s.port());
        return c.Get("/soft/");
    });
    std::this_thread::sleep_for(300ms);
    const auto start = Clock::now();
    s.stop();
    EXPECT_LT(seconds_since(start), 3.0);
    stalled.get();
    delayed.get();
}

TEST(DemoServerLife, MediaFolderWithoutClips) {
    QTemporaryDir empty;
    DemoServer s;
    ASSERT_TRUE(s.start(0, QDir(empty.path()).absolutePath().toStdString()));
    EXPECT_TRUE(s.clips().empty());
    httplib::Client c("127.0.0.1", s.port());
    EXPECT_EQ(c.Get("/soft/h.asp?id=1001&v=1&v1=1")->body, "1");
    EXPECT_EQ(c.Get("/soft/")->status, 200);
}

} // namespace
