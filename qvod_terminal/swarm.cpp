#include "swarm.h"

#include "part_file.h"
#include "shared/hex.h"
#include "shared/qvod_terminal_api.h"
#include "source_fetch.h"
#include "terminal_log.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <libtorrent/add_torrent_params.hpp>
#include <libtorrent/alert_types.hpp>
#include <libtorrent/bdecode.hpp>
#include <libtorrent/hasher.hpp>
#include <libtorrent/posix_disk_io.hpp>
#include <libtorrent/session.hpp>
#include <libtorrent/session_params.hpp>
#include <libtorrent/settings_pack.hpp>
#include <libtorrent/torrent_handle.hpp>
#include <libtorrent/torrent_info.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace lt = libtorrent;

namespace kelvara {

namespace {

using namespace std::chrono_literals;

// A torrent of a 1 TiB film in 16 MiB pieces holds 1.3 MB of hashes.
constexpr int64_t kLargestTorrent = 4 * 1024 * 1024;
constexpr int64_t kSmallestPiece = 16 * 1024;
constexpr int64_t kLargestPiece = 16 * 1024 * 1024;
constexpr int kMostPieces = 1 << 20;
constexpr long kTorrentTimeoutMs = 5000;
// Bytes wanted soon after a read position: they get deadlines.
constexpr int64_t kDeadlineBytes = 2 * 1024 * 1024;
constexpr int kMostDeadlines = 64;
constexpr int kDeadlineStepMs = 150;
// The web seed is the operator's bandwidth: it leaves while a peer holding
// the whole film is connected, and comes back when a reader or the download
// waits this long.
constexpr auto kWebSeedGrace = 1s;
constexpr auto kReaderPatience = 400ms;
constexpr auto kTick = 50ms;
constexpr auto kSessionStartDelay = 2s; // after the terminal's start
constexpr auto kPeerCheck = 100ms;
const char kListenPort[] = "6881";

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    if (int64_t(body->size() + size * count) > kLargestTorrent)
        return 0; // no torrent is that large
    body->append(data, size * count);
    return size * count;
}

std::optional<std::string> http_get(const std::string& url, long timeout_ms) {
    CURL* curl = curl_easy_init();
    if (!curl)
        return std::nullopt;
    std::string body;
    set_source_request(curl, url);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK)
        return std::nullopt;
    return body;
}

std::optional<std::string> read_small_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestTorrent) {
        std::string bytes(size_t(info.st_size), '\0');
        if (read_all_at(fd, bytes.data(), info.st_size, 0) == 0)
            text = std::move(bytes);
    }
    ::close(fd);
    return text;
}

bool has_seed_peer(const lt::torrent_handle& handle) {
    std::vector<lt::peer_info> peers;
    handle.get_peer_info(peers);
    for (const lt::peer_info& peer : peers) {
        if (peer.connection_type == lt::peer_info::standard_bittorrent &&
            (peer.flags & lt::peer_info::seed))
            return true;
    }
    return false;
}

lt::settings_pack session_settings(const SwarmConfig& config) {
    lt::settings_pack pack;
    pack.set_str(lt::settings_pack::user_agent, "QvodTerminal");
    pack.set_int(lt::settings_pack::alert_mask,
                 lt::alert_category::status | lt::alert_category::error |
                     lt::alert_category::storage | lt::alert_category::piece_progress |
                     lt::alert_category::tracker);
    pack.set_int(lt::settings_pack::upload_rate_limit, config.upload_kbs * 1024);
    // A web seed asked for a piece at a time leaves the rest to the peers.
    pack.set_int(lt::settings_pack::urlseed_max_request_bytes, int(kSmallestPiece));
    pack.set_int(lt::settings_pack::urlseed_timeout, std::max(1, config.stall_ms / 1000));
    pack.set_int(lt::settings_pack::urlseed_wait_retry, 2);
    pack.set_bool(lt::settings_pack::enable_upnp, !config.local_only);
    pack.set_bool(lt::settings_pack::enable_natpmp, !config.local_only);
    pack.set_bool(lt::settings_pack::enable_lsd, false);
    pack.set_bool(lt::settings_pack::enable_dht, false);
    if (config.local_only) {
        pack.set_str(lt::settings_pack::listen_interfaces, "127.0.0.1:0");
        pack.set_bool(lt::settings_pack::allow_multiple_connections_per_ip, true);
        pack.set_int(lt::settings_pack::min_reconnect_time, 1);
    } else {
        pack.set_str(lt::settings_pack::listen_interfaces,
                     std::string("0.0.0.0:") + kListenPort + ",[::]:" + kListenPort);
    }
    return pack;
}

} // namespace

