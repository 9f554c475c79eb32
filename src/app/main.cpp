// Kelvara: a desktop client for films and series.

#include "app/app_paths.h"
#include "app/guanbi.h"
#include "app/startup.h"
#include "demo_server/demo_server.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/web_engine_profile.h"
#include "window/app_icon.h"
#include "window/ba1.h"

#include <QApplication>
#include <QLoggingCategory>
#include <clocale>

using namespace kelvara;

namespace {

Q_LOGGING_CATEGORY(lc_app, "kelvara.app", QtWarningMsg)

// The demo server prefers this port, so that the QVOD folder's source stays
// the same from one run to the next.
constexpr int kDemoPort = 17390;

// Without a configured content server the client serves its own demo
// catalogue, and the QVOD terminal fetches the films from its seeds.
QString start_demo_server(DemoServer& demo, DesktopPlatform& desktop) {
    if (!demo.start(kDemoPort) && !demo.start(0)) {
        qCWarning(lc_app) << "the demo server could not start";
        return {};
    }
    const QString seeds = QString::fromStdString(demo.seed_url());
    if (desktop.qvod().use_only_source(seeds)) {
        // A terminal still running from this folder knows only the old
        // sources; the player starts a new one when it needs it.
        for (const ProcessInfo& p : desktop.platform().processes.list()) {
            if (p.name == QLatin1String("QvodTerminal.exe") &&
                p.path.startsWith(desktop.qvod().folder() + u'/'))
                desktop.platform().processes.terminate(p.pid);
        }
    }
    return QString::fromStdString(demo.base_url());
}

// The player reads the QVOD terminal on 127.0.0.1: never through a proxy.
void bypass_proxies_for_loopback() {
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        QByteArray list = qgetenv(name);
        if (!list.contains("127.0.0.1"))
            list += QByteArray(list.isEmpty() ? "" : ",") + "127.0.0.1,localhost";
        qputenv(name, list);
    }
}

} // namespace

int main(int argc, char** argv) {
    bypass_proxies_for_loopback();
    prepare_web_engine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Before the platform: the tray icon takes the application's icon.
    QApplication::setWindowIcon(app_icon());
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

    DemoServer demo;
    QString base_url = configured_server();
    if (base_url.isEmpty())
        base_url = start_demo_server(demo, desktop);

    BA1 window(platform, app_dir, base_url);
    platform.channel.on_command = [&window](const QString& text) { window.LinkExecute(text); };
    on_termination_signal([&window] { window.ttt_v(); });
    // The window loads before it shows, so that it opens at its saved size
    // with its skin.
    window.Form_Load(command);
    window.show();
    return app.exec();
}
