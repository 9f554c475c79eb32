#include "logic/text/format_time.h"

namespace kelvara {

QString format_time(qint64 seconds) {
    if (seconds < 0)
        seconds = 0;
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds % 3600) / 60;
    const qint64 r = (seconds % 3600) % 60;
    const QString mm_ss =
        QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(r, 2, 10, QLatin1Char('0'));
    return h == 0 ? mm_ss : QStringLiteral("%1:%2").arg(h).arg(mm_ss);
}

} // namespace kelvara
