#pragma once

#include "piece_map.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara {

// A download's record (.<sha1>.kvpart, see shared/qvod_terminal_api.h):
// which file it is, which of its pieces are on disk, and once it is
// complete, which file in the folder holds it. It is what makes a download
// resumable after the terminal or the machine stopped, and what tells the
// terminal and the client which files are the download's own.
struct PartRecord {
    std::string sha1;
    int64_t size = 0;
    std::string name;
    PieceMap pieces;
    bool complete = false;
    int64_t asked = 0;
    uint64_t inode = 0;
    int64_t mtime_ns = 0;
};

std::string format_part_record(const PartRecord& record);
std::optional<PartRecord> parse_part_record(std::string_view text);

// Whether a record reaches the disk before save_part_record returns. A
// record that names no piece yet need not: lost in a crash, it takes
// nothing with it, and the next start removes a reserved file without one.
enum class RecordSync { Flushed, Unflushed };

// Writes the record to a temporary file, flushes it (unless told not to) and
// renames it over `path`; false when that failed.
bool save_part_record(const std::string& path, const PartRecord& record,
                      RecordSync sync = RecordSync::Flushed);
// Empty when the file is missing, not a plain file, larger than any record
// can be, or not a valid record.
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
// characters become "_", and "." or ".." or an empty name become the
// fallback; a leading "." becomes "_" (the terminal's own files are hidden
// ones). A name longer than 200 bytes loses the end of its stem, at a
// character boundary, so that " (n)" and the extension still fit.
std::string safe_file_name(std::string_view name, std::string_view fallback);

// The n-th name a film may take when `name` is taken: n 1 is the name
// itself, then "<stem> (n).<ext>".
std::string numbered_name(const std::string& name, int n);

// The bytes free for this process in the folder's file system, or -1.
int64_t free_bytes(const std::string& folder);

// Creates a folder and its parents; 0 or the error number.
int make_folders(const std::string& path);

} // namespace kelvara
