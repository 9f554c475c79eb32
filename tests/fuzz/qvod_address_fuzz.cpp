// qvod:// addresses from pages and links, the requests the player sends the
// terminal for them, and the terminal's status replies.
//
// Input: any text.

#include "fuzz_support.h"
#include "logic/links/qvod_address.h"
#include "shared/qvod_terminal_api.h"

#include <QUrl>
#include <QUrlQuery>

using namespace kelvara;

namespace {

bool same_status(const terminal_api::Status& a, const terminal_api::Status& b) {
    return a.state == b.state && a.permille == b.permille && a.rate_kbs == b.rate_kbs &&
           a.have == b.have && a.size == b.size && a.reason == b.reason && a.path == b.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::input_bytes(data, size);
    const QString text = QString::fromUtf8(bytes);

    if (const std::optional<QvodAddress> address = parse_qvod_address(text)) {
        FUZZ_CHECK(address->size > 0 && address->size <= terminal_api::kLargestFile);
        FUZZ_CHECK(address->sha1.size() == 40 && address->sha1 == address->sha1.toLower());
        FUZZ_CHECK(!address->name.isEmpty());
        // Written out and read again, the address names the same file.
        const std::optional<QvodAddress> again = parse_qvod_address(qvod_address_text(*address));
        FUZZ_CHECK(again && again->size == address->size && again->sha1 == address->sha1 &&
                   again->name == address->name);
        // The terminal is asked for exactly this file.
        const QUrl target(QStringLiteral("http://127.0.0.1:1") +
                          terminal_api::stream_target(*address));
        FUZZ_CHECK(target.path().endsWith(address->sha1));
        const QUrlQuery query(target);
        FUZZ_CHECK(query.queryItemValue(QStringLiteral("size")) == QString::number(address->size));
        // The name as UTF-8 carries it: a lone surrogate (from "%uDEF0") has
        // no UTF-8 form and goes as "?".
        FUZZ_CHECK(query.queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded) ==
                   QString::fromUtf8(address->name.toUtf8()));
    }
    decode_escapes(text);

    const std::string_view reply(bytes.constData(), size_t(bytes.size()));
    if (const std::optional<terminal_api::Status> status = terminal_api::parse_status(reply)) {
        FUZZ_CHECK(status->permille >= 0 && status->permille <= 1000);
        const std::optional<terminal_api::Status> again =
            terminal_api::parse_status(terminal_api::format_status(*status));
        FUZZ_CHECK(again);
        // A line's value ends at its line break, and a CR before it goes
        // (replies may end lines with CRLF): a reason or path ending in CR
        // cannot be carried. The terminal writes none (its names hold no
        // control characters).
        if (!status->reason.ends_with('\r') && !status->path.ends_with('\r'))
            FUZZ_CHECK(same_status(*again, *status));
    }
    return 0;
}