bool is_loopback_url(const std::string& url) {
    for (const char* host : {"http://127.0.0.1", "http://localhost", "http://[::1]",
                             "https://127.0.0.1", "https://localhost", "https://[::1]"}) {
        const std::string prefix = host;
        if (url.compare(0, prefix.size(), prefix) == 0 &&
            (url.size() == prefix.size() || url[prefix.size()] == ':' || url[prefix.size()] == '/'))
            return true;
    }
    return false;
}

struct Swarm::Film {
    std::string sha1;
    lt::torrent_handle handle;
    std::shared_ptr<const lt::torrent_info> info;
    std::string web_seed;
    bool web_seed_added = false;
    bool seeding = false;
    Clock::time_point joined{};
    Clock::time_point last_piece{};
    std::optional<Clock::time_point> reader_waits; // since when a reader waits
    Clock::time_point peers_checked{};
    int wanted = -1;
    int passed = 0;               // pieces that passed their hash
    int failures = 0;             // pieces that failed it
    std::vector<int> unconfirmed; // finished by libtorrent, not yet seen on disk
};

std::optional<FilmTorrent> check_torrent(const std::string& bytes, const FileKey& key,
                                         std::string& why) {
    lt::error_code error;
    int error_at = 0;
    const lt::bdecode_node root = lt::bdecode(bytes, error, &error_at, 100, 100000);
    if (error || root.type() != lt::bdecode_node::dict_t) {
        why = "not a torrent";
        return std::nullopt;
    }
    const auto info =
        std::make_shared<lt::torrent_info>(lt::span<const char>(bytes), error, lt::from_span);
    if (error) {
        why = "not a torrent: " + error.message();
        return std::nullopt;
    }
    if (!info->info_hashes().has_v1() || info->num_files() != 1 || info->total_size() != key.size) {
        why = "not a single file of the address's size";
        return std::nullopt;
    }
    if (info->piece_length() < kSmallestPiece || info->piece_length() > kLargestPiece ||
        info->num_pieces() > kMostPieces) {
        why = "pieces out of bounds";
        return std::nullopt;
    }
    // The whole film's SHA-1 (BEP 47), where the torrent names one.
    const lt::bdecode_node film_hash = root.dict_find_dict("info").dict_find_string("sha1");
    const lt::string_view film_sha1 = film_hash ? film_hash.string_value() : lt::string_view();
    if (film_hash && hex_of(film_sha1.data(), film_sha1.size()) != key.sha1) {
        why = "another film";
        return std::nullopt;
    }
    return FilmTorrent{bytes, info->piece_length(), {}};
}

Swarm::Swarm(SwarmConfig config, SwarmListener& listener)
    : config_(std::move(config)), listener_(listener) {}

Swarm::~Swarm() {
    stop();
}

// libtorrent's session reads the system's certificates as it starts, some
// 30 ms of processor time. The terminal starts while the client's panes
// load: the session starts a little later, or with the first film that has
// a torrent if that comes first.
void Swarm::start() {
    starter_ = std::thread([this] {
        {
            std::unique_lock lock(session_mutex_);
            starter_wake_.wait_for(lock, kSessionStartDelay, [this] { return stopping_.load(); });
        }
        with_session([](lt::session&) {});
    });
}

bool Swarm::with_session(const std::function<void(lt::session&)>& use) {
    std::lock_guard lock(session_mutex_);
    if (stopping_)
        return false;
    if (!session_) {
        lt::session_params params(session_settings(config_));
        // Writes and reads go straight to the file: a piece libtorrent
        // reports finished is on disk for the readers.
        params.disk_io_constructor = lt::posix_disk_io_constructor;
        session_ = std::make_unique<lt::session>(std::move(params));
        alerts_ = std::thread([this] { run_alerts(); });
    }
    use(*session_);
    return true;
}

