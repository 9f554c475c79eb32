// escape() and unescape() on any UTF-16 text, lone surrogates included, and
// the decoding of escaped names.
//
// Input: UTF-16 code units, two bytes each.

#include "fuzz_support.h"
#include "logic/links/js_escape.h"
#include "logic/links/qvod_address.h"

using namespace kelvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));

    const QString escaped = js_escape(units);
    for (const QChar c : escaped)
        FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7f);
    FUZZ_CHECK(js_unescape(escaped) == units);

    // Text read as it came: a "%" that starts no escape stays, so a text
    // without "%" is left as it is.
    const QString read = js_unescape(units);
    if (!units.contains(u'%'))
        FUZZ_CHECK(read == units);
    FUZZ_CHECK(read.size() <= units.size());
    decode_escapes(units);
    return 0;
}
