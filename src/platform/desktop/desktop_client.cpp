#include "platform/desktop/desktop_client.h"

#include "app/guanbi.h"
#include "app/startup.h"
#include "common/qvod_terminal_api.h"
#include "demo_server/demo_server.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/web_engine_profile.h"
#include "platform/processes.h"
#include "window/app_icon.h"
#include "window/ba1.h"

#include <QApplication>
#include <QLoggingCategory>
#include <clocale>

namespace kelvara {

namespace {

Q_LOGGING_CATEGORY(lc_client, "kelvara.app", QtWarningMsg)

// The demo server prefers this port, so that the QVOD folder's source stays
// the same from one run to the next.
constexpr int kDemoPort = 17390;

// The player reads the QVOD terminal on 127.0.0.1, and the demo server is
// there too: never through a proxy. Before the first request and before
// QApplication (the browser engine reads the same variables).
void bypass_proxies_for_loopback() {
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        QByteArray list = qgetenv(name);
        if (!list.contains("127.0.0.1"))
            list += QByteArray(list.isEmpty() ? "" : ",") + "127.0.0.1,localhost";
        qputenv(name, list);
    }
}

} // namespace

DesktopClient::DesktopClient(QString app_dir, QString base_url,
                             std::unique_ptr<LocalSocketChannel> channel)
    : app_dir_(std::move(app_dir)), base_url_(std::move(base_url)),
      desktop_(std::make_unique<DesktopPlatform>(app_dir_, std::move(channel))) {}

DesktopClient::~DesktopClient() {
    // The window's player and panes go before the server they read from.
    window_.reset();
    demo_.reset();
}

Platform& DesktopClient::platform() {
    return desktop_->platform();
}

bool DesktopClient::start(const QString& command_line) {
    Platform& p = platform();
    if (!run_startup(app_dir_, p.qvod, p.dialogs, p.shell, p.machine))
        return false;
    if (base_url_.isEmpty())
        start_demo_server();

    window_ = std::make_unique<BA1>(p, app_dir_, base_url_);
    BA1* window = window_.get();
    // The window loads before it shows, so that it opens at its saved size
    // with its skin.
    window->Form_Load(command_line);
    window->show();
    // Only now later starts' commands play; those that came meanwhile (the
    // engine runs events while the panes load) were held for this.
    p.channel.set_on_command([window](const QString& text) { window->LinkExecute(text); });
    return true;
}

// The QVOD folder fetches the demo films from this server's seeds only.
void DesktopClient::start_demo_server() {
    demo_ = std::make_unique<DemoServer>();
    if (!demo_->start(kDemoPort) && !demo_->start(0)) {
        qCWarning(lc_client) << "the demo server could not start";
        return;
    }
    base_url_ = QString::fromStdString(demo_->base_url());
    const QString seeds = QString::fromStdString(demo_->seed_url());
    QvodFolder& qvod = desktop_->qvod();
    if (!qvod.use_only_source(seeds))
        return;
    // A terminal still running from this folder knows only the old sources;
    // the player starts a new one when it needs it.
    Processes& processes = platform().processes;
    for (const ProcessInfo& p : processes.list()) {
        if (p.name == QLatin1String(terminal_api::kProgram) &&
            runs_from(processes, p, qvod.folder()))
            processes.terminate(p.pid);
    }
}

void prepare_client_process() {
    bypass_proxies_for_loopback();
    prepare_web_engine();
}

void set_up_application() {
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Before the platform: the tray icon takes the application's icon.
    QApplication::setWindowIcon(app_icon());
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace kelvara
