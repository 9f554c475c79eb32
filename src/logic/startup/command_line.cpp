#include "logic/startup/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <cstdlib>

namespace kelvara {

QString client_name() {
    return QStringLiteral("Kelvara");
}

QString client_version() {
    return QStringLiteral(KELVARA_VERSION);
}

bool asks_for_program_option(const QStringList& arguments) {
    static const QStringList options{"-h", "--help", "--help-all", "-?", "-v", "--version"};
    return arguments.size() == 1 && options.contains(arguments.first());
}

void answer_program_option(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(client_name());
    QCoreApplication::setApplicationVersion(client_version());
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Watch online films and series, and play local films.\n"
                "A second start hands its film or address to the running window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("film"),
        QCoreApplication::translate("main", "The film file or address (qvod://, http://) to play."),
        QStringLiteral("[film]"));
    parser.process(app);
    std::exit(0); // not reached: process() ends the program after help or version
}

QString command_text(const QStringList& arguments) {
    if (arguments.size() == 1 && arguments.first().startsWith(QLatin1String("file://"))) {
        const QUrl url(arguments.first());
        // A file on another host stays an address.
        if (url.isValid() && url.isLocalFile() && url.host().isEmpty())
            return url.toLocalFile();
    }
    return arguments.join(u' ');
}

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
