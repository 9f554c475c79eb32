#pragma once

#include "download_task.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace libtorrent {
class session;
}

namespace kelvara {

// How the terminal shares: the sharing switch and upload cap of
// QvodPlayer.xml, and whether every source is on this machine.
struct SwarmConfig {
    std::string save_folder; // ends in "/"
    int upload_kbs = 0;      // 0: no cap
    // Sources on loopback only: the swarm stays on 127.0.0.1 (no DHT, local
    // discovery or port mapping, several peers per address).
    bool local_only = false;
    int stall_ms = 15000;
};

// A film's torrent as the terminal accepts it: a single-file v1 torrent of
// the address's size, naming no other SHA-1 for the film, with pieces the
// download record can hold.
struct FilmTorrent {
    std::string bytes; // the .torrent as fetched
    int64_t piece_size = 0;
    std::string web_seed; // the HTTP source it came from: <base><sha1>
};

// Checks the bytes of a .torrent against the address; the reason when it is
// refused.
std::optional<FilmTorrent> check_torrent(const std::string& bytes, const FileKey& key,
                                         std::string& why);

// Told when libtorrent has checked a piece of a film.
// An address on this machine: a swarm of such sources stays on 127.0.0.1.
bool is_loopback_url(const std::string& url);

class SwarmListener {
public:
    virtual ~SwarmListener() = default;
    // False when the piece is not (yet) on disk as its hash says: asked again.
    virtual bool swarm_piece_done(const std::string& sha1, int piece) = 0;
    // The swarm gave up on the film: its torrent does not fit what its
    // source serves. The film has left the swarm.
    virtual void swarm_refused(const std::string& sha1) = 0;
};

// The terminal's BitTorrent side: one libtorrent session that downloads the
// films that have a torrent, from peers and from their HTTP source as a web
// seed, into the download's own .<sha1>.kvtmp, and seeds the films held in
// the download folder while the terminal runs. Names in torrents are never
// used for files.
class Swarm {
public:
    Swarm(SwarmConfig config, SwarmListener& listener);
    ~Swarm();
    Swarm(const Swarm&) = delete;
    Swarm& operator=(const Swarm&) = delete;

    void start();
    void stop();

    // <base><sha1>.torrent from the first source that offers a fitting one.
    std::optional<FilmTorrent> find(const FileKey& key, const std::vector<std::string>& sources);
    // Keeps the torrent beside the download, .<sha1>.kvswarm, so that a
    // restart resumes and seeds without the source; false when it could not.
    bool keep(const std::string& sha1, const std::string& bytes);
    // The kept torrent, when it still fits the address.
    std::optional<FilmTorrent> stored(const FileKey& key);

    // Downloads the film into its .kvtmp, `have` holding the pieces already
    // there (in the torrent's piece size). False when libtorrent refused it.
    bool join(const FileKey& key, const FilmTorrent& torrent, const std::vector<bool>& have,
              bool foreground);
    // A reader waits at `piece`: it and the pieces after it come first.
    void want(const std::string& sha1, int piece);
    // The played film downloads at normal priority, the others at low.
    void set_foreground(const std::string& sha1);
    // Whether the bytes are the piece the torrent names.
    bool piece_matches(const std::string& sha1, int piece, const char* data, int64_t length);
    // The film was checked and kept at `film_path`: it is seeded from there.
    void finished(const std::string& sha1, const std::string& film_path);
    // Seeds a film held in the folder whose torrent was kept.
    void seed(const FileKey& key, const std::string& film_path);
    // Leaves the film's swarm; `forget` also removes its kept torrent.
    void leave(const std::string& sha1, bool forget);

    static std::string store_name(const std::string& sha1); // ".<sha1>.kvswarm"

private:
    struct Film;
    // Runs `use` on the session, which starts on first use; false, without,
    // once the swarm stops.
    bool with_session(const std::function<void(libtorrent::session&)>& use);
    void run_alerts();
    void handle_alerts();
    void tick();
    void confirm_pieces(const std::vector<std::pair<std::string, int>>& pieces);
    void add_web_seed(Film& film);
    bool add(const FileKey& key, const FilmTorrent& torrent, const std::string& file_name,
             const std::vector<bool>& have, bool seeding, bool foreground);

    const SwarmConfig config_;
    SwarmListener& listener_;
    std::mutex session_mutex_;             // guards session_'s start and end
    std::condition_variable starter_wake_; // the stop, to the starter
    std::thread starter_;
    std::unique_ptr<libtorrent::session> session_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Film>> films_; // by SHA-1
    std::thread alerts_;
    std::atomic<bool> stopping_{false};
};

} // namespace kelvara
