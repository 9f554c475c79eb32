#pragma once

#include <QString>

namespace kelvara {

// The ECMAScript escape() and unescape() functions, on UTF-16 code units:
// letters, digits and "@*_+-./" stay, other units below 256 become "%XX",
// the rest "%uXXXX" (upper-case hexadecimal).
QString js_escape(const QString& text);
// The inverse; a "%" not followed by a valid sequence stays as it is.
QString js_unescape(const QString& text);

} // namespace kelvara
