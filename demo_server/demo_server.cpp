#include "demo_server.h"

#include "byte_ranges.h"
#include "catalogue.h"
#include "connection.h"
#include "media_library.h"
#include "site_pages.h"
#include "switches.h"
#include "torrent_files.h"

#include "logic/startup/program_files.h"
#include "shared/gbk.h"

#include <QLoggingCategory>
#include <atomic>
#include <csignal>
#include <functional>
#include <httplib.h>
#include <map>
#include <pthread.h>
#include <thread>

namespace kelvara {

namespace {

Q_LOGGING_CATEGORY(lc_demo, "kelvara.demo", QtWarningMsg)

using httplib::Request;
using httplib::Response;
using Handler = std::function<void(const Request&, Response&)>;

const char kHtml[] = "text/html; charset=gbk";
const char kText[] = "text/plain; charset=gbk";
const char kBinary[] = "application/octet-stream";
const char kVideo[] = "video/mp4";

bool starts_with(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The client builds some addresses as base + "/tv", so "/soft//tv" and
// "/soft/tv" are one page.
std::string collapse_slashes(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        if (c != '/' || out.empty() || out.back() != '/')
            out += c;
    }
    return out;
}

std::string content_type_for(const std::string& path) {
    if (ends_with(path, ".txt"))
        return kText;
    if (ends_with(path, ".exe") || starts_with(path, "/seed/"))
        return kBinary;
    if (starts_with(path, "/media/"))
        return kVideo;
    return kHtml;
}

std::string raw_query(const Request& req) {
    const auto mark = req.target.find('?');
    return mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
}

std::string gbk(const QString& text) {
    const QByteArray bytes = to_gbk(text);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void send_gbk(Response& res, const QString& text, const char* type = kHtml) {
    res.set_header("Cache-Control", "no-cache");
    res.set_content(gbk(text), type);
}

// A dropped connection or a client gone mid-reply must not end the process.
void block_sigpipe() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// One reply of a clip, as its content provider sends it.
struct ClipReply {
    const demo::Clip* clip = nullptr;
    bool seed = false;
    std::int64_t start = 0;
    int local_port = -1;
    int remote_port = -1;
};

} // namespace

struct DemoServer::Impl {
    demo::Switches switches;
    demo::MediaLibrary media;
    std::unique_ptr<httplib::Server> http;
    std::thread thread;
    int port = 0;
    std::map<std::string, Handler> pages;
    std::map<std::string, std::string> torrents; // by the clip's SHA-1, made at start
    demo::Tracker tracker;
    std::atomic<std::int64_t> seed_bytes{0};

