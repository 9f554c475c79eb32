#include "platform/shell.h"

namespace kelvara {

bool is_web_address(const QString& address) {
    const QString a = address.trimmed();
    return a.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           a.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

} // namespace kelvara
