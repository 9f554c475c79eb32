#include "window/ba1.h"

#include "logic/links/link_formats.h"
#include "platform/platform.h"
#include "platform/transfer.h"

#include <QLoggingCategory>

namespace kelvara {

Q_LOGGING_CATEGORY(lcPlayAddress, "kelvara.panes", QtWarningMsg)

std::optional<QString> BA1::request_play_address(qint64 id, const QString& v, const QString& v1) {
    // Blocks until the reply or the transfer's time-out: nothing else of the
    // client runs meanwhile, which the link handlers rely on.
    const QString url = play_address_request(base_url(), id, v, v1);
    std::optional<QString> reply = platform().transfer.open_url(url);
    qCDebug(lcPlayAddress) << "play address" << url << "->"
                           << (reply ? *reply : QStringLiteral("<failed>"));
    return reply;
}

} // namespace kelvara
