#include "file_check.h"

#include "part_file.h"
#include "shared/hex.h"

#include <algorithm>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <vector>

namespace kelvara {

Sha1::Sha1() : context_(EVP_MD_CTX_new()) {
    reset();
}

Sha1::~Sha1() {
    EVP_MD_CTX_free(context_);
}

void Sha1::reset() {
    EVP_DigestInit_ex(context_, EVP_sha1(), nullptr);
}

void Sha1::add(const char* data, size_t length) {
    EVP_DigestUpdate(context_, data, length);
}

std::string Sha1::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest, &length);
    reset();
    return hex_of(digest, length);
}

bool hash_file_bytes(Sha1& hash, int fd, int64_t from, int64_t to) {
    constexpr int64_t kChunk = 1024 * 1024;
    std::vector<char> buffer(size_t(std::clamp<int64_t>(to - from, 1, kChunk)));
    for (int64_t offset = from; offset < to;) {
        const int64_t length = std::min(kChunk, to - offset);
        if (read_all_at(fd, buffer.data(), length, offset) != 0)
            return false;
        hash.add(buffer.data(), size_t(length));
        offset += length;
    }
    return true;
}

bool file_has_size(int fd, int64_t size) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_size == size;
}

} // namespace kelvara
