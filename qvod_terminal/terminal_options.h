#pragma once

#include "download_limits.h"

#include <optional>
#include <string>

namespace kelvara {

// How a terminal runs.
struct TerminalOptions : DownloadTuning {
    std::string folder; // the QVOD folder
};

// Reads "--folder <dir>", "--piece-kib <n>", "--stall-ms <n>",
// "--backoff-ms <n>", "--read-timeout-ms <n>"; the folder defaults to the
// executable's. Empty, with `error` set, on a bad argument.
std::optional<TerminalOptions> parse_options(int argc, char** argv, std::string& error);

// The folder of the running executable.
std::string executable_folder();

} // namespace kelvara
