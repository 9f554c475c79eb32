#include "source_fetch.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <string_view>

namespace kelvara {

using Clock = std::chrono::steady_clock;

struct SourceFetch::Transfer {
    int64_t first = 0;
    int64_t last = 0;
    int64_t file_size = 0;
    FetchSink* sink = nullptr;
    CURL* curl = nullptr;
    std::string content_range;
    bool checked = false;
    bool bad_reply = false;
    bool stalled = false;
    bool stopped = false;
    int64_t bytes = 0;
    Clock::time_point last_bytes;
    std::chrono::milliseconds stall{0};
};

namespace {

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower((unsigned char)text[i]) != std::tolower((unsigned char)prefix[i]))
            return false;
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    return text;
}

// "bytes <first>-<last>/<size>" names exactly the range asked for.
bool range_matches(std::string_view value, int64_t first, int64_t last, int64_t size) {
    if (!starts_with_nocase(value, "bytes "))
        return false;
    value.remove_prefix(6);
    int64_t numbers[3] = {};
    const char separators[3] = {'-', '/', '\0'};
    for (int i = 0; i < 3; ++i) {
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), numbers[i]);
        if (error != std::errc())
            return false;
        value.remove_prefix(size_t(end - value.data()));
        if (i < 2) {
            if (value.empty() || value.front() != separators[i])
                return false;
            value.remove_prefix(1);
        }
    }
    return value.empty() && numbers[0] == first && numbers[1] == last && numbers[2] == size;
}

// The reply must be the range asked for: a 206 with the matching range, or a
// 200 with the whole file when the whole file was asked for.
bool reply_fits(long status, const std::string& content_range, int64_t first, int64_t last,
                int64_t size, int64_t length) {
    if (status == 206)
        return range_matches(content_range, first, last, size);
    return status == 200 && first == 0 && last == size - 1 && length == size;
}

} // namespace

SourceFetch::SourceFetch(int stall_ms) : curl_(curl_easy_init()), stall_(stall_ms) {
    // Sources on this machine are never reached through a proxy.
    no_proxy_ = "localhost,127.0.0.1,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        if (const char* value = std::getenv(name); value && *value) {
            no_proxy_ += std::string(",") + value;
            break;
        }
    }
}

SourceFetch::~SourceFetch() {
    if (curl_)
        curl_easy_cleanup(curl_);
}

size_t SourceFetch::on_header(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    if (starts_with_nocase(line, "HTTP/")) {
        t->content_range.clear();
    } else if (starts_with_nocase(line, "content-range:")) {
        t->content_range = trim(line.substr(14));
    }
    return size * count;
}

size_t SourceFetch::on_body(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (!t->checked) {
        t->checked = true;
        long status = 0;
        curl_off_t content_length = -1;
        curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &content_length);
        t->bad_reply = !reply_fits(status, t->content_range, t->first, t->last, t->file_size,
                                   int64_t(content_length));
    }
    if (t->bad_reply)
        return 0;
    if (t->bytes + int64_t(length) > t->last - t->first + 1) {
        t->bad_reply = true;
        return 0;
    }
    t->last_bytes = Clock::now();
    t->bytes += int64_t(length);
    if (!t->sink->take(data, length)) {
        t->stopped = true;
        return 0;
    }
    t->last_bytes = Clock::now(); // a sink that kept the bytes waiting is no silent source
    return length;
}

int SourceFetch::on_progress(void* user, int64_t, int64_t, int64_t, int64_t) {
    auto* t = static_cast<Transfer*>(user);
    if (!t->sink->keep_going()) {
        t->stopped = true;
        return 1;
    }
    if (Clock::now() - t->last_bytes > t->stall) {
        t->stalled = true;
        return 1;
    }
    return 0;
}

FetchOutcome SourceFetch::fetch(const std::string& url, int64_t first, int64_t last,
                                int64_t file_size, FetchSink& sink) {
    if (!curl_)
        return {FetchResult::Failed, "no libcurl handle", 0};
    Transfer t;
    t.first = first;
    t.last = last;
    t.file_size = file_size;
    t.sink = &sink;
    t.curl = curl_;
    t.stall = stall_;
    t.last_bytes = Clock::now();
    const std::string range = std::to_string(first) + "-" + std::to_string(last);
    curl_easy_reset(curl_);
    set_source_request(curl_, url);
    curl_easy_setopt(curl_, CURLOPT_RANGE, range.c_str());
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::max<int64_t>(stall_.count(), 1000)));
    curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(curl_, CURLOPT_NOPROXY, no_proxy_.c_str());
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &SourceFetch::on_header);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &SourceFetch::on_body);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &SourceFetch::on_progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = curl_easy_perform(curl_);

    FetchOutcome outcome;
    outcome.bytes = t.bytes;
    if (t.stopped)
        outcome.result = FetchResult::Stopped;
    else if (t.stalled)
        outcome.result = FetchResult::Stalled;
    else if (t.bad_reply)
        outcome.detail = "reply does not fit the range";
    else if (code != CURLE_OK)
        outcome.detail = curl_easy_strerror(code);
    else if (t.bytes != last - first + 1)
        outcome.detail = "reply ended early";
    else
        outcome.result = FetchResult::Done;
    return outcome;
}

void set_source_request(CURL* curl, const std::string& url) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "QvodTerminal");
}

} // namespace kelvara
