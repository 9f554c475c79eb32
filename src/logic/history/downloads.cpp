#include "logic/history/downloads.h"

#include "logic/links/qvod_address.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "shared/qvod_terminal_api.h"
#include "shared/xml_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvara {

QStringList download_files(const QString& folder, const QString& address) {
    // The largest record: the bitmap of 2^20 pieces, and some room.
    constexpr qint64 kLargestRecord = (qint64(1) << 18) + 4096;
    const auto qvod = parse_qvod_address(address);
    if (!qvod)
        return {};
    const std::string sha1 = qvod->sha1.toStdString();
    const QString record_name = QString::fromStdString(terminal_api::record_file_name(sha1));
    QFile file(join_path(folder, record_name));
    if (QFileInfo(file.fileName()).isSymLink() || !file.open(QIODevice::ReadOnly) ||
        file.size() > kLargestRecord)
        return {};
    const auto record =
        terminal_api::parse_download_record(file.read(kLargestRecord).toStdString());
    if (!record || record->sha1 != sha1)
        return {};
    QStringList names = {record_name, QString::fromStdString(terminal_api::data_file_name(sha1))};
    if (record->complete)
        names.append(QFile::decodeName(QByteArray::fromStdString(record->name)));
    QStringList present;
    for (const QString& name : names) {
        const QFileInfo info(join_path(folder, name));
        if (info.isFile() && !info.isSymLink())
            present.append(name);
    }
    present.sort();
    return present;
}

QString default_save_path(const QString& xml_path) {
    const QString key = QStringLiteral("Defaultsavepath=");
    const std::optional<QStringList> lines = read_lines(xml_path);
    if (!lines)
        return {};
    for (const QString& line : *lines) {
        if (line.contains(key))
            return xml_text(text_between(line, key + u'"', QStringLiteral("\""), 2));
    }
    return {};
}

QString configured_download_folder(const QString& qvod_program_folder) {
    const QString xml = join_path(qvod_program_folder, QLatin1String(terminal_api::kSettingsFile));
    return QFileInfo::exists(xml) ? default_save_path(xml) : QString();
}

QStringList delete_downloads(const QString& folder, const QStringList& names) {
    if (!QDir::isAbsolutePath(folder))
        return names;
    QStringList left;
    for (const QString& name : names) {
        const QString path = join_path(folder, name);
        const bool direct = !name.isEmpty() && !name.contains(u'/') && name != QLatin1String(".") &&
                            name != QLatin1String("..");
        const QFileInfo before(path);
        if (direct && before.isFile() && !before.isSymLink())
            QFile::remove(path);
        const QFileInfo after(path);
        if (after.exists() || after.isSymLink())
            left.append(name);
    }
    return left;
}

} // namespace kelvara
