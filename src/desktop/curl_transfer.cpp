#include "desktop/curl_transfer.h"

#include "shared/gbk.h"

#include <QByteArray>
#include <curl/curl.h>

namespace kelvara {

namespace {

constexpr qsizetype kMaxBody = 16 * 1024 * 1024;

size_t append_body(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<QByteArray*>(user);
    const size_t n = size * count;
    if (body->size() + static_cast<qsizetype>(n) > kMaxBody)
        return 0; // ends the transfer with an error
    body->append(data, static_cast<qsizetype>(n));
    return n;
}

int check_cancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return *static_cast<bool*>(user) ? 1 : 0;
}

} // namespace

CurlTransfer::CurlTransfer(int timeout_seconds) : timeout_seconds_(timeout_seconds) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlTransfer::~CurlTransfer() {
    curl_global_cleanup();
}

std::optional<QString> CurlTransfer::open_url(const QString& url) {
    CURL* curl = curl_easy_init();
    if (!curl)
        return std::nullopt;
    QByteArray body;
    const QByteArray address = url.toUtf8();
    cancel_ = false;
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeout_seconds_));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, check_cancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancel_);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Kelvara/2.1");
    executing_ = true;
    const CURLcode result = curl_easy_perform(curl);
    executing_ = false;
    curl_easy_cleanup(curl);
    if (result != CURLE_OK)
        return std::nullopt;
    return from_gbk(body);
}

} // namespace kelvara
