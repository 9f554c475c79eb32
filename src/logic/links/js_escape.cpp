#include "logic/links/js_escape.h"

#include "shared/hex.h"

namespace kelvara {

namespace {

bool stays(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'@' || c == u'*' || c == u'_' || c == u'+' || c == u'-' || c == u'.' || c == u'/';
}

} // namespace

QString js_escape(const QString& text) {
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 3);
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (stays(c)) {
            out.append(qc);
        } else if (c < 256) {
            out.append(u'%');
            out.append(QLatin1Char(digits[c >> 4]));
            out.append(QLatin1Char(digits[c & 15]));
        } else {
            out.append(QLatin1String("%u"));
            for (int shift = 12; shift >= 0; shift -= 4)
                out.append(QLatin1Char(digits[(c >> shift) & 15]));
        }
    }
    return out;
}

QString js_unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype k = 0; k < n; ++k) {
        QChar c = text.at(k);
        if (c == u'%') {
            if (k + 6 <= n && text.at(k + 1) == u'u') {
                const int v = hex_at(text, k + 2, 4);
                if (v >= 0) {
                    out.append(QChar(static_cast<char16_t>(v)));
                    k += 5;
                    continue;
                }
            }
            if (k + 3 <= n) {
                const int v = hex_at(text, k + 1, 2);
                if (v >= 0) {
                    out.append(QChar(static_cast<char16_t>(v)));
                    k += 2;
                    continue;
                }
            }
        }
        out.append(c);
    }
    return out;
}

} // namespace kelvara
