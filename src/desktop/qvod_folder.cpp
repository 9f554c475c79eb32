#include "desktop/qvod_folder.h"

#include "logic/settings/application_folder.h"
#include "logic/startup/program_files.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "shared/qvod_terminal_api.h"
#include "shared/xml_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace kelvara {

namespace {

// Files of the installed copy that the folder lacks or holds in another
// version.
QStringList stale_files(const QString& installed, const QString& folder) {
    QStringList stale;
    const QFileInfoList files = QDir(installed).entryInfoList(QDir::Files);
    for (const QFileInfo& source : files) {
        // The settings and a running terminal's own files are not part of
        // the installed copy.
        if (source.fileName() == QLatin1String(terminal_api::kSettingsFile) ||
            source.fileName() == QLatin1String(terminal_api::kPortFile) ||
            source.fileName() == QLatin1String(terminal_api::kLockFile))
            continue;
        const QFileInfo copy(join_path(folder, source.fileName()));
        if (!copy.exists() || copy.size() != source.size() ||
            copy.lastModified() < source.lastModified())
            stale.append(source.fileName());
    }
    return stale;
}

} // namespace

QString installed_qvod_dir() {
    return program_files().qvod_dir;
}

QString default_qvod_settings(const QString& download_folder, const QStringList& sources) {
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
                                  "<QvodPlayer>\r\n"
                                  "<Config Defaultsavepath=\"%1\"/>\r\n")
                       .arg(xml_attribute(download_folder));
    for (const QString& source : sources)
        text += QStringLiteral("<Source url=\"%1\"/>\r\n").arg(xml_attribute(source));
    return text + QStringLiteral("</QvodPlayer>\r\n");
}

QvodFolder::QvodFolder(QString app_dir, QString installed_dir)
    : app_dir_(std::move(app_dir)), installed_dir_(std::move(installed_dir)) {}

QString QvodFolder::folder() const {
    return ApplicationFolder(app_dir_).own_qvod_folder();
}

bool QvodFolder::control_available() {
    if (!QFileInfo::exists(join_path(folder(), QLatin1String(terminal_api::kSettingsFile))))
        return false;
    return !installed_copy_present() || stale_files(installed_dir_, folder()).isEmpty();
}

bool QvodFolder::installed_copy_present() {
    return QFileInfo(installed_dir_).isDir();
}

void QvodFolder::register_control() {
    QDir().mkpath(folder());
    for (const QString& name : stale_files(installed_dir_, folder())) {
        const QString target = join_path(folder(), name);
        const QString temp = target + QLatin1String(".new");
        QFile::remove(temp);
        if (QFile::copy(join_path(installed_dir_, name), temp)) {
            QFile::setPermissions(temp, QFileInfo(join_path(installed_dir_, name)).permissions());
            ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData());
        }
    }
    const QString settings = join_path(folder(), QLatin1String(terminal_api::kSettingsFile));
    if (!QFileInfo::exists(settings))
        write_text_atomically(settings,
                              default_qvod_settings(terminal_api::default_download_folder()));
}

QString with_only_source(const QString& settings, const QString& url) {
    QStringList out;
    bool placed = false;
    const QString source = QStringLiteral("<Source url=\"%1\"/>").arg(xml_attribute(url));
    for (const QString& line : settings.split(QLatin1String("\r\n"))) {
        if (line.trimmed().startsWith(QLatin1String("<Source")))
            continue;
        out.append(line);
        if (!placed && line.contains(QLatin1String("Defaultsavepath="))) {
            out.append(source);
            placed = true;
        }
    }
    if (!placed)
        out.insert(std::max<qsizetype>(out.size() - 2, 0), source);
    return out.join(QLatin1String("\r\n"));
}

bool QvodFolder::use_only_source(const QString& url) {
    const QString path = join_path(folder(), QLatin1String(terminal_api::kSettingsFile));
    const std::optional<QString> settings = read_text(path);
    if (!settings)
        return false;
    const QString updated = with_only_source(*settings, url);
    if (updated == *settings)
        return false;
    return write_text_atomically(path, updated);
}

} // namespace kelvara
