#include "logic/links/qvod_address.h"

#include "shared/gbk.h"
#include "shared/hex.h"
#include "shared/qvod_terminal_api.h"

#include <QStringDecoder>
#include <QStringList>

namespace kelvara {

namespace {

const QLatin1String kScheme("qvod://");

QString decode_byte_run(const QByteArray& bytes) {
    // Called between any two characters: most runs are empty.
    if (bytes.isEmpty())
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return from_gbk(bytes);
}

bool is_sha1(const QString& text) {
    if (text.size() != 40)
        return false;
    for (const QChar c : text) {
        if (hex_digit(c.unicode()) < 0)
            return false;
    }
    return true;
}

} // namespace

QString decode_escapes(const QString& text) {
    QString out;
    QByteArray run;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'%') {
            const int byte = hex_at(text, i + 1, 2);
            if (byte >= 0) {
                run.append(char(byte));
                i += 3;
                continue;
            }
            const bool wide =
                i + 1 < text.size() && (text.at(i + 1) == u'u' || text.at(i + 1) == u'U');
            const int unit = wide ? hex_at(text, i + 2, 4) : -1;
            if (unit >= 0) {
                out += decode_byte_run(run);
                run.clear();
                out += QChar(char16_t(unit));
                i += 6;
                continue;
            }
        }
        out += decode_byte_run(run);
        run.clear();
        out += text.at(i);
        ++i;
    }
    out += decode_byte_run(run);
    return out;
}

std::optional<QvodAddress> parse_qvod_address(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(kScheme, Qt::CaseInsensitive))
        return std::nullopt;
    QString rest = trimmed.mid(kScheme.size());
    if (!rest.contains(u'|'))
        rest = decode_escapes(rest);
    const QStringList fields = rest.split(u'|');
    if (fields.size() < 3)
        return std::nullopt;
    bool ok = false;
    const QString size_text = fields.at(0).trimmed();
    const qint64 size = size_text.toLongLong(&ok, 10);
    if (!ok || size <= 0 || size > terminal_api::kLargestFile || !size_text.at(0).isDigit())
        return std::nullopt;
    const QString sha1 = fields.at(1).trimmed();
    if (!is_sha1(sha1))
        return std::nullopt;
    const QString name = decode_escapes(fields.at(2)).trimmed();
    if (name.isEmpty())
        return std::nullopt;
    return QvodAddress{size, sha1.toLower(), name};
}

QString qvod_address_text(const QvodAddress& address) {
    // A name may hold "|" or "%" once its escapes are read; escaped again,
    // the text reads back as the same address.
    QString name = address.name;
    name.replace(u'%', QLatin1String("%25"));
    name.replace(u'|', QLatin1String("%7C"));
    return QStringLiteral("qvod://%1|%2|%3|").arg(address.size).arg(address.sha1.toUpper(), name);
}

} // namespace kelvara
