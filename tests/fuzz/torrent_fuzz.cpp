// A film's torrent as a source serves it (<base><sha1>.torrent), checked
// against the address of a 1 MiB film.
//
// Input: the .torrent's bytes.

#include "fuzz_support.h"
#include "swarm.h"

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const FileKey key{"3b71f43ff30f4b15b5cd85dd9e95ebc7e84eb5a3", 1 << 20, "影片.mp4"};
    std::string why;
    if (const std::optional<FilmTorrent> torrent = check_torrent(bytes, key, why)) {
        FUZZ_CHECK(torrent->bytes == bytes);
        FUZZ_CHECK(torrent->piece_size >= 16 * 1024 && torrent->piece_size <= 16 * 1024 * 1024);
        FUZZ_CHECK(why.empty());
    } else {
        FUZZ_CHECK(!why.empty());
    }
    return 0;
}
