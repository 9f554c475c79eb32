#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

// How a terminal runs. The defaults are the installed program's; tests and
// the benchmark shorten the timings.
struct TerminalOptions {
    std::string folder; // the QVOD folder
    // Piece size of new downloads: a read waits for a whole piece, so small
    // pieces let a film start soon from a slow source.
    int64_t piece_bytes = 64 * 1024;
    int stall_ms = 15000;        // a source silent this long has stalled
    int backoff_ms = 1000;       // first wait after a source failed
    int read_timeout_ms = 90000; // longest wait of a read for its bytes
};

// Reads "--folder <dir>", "--piece-kib <n>", "--stall-ms <n>",
// "--backoff-ms <n>", "--read-timeout-ms <n>"; the folder defaults to the
// executable's. Empty, with `error` set, on a bad argument.
std::optional<TerminalOptions> parse_options(int argc, char** argv, std::string& error);

// The folder of the running executable.
std::string executable_folder();

} // namespace kelvara
