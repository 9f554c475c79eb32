#pragma once

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace kelvara::demo {

// Bencoding (BEP 3) of the few values a torrent and a tracker reply hold.
std::string bencode_string(std::string_view text);
std::string bencode_integer(std::int64_t value);

// The parts of a single-file v1 torrent.
struct TorrentFields {
    std::string name;         // the file's name in the torrent
    std::string sha1;         // the whole file's SHA-1, hexadecimal (BEP 47 "sha1")
    std::int64_t length = 0;  // the file's size
    std::int64_t piece = 0;   // piece length
    std::string piece_hashes; // 20 bytes per piece
    std::string announce;     // the tracker
    std::string web_seed;     // url-list: the file's HTTP address (BEP 19)
};

// The 20-byte SHA-1 of `bytes`, and the same as 40 lower-case hexadecimal
// digits. OpenSSL's: Qt's took 11 ms of the client's start over the clips.
std::string sha1_digest(std::string_view bytes);
std::string sha1_hex(std::string_view bytes);

// Piece length and hashes of `bytes` for a torrent: 16 KiB pieces, doubled
// until the file has at most 2048.
TorrentFields torrent_of(const std::string& bytes);
// The .torrent file: announce, url-list, and the info dictionary with the
// keys in sorted order, as the info-hash is taken over it.
std::string torrent_file(const TorrentFields& fields);

// An HTTP tracker (BEP 3, compact peer lists of BEP 23) for the demo's
// torrents: peers that announced within the last two intervals.
class Tracker {
public:
    static constexpr int kIntervalSeconds = 60;

    // The bencoded reply to an announce from `address` (IPv4 text) with the
    // request's raw info_hash, port and event; a failure reason for a
    // malformed one.
    std::string announce(const std::string& info_hash, const std::string& address, int port,
                         const std::string& event);

private:
    using Clock = std::chrono::steady_clock;
    struct Peer {
        std::string compact; // 4 address bytes, 2 port bytes
        Clock::time_point seen;
    };
    void drop_old(Clock::time_point now);

    std::mutex mutex_;
    // info-hash -> peer key ("address:port") -> peer
    std::map<std::string, std::map<std::string, Peer>> swarms_;
};

} // namespace kelvara::demo
