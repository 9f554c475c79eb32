#include "logic/settings/qvod_settings.h"

#include "logic/text/text_helpers.h"
#include "shared/qvod_terminal_api.h"
#include "shared/xml_text.h"

#include <QRegularExpression>

namespace kelvara {

namespace {

const QString kAttribute = QStringLiteral("Defaultsavepath=\"");

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

QvodSharing qvod_sharing(const QString& settings) {
    QvodSharing sharing;
    sharing.on =
        text_between(settings, QStringLiteral("Share=\""), QStringLiteral("\""), 2).trimmed() !=
        QLatin1String("0");
    bool number = false;
    const int upload =
        text_between(settings, QStringLiteral("Uploadrate=\""), QStringLiteral("\""), 2)
            .toInt(&number);
    const bool valid = number && upload >= 0 && upload <= terminal_api::kMostUploadKbs;
    sharing.upload_kbs = valid ? upload : terminal_api::kDefaultUploadKbs;
    return sharing;
}

namespace {

QString with_config_attribute(const QString& settings, const QString& name, const QString& value) {
    const QString attribute = name + QStringLiteral("=\"") + value + u'"';
    const QRegularExpression existing(QRegularExpression::escape(name) +
                                      QStringLiteral("=\"[^\"]*\""));
    if (settings.contains(existing)) {
        QString out = settings;
        return out.replace(existing, attribute);
    }
    static const QRegularExpression config(QStringLiteral("<Config(?=[\\s/>])"));
    const QRegularExpressionMatch m = config.match(settings);
    if (!m.hasMatch())
        return settings;
    QString out = settings;
    return out.insert(m.capturedEnd(), u' ' + attribute);
}

} // namespace

QString with_qvod_sharing(const QString& settings, const QvodSharing& sharing) {
    const QString shared = with_config_attribute(
        settings, QStringLiteral("Share"), sharing.on ? QStringLiteral("1") : QStringLiteral("0"));
    return with_config_attribute(shared, QStringLiteral("Uploadrate"),
                                 QString::number(sharing.upload_kbs));
}

QString download_folder(const QString& text) {
    if (!text.startsWith(u'/'))
        return terminal_api::default_download_folder();
    // The terminal reads "\" in the folder as "/": stored that way, the
    // folder shown is the one it downloads into.
    QString folder = text;
    folder.replace(u'\\', u'/');
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool option_checked(const QString& value) {
    return to_number(value) != 1;
}

QString option_value(bool checked) {
    return checked ? QStringLiteral("2") : QStringLiteral("1");
}

} // namespace kelvara
