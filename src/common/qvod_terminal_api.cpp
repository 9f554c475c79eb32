#include "common/qvod_terminal_api.h"

#include <QDir>
#include <QUrl>
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
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "state") {
            const auto state = state_from_name(value);
            if (!state)
                return std::nullopt;
            status.state = *state;
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
    }
    // Progress beyond the whole file is no status the player can show.
    if (!has_state || status.permille < 0 || status.permille > 1000)
        return std::nullopt;
    return status;
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

} // namespace kelvara::terminal_api
