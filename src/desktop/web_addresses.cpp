#include "desktop/web_addresses.h"

#include "shared/hex.h"

#include <QRegularExpression>
#include <QStringList>

namespace kelvara {

namespace {

bool has_scheme(const QString& address) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return scheme.match(address).hasMatch();
}

// The byte of an escape "%XX" at `i`, or -1.
int escaped_byte(const QString& text, qsizetype i) {
    return i < text.size() && text[i] == u'%' ? hex_at(text, i + 1, 2) : -1;
}

// Length of the UTF-8 sequence a lead byte starts (0 when it starts none)
// and the range its second byte must fall into, which rules out overlong
// forms, surrogates and code points beyond U+10FFFF.
struct Utf8Lead {
    int length = 0;
    int second_min = 0x80;
    int second_max = 0xBF;
};

Utf8Lead utf8_lead(int byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4};
    return {};
}

// The character a run of escapes at `i` encodes in UTF-8, with the number of
// characters of text it takes; nullopt when the escapes there are no valid
// multi-byte sequence.
std::optional<std::pair<QString, qsizetype>> escaped_character(const QString& text, qsizetype i) {
    const Utf8Lead lead = utf8_lead(escaped_byte(text, i));
    if (lead.length == 0)
        return std::nullopt;
    QByteArray bytes(1, static_cast<char>(escaped_byte(text, i)));
    for (int k = 1; k < lead.length; ++k) {
        const int byte = escaped_byte(text, i + 3 * k);
        const int min = k == 1 ? lead.second_min : 0x80;
        const int max = k == 1 ? lead.second_max : 0xBF;
        if (byte < min || byte > max)
            return std::nullopt;
        bytes.append(static_cast<char>(byte));
    }
    return std::make_pair(QString::fromUtf8(bytes), qsizetype(3 * lead.length));
}

std::optional<QString> from_hex_utf16(const QString& hex) {
    if (hex.size() % 4 != 0)
        return std::nullopt;
    QString text;
    text.reserve(hex.size() / 4);
    for (qsizetype i = 0; i < hex.size(); i += 4) {
        bool ok = false;
        const uint unit = QStringView(hex).mid(i, 4).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        text.append(QChar(char16_t(unit)));
    }
    return text;
}

} // namespace

QUrl address_to_url(const QString& address) {
    if (address.startsWith(u'/'))
        return QUrl::fromLocalFile(address);
    if (has_scheme(address))
        return QUrl(address);
    return QUrl::fromUserInput(address);
}

QString url_to_address(const QUrl& url) {
    if (url.isLocalFile())
        return url.toLocalFile();
    return url.toString();
}

bool engine_loads(const QUrl& url) {
    static const QStringList schemes{QStringLiteral("http"), QStringLiteral("https"),
                                     QStringLiteral("file"), QStringLiteral("about"),
                                     QStringLiteral("data"), QStringLiteral("blob"),
                                     QStringLiteral("qrc")};
    return url.isValid() && schemes.contains(url.scheme());
}

QString undo_non_ascii_escapes(const QString& address) {
    QString out;
    out.reserve(address.size());
    for (qsizetype i = 0; i < address.size();) {
        if (const auto character = escaped_character(address, i)) {
            out += character->first;
            i += character->second;
        } else {
            out += address[i];
            ++i;
        }
    }
    return out;
}

bool same_target(const QUrl& engine_url, const QString& reported_url) {
    const QUrl reported(reported_url);
    if (!engine_url.isValid() || !reported.isValid())
        return !engine_url.isValid() && !reported.isValid();
    return engine_url == reported;
}

std::optional<PageReport> parse_page_report(const QString& text) {
    const QStringList fields = text.split(u' ');
    const auto hex_field = [&](int index) -> std::optional<QString> {
        return index < fields.size() ? from_hex_utf16(fields[index]) : std::nullopt;
    };
    PageReport report;
    const auto address = hex_field(1);
    if (!address)
        return std::nullopt;
    report.address = *address;
    const QString& kind = fields[0];
    if (kind == u"navigate" && fields.size() == 3) {
        report.kind = PageReport::Kind::Navigate;
        if (fields[2] == u"engine")
            report.address = undo_non_ascii_escapes(report.address);
        else if (fields[2] != u"raw")
            return std::nullopt;
        return report;
    }
    if (kind == u"popup" && fields.size() == 3) {
        report.kind = PageReport::Kind::Popup;
        const auto resolved = hex_field(2);
        if (!resolved)
            return std::nullopt;
        report.resolved = *resolved;
        return report;
    }
    if (kind == u"menu" && fields.size() == 4) {
        report.kind = PageReport::Kind::ContextMenu;
        bool x_ok = false;
        bool y_ok = false;
        report.screen_pos = QPoint(fields[2].toInt(&x_ok), fields[3].toInt(&y_ok));
        if (!x_ok || !y_ok)
            return std::nullopt;
        return report;
    }
    return std::nullopt;
}

QString hex_utf16(const QString& text) {
    QString hex;
    hex.reserve(text.size() * 4);
    for (const QChar c : text)
        hex += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return hex;
}

bool has_raw_percent(const QString& address) {
    if (!address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return false;
    for (qsizetype i = address.indexOf(u'%'); i >= 0; i = address.indexOf(u'%', i + 1)) {
        if (hex_at(address, i + 1, 2) < 0)
            return true;
    }
    return false;
}

} // namespace kelvara
