#include "desktop/terminal_streams.h"

#include "desktop/detached_process.h"
#include "logic/links/qvod_address.h"
#include "shared/qvod_terminal_api.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>
#include <curl/curl.h>

Q_LOGGING_CATEGORY(lcQvod, "kelvara.qvod", QtWarningMsg)

namespace kelvara {

namespace {

using namespace std::chrono_literals;

constexpr auto kHelloTimeout = 300ms;
constexpr auto kStatusTimeout = 500ms;
constexpr auto kStartWait = 3000ms;
constexpr auto kStartPoll = 20ms;
constexpr auto kRestartInterval = 5000ms;

// Not yet ended: a detached process's zombie waits for a reaper that may
// never come.
bool process_alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren > 0 && paren + 2 < text.size() && text[paren + 2] != 'Z';
}

// The terminal's address on this machine, to which a target is appended.
QString terminal_base(int port) {
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

size_t append_body(char* data, size_t size, size_t count, void* user) {
    static_cast<QByteArray*>(user)->append(data, qsizetype(size * count));
    return size * count;
}

} // namespace

TerminalStreams::TerminalStreams(QString qvod_folder)
    : folder_(std::move(qvod_folder)), curl_(curl_easy_init()) {}

TerminalStreams::~TerminalStreams() {
    if (curl_)
        curl_easy_cleanup(static_cast<CURL*>(curl_));
}

QString TerminalStreams::open(const QString& qvod_address) {
    const auto address = parse_qvod_address(qvod_address);
    if (!address)
        return {};
    const int port = ensure_running();
    if (port == 0)
        return {};
    return terminal_base(port) +
           terminal_api::with_secret(terminal_api::stream_target(*address), secret_);
}

std::optional<QvodStreams::Status> TerminalStreams::status(const QString& qvod_address) {
    const auto address = parse_qvod_address(qvod_address);
    if (!address)
        return std::nullopt;
    // The terminal may have been restarted on another port.
    if (!still_listening())
        port_ = running_port();
    if (port_ == 0)
        return std::nullopt;
    const auto reply = get(port_, terminal_api::status_target(*address), kStatusTimeout);
    if (!reply)
        return std::nullopt;
    const auto parsed = terminal_api::parse_status(reply->toStdString());
    if (!parsed)
        return std::nullopt;
    Status status;
    status.permille = parsed->permille;
    status.rate_kbs = parsed->rate_kbs;
    status.connecting = parsed->state == terminal_api::State::Connecting;
    status.reconnecting = parsed->state == terminal_api::State::Reconnecting;
    status.failed = parsed->state == terminal_api::State::Failed;
    return status;
}

void TerminalStreams::preload(const QString& qvod_address) {
    const auto address = parse_qvod_address(qvod_address);
    if (!address)
        return;
    if (const int port = ensure_running())
        get(port, terminal_api::preload_target(*address), kStatusTimeout);
}

// The terminal talked to last still names itself in the port file (a new
// one may have the same port, never the same secret).
bool TerminalStreams::still_listening() const {
    const terminal_api::Endpoint endpoint = endpoint_from_file();
    return port_ != 0 && endpoint.port == port_ && endpoint.secret == secret_;
}

terminal_api::Endpoint TerminalStreams::endpoint_from_file() const {
    constexpr qint64 kLongestPortFile = 256;
    QFile file(folder_ + u'/' + QLatin1String(terminal_api::kPortFile));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return terminal_api::parse_port_file(file.read(kLongestPortFile).toStdString())
        .value_or(terminal_api::Endpoint{});
}

int TerminalStreams::running_port() {
    const terminal_api::Endpoint endpoint = endpoint_from_file();
    if (endpoint.port <= 0)
        return 0;
    secret_ = endpoint.secret;
    const auto reply = get(endpoint.port, QLatin1String(terminal_api::kHelloPath), kHelloTimeout);
    return reply && *reply == terminal_api::kHelloReply ? endpoint.port : 0;
}

// The port of the running terminal; starts it first when it does not answer.
int TerminalStreams::ensure_running() {
    // A terminal that is ending has removed its port file, though it may
    // still answer on a connection kept open from before.
    if (still_listening() && get(port_, QLatin1String(terminal_api::kHelloPath), kHelloTimeout))
        return port_;
    port_ = running_port();
    if (port_ != 0) {
        failed_start_.reset();
        return port_;
    }
    // One started a moment ago is still coming up, or cannot run at all.
    if (failed_start_ && std::chrono::steady_clock::now() - *failed_start_ < kRestartInterval)
        return 0;
    return start_terminal();
}

int TerminalStreams::start_terminal() {
    const QString program = folder_ + u'/' + QLatin1String(terminal_api::kProgram);
    const auto started = std::chrono::steady_clock::now();
    // After a start that failed, the next ones are not waited for here: a
    // later call finds the terminal once it answers.
    const bool wait = !failed_start_;
    failed_start_ = started;
    const std::optional<pid_t> pid = QFileInfo(program).isExecutable()
                                         ? start_detached_process(program, {}, folder_)
                                         : std::nullopt;
    if (!pid) {
        qCWarning(lcQvod) << "cannot start" << program;
        return 0;
    }
    while (wait && std::chrono::steady_clock::now() < started + kStartWait) {
        QThread::msleep(kStartPoll.count());
        port_ = running_port();
        if (port_ != 0) {
            failed_start_.reset();
            return port_;
        }
        if (!process_alive(*pid))
            break;
    }
    if (wait)
        qCWarning(lcQvod) << program << "did not answer yet";
    return 0;
}

std::optional<QByteArray> TerminalStreams::get(int port, const QString& target,
                                               std::chrono::milliseconds timeout) {
    auto* curl = static_cast<CURL*>(curl_);
    if (!curl)
        return std::nullopt;
    QByteArray body;
    const QByteArray url =
        (terminal_base(port) + terminal_api::with_secret(target, secret_)).toUtf8();
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl) != CURLE_OK)
        return std::nullopt;
    return body;
}

} // namespace kelvara
