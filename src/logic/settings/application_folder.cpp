#include "logic/settings/application_folder.h"

#include "logic/startup/qvod_processes.h"
#include "logic/text/text_helpers.h"

#include <QDir>
#include <QStandardPaths>

namespace kelvara {

QString application_folder() {
    QString folder = qEnvironmentVariable("KELVARA_HOME");
    if (folder.isEmpty()) {
        QString data = qEnvironmentVariable("XDG_DATA_HOME");
        if (data.isEmpty())
            data = QDir::homePath() + QLatin1String("/.local/share");
        folder = data + QLatin1String("/kelvara");
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    QDir().mkpath(folder);
    return folder;
}

QString configured_server() {
    const QString env = qEnvironmentVariable("KELVARA_SERVER");
    if (!env.isEmpty())
        return env;
    return QString::fromUtf8(KELVARA_DEFAULT_SERVER);
}

ApplicationFolder::ApplicationFolder(QString path) : path_(std::move(path)) {}

QString ApplicationFolder::file(const char* name) const {
    return join_path(path_, QString::fromLatin1(name));
}

QString ApplicationFolder::settings_file() const {
    return file("config.ini");
}

Settings ApplicationFolder::settings() const {
    return Settings(settings_file());
}

QString ApplicationFolder::network_history() const {
    return file("date.dat");
}

QString ApplicationFolder::local_history() const {
    return file("date_f.dat");
}

QString ApplicationFolder::network_page() const {
    return file("c.htm");
}

QString ApplicationFolder::local_page() const {
    return file("f.htm");
}

QString ApplicationFolder::delete_icon() const {
    return file("i.gif");
}

QString ApplicationFolder::updater() const {
    return file("update.exe");
}

QString ApplicationFolder::web_profile() const {
    return file("web");
}

QString ApplicationFolder::own_qvod_folder() const {
    return file("Qvod");
}

QString ApplicationFolder::qvod_folder() const {
    return kelvara::qvod_folder(settings().qvod_program_folder(), path_);
}

} // namespace kelvara
