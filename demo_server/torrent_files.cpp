#include "torrent_files.h"

#include "shared/hex.h"

#include <algorithm>
#include <arpa/inet.h>
#include <openssl/evp.h>

namespace kelvara::demo {

namespace {

constexpr std::int64_t kSmallestPiece = 16 * 1024;
constexpr std::int64_t kMostPieces = 2048;
constexpr std::size_t kMostSwarms = 1024;
constexpr std::size_t kMostPeersPerSwarm = 200;
constexpr int kPeersPerReply = 50;

std::string failure(const char* reason) {
    return "d" + bencode_string("failure reason") + bencode_string(reason) + "e";
}

} // namespace

std::string bencode_string(std::string_view text) {
    return std::to_string(text.size()) + ":" + std::string(text);
}

std::string bencode_integer(std::int64_t value) {
    return "i" + std::to_string(value) + "e";
}

std::string sha1_digest(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha1(), nullptr) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string sha1_hex(std::string_view bytes) {
    const std::string digest = sha1_digest(bytes);
    return hex_of(digest.data(), digest.size());
}

TorrentFields torrent_of(const std::string& bytes) {
    TorrentFields fields;
    fields.length = static_cast<std::int64_t>(bytes.size());
    fields.piece = kSmallestPiece;
    while ((fields.length + fields.piece - 1) / fields.piece > kMostPieces)
        fields.piece *= 2;
    const std::string_view all(bytes);
    for (std::int64_t at = 0; at < fields.length; at += fields.piece) {
        const auto n = std::min(fields.piece, fields.length - at);
        fields.piece_hashes += sha1_digest(all.substr(size_t(at), size_t(n)));
    }
    fields.sha1 = sha1_hex(bytes);
    return fields;
}

std::string torrent_file(const TorrentFields& fields) {
    std::string info = "d";
    info += bencode_string("length") + bencode_integer(fields.length);
    info += bencode_string("name") + bencode_string(fields.name);
    info += bencode_string("piece length") + bencode_integer(fields.piece);
    info += bencode_string("pieces") + bencode_string(fields.piece_hashes);
    if (!fields.sha1.empty()) {
        const QByteArray digest = QByteArray::fromHex(QByteArray::fromStdString(fields.sha1));
        info += bencode_string("sha1") + bencode_string(digest.toStdString());
    }
    info += "e";
    std::string torrent = "d";
    torrent += bencode_string("announce") + bencode_string(fields.announce);
    torrent += bencode_string("info") + info;
    torrent += bencode_string("url-list") + bencode_string(fields.web_seed);
    return torrent + "e";
}

std::string Tracker::announce(const std::string& info_hash, const std::string& address, int port,
                              const std::string& event) {
    in_addr parsed{};
    const bool is_v4 = ::inet_pton(AF_INET, address.c_str(), &parsed) == 1;
    const std::uint32_t v4 = ntohl(parsed.s_addr);
    if (info_hash.size() != 20)
        return failure("bad info_hash");
    if (!is_v4 || port <= 0 || port > 65535)
        return failure("bad peer address");
    const std::string key = address + ":" + std::to_string(port);
    const char compact[6] = {char(v4 >> 24), char(v4 >> 16),  char(v4 >> 8),
                             char(v4),       char(port >> 8), char(port)};

    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    drop_old(now);
    auto swarm = swarms_.find(info_hash);
    if (swarm == swarms_.end()) {
        if (swarms_.size() >= kMostSwarms)
            return failure("too many torrents");
        swarm = swarms_.emplace(info_hash, std::map<std::string, Peer>{}).first;
    }
    std::string peers;
    int listed = 0;
    for (const auto& [other, peer] : swarm->second) {
        if (other != key && listed++ < kPeersPerReply)
            peers += peer.compact;
    }
    if (event == "stopped")
        swarm->second.erase(key);
    else if (swarm->second.size() < kMostPeersPerSwarm || swarm->second.count(key))
        swarm->second[key] = Peer{std::string(compact, 6), now};
    return "d" + bencode_string("interval") + bencode_integer(kIntervalSeconds) +
           bencode_string("peers") + bencode_string(peers) + "e";
}

void Tracker::drop_old(Clock::time_point now) {
    const auto oldest = now - std::chrono::seconds(2 * kIntervalSeconds);
    for (auto swarm = swarms_.begin(); swarm != swarms_.end();) {
        std::erase_if(swarm->second, [&](const auto& entry) { return entry.second.seen < oldest; });
        swarm = swarm->second.empty() ? swarms_.erase(swarm) : std::next(swarm);
    }
}

} // namespace kelvara::demo
