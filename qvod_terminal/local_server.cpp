#include "local_server.h"

#include "connection_server.h"
#include "downloads.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <httplib.h>

namespace kelvara {

namespace {

constexpr int kMostConnections = 256;
// Streams wait for bytes that are not there yet, up to the read time-out;
// the places they leave keep the status and preload requests answered.
constexpr int kMostStreams = 48;
constexpr auto kIdle = std::chrono::seconds(5);
constexpr size_t kChunk = 256 * 1024;
constexpr auto kWriteTimeout = std::chrono::seconds(60);
const char kHashRoute[] = "([0-9A-Fa-f]{40})";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The file named by a route's hash and its "size" and "name" parameters.
std::optional<FileKey> file_key(const httplib::Request& request) {
    FileKey key;
    key.sha1 = lower(request.matches[1]);
    const std::string size = request.get_param_value("size");
    const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), key.size);
    if (error != std::errc() || end != size.data() + size.size() || key.size <= 0 ||
        key.size > terminal_api::kLargestFile)
        return std::nullopt;
    key.name = request.get_param_value("name");
    if (key.name.empty())
        key.name = key.sha1;
    return key;
}

void reply_status(httplib::Response& response, const terminal_api::Status& status) {
    response.set_content(terminal_api::format_status(status), "text/plain; charset=utf-8");
}

// A range that starts beyond the end of the file cannot be served.
bool range_unsatisfiable(const httplib::Request& request, int64_t size) {
    if (request.ranges.size() != 1)
        return false;
    const auto [first, last] = request.ranges.front();
    return first >= size || (first < 0 && last <= 0);
}

// A range may run past the end; the reply ends at the last byte, and its
// Content-Range says so. The library takes the end as asked, so it is cut
// here, before the reply is built from it.
void end_ranges_at_last_byte(const httplib::Request& request, int64_t size) {
    for (auto& [first, last] : const_cast<httplib::Ranges&>(request.ranges)) {
        if (last >= size)
            last = size - 1;
    }
}

// Frees a stream's place when its reply is done with.
class StreamPlace {
public:
    explicit StreamPlace(std::atomic<int>& streams) : streams_(streams) {}
    ~StreamPlace() { --streams_; }
    StreamPlace(const StreamPlace&) = delete;
    StreamPlace& operator=(const StreamPlace&) = delete;

private:
    std::atomic<int>& streams_;
};

// Counts a stream among its download's readers while its reply is sent.
class StreamReader {
public:
    StreamReader(Downloads& downloads, std::shared_ptr<Task> task)
        : downloads_(downloads), task_(std::move(task)) {
        downloads_.reader_opened(*task_);
    }
    ~StreamReader() { downloads_.reader_closed(*task_); }
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

private:
    Downloads& downloads_;
    std::shared_ptr<Task> task_;
};

} // namespace

LocalServer::LocalServer(Downloads& downloads, std::string secret)
    : downloads_(downloads), secret_(std::move(secret)),
      server_(std::make_unique<ConnectionServer>(ConnectionServer::Limits{
          .most_connections = kMostConnections, .idle = kIdle, .write = kWriteTimeout})) {
    server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        server_->mark_serving();
        if (from_own_client(req))
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        res.set_header("Connection", "close");
        return httplib::Server::HandlerResponse::Handled;
    });
    add_routes();
}

LocalServer::~LocalServer() = default;

int LocalServer::bind() {
    port_ = server_->listen_on_loopback();
    return port_;
}

// Its own client sends the secret and names this port on 127.0.0.1 or
// localhost; a page that rebinds a name of its own to 127.0.0.1 sends that
// name as the Host.
bool LocalServer::from_own_client(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    const std::string port = ":" + std::to_string(port_);
    const bool own_host = host == "127.0.0.1" + port || host == "localhost" + port;
    return own_host && request.get_param_value_count(terminal_api::kSecretParam) == 1 &&
           request.get_param_value(terminal_api::kSecretParam) == secret_;
}

void LocalServer::run() {
    server_->serve();
}

void LocalServer::stop() {
    server_->stop();
}

void LocalServer::add_routes() {
    server_->Get(terminal_api::kHelloPath, [](const httplib::Request&, httplib::Response& res) {
        res.set_content(terminal_api::kHelloReply, "text/plain");
    });

    server_->Get(std::string("/status/") + kHashRoute,
                 [this](const httplib::Request& req, httplib::Response& res) {
                     const auto status = downloads_.status(lower(req.matches[1]));
                     if (!status) {
                         res.status = 404;
                         return;
                     }
                     reply_status(res, *status);
                 });

    server_->Get(std::string("/preload/") + kHashRoute,
                 [this](const httplib::Request& req, httplib::Response& res) {
                     const auto key = file_key(req);
                     const auto task = key ? downloads_.open(*key, false) : nullptr;
                     if (!task) {
                         res.status = key ? 503 : 400;
                         return;
                     }
                     reply_status(res, downloads_.status(*task));
                 });

    server_->Get(std::string("/stream/") + kHashRoute, [this](const httplib::Request& req,
                                                              httplib::Response& res) {
        const auto key = file_key(req);
        const auto task = key ? downloads_.open(*key, true) : nullptr;
        if (!task) {
            res.status = key ? 503 : 400;
            return;
        }
        if (streams_.fetch_add(1) >= kMostStreams) {
            --streams_;
            res.status = 503;
            return;
        }
        const auto place = std::make_shared<StreamPlace>(streams_);
        const terminal_api::Status status = downloads_.status(*task);
        if (status.state == terminal_api::State::Failed) {
            res.status = 503;
            reply_status(res, status);
            return;
        }
        const int64_t size = task->key.size;
        if (range_unsatisfiable(req, size)) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        }
        end_ranges_at_last_byte(req, size);
        res.set_header("Accept-Ranges", "bytes");
        auto buffer = std::make_shared<std::vector<char>>();
        const auto reader = std::make_shared<StreamReader>(downloads_, task);
        res.set_content_provider(
            size_t(size), "application/octet-stream",
            [this, task, buffer, place, reader](size_t offset, size_t length,
                                                httplib::DataSink& sink) {
                buffer->resize(kChunk);
                const BytesOnDisk bytes =
                    downloads_.bytes_at(*task, int64_t(offset), int64_t(std::min(length, kChunk)));
                return bytes.length > 0 &&
                       ConnectionServer::send_file_part(sink, bytes.file->fd(), int64_t(offset),
                                                        size_t(bytes.length), buffer->data());
            });
    });
}

} // namespace kelvara
