#include "file_check.h"

#include "part_file.h"

#include <QCryptographicHash>
#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace kelvara {

std::string file_sha1(int fd, int64_t size) {
    constexpr int64_t kChunk = 1024 * 1024;
    std::vector<char> buffer(size_t(std::min(size, kChunk)) + 1);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int64_t offset = 0; offset < size;) {
        const int64_t length = std::min(kChunk, size - offset);
        if (read_all_at(fd, buffer.data(), length, offset) != 0)
            return {};
        hash.addData(QByteArrayView(buffer.data(), length));
        offset += length;
    }
    return hash.result().toHex().toStdString();
}

bool file_has_sha1(int fd, int64_t size, const std::string& sha1) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size != size)
        return false;
    return file_sha1(fd, size) == sha1;
}

} // namespace kelvara
