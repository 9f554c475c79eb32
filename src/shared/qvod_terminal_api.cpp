#include "shared/qvod_terminal_api.h"

#include <QDir>
#include <QUrl>
#include <algorithm>
#include <charconv>

namespace kelvara::terminal_api {

namespace {

constexpr std::pair<State, const char*> kStateNames[] = {
    {State::Connecting, "connecting"},
    {State::Downloading, "downloading"},
    {State::Reconnecting, "reconnecting"},
    {State::Complete, "complete"},
    {State::Failed, "failed"},
};

template <typename Number> bool read_number(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

constexpr std::string_view kRecordHeader = "QvodTerminal part 2";
constexpr int64_t kMostPieces = int64_t(1) << 20;

bool is_lower_sha1(std::string_view text) {
    return text.size() == 40 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool is_plain_file_name(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// Calls `take` with the key and value of each "key=value" line.
template <typename Take> void for_each_line(std::string_view text, Take take) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos)
            take(line.substr(0, eq), line.substr(eq + 1));
    }
}

QString file_target(const char* route, const QvodAddress& address) {
    return QStringLiteral("/%1/%2?size=%3&name=%4")
        .arg(QLatin1String(route), address.sha1)
        .arg(address.size)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(address.name)));
}

} // namespace

const char* state_name(State state) {
    for (const auto& [value, name] : kStateNames) {
        if (value == state)
            return name;
    }
    return "failed";
}

std::optional<State> state_from_name(std::string_view name) {
    for (const auto& [value, text] : kStateNames) {
        if (name == text)
            return value;
    }
    return std::nullopt;
}

std::string format_status(const Status& status) {
    std::string text;
    text += "state=" + std::string(state_name(status.state)) + "\n";
    text += "permille=" + std::to_string(status.permille) + "\n";
    text += "rate=" + std::to_string(status.rate_kbs) + "\n";
    text += "have=" + std::to_string(status.have) + "\n";
    text += "size=" + std::to_string(status.size) + "\n";
    text += "reason=" + status.reason + "\n";
    text += "path=" + status.path + "\n";
    return text;
}

std::optional<Status> parse_status(std::string_view text) {
    Status status;
    bool has_state = false;
    bool bad_state = false;
    for_each_line(text, [&](std::string_view key, std::string_view value) {
        if (key == "state") {
            const auto state = state_from_name(value);
            bad_state = bad_state || !state;
            status.state = state.value_or(State::Failed);
            has_state = true;
        } else if (key == "permille") {
            read_number(value, status.permille);
        } else if (key == "rate") {
            read_number(value, status.rate_kbs);
        } else if (key == "have") {
            read_number(value, status.have);
        } else if (key == "size") {
            read_number(value, status.size);
        } else if (key == "reason") {
            status.reason = value;
        } else if (key == "path") {
            status.path = value;
        }
    });
    // Progress beyond the whole file is no status the player can show.
    if (!has_state || bad_state || status.permille < 0 || status.permille > 1000)
        return std::nullopt;
    return status;
}

std::optional<Endpoint> parse_port_file(std::string_view text) {
    Endpoint endpoint;
    std::string_view lines[3];
    for (std::string_view& line : lines) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        line = text.substr(0, end);
        text = text.substr(end + 1);
    }
    if (!read_number(lines[0], endpoint.port) || endpoint.port <= 0 || endpoint.port > 65535 ||
        lines[2].size() != 32 || !std::all_of(lines[2].begin(), lines[2].end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        }))
        return std::nullopt;
    endpoint.secret = lines[2];
    return endpoint;
}

std::string format_download_record(const DownloadRecord& record) {
    std::string text(kRecordHeader);
    text += "\nsha1=" + record.sha1;
    text += "\nsize=" + std::to_string(record.size);
    text += "\npiece=" + std::to_string(record.piece);
    text += "\nname=" + record.name;
    text += std::string("\nstate=") + (record.complete ? "complete" : "partial");
    text += "\nasked=" + std::to_string(record.asked);
    if (record.complete) {
        text += "\ninode=" + std::to_string(record.inode);
        text += "\nmtime=" + std::to_string(record.mtime_ns);
    } else {
        text += "\nhave=" + record.have;
    }
    return text + "\n";
}

std::optional<DownloadRecord> parse_download_record(std::string_view text) {
    if (!text.starts_with(kRecordHeader) || text.substr(kRecordHeader.size(), 1) != "\n")
        return std::nullopt;
    DownloadRecord record;
    std::string_view state;
    bool numbers = true;
    for_each_line(text.substr(kRecordHeader.size() + 1),
                  [&](std::string_view key, std::string_view value) {
                      if (key == "sha1")
                          record.sha1 = value;
                      else if (key == "size")
                          numbers = numbers && read_number(value, record.size);
                      else if (key == "piece")
                          numbers = numbers && read_number(value, record.piece);
                      else if (key == "name")
                          record.name = value;
                      else if (key == "state")
                          state = value;
                      else if (key == "asked")
                          numbers = numbers && read_number(value, record.asked);
                      else if (key == "have")
                          record.have = value;
                      else if (key == "inode")
                          numbers = numbers && read_number(value, record.inode);
                      else if (key == "mtime")
                          numbers = numbers && read_number(value, record.mtime_ns);
                  });
    record.complete = state == "complete";
    if (!numbers || (state != "complete" && state != "partial") || !is_lower_sha1(record.sha1) ||
        record.size <= 0 || record.size > kLargestFile || record.piece < 4096 ||
        record.piece > 16 * 1024 * 1024 ||
        (record.size + record.piece - 1) / record.piece > kMostPieces ||
        !is_plain_file_name(record.name))
        return std::nullopt;
    return record;
}

std::string record_file_name(std::string_view sha1) {
    return "." + std::string(sha1) + kRecordSuffix;
}

std::string data_file_name(std::string_view sha1) {
    return "." + std::string(sha1) + kDataSuffix;
}

QString default_download_folder() {
    return QDir::homePath() + QLatin1String("/Media/");
}

QString stream_target(const QvodAddress& address) {
    return file_target("stream", address);
}

QString preload_target(const QvodAddress& address) {
    return file_target("preload", address);
}

QString status_target(const QvodAddress& address) {
    return QStringLiteral("/status/") + address.sha1;
}

QString with_secret(const QString& target, const std::string& secret) {
    return target + (target.contains(u'?') ? u'&' : u'?') + QLatin1String(kSecretParam) + u'=' +
           QString::fromStdString(secret);
}

} // namespace kelvara::terminal_api
