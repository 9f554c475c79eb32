#include "part_file.h"

#include "common/qvod_terminal_api.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr std::string_view kHeader = "QvodTerminal part 1";
constexpr int64_t kLargestPiece = 16 * 1024 * 1024;
constexpr int64_t kMostPieces = terminal_api::kLargestFile / kLargestPiece;

bool read_int(std::string_view text, int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

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
    std::string text(kHeader);
    text += "\nsha1=" + record.sha1;
    text += "\nsize=" + std::to_string(record.size);
    text += "\npiece=" + std::to_string(record.pieces.piece_size());
    text += "\nname=" + record.name;
    text += "\nhave=" + record.pieces.to_hex() + "\n";
    return text;
}

std::optional<PartRecord> parse_part_record(std::string_view text) {
    PartRecord record;
    int64_t piece_size = 0;
    std::string_view have;
    bool header = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!header) {
            if (line != kHeader)
                return std::nullopt;
            header = true;
            continue;
        }
        const size_t eq = line.find('=');
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = eq == std::string_view::npos ? "" : line.substr(eq + 1);
        if (key == "sha1")
            record.sha1 = value;
        else if (key == "size" && !read_int(value, record.size))
            return std::nullopt;
        else if (key == "piece" && !read_int(value, piece_size))
            return std::nullopt;
        else if (key == "name")
            record.name = value;
        else if (key == "have")
            have = value;
    }
    // A damaged record must not ask for a huge piece map: a file this
    // terminal downloads has at most kMostPieces pieces.
    if (record.sha1.size() != 40 || record.size <= 0 || piece_size < 4096 ||
        piece_size > kLargestPiece || record.name.empty() ||
        record.size > terminal_api::kLargestFile || (record.size - 1) / piece_size >= kMostPieces)
        return std::nullopt;
    record.pieces = PieceMap(record.size, piece_size);
    if (!record.pieces.from_hex(have))
        return std::nullopt;
    return record;
}

bool save_part_record(const std::string& path, const PartRecord& record) {
    const std::string temp = path + ".new";
    const std::string text = format_part_record(record);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        write_all_at(fd, text.data(), int64_t(text.size()), 0) == 0 && ::fdatasync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder_of(path);
    return true;
}

std::optional<PartRecord> load_part_record(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return parse_part_record(text.str());
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
    std::string safe;
    for (const char c : name)
        safe += (c == '/' || c == '\\' || (unsigned char)c < 0x20 || c == 0x7f) ? '_' : c;
    if (safe.empty() || safe == "." || safe == "..")
        return std::string(fallback);
    return safe;
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
