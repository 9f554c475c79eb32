#include "part_file.h"

#include "shared/qvod_terminal_api.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kelvara {

namespace {

int sync_folder_of(const std::string& path) {
    const size_t cut = path.rfind('/');
    const std::string folder = cut == std::string::npos ? "." : path.substr(0, cut + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::fsync(fd);
    ::close(fd);
    return 0;
}

} // namespace

std::string format_part_record(const PartRecord& record) {
    terminal_api::DownloadRecord text;
    text.sha1 = record.sha1;
    text.size = record.size;
    text.piece = record.pieces.piece_size();
    text.name = record.name;
    text.complete = record.complete;
    text.asked = record.asked;
    text.inode = record.inode;
    text.mtime_ns = record.mtime_ns;
    if (!record.complete)
        text.have = record.pieces.to_hex();
    return terminal_api::format_download_record(text);
}

std::optional<PartRecord> parse_part_record(std::string_view text) {
    const auto read = terminal_api::parse_download_record(text);
    if (!read)
        return std::nullopt;
    PartRecord record{read->sha1, read->size, read->name, PieceMap(read->size, read->piece)};
    record.complete = read->complete;
    record.asked = read->asked;
    record.inode = read->inode;
    record.mtime_ns = read->mtime_ns;
    if (record.complete) {
        for (int piece = 0; piece < record.pieces.count(); ++piece)
            record.pieces.set(piece);
    } else if (!record.pieces.from_hex(read->have)) {
        return std::nullopt;
    }
    return record;
}

bool save_part_record(const std::string& path, const PartRecord& record, RecordSync sync) {
    const bool flush = sync == RecordSync::Flushed;
    const std::string temp = path + ".new";
    const std::string text = format_part_record(record);
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = write_all_at(fd, text.data(), int64_t(text.size()), 0) == 0 &&
                         (!flush || ::fdatasync(fd) == 0);
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (flush)
        sync_folder_of(path);
    return true;
}

std::optional<PartRecord> load_part_record(const std::string& path) {
    // The bitmap of the most pieces a record may have, and some room.
    constexpr int64_t kLargestRecord = (int64_t(1) << 18) + 4096;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestRecord) {
        text.resize(size_t(info.st_size));
        if (read_all_at(fd, text.data(), info.st_size, 0) != 0)
            text.clear();
    }
    ::close(fd);
    return parse_part_record(text);
}

std::string io_failure_reason(int error_number) {
    switch (error_number) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return "disk-full";
    default:
        return "unwritable";
    }
}

int preallocate(int fd, int64_t size) {
    if (::fallocate(fd, 0, 0, size) == 0)
        return 0;
    const int error = errno;
    if (error != EOPNOTSUPP && error != ENOSYS)
        return error;
    return ::ftruncate(fd, size) == 0 ? 0 : errno;
}

int write_all_at(int fd, const char* data, int64_t length, int64_t offset) {
    while (length > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(length), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        length -= n;
        offset += n;
    }
    return 0;
}

int read_all_at(int fd, char* data, int64_t length, int64_t offset) {
    while (length > 0) {
        const ssize_t n = ::pread(fd, data, size_t(length), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        length -= n;
        offset += n;
    }
    return 0;
}

std::string safe_file_name(std::string_view name, std::string_view fallback) {
    constexpr size_t kLongestName = 200;
    std::string safe;
    for (const char c : name)
        safe += (c == '/' || c == '\\' || (unsigned char)c < 0x20 || c == 0x7f) ? '_' : c;
    if (safe.empty() || safe == "." || safe == "..")
        return std::string(fallback);
    if (safe.front() == '.')
        safe.front() = '_';
    if (safe.size() > kLongestName) {
        const size_t dot = safe.rfind('.');
        const std::string extension =
            dot != std::string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : "";
        size_t cut = kLongestName - extension.size();
        // Not inside a UTF-8 character, which is 4 bytes at most: a longer
        // run of continuation bytes is no UTF-8, and walking back through it
        // could leave no name at all.
        for (int back = 0; back < 3 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80;
             ++back)
            --cut;
        safe = safe.substr(0, cut) + extension;
    }
    return safe;
}

std::string numbered_name(const std::string& name, int n) {
    if (n <= 1)
        return name;
    const size_t dot = name.rfind('.');
    const bool has_extension = dot != std::string::npos && dot > 0;
    const std::string stem = has_extension ? name.substr(0, dot) : name;
    const std::string extension = has_extension ? name.substr(dot) : "";
    return stem + " (" + std::to_string(n) + ")" + extension;
}

int64_t free_bytes(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return -1;
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
}

int make_folders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
        struct stat info {};
        if (::stat(part.c_str(), &info) != 0)
            return errno;
        if (!S_ISDIR(info.st_mode))
            return ENOTDIR;
    }
    return 0;
}

} // namespace kelvara
