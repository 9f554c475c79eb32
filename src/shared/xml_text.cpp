#include "shared/xml_text.h"

#include "shared/gbk.h"

#include <QRegularExpression>

namespace kelvara {

QString xml_attribute(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else if (c == u'"')
            out += QLatin1String("&quot;");
        else if (c.unicode() < 0x80)
            out += c;
        else {
            const bool pair =
                c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate();
            const QString one = value.mid(i, pair ? 2 : 1);
            if (from_gbk(to_gbk(one)) == one)
                out += one;
            else
                out += QStringLiteral("&#x%1;").arg(one.toUcs4().value(0), 0, 16);
            if (pair)
                ++i;
        }
    }
    return out;
}

QString xml_text(const QString& attribute) {
    static const QRegularExpression entity(
        QStringLiteral("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);"));
    QString out;
    qsizetype at = 0;
    for (auto it = entity.globalMatch(attribute); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += attribute.mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        if (name == QLatin1String("amp"))
            out += u'&';
        else if (name == QLatin1String("lt"))
            out += u'<';
        else if (name == QLatin1String("gt"))
            out += u'>';
        else if (name == QLatin1String("quot"))
            out += u'"';
        else if (name == QLatin1String("apos"))
            out += u'\'';
        else {
            const bool hex = name.startsWith(QLatin1String("#x"));
            const char32_t code = name.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10);
            out += QString::fromUcs4(&code, 1);
        }
        at = m.capturedEnd();
    }
    return out + attribute.mid(at);
}

} // namespace kelvara
