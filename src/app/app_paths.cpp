#include "app/app_paths.h"

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

} // namespace kelvara