void Swarm::stop() {
    bool started = false;
    {
        std::lock_guard lock(session_mutex_);
        if (stopping_.exchange(true))
            return;
        started = session_ != nullptr;
    }
    starter_wake_.notify_all();
    if (starter_.joinable())
        starter_.join();
    if (!started)
        return;
    // Unlocked: the alerts' listeners may call back into the swarm.
    if (alerts_.joinable())
        alerts_.join();
    std::lock_guard lock(session_mutex_);
    // Peers and the tracker hear that this one goes, within a second.
    lt::settings_pack pack;
    pack.set_int(lt::settings_pack::stop_tracker_timeout, 1);
    session_->apply_settings(pack);
    session_.reset();
}

std::string Swarm::store_name(const std::string& sha1) {
    return "." + sha1 + ".kvswarm";
}

std::optional<FilmTorrent> Swarm::find(const FileKey& key,
                                       const std::vector<std::string>& sources) {
    // A source that does not answer delays the film's first bytes: all of
    // them together get a few seconds.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTorrentTimeoutMs);
    for (const std::string& base : sources) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const auto bytes = http_get(base + key.sha1 + ".torrent", long(left));
        if (!bytes)
            continue; // none there: HTTP as before
        std::string why;
        auto torrent = check_torrent(*bytes, key, why);
        if (!torrent) {
            qCInfo(lcTerminal) << "refusing the torrent of" << key.sha1.c_str() << "from"
                               << base.c_str() << why.c_str();
            continue;
        }
        torrent->web_seed = base + key.sha1;
        return torrent;
    }
    return std::nullopt;
}

std::optional<FilmTorrent> Swarm::stored(const FileKey& key) {
    const auto bytes = read_small_file(config_.save_folder + store_name(key.sha1));
    if (!bytes)
        return std::nullopt;
    std::string why;
    return check_torrent(*bytes, key, why);
}