    Impl();
    demo::SiteContext site() const;
    void handle(const Request& req, Response& res);
    bool route(const std::string& path, const Request& req, Response& res);
    void make_torrents();
    void announce(const Request& req, Response& res);
    void serve_clip(const demo::Clip& clip, bool seed, const Request& req, Response& res);
    bool send_piece(const ClipReply& reply, std::size_t offset, std::size_t length,
                    httplib::DataSink& sink);
    bool wait_past_stall(const ClipReply& reply, std::int64_t at);
};

DemoServer::Impl::Impl() {
    const auto page = [](QString (*make)()) {
        return [make](const Request&, Response& res) { send_gbk(res, make()); };
    };
    const auto placeholder = [](const char* text) {
        return [text](const Request&, Response& res) { res.set_content(text, kBinary); };
    };
    pages["/soft/"] = page(demo::home_page);
    pages["/soft/index.htm"] = page(demo::home_page);
    pages["/soft/search.htm"] = [](const Request& req, Response& res) {
        const std::string words = req.get_param_value("wd");
        send_gbk(res, demo::search_page(from_gbk(QByteArray::fromStdString(words))));
    };
    pages["/soft/h.asp"] = [this](const Request& req, Response& res) {
        const auto param = [&](const char* key) {
            return QString::fromStdString(req.get_param_value(key));
        };
        send_gbk(res, demo::play_reply(site(), param("id"), param("v"), param("v1")));
    };
    pages["/soft/play.htm"] = [this](const Request& req, Response& res) {
        send_gbk(res, demo::web_player_page(site(), QString::fromStdString(raw_query(req))));
    };
    pages["/soft/pp.htm"] = [](const Request& req, Response& res) {
        send_gbk(res, demo::episode_page(QString::fromStdString(raw_query(req))));
    };
    pages["/soft/lib/wen.txt"] = [this](const Request&, Response& res) {
        send_gbk(res, demo::notice_file(site()), kText);
    };
    pages["/soft/tj/tj.asp"] = page(demo::stats_page);
    pages["/soft/js/ads/softad.html"] = page(demo::softad_page);
    pages["/soft/js/ads/qvodad.html"] = page(demo::qvodad_page);
    pages["/soft/js/ads/fudong.html"] = page(demo::fudong_page);
    pages["/js/ads/fudong.html"] = page(demo::fudong_page);
    for (const char* root : {"", "/soft"}) {
        pages[std::string(root) + "/tv"] = page(demo::tv_page);
        pages[std::string(root) + "/yy"] = page(demo::recommendations_page);
    }
    pages["/soft/update/setup.exe"] = placeholder("Kelvara 2.1 setup (demo placeholder)\r\n");
    pages["/soft/update/update.exe"] = placeholder("Kelvara 2.1 updater (demo placeholder)\r\n");
    pages["/soft/update/qvod.html"] = page(demo::qvod_download_page);
    pages["/"] = [](const Request&, Response& res) { res.set_redirect("/soft/"); };
    pages["/soft"] = pages["/"];
}

demo::SiteContext DemoServer::Impl::site() const {
    return {QStringLiteral("http://127.0.0.1:%1").arg(port), &media};
}

void DemoServer::Impl::handle(const Request& req, Response& res) {
    // Every reply goes over loopback, where compressing only costs both ends
    // time: httplib picks brotli when a browser accepts it, 40 ms for the
    // home page against 1 ms plain, while the client's panes load.
    const_cast<Request&>(req).headers.erase("Accept-Encoding");
    const std::string path = collapse_slashes(req.path);
    switches.record(path, req.target);

    const auto delay = switches.delay(path);
    if (delay.count() > 0 && !switches.sleep_until(std::chrono::steady_clock::now() + delay))
        return;

    const DemoFailure failure = switches.failure(path);
    if (failure == DemoFailure::close_connection) {
        if (demo::drop_connection(req.local_port, req.remote_port))
            return;
        qCWarning(lc_demo) << "cannot find the connection of" << req.target.c_str();
    }
    if (failure != DemoFailure::none) {
        res.status = 500;
        send_gbk(res, demo::error_page());
        return;
    }
    if (const auto body = switches.fixed_body(path)) {
        res.set_header("Cache-Control", "no-cache");
        res.set_content(*body, content_type_for(path));
        return;
    }
    if (!route(path, req, res)) {
        res.status = 404;
        send_gbk(res, demo::not_found_page());
    }
}

bool DemoServer::Impl::route(const std::string& path, const Request& req, Response& res) {
    if (const auto it = pages.find(path); it != pages.end()) {
        it->second(req, res);
        return true;
    }
    if (starts_with(path, "/soft/show/") && ends_with(path, ".html")) {
        const std::string id = path.substr(11, path.size() - 11 - 5);
        const demo::CatalogueTitle* title =
            demo::find_title(QString::fromStdString(id).toLongLong());
        if (!title)
            return false;
        send_gbk(res, demo::title_page(site(), *title));
        return true;
    }
    if (path == "/announce") {
        announce(req, res);
        return true;
    }
    if (starts_with(path, "/seed/") && ends_with(path, ".torrent")) {
        const auto torrent = torrents.find(path.substr(6, path.size() - 6 - 8));
        if (torrent != torrents.end())
            res.set_content(torrent->second, "application/x-bittorrent");
        return torrent != torrents.end();
    }
    if (starts_with(path, "/seed/")) {
        const demo::Clip* clip = media.by_sha1(path.substr(6));
        if (clip)
            serve_clip(*clip, true, req, res);
        return clip != nullptr;
    }
    if (starts_with(path, "/media/")) {
        const demo::Clip* clip = media.by_file(path.substr(7));
        if (clip)
            serve_clip(*clip, false, req, res);
        return clip != nullptr;
    }
    return false;
}

// Made once the port is known: the torrents name this server's seeds and tracker.
void DemoServer::Impl::make_torrents() {
    torrents.clear();
    const std::string root = "http://127.0.0.1:" + std::to_string(port);
    for (const auto& [file, clip] : media.clips()) {
        demo::TorrentFields fields = demo::torrent_of(clip.bytes);
        fields.name = file;
        fields.announce = root + "/announce";
        fields.web_seed = root + "/seed/" + clip.sha1;
        torrents[clip.sha1] = demo::torrent_file(fields);
    }
}

void DemoServer::Impl::announce(const Request& req, Response& res) {
    const std::string port_text = req.get_param_value("port");
    int peer_port = 0;
    for (const char c : port_text)
        peer_port = c >= '0' && c <= '9' && peer_port < 65536 ? peer_port * 10 + (c - '0') : 65536;
    res.set_header("Cache-Control", "no-cache");
    res.set_content(tracker.announce(req.get_param_value("info_hash"), req.remote_addr, peer_port,
                                     req.get_param_value("event")),
                    "text/plain");
}

void DemoServer::Impl::serve_clip(const demo::Clip& clip, bool seed, const Request& req,
                                  Response& res) {
    const auto size = static_cast<std::int64_t>(clip.bytes.size());
    const demo::RangeAnswer answer = demo::answer_range(req.get_header_value("Range"), size);
    // httplib would cut the reply to the requested range a second time.
    const_cast<Request&>(req).ranges.clear();
    const char* type = seed ? kBinary : kVideo;
    res.set_header("Accept-Ranges", "bytes");
    if (answer.status == 416) {
        res.status = 416;
        res.set_header("Content-Range", demo::content_range(answer, size));
        res.set_content("", type);
        return;
    }
    res.status = answer.status;
    if (answer.status == 206)
        res.set_header("Content-Range", demo::content_range(answer, size));
    ClipReply reply{&clip, seed, answer.offset, req.local_port, req.remote_port};
    res.set_content_provider(
        static_cast<std::size_t>(answer.length), type,
        [this, reply](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return send_piece(reply, offset, length, sink);
        });
}

bool DemoServer::Impl::send_piece(const ClipReply& reply, std::size_t offset, std::size_t length,
                                  httplib::DataSink& sink) {
    const std::string& bytes = reply.clip->bytes;
    const std::int64_t at = reply.start + static_cast<std::int64_t>(offset);
    std::int64_t piece = std::min<std::int64_t>(static_cast<std::int64_t>(length), 64 * 1024);
    std::int64_t rate = 0;
    if (reply.seed) {
        if (!wait_past_stall(reply, at))
            return false;
        if (const auto stall = switches.seed_stall(reply.clip->sha1))
            piece = std::min(piece, *stall - at);
        if (piece <= 0)
            return true; // stalled again meanwhile: the next call waits
        rate = switches.seed_rate();
        if (rate > 0)
            piece = std::clamp<std::int64_t>(rate / 10, 1, piece);
    }
    std::string data = bytes.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(piece));
    if (reply.seed && switches.seed_corrupt(reply.clip->sha1)) {
        const auto middle = static_cast<std::int64_t>(bytes.size() / 2);
        if (middle >= at && middle < at + piece)
            data[static_cast<std::size_t>(middle - at)] =
                static_cast<char>(~data[static_cast<std::size_t>(middle - at)]);
    }
    if (!sink.write(data.data(), data.size()))
        return false;
    if (reply.seed)
        seed_bytes += static_cast<std::int64_t>(data.size());
    if (rate > 0) {
        const auto pause = std::chrono::microseconds(piece * 1000000 / rate);
        return switches.sleep_until(std::chrono::steady_clock::now() + pause);
    }
    return true;
}

bool DemoServer::Impl::wait_past_stall(const ClipReply& reply, std::int64_t at) {
    const auto stalled = [&] {
        const auto stall = switches.seed_stall(reply.clip->sha1);
        return stall && *stall <= at;
    };
    if (!stalled())
        return true;
    // A client that gives up on a stalled seed frees its thread.
    const int socket = demo::find_connection(reply.local_port, reply.remote_port);
    return switches.wait([&] { return !stalled(); },
                         [&] { return socket >= 0 && demo::peer_closed(socket); });
}

DemoServer::DemoServer() : impl_(std::make_unique<Impl>()) {}

DemoServer::~DemoServer() {
    stop();
}

bool DemoServer::start(int port, const std::string& media_dir) {
    if (running())
        return false;
    const QString folder = media_dir.empty() ? program_files().data_dir + QLatin1String("/media")
                                             : QString::fromStdString(media_dir);
    if (impl_->media.load(folder) == 0)
        qCWarning(lc_demo) << "no clips in" << folder << "- episodes have no play address";

    auto http = std::make_unique<httplib::Server>();
    // Stalled and throttled seeds hold a thread each.
    http->new_task_queue = [] { return new httplib::ThreadPool(32); };
    // httplib's default adds SO_REUSEPORT, which would let a second server share the port.
    http->set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    http->Get(".*",
              [impl = impl_.get()](const Request& req, Response& res) { impl->handle(req, res); });
    const int bound = port == 0 ? http->bind_to_any_port("127.0.0.1")
                                : (http->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        qCWarning(lc_demo) << "cannot listen on 127.0.0.1 port" << port;
        impl_->media.clear();
        return false;
    }
    impl_->port = bound;
    impl_->make_torrents();
    impl_->http = std::move(http);
    impl_->switches.set_stopping(false);
    impl_->thread = std::thread([server = impl_->http.get()] {
        block_sigpipe();
        server->listen_after_bind();
    });
    // stop() only reaches a server that has begun listening.
    while (!impl_->http->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    qCDebug(lc_demo) << "serving" << base_url().c_str();
    return true;
}

void DemoServer::stop() {
    if (!impl_->http)
        return;
    impl_->switches.set_stopping(true);
    impl_->http->stop();
    if (impl_->thread.joinable())
        impl_->thread.join();
    impl_->http.reset();
    impl_->media.clear();
    impl_->port = 0;
}

bool DemoServer::running() const {
    return impl_->http != nullptr;
}

int DemoServer::port() const {
    return impl_->port;
}

std::string DemoServer::base_url() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + "/soft/";
}

std::string DemoServer::seed_url() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + "/seed/";
}

