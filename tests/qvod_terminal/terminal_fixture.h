#pragma once

#include "shared/qvod_terminal_api.h"
#include "source_server.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace httplib {
class Client;
}

namespace kelvara::testing {

// A QvodTerminal.exe process, killed when the object goes.
class TerminalProcess {
public:
    TerminalProcess() = default;
    ~TerminalProcess();
    TerminalProcess(const TerminalProcess&) = delete;
    TerminalProcess& operator=(const TerminalProcess&) = delete;

    // Runs `program` with `args`; a file size limit >= 0 is set on it.
    bool start(const std::string& program, const std::vector<std::string>& args,
               int64_t file_size_limit = -1);
    void signal(int number);
    // Exit status, or -1 when it did not end in time.
    int wait(std::chrono::milliseconds timeout);
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

std::string terminal_program();
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
// Writes QvodPlayer.xml as the client sets it up, with Source lines.
void write_settings(const std::string& qvod_folder, const std::string& save_folder,
                    const std::vector<std::string>& sources);
// The port and secret in a terminal's port file, once it is there and the
// terminal answers.
std::optional<terminal_api::Endpoint> wait_for_port(const std::string& qvod_folder,
                                                    std::chrono::milliseconds timeout);

// A temporary QVOD folder and download folder, a source server, and a
// terminal started with short timings.
class TerminalTest : public ::testing::Test {
protected:
    TerminalTest();
    ~TerminalTest() override;

    struct File {
        std::string sha1;
        std::string name;
        std::string content;
        int64_t size() const { return int64_t(content.size()); }
    };
    File add_file(const std::string& name, int64_t size, uint32_t seed);

    // Writes the settings and starts the terminal; the port it listens on.
    int start_terminal(const std::vector<std::string>& sources, int64_t file_size_limit = -1);
    void restart_terminal(int signal_number);

    // A route's target for the file, with the terminal's secret.
    std::string target(const char* route, const File& file) const;
    std::string with_key(const std::string& target) const;
    // The download's own files in the download folder.
    std::string data_path(const File& file) const;
    std::string record_path(const File& file) const;
    std::optional<terminal_api::Status> status(const File& file);
    // Polls the status until `done` holds; the last status seen.
    std::optional<terminal_api::Status>
    wait_status(const File& file, const std::function<bool(const terminal_api::Status&)>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // GET of the stream with an optional "Range" value; the body, or empty
    // optional on a failed request. `status` gets the reply status.
    std::optional<std::string> get_stream(const File& file, const std::string& range = "",
                                          int* status = nullptr);
    std::unique_ptr<httplib::Client> client() const;

    std::string root_;
    std::string qvod_folder_;
    std::string save_folder_;
    std::vector<std::string> sources_;
    SourceServer server_;
    TerminalProcess terminal_;
    int port_ = 0;
    std::string secret_;
    int64_t piece_ = 16 * 1024;
};

} // namespace kelvara::testing
