#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace kelvara {

// Where an address is played from: a local file, an http(s) address mpv
// fetches itself, or a qvod:// address the QVOD terminal fetches and serves.
enum class SourceKind { Local, Network, Qvod };
SourceKind source_kind(const QString& address);
// An http(s) address of this machine (localhost, 127.0.0.0/8, [::1]): the
// QVOD terminal's streams and local servers, never read through a proxy.
bool loopback_address(const QString& address);

// The properties the player control observes. The id travels with each
// observation as its user data.
enum class MpvProperty : std::uint64_t {
    TimePos = 1,
    Duration,
    Pause,
    CoreIdle,
    PausedForCache,
    CacheSpeed,
    CacheState,
    Volume,
    Mute,
    EofReached,
    VideoBitrate,
    AudioBitrate,
    FileSize,
};

enum class ValueKind { Flag, Int64, Double, Node };

struct ObservedProperty {
    MpvProperty id;
    const char* name;
    ValueKind kind;
};
std::span<const ObservedProperty> observed_properties();

// The parts of demuxer-cache-state the control reads.
struct CacheState {
    double cache_end = -1; // seconds of the film buffered up to; -1 unknown
    bool eof_cached = false;
    bool fully_read = false; // the reader hit the end of the file and stopped
};

// Progress of a qvod:// address as the terminal reports it.
struct TerminalStatus {
    int permille = 0;          // thousandths of the file on disk
    int rate_kbs = 0;          // current download rate, KB/s
    bool connecting = false;   // no source answered yet
    bool reconnecting = false; // a source failed; retrying
    bool failed = false;       // cannot go on (disk full, folder unwritable...)
};

enum class EndReason { Eof, Stop, Quit, Error, Redirect };

// std::monostate: the property is unavailable.
using PropertyValue = std::variant<std::monostate, bool, std::int64_t, double, CacheState>;

// What happens to the player: the control's own commands ("...Issued") and
// libmpv's events, in the order they happen.
namespace player_event {
// loadfile sent; mpv numbers playlist entries 1, 2, 3... in the order they
// are added, so the control knows the entry id of each file it loads.
struct LoadIssued {
    SourceKind source;
    std::int64_t entry_id;
};
// A qvod:// address whose local stream is not available yet.
struct StreamPending {};
struct LoadFailed {};
struct StopIssued {};
struct PauseIssued {
    bool paused;
};
struct SeekIssued {
    double seconds;
};
struct VolumeIssued {
    int volume;
};
struct MuteIssued {
    bool mute;
};
struct StartFile {
    std::int64_t entry_id;
};
struct FileLoaded {};
struct PlaybackRestart {};
struct EndFile {
    EndReason reason;
    std::int64_t entry_id;
    std::int64_t insert_id = 0; // first entry a playlist address expanded to
};
struct PropertyChanged {
    MpvProperty property;
    PropertyValue value;
};
struct Terminal {
    std::optional<TerminalStatus> status;
};
} // namespace player_event

using PlayerEvent =
    std::variant<player_event::LoadIssued, player_event::StreamPending, player_event::LoadFailed,
                 player_event::StopIssued, player_event::PauseIssued, player_event::SeekIssued,
                 player_event::VolumeIssued, player_event::MuteIssued, player_event::StartFile,
                 player_event::FileLoaded, player_event::PlaybackRestart, player_event::EndFile,
                 player_event::PropertyChanged, player_event::Terminal>;

enum class PlayPhase {
    Empty,         // nothing asked for yet
    StreamPending, // qvod:// address waiting for the terminal's stream
    Opening,       // loading, before the first frame
    Running,       // the file is loaded and has started
    Stopped,       // stopped by the control
    Ended,         // the file ended and was unloaded
    Failed,        // the file could not be played
};

// The player control's state, reduced from the events above: the values
// its members report, without libmpv.
class MpvState {
public:
    void apply(const PlayerEvent& event);

    PlayPhase phase() const { return phase_; }
    SourceKind source() const { return source_; }
    // The play-state code (PlayStateCode); mpv_player.h says which apply when.
    int play_state() const;
    int position() const;
    int duration() const;
    int volume() const;
    bool muted() const { return mute_; }
    int download_rate() const;
    int download_permille() const;
    int bit_rate() const;

    bool paused() const { return paused_; }
    bool at_end() const;
    // A file is running in mpv: seeking works.
    bool file_ready() const;
    // mpv started a file the control did not ask for (it moved along its
    // playlist after a failure); the control stops it.
    bool foreign_file() const { return foreign_id_ != 0; }
    std::int64_t foreign_id() const { return foreign_id_; }
    // The whole current file is in mpv's cache.
    bool fully_read() const;

private:
    void on(const player_event::LoadIssued& e);
    void on(const player_event::StreamPending&);
    void on(const player_event::LoadFailed&);
    void on(const player_event::StopIssued&);
    void on(const player_event::PauseIssued& e) { paused_ = e.paused; }
    void on(const player_event::SeekIssued& e);
    void on(const player_event::VolumeIssued& e);
    void on(const player_event::MuteIssued& e) { mute_ = e.mute; }
    void on(const player_event::StartFile&);
    void on(const player_event::FileLoaded&);
    void on(const player_event::PlaybackRestart&);
    void on(const player_event::EndFile& e);
    void on(const player_event::PropertyChanged& e);
    void on(const player_event::Terminal& e) { terminal_ = e.status; }

    void drop_file();
    // The latest file loaded is still wanted: not stopped, ended or replaced
    // by a stream that is not there yet.
    bool file_wanted() const;
    bool per_file_values_valid() const;
    int waiting_state(int otherwise) const;

    PlayPhase phase_ = PlayPhase::Empty;
    SourceKind source_ = SourceKind::Local;
    std::int64_t load_id_ = 0; // entry of the latest file loaded
    bool file_active_ = false; // between its start and its end
    bool file_loaded_ = false;
    std::int64_t foreign_id_ = 0;
    std::optional<double> seek_target_;
    bool seek_restarted_ = false;
    std::optional<TerminalStatus> terminal_;

    // The latest values libmpv delivered (its notifications are eventually
    // consistent, so these are kept whatever file they came with; the
    // getters decide when they apply).
    double time_pos_ = 0;
    double duration_ = 0;
    bool paused_ = false;
    bool core_idle_ = true;
    bool paused_for_cache_ = false;
    std::int64_t cache_speed_ = 0;
    CacheState cache_;
    double volume_ = 100;
    bool mute_ = false;
    bool eof_reached_ = false;
    double video_bitrate_ = 0;
    double audio_bitrate_ = 0;
    std::int64_t file_size_ = 0;
};

} // namespace kelvara
