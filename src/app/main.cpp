// Kelvara: a desktop client for films and series.

#include "app/app_paths.h"
#include "app/startup.h"
#include "platform/desktop/desktop_platform.h"
#include "window/ba1.h"

#include <QApplication>
#include <clocale>

using namespace kelvara;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setQuitOnLastWindowClosed(false);
    // libmpv needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");

    const QString app_dir = application_folder();
    const QString command = command_line_text(QCoreApplication::arguments().mid(1));

    // A later start hands its command text to the first instance and ends,
    // before it sets anything up.
    const auto later_start = [&command](InstanceChannel& channel) {
        if (channel.claim())
            return false;
        channel.send(command.toUtf8());
        return true;
    };
    if (LocalSocketChannel early(app_dir); later_start(early))
        return 0;

    DesktopPlatform desktop(app_dir);
    Platform& platform = desktop.platform();
    // Claimed for good; a start that came in between is the first one.
    if (later_start(platform.channel))
        return 0;

    if (!run_startup(app_dir, platform.qvod, platform.dialogs, platform.shell, platform.machine))
        return 0;

    BA1 window(platform, app_dir, configured_server());
    platform.channel.on_command = [&window](const QString& text) { window.LinkExecute(text); };
    on_termination_signal([&window] { window.ttt_v(); });
    window.show();
    window.Form_Load(command);
    return app.exec();
}
