// Kelvara: a desktop client for films and series.

#include "app/app_paths.h"
#include "platform/desktop/desktop_client.h"
#include "platform/desktop/desktop_platform.h"
#include "window/ba1.h"

#include <QApplication>

using namespace kelvara;

int main(int argc, char** argv) {
    prepare_client_process();
    QApplication app(argc, argv);
    set_up_application();

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

    DesktopClient client(app_dir, configured_server());
    // Claimed for good; a start that came in between is the first one.
    if (later_start(client.platform().channel))
        return 0;
    if (!client.start(command))
        return 0;
    on_termination_signal([&client] { client.window()->ttt_v(); });
    return app.exec();
}
