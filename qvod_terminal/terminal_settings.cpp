#include "terminal_settings.h"

#include "shared/gbk.h"
#include "shared/qvod_terminal_api.h"
#include "shared/text_basics.h"
#include "shared/xml_text.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace kelvara {

namespace {

constexpr qint64 kLargestSettings = 1024 * 1024;
constexpr size_t kMostSources = 16;
constexpr qsizetype kLongestSource = 2048;

QString save_folder_from(const QString& value, const QString& qvod_folder) {
    QString folder = value.trimmed();
    folder.replace(u'\\', u'/');
    if (folder.isEmpty())
        folder = terminal_api::default_download_folder();
    else if (!folder.startsWith(u'/'))
        folder = join_path(qvod_folder, folder);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

TerminalSettings parse_settings(const QByteArray& gbk_text, const std::string& qvod_folder) {
    const QString folder = QFile::decodeName(QByteArray::fromStdString(qvod_folder));
    const QStringList lines = from_gbk(gbk_text).split(QLatin1Char('\n'));
    const QString save_marker = QStringLiteral("Defaultsavepath=\"");
    const QString quote = QStringLiteral("\"");
    QString save_value;
    bool save_found = false;
    bool share_found = false;
    bool upload_found = false;
    TerminalSettings settings;
    for (const QString& line : lines) {
        const QString share = text_between(line, QStringLiteral("Share=\""), quote, 2);
        if (!share_found && line.contains(QLatin1String("Share=\""))) {
            settings.share = share.trimmed() != QLatin1String("0");
            share_found = true;
        }
        bool number = false;
        const int upload =
            text_between(line, QStringLiteral("Uploadrate=\""), quote, 2).toInt(&number);
        if (!upload_found && number && upload >= 0 && upload <= terminal_api::kMostUploadKbs) {
            settings.upload_kbs = upload;
            upload_found = true;
        }
        if (!save_found && line.contains(save_marker)) {
            save_value = xml_text(text_between(line, save_marker, quote, 2));
            save_found = true;
        }
        if (!line.contains(QLatin1String("<Source"), Qt::CaseInsensitive))
            continue;
        const QString url = xml_text(text_between(line, QStringLiteral("url=\""), quote, 2));
        const bool web = url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                         url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
        if (web && url.size() <= kLongestSource && settings.sources.size() < kMostSources)
            settings.sources.push_back(url.trimmed().toStdString());
    }
    settings.save_folder = QFile::encodeName(save_folder_from(save_value, folder)).toStdString();
    return settings;
}

TerminalSettings read_settings(const std::string& qvod_folder) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(qvod_folder)) + u'/' +
               QLatin1String(terminal_api::kSettingsFile));
    QByteArray text;
    // A file this large is no settings file the client wrote: defaults.
    if (file.open(QIODevice::ReadOnly) && file.size() <= kLargestSettings)
        text = file.read(kLargestSettings);
    return parse_settings(text, qvod_folder);
}

} // namespace kelvara