std::int64_t DemoServer::seed_bytes_sent() const {
    return impl_->seed_bytes;
}

std::vector<DemoClip> DemoServer::clips() const {
    std::vector<DemoClip> out;
    for (const auto& [file, clip] : impl_->media.clips())
        out.push_back({file, clip.sha1, static_cast<std::int64_t>(clip.bytes.size())});
    return out;
}

void DemoServer::set_delay(const std::string& path, std::chrono::milliseconds delay) {
    impl_->switches.set_delay(path, delay);
}

void DemoServer::set_failure(const std::string& path, DemoFailure failure) {
    impl_->switches.set_failure(path, failure);
}

void DemoServer::set_fixed_body(const std::string& path, std::optional<std::string> body) {
    impl_->switches.set_fixed_body(path, std::move(body));
}

void DemoServer::set_seed_rate(std::int64_t bytes_per_second) {
    impl_->switches.set_seed_rate(bytes_per_second);
}

void DemoServer::set_seed_stall(const std::string& sha1, std::optional<std::int64_t> offset) {
    impl_->switches.set_seed_stall(sha1, offset);
}

void DemoServer::set_seed_corrupt(const std::string& sha1, bool corrupt) {
    impl_->switches.set_seed_corrupt(sha1, corrupt);
}

void DemoServer::reset_switches() {
    impl_->switches.reset();
}

int DemoServer::request_count(const std::string& path) const {
    return impl_->switches.count(path);
}

std::vector<std::string> DemoServer::requests() const {
    return impl_->switches.targets();
}

void DemoServer::clear_requests() {
    impl_->switches.clear_requests();
}

} // namespace kelvara
