#include "logic/startup/program_files.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace kelvara {

namespace {

// The install directories relative to the prefix, as the build was
// configured (GNUInstallDirs).
const QString kBinDir = QStringLiteral(KELVARA_INSTALL_BINDIR);
const QString kLibexecDir = QStringLiteral(KELVARA_INSTALL_LIBEXECDIR);
const QString kDataDir = QStringLiteral(KELVARA_INSTALL_DATADIR);

// The prefix of an installed tree whose `program_dir` holds the executable
// in `exe_dir`; none when the executable is not in such a tree.
std::optional<QString> installed_prefix(const QString& exe_dir, const QString& program_dir) {
    const QString suffix = QLatin1Char('/') + program_dir;
    if (!exe_dir.endsWith(suffix))
        return std::nullopt;
    const QString prefix = exe_dir.chopped(suffix.size());
    if (!QFileInfo(prefix + u'/' + kDataDir).isDir())
        return std::nullopt;
    return prefix;
}

} // namespace

QString executable_dir() {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(exe).absolutePath();
}

ProgramFiles program_files() {
    const QString exe_dir = executable_dir();
    for (const QString& program_dir : {kBinDir, kLibexecDir}) {
        if (const auto prefix = installed_prefix(exe_dir, program_dir)) {
            return {*prefix + u'/' + kLibexecDir + QLatin1String("/Qvod"),
                    *prefix + u'/' + kDataDir};
        }
    }
    return {exe_dir + QLatin1String("/Qvod"), exe_dir + QLatin1String("/share/kelvara")};
}

} // namespace kelvara
