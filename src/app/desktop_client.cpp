#include "app/desktop_client.h"

#include "demo_server/demo_server.h"
#include "desktop/desktop_platform.h"
#include "desktop/web_engine_profile.h"
#include "logic/startup/command_line.h"
#include "logic/startup/qvod_processes.h"
#include "logic/startup/startup.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "shared/qvod_terminal_api.h"
#include "window/app_icon.h"
#include "window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QUrl>
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

// Passes addresses on to the desktop and counts those it opened.
class CountingShell : public Shell {
public:
    explicit CountingShell(Shell& shell) : shell_(shell) {}
    bool open_url(const QString& address) override {
        const bool opened = shell_.open_url(address);
        opened_urls += opened ? 1 : 0;
        return opened;
    }
    bool open_folder(const QString& folder) override { return shell_.open_folder(folder); }
    int opened_urls = 0;

private:
    Shell& shell_;
};

// The embedded demo server ends with the client: a page of it that the
// user's browser was sent to is served first, or given up after a minute.
void serve_before_ending(const DemoServer& demo, const QString& address) {
    const std::string path = QUrl(address).path().toStdString();
    QElapsedTimer waited;
    waited.start();
    while (demo.request_count(path) == 0 && waited.elapsed() < 60000)
        QThread::msleep(100);
    // The request is counted before its reply goes out.
    QThread::msleep(1000);
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
    // The start-up may send the user to a page of the content server.
    if (base_url_.isEmpty())
        start_demo_server();
    CountingShell shell(p.shell);
    if (!run_startup(app_dir_, base_url_, p.qvod, p.dialogs, shell, p.machine)) {
        if (demo_ && shell.opened_urls > 0)
            serve_before_ending(*demo_, qvod_download_page(base_url_));
        return false;
    }
    if (demo_)
        fetch_films_from_demo_server();

    window_ = std::make_unique<MainWindow>(p, app_dir_, base_url_);
    MainWindow* window = window_.get();
    // The window loads before it shows, so that it opens at its saved size
    // with its skin.
    window->Form_Load(command_line);
    window->show();
    // Only now later starts' commands play; those that came meanwhile (the
    // engine runs events while the panes load) were held for this.
    p.channel.set_on_command([window](const QString& text) { window->LinkExecute(text); });
    return true;
}

void DesktopClient::start_demo_server() {
    demo_ = std::make_unique<DemoServer>();
    if (!demo_->start(kDemoPort) && !demo_->start(0)) {
        qCWarning(lc_client) << "the demo server could not start";
        demo_.reset();
        return;
    }
    base_url_ = QString::fromStdString(demo_->base_url());
}

// The QVOD folder (set up by the start-up) fetches the demo films from the
// demo server's seeds only.
void DesktopClient::fetch_films_from_demo_server() {
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
    // The window's class (X11) and app id (Wayland) name the desktop entry.
    QApplication::setApplicationName(client_name());
    QApplication::setApplicationVersion(client_version());
    QApplication::setDesktopFileName(desktop_app_id());
    QApplication::setQuitOnLastWindowClosed(false);
    // Before the platform: the tray icon takes the application's icon.
    QApplication::setWindowIcon(app_icon());
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace kelvara
