#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kelvara::testing {

// How one source of the test server misbehaves.
struct SourceBehaviour {
    int64_t rate = 0;         // bytes per second of each reply; 0: as fast as possible
    int fail_status = 0;      // answer requests with this status (e.g. 503)...
    int fail_count = -1;      // ...this many times (-1: always)
    int64_t stall_after = -1; // a reply sends this many bytes, then nothing...
    int stall_count = -1;     // ...in this many replies (-1: all)
    int64_t drop_after = -1;  // a reply closes its connection after this many bytes
    int64_t corrupt_at = -1;  // the byte at this file offset is sent wrong...
    int corrupt_count = -1;   // ...in this many replies that hold it (-1: all)
};

struct SourceStats {
    int requests = 0;
    int64_t bytes = 0;           // body bytes sent
    std::vector<int64_t> starts; // first byte of each range asked for
};

// Sources on 127.0.0.1: /<source>/<sha1> serves the file of that hash with
// byte ranges, behaving as each source is told.
class SourceServer {
public:
    SourceServer();
    ~SourceServer();

    void add_file(const std::string& sha1, std::string content);
    std::string base(const std::string& source) const;
    void set(const std::string& source, const SourceBehaviour& behaviour);
    SourceStats stats(const std::string& source) const;
    // Most replies of one file sent at the same time, over all sources.
    int most_concurrent(const std::string& sha1) const;
    void reset_stats();

private:
    struct FileEntry {
        std::shared_ptr<const std::string> content;
        int concurrent = 0;
        int most_concurrent = 0;
    };
    struct Source {
        SourceBehaviour behaviour;
        SourceStats stats;
    };
    void serve(const std::string& source, const std::string& sha1, void* request, void* response);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, FileEntry> files_;
    std::map<std::string, Source> sources_;
};

// Deterministic bytes that look random.
std::string make_content(int64_t size, uint32_t seed);
// Lower-case hexadecimal SHA-1.
std::string sha1_of(const std::string& content);

} // namespace kelvara::testing
