// Kelvara: a desktop client for films and series.

#include "app/app_paths.h"
#include "app/startup.h"
#include "platform/desktop/desktop_platform.h"
#include "window/app_icon.h"
#include "window/ba1.h"

#include <QApplication>
#include <clocale>

using namespace kelvara;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Before the platform: the tray icon takes the application's icon.
    QApplication::setWindowIcon(app_icon());
    // libmpv needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");

    const QString app_dir = application_folder();
    DesktopPlatform desktop(app_dir);
    Platform& platform = desktop.platform();
    const QString command = command_line_text(QCoreApplication::arguments().mid(1));

    // A later start hands its command text to the first instance and ends.
    if (!platform.channel.claim()) {
        platform.channel.send(command.toUtf8());
        return 0;
    }

    if (!run_startup(app_dir, platform.qvod, platform.dialogs, platform.shell, platform.machine))
        return 0;

    BA1 window(platform, app_dir, configured_server());
    platform.channel.on_command = [&window](const QString& text) { window.LinkExecute(text); };
    on_termination_signal([&window] { window.ttt_v(); });
    // The window loads before it shows, so that it opens at its saved size
    // with its skin.
    window.Form_Load(command);
    window.show();
    return app.exec();
}