bool Swarm::keep(const std::string& sha1, const std::string& bytes) {
    const std::string path = config_.save_folder + store_name(sha1);
    const std::string temp = path + ".new";
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = write_all_at(fd, bytes.data(), int64_t(bytes.size()), 0) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool Swarm::add(const FileKey& key, const FilmTorrent& torrent, const std::string& file_name,
                const std::vector<bool>& have, bool seeding, bool foreground) {
    std::string why;
    if (!check_torrent(torrent.bytes, key, why))
        return false;
    lt::error_code error;
    auto info = std::make_shared<lt::torrent_info>(lt::span<const char>(torrent.bytes), error,
                                                   lt::from_span);
    if (error)
        return false;
    // The only web seed is the source the torrent came from (see below), not
    // what its url-list names; trackers on other machines are left out of a
    // local swarm.
    info->set_web_seeds({});
    if (config_.local_only) {
        std::vector<lt::announce_entry> trackers;
        for (const lt::announce_entry& tracker : info->trackers()) {
            if (is_loopback_url(tracker.url))
                trackers.push_back(tracker);
        }
        info->clear_trackers();
        for (const lt::announce_entry& tracker : trackers)
            info->add_tracker(tracker.url, tracker.tier);
    }
    lt::add_torrent_params params;
    params.ti = info;
    params.save_path = config_.save_folder;
    params.renamed_files[lt::file_index_t(0)] = file_name;
    params.flags &= ~(lt::torrent_flags::auto_managed | lt::torrent_flags::paused);
    if (seeding) {
        // A film is the user's: a piece that fails its check is never
        // fetched into it.
        params.flags |= lt::torrent_flags::seed_mode | lt::torrent_flags::upload_mode;
    } else {
        params.flags |= lt::torrent_flags::sequential_download;
        params.have_pieces.resize(info->num_pieces(), false);
        for (int piece = 0; piece < info->num_pieces() && piece < int(have.size()); ++piece) {
            if (have[size_t(piece)])
                params.have_pieces.set_bit(lt::piece_index_t(piece));
        }
        if (!foreground)
            params.piece_priorities.assign(size_t(info->num_pieces()), lt::low_priority);
        // Given at the start, the web seed is asked at once (one added later
        // waits for libtorrent's next one-second round); it leaves again
        // while a peer holds the film.
        if (!torrent.web_seed.empty())
            params.url_seeds.push_back(torrent.web_seed);
    }
    lt::torrent_handle handle;
    if (!with_session(
            [&](lt::session& session) { handle = session.add_torrent(std::move(params), error); }))
        return false;
    if (error) {
        qCInfo(lcTerminal) << "libtorrent refused" << key.sha1.c_str() << error.message().c_str();
        return false;
    }
    auto film = std::make_shared<Film>();
    film->sha1 = key.sha1;
    film->handle = handle;
    film->info = info;
    film->web_seed = torrent.web_seed;
    film->web_seed_added = !seeding && !torrent.web_seed.empty();
    film->seeding = seeding;
    film->joined = film->last_piece = Clock::now();
    std::shared_ptr<Film> replaced;
    {
        std::lock_guard lock(mutex_);
        replaced = std::exchange(films_[key.sha1], film);
    }
    if (replaced)
        with_session([&](lt::session& session) { session.remove_torrent(replaced->handle); });
    return true;
}

bool Swarm::join(const FileKey& key, const FilmTorrent& torrent, const std::vector<bool>& have,
                 bool foreground) {
    return add(key, torrent, terminal_api::data_file_name(key.sha1), have, false, foreground);
}

void Swarm::seed(const FileKey& key, const std::string& film_path) {
    const auto torrent = stored(key);
    if (torrent)
        add(key, *torrent, film_path.substr(film_path.rfind('/') + 1), {}, true, false);
}

void Swarm::want(const std::string& sha1, int piece) {
    std::lock_guard lock(mutex_);
    const auto it = films_.find(sha1);
    if (it == films_.end() || it->second->seeding)
        return;
    Film& film = *it->second;
    if (film.wanted != piece) {
        film.wanted = piece;
        film.reader_waits = Clock::now();
        film.handle.clear_piece_deadlines();
        const int count =
            int(std::clamp<int64_t>(kDeadlineBytes / film.info->piece_length(), 2, kMostDeadlines));
        for (int k = 0; k < count && piece + k < film.info->num_pieces(); ++k)
            film.handle.set_piece_deadline(lt::piece_index_t(piece + k), k * kDeadlineStepMs);
        // The web seed takes pieces by priority, not by deadline: the
        // window first, then the pieces after it in steps.
        std::vector<lt::download_priority_t> priorities(size_t(film.info->num_pieces()),
                                                        lt::default_priority);
        for (int k = 0; k < 3 * count && piece + k < film.info->num_pieces(); ++k)
            priorities[size_t(piece + k)] = lt::download_priority_t(std::uint8_t(7 - k / count));
        film.handle.prioritize_pieces(priorities);
    }
}

void Swarm::set_foreground(const std::string& sha1) {
    std::lock_guard lock(mutex_);
    for (const auto& [hash, film] : films_) {
        if (film->seeding)
            continue;
        const auto priority = hash == sha1 ? lt::default_priority : lt::low_priority;
        film->handle.prioritize_pieces(
            std::vector<lt::download_priority_t>(size_t(film->info->num_pieces()), priority));
    }
}

bool Swarm::piece_matches(const std::string& sha1, int piece, const char* data, int64_t length) {
    std::shared_ptr<const lt::torrent_info> info;
    {
        std::lock_guard lock(mutex_);
        const auto it = films_.find(sha1);
        if (it == films_.end())
            return false;
        info = it->second->info;
    }
    if (piece < 0 || piece >= info->num_pieces() ||
        length != info->piece_size(lt::piece_index_t(piece)))
        return false;
    return lt::hasher(data, int(length)).final() == info->hash_for_piece(lt::piece_index_t(piece));
}

void Swarm::finished(const std::string& sha1, const std::string& film_path) {
    std::lock_guard lock(mutex_);
    const auto it = films_.find(sha1);
    if (it == films_.end())
        return;
    // The file was renamed under libtorrent: it only changes its name for it.
    it->second->seeding = true;
    it->second->handle.set_flags(lt::torrent_flags::upload_mode);
    it->second->handle.rename_file(lt::file_index_t(0), film_path.substr(film_path.rfind('/') + 1));
}

void Swarm::leave(const std::string& sha1, bool forget) {
    std::shared_ptr<Film> film;
    {
        std::lock_guard lock(mutex_);
        const auto it = films_.find(sha1);
        if (it != films_.end()) {
            film = it->second;
            films_.erase(it);
        }
    }
    if (film)
        with_session([&](lt::session& session) { session.remove_torrent(film->handle); });
    if (forget)
        ::unlink((config_.save_folder + store_name(sha1)).c_str());
}

void Swarm::run_alerts() {
    while (!stopping_) {
        session_->wait_for_alert(kTick);
        handle_alerts();
        tick();
    }
}

void Swarm::handle_alerts() {
    std::vector<lt::alert*> alerts;
    session_->pop_alerts(&alerts);
    std::vector<std::pair<std::string, int>> pieces; // told outside the lock
    std::vector<std::string> broken;
    {
        std::lock_guard lock(mutex_);
        const auto film_of = [&](const lt::torrent_handle& handle) -> Film* {
            for (const auto& [sha1, film] : films_) {
                if (film->handle == handle)
                    return film.get();
            }
            return nullptr;
        };
        for (lt::alert* alert : alerts) {
            if (const auto* a = lt::alert_cast<lt::piece_finished_alert>(alert)) {
                if (Film* film = film_of(a->handle)) {
                    film->last_piece = Clock::now();
                    ++film->passed;
                    if (int(a->piece_index) == film->wanted)
                        film->reader_waits.reset();
                    pieces.emplace_back(film->sha1, int(a->piece_index));
                }
            } else if (const auto* a = lt::alert_cast<lt::hash_failed_alert>(alert)) {
                if (Film* film = film_of(a->handle))
                    ++film->failures;
            } else if (const auto* a = lt::alert_cast<lt::tracker_error_alert>(alert)) {
                if (Film* film = film_of(a->handle))
                    add_web_seed(*film);
            } else if (const auto* a = lt::alert_cast<lt::file_error_alert>(alert)) {
                // A seeded film the user deleted, or a disk that fails.
                if (Film* film = film_of(a->handle); film && film->seeding)
                    broken.push_back(film->sha1);
                qCDebug(lcTerminal) << "swarm:" << alert->message().c_str();
            } else if (alert->category() & lt::alert_category::error) {
                qCDebug(lcTerminal) << "swarm:" << alert->message().c_str();
            }
        }
    }
    for (const std::string& sha1 : broken)
        leave(sha1, true);
    confirm_pieces(pieces);
}

// Asks again about pieces not yet seen on disk, brings in the web seed where
// the swarm keeps a reader or the download waiting, and gives up on a film
// whose first pieces all failed: a torrent of other bytes than the source's
// (the web seed is banned at its first bad piece) would never finish.
void Swarm::tick() {
    std::vector<std::pair<std::string, int>> pieces;
    std::vector<std::string> refused;
    {
        std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        for (const auto& [sha1, film] : films_) {
            if (!film->seeding && film->passed == 0 && film->failures > 0) {
                refused.push_back(sha1);
                continue;
            }
            for (const int piece : film->unconfirmed)
                pieces.emplace_back(sha1, piece);
            film->unconfirmed.clear();
            if (film->seeding)
                continue;
            if (film->web_seed_added) {
                // A peer that holds the whole film is connected: the web seed
                // waits until it falls short. Peers a tracker merely names may
                // be gone.
                if (now - film->peers_checked > kPeerCheck) {
                    film->peers_checked = now;
                    if (has_seed_peer(film->handle)) {
                        film->handle.remove_url_seed(film->web_seed);
                        film->web_seed_added = false;
                        film->last_piece = now;
                        film->reader_waits.reset();
                    }
                }
                continue;
            }
            const bool reader_stuck =
                film->reader_waits && now - *film->reader_waits > kReaderPatience;
            if (reader_stuck || now - film->last_piece > kWebSeedGrace)
                add_web_seed(*film);
        }
    }
    for (const std::string& sha1 : refused) {
        qCInfo(lcTerminal) << "the swarm of" << sha1.c_str() << "sends no piece of the film";
        leave(sha1, true);
        listener_.swarm_refused(sha1);
    }
    confirm_pieces(pieces);
}

void Swarm::add_web_seed(Film& film) {
    if (film.web_seed_added || film.seeding || film.web_seed.empty())
        return;
    film.web_seed_added = true;
    film.handle.add_url_seed(film.web_seed);
}

// Hands the finished pieces to the downloads; a piece not yet whole on disk
// is asked about again at the next tick.
void Swarm::confirm_pieces(const std::vector<std::pair<std::string, int>>& pieces) {
    std::vector<std::pair<std::string, int>> again;
    for (const auto& [sha1, piece] : pieces) {
        if (!listener_.swarm_piece_done(sha1, piece))
            again.emplace_back(sha1, piece);
    }
    std::lock_guard lock(mutex_);
    for (const auto& [sha1, piece] : again) {
        if (const auto it = films_.find(sha1); it != films_.end())
            it->second->unconfirmed.push_back(piece);
    }
}

} // namespace kelvara
