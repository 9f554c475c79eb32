// Kelvara: a desktop client for films and series.

#include "app/desktop_client.h"
#include "desktop/desktop_platform.h"
#include "logic/settings/application_folder.h"
#include "logic/startup/command_line.h"
#include "window/main_window.h"

#include <QApplication>
#include <QDir>

using namespace kelvara;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Only alone are these options; anything else is the film to play.
    if (asks_for_program_option(arguments))
        answer_program_option(argc, argv);

    prepare_client_process();
    QApplication app(argc, argv);
    set_up_application();

    const QString app_dir = application_folder();
    // The text the client plays, a relative path taken in this start's folder.
    const QString command =
        absolute_command(command_text(QCoreApplication::arguments().mid(1)), QDir::currentPath());

    // A later start hands its command text to the first instance and ends,
    // before it sets anything up; the first keeps the channel it claimed.
    auto channel = std::make_unique<LocalSocketChannel>(app_dir);
    if (!channel->claim()) {
        channel->send(command.toUtf8());
        return 0;
    }
    DesktopClient client(app_dir, configured_server(), std::move(channel));
    if (!client.start(command))
        return 0;
    on_termination_signal([&client] { client.window()->quit_client(); });
    return app.exec();
}
