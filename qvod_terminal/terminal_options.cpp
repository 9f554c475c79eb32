#include "terminal_options.h"

#include <charconv>
#include <cstring>
#include <limits.h>
#include <string_view>
#include <unistd.h>

namespace kelvara {

namespace {

bool read_positive(std::string_view text, int64_t& value) {
    int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number <= 0)
        return false;
    value = number;
    return true;
}

} // namespace

std::string executable_folder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, size_t(n));
    const size_t cut = exe.rfind('/');
    return cut == 0 ? "/" : exe.substr(0, cut);
}

std::optional<TerminalOptions> parse_options(int argc, char** argv, std::string& error) {
    TerminalOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (i + 1 >= argc) {
            error = "missing value after " + std::string(flag);
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        int64_t number = 0;
        if (flag == "--folder") {
            options.folder = value;
            continue;
        }
        if (!read_positive(value, number) || number > INT_MAX) {
            error = "bad value for " + std::string(flag);
            return std::nullopt;
        }
        if (flag == "--piece-kib") {
            options.piece_bytes = number * 1024;
        } else if (flag == "--stall-ms") {
            options.stall_ms = int(number);
        } else if (flag == "--backoff-ms") {
            options.backoff_ms = int(number);
        } else if (flag == "--read-timeout-ms") {
            options.read_timeout_ms = int(number);
        } else {
            error = "unknown option " + std::string(flag);
            return std::nullopt;
        }
    }
    if (options.folder.empty())
        options.folder = executable_folder();
    return options;
}

} // namespace kelvara
