#pragma once

#include "shared/qvod_file.h"

#include <QString>
#include <optional>

namespace kelvara {

// Reads an address written plainly or escaped: the separators may be "%7C",
// and escapes in the name ("%XX" runs in UTF-8 or GBK, "%uXXXX") are decoded.
// The scheme is matched without regard to case and the last "|" may be
// missing. Empty when the text is not a usable qvod address.
std::optional<QvodAddress> parse_qvod_address(const QString& text);

// The plain form "qvod://<size>|<SHA1>|<name>|" (hash in upper case, as the
// links of the content pages write it).
QString qvod_address_text(const QvodAddress& address);

// Decodes "%XX" and "%uXXXX" escapes. A run of "%XX" bytes is read as UTF-8
// when it is valid UTF-8, otherwise as GBK; a "%" that starts no valid escape
// stays as it is.
QString decode_escapes(const QString& text);

} // namespace kelvara
