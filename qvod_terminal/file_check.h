#pragma once

#include <cstdint>
#include <string>

namespace kelvara {

// The lower-case hexadecimal SHA-1 of the first `size` bytes of a file;
// empty when they cannot all be read.
std::string file_sha1(int fd, int64_t size);

// Whether the file holds exactly `size` bytes whose SHA-1 is `sha1`.
bool file_has_sha1(int fd, int64_t size, const std::string& sha1);

} // namespace kelvara
