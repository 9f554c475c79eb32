#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kelvara {

QString absolute_command(const QString& command, const QString& folder) {
    // The quotes of a path with blanks go anyway when it plays.
    QString target = command;
    target.remove(u'"');
    if (target.isEmpty() || QDir::isAbsolutePath(target))
        return command;
    const QString path = QDir::cleanPath(QDir(folder).absoluteFilePath(target));
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (scheme.match(target).hasMatch() && !QFileInfo::exists(path))
        return command;
    return path;
}

} // namespace kelvara
