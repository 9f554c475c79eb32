#pragma once

#include "piece_map.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara {

// The record kept next to a partial file (<name>.kvpart): which file it is
// and which of its pieces are on disk. It is what makes a download resumable
// after the terminal or the machine stopped.
struct PartRecord {
    std::string sha1;
    int64_t size = 0;
    std::string name;
    PieceMap pieces;
};

std::string format_part_record(const PartRecord& record);
std::optional<PartRecord> parse_part_record(std::string_view text);

// Writes the record to a temporary file, flushes it and renames it over
// `path`; false when that failed.
bool save_part_record(const std::string& path, const PartRecord& record);
std::optional<PartRecord> load_part_record(const std::string& path);

// The state reason for a failed file operation: "disk-full" for a full disk
// or a size limit, "unwritable" otherwise.
std::string io_failure_reason(int error_number);

// Reserves the file's blocks up to `size` (no more), so that a full disk
// shows at once; falls back to setting the length where the file system
// cannot reserve. 0, or the error number.
int preallocate(int fd, int64_t size);

// Writes or reads all of `length` bytes at `offset`; 0 or the error number.
int write_all_at(int fd, const char* data, int64_t length, int64_t offset);
int read_all_at(int fd, char* data, int64_t length, int64_t offset);

// A file name that stays inside the download folder: "/", "\" and control
// characters become "_", and "." or ".." or an empty name become the fallback.
std::string safe_file_name(std::string_view name, std::string_view fallback);

// Creates a folder and its parents; 0 or the error number.
int make_folders(const std::string& path);

} // namespace kelvara
