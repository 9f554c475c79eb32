#pragma once

#include <chrono>
#include <cstdint>
#include <string>

typedef void CURL;

namespace kelvara {

// Where the bytes of a fetch go.
class FetchSink {
public:
    virtual ~FetchSink() = default;
    // Takes the next bytes; false stops the fetch.
    virtual bool take(const char* data, size_t length) = 0;
    // Asked while the fetch waits for bytes; false stops it.
    virtual bool keep_going() = 0;
};

enum class FetchResult {
    Done,    // every byte of the range arrived
    Stopped, // the sink stopped it
    Stalled, // the source sent nothing for too long
    Failed,  // the source failed or sent something else than the range
};

struct FetchOutcome {
    FetchResult result = FetchResult::Failed;
    std::string detail;
    int64_t bytes = 0;
};

// Range requests to the sources, one at a time, on one libcurl handle that
// keeps its connections between requests.
class SourceFetch {
public:
    explicit SourceFetch(int stall_ms);
    ~SourceFetch();
    SourceFetch(const SourceFetch&) = delete;
    SourceFetch& operator=(const SourceFetch&) = delete;

    // Fetches bytes first..last (inclusive) of a file of `file_size` bytes.
    FetchOutcome fetch(const std::string& url, int64_t first, int64_t last, int64_t file_size,
                       FetchSink& sink);

private:
    struct Transfer;
    static size_t on_header(char* data, size_t size, size_t count, void* user);
    static size_t on_body(char* data, size_t size, size_t count, void* user);
    static int on_progress(void* user, int64_t, int64_t, int64_t, int64_t);

    CURL* curl_;
    std::chrono::milliseconds stall_;
    std::string no_proxy_;
};

// The options every request to a source carries: http(s) only, also after
// a redirect, at most 3 redirects, an HTTP error as a failure, no signals,
// and the terminal's user agent.
void set_source_request(CURL* curl, const std::string& url);

} // namespace kelvara
