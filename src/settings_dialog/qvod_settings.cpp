#include "settings_dialog/qvod_settings.h"

#include "common/gbk.h"
#include "common/text_helpers.h"

#include <QDir>
#include <QRegularExpression>

namespace kelvara {

const char kQvodSettingsFile[] = "QvodPlayer.xml";

namespace {

const QString kAttribute = QStringLiteral("Defaultsavepath=\"");

// Attribute text for a folder: the XML escapes, and a character reference
// for what the file's GBK cannot hold.
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

} // namespace

QString qvod_save_path(const QString& settings) {
    return xml_text(text_between(settings, kAttribute, QStringLiteral("\""), 2));
}

QString with_qvod_save_path(const QString& settings, const QString& folder) {
    const QString value = kAttribute + xml_attribute(folder) + u'"';
    if (settings.contains(kAttribute)) {
        static const QRegularExpression attribute(QStringLiteral("Defaultsavepath=\"[^\"]*\""));
        QString out = settings;
        return out.replace(attribute, value);
    }
    static const QRegularExpression config(QStringLiteral("<Config(?=[\\s/>])"));
    const QRegularExpressionMatch m = config.match(settings);
    if (m.hasMatch()) {
        QString out = settings;
        return out.insert(m.capturedEnd(), u' ' + value);
    }
    if (!settings.trimmed().isEmpty())
        return settings; // not a settings text this client knows how to change
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n<Config ") +
           value + QStringLiteral("/>\r\n</QvodPlayer>\r\n");
}

QString download_folder(const QString& text) {
    if (!text.startsWith(u'/'))
        return QDir::homePath() + QLatin1String("/Media/");
    return text.endsWith(u'/') ? text : text + u'/';
}

bool option_checked(const QString& value) {
    return to_number(value) != 1;
}

QString option_value(bool checked) {
    return checked ? QStringLiteral("2") : QStringLiteral("1");
}

} // namespace kelvara
