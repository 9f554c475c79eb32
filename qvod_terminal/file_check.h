#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct evp_md_ctx_st EVP_MD_CTX;

namespace kelvara {

// SHA-1 through OpenSSL, whose assembly (SHA extensions where the processor
// has them) keeps the check of a film well behind the disk in cost.
class Sha1 {
public:
    Sha1();
    ~Sha1();
    Sha1(const Sha1&) = delete;
    Sha1& operator=(const Sha1&) = delete;

    void add(const char* data, size_t length);
    // The lower-case hexadecimal digest; the hash starts over afterwards.
    std::string hex();
    void reset();

private:
    EVP_MD_CTX* context_;
};

// Adds bytes from..to-1 of a file to a hash; false when they cannot all be
// read.
bool hash_file_bytes(Sha1& hash, int fd, int64_t from, int64_t to);

// Whether the file holds exactly `size` bytes.
bool file_has_size(int fd, int64_t size);

} // namespace kelvara
