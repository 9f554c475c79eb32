#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

// How a path fails while its failure switch is on.
enum class DemoFailure {
    none,
    status_500,       // an HTTP 500 error page
    close_connection, // the connection is closed before any byte of a reply
};

// A clip of the catalogue as its seed serves it.
struct DemoClip {
    std::string file; // name in the media folder, also under /media/
    std::string sha1; // 40 lower-case hexadecimal digits; the seed is seed_url() + sha1
    std::int64_t size = 0;
};

// The demo content server: a small catalogue under "/soft/" (pages, h.asp,
// play.htm, pp.htm, lib/wen.txt, tj/tj.asp, the advertisement pages, the
// update programs), "/tv" and "/yy", the clips under "/media/<file>" and their
// seeds under "/seed/<sha1>", all on 127.0.0.1. Each seed has its torrent,
// "/seed/<sha1>.torrent" (single file, the seed as its web seed, the film's
// SHA-1 in its info), and "/announce" is the HTTP tracker they name. It serves on threads of its
// own, so a caller may block on its requests.
//
// The switches let tests shape the replies; they may be changed at any time,
// from any thread, and stay set across stop() and start(). Switch paths are
// request paths without the query and with repeated slashes collapsed, e.g.
// "/soft/h.asp" or "/soft/js/ads/fudong.html" (which also covers
// "/soft//js/ads/fudong.html"). A request first waits out its path's delay,
// then meets its failure, else its fixed body, else the normal reply.
class DemoServer {
public:
    DemoServer();
    ~DemoServer(); // stops
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port), reads the clips from media_dir
    // (empty: the clips installed with the programs, media/ in their data
    // folder) and starts serving. False when already running or the port
    // cannot be bound.
    bool start(int port = 0, const std::string& media_dir = {});
    // Stops serving and waits for the server's threads; held replies
    // (delays, stalls, throttled seeds) are cut off.
    void stop();
    bool running() const;

    int port() const;                    // 0 when not running
    std::string base_url() const;        // "http://127.0.0.1:<port>/soft/"
    std::string seed_url() const;        // "http://127.0.0.1:<port>/seed/"
    std::vector<DemoClip> clips() const; // the clips read at start

    // Path switches.
    void set_delay(const std::string& path, std::chrono::milliseconds delay); // 0: none
    void set_failure(const std::string& path, DemoFailure failure);
    // Answers the path with these bytes (sent as they are, e.g. GBK), or
    // normally again with nullopt.
    void set_fixed_body(const std::string& path, std::optional<std::string> body);

    // Seed switches; they act on "/seed/<sha1>" only.
    void set_seed_rate(std::int64_t bytes_per_second); // 0: no limit
    // While set, the seed sends no byte at or past `offset` of the file; the
    // reply waits there (open) until the stall is lifted with nullopt.
    void set_seed_stall(const std::string& sha1, std::optional<std::int64_t> offset);
    // Serves the seed with one byte changed: same size, another SHA-1.
    void set_seed_corrupt(const std::string& sha1, bool corrupt);

    // Turns every switch off; counts are kept.
    void reset_switches();

    // Body bytes the seeds ("/seed/<sha1>") sent so far, torrents excluded.
    std::int64_t seed_bytes_sent() const;

    // Requests received so far for a path (counted before any switch acts).
    int request_count(const std::string& path) const;
    // Every request target as received ("/soft/h.asp?id=1001&v=1&v1=1"),
    // in order of arrival.
    std::vector<std::string> requests() const;
    void clear_requests();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kelvara
