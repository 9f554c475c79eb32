#pragma once

#include <QString>

namespace kelvara {

// "mm:ss", or "h:mm:ss" from one hour on (hours not padded).
QString format_time(qint64 seconds);

} // namespace kelvara
