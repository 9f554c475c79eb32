#pragma once

#include "desktop/local_socket_channel.h"

#include <QString>
#include <memory>

namespace kelvara {

class MainWindow;
class DemoServer;
class DesktopPlatform;
struct Platform;

// The desktop client put together: the real platform, the content server,
// the start-up procedure and the main window. Without a configured content
// server it serves its own demo catalogue, and the QVOD folder fetches the
// demo films from that server's seeds.
//
// The program runs one for its whole life; tests run several in turn on one
// application folder, each destroyed before the next is made.
class DesktopClient {
public:
    // `base_url`: the content server (ending in "/soft/"); empty for the
    // embedded demo server. `channel`: the single-instance channel the
    // program has claimed; none in tests. Builds the platform only; nothing
    // starts yet.
    explicit DesktopClient(QString app_dir, QString base_url = {},
                           std::unique_ptr<LocalSocketChannel> channel = nullptr);
    ~DesktopClient();
    DesktopClient(const DesktopClient&) = delete;
    DesktopClient& operator=(const DesktopClient&) = delete;

    // Runs the start-up procedure, starts the demo server when no content
    // server is configured, creates MainWindow, runs Form_Load with the command line
    // and shows the window; commands of later starts then reach LinkExecute.
    // False when the start-up procedure ends the client (no window).
    bool start(const QString& command_line = {});

    DesktopPlatform& desktop() { return *desktop_; }
    Platform& platform();
    const QString& app_dir() const { return app_dir_; }
    // The content server in use; empty before start() without one.
    const QString& base_url() const { return base_url_; }
    // Null before start(), and when start() ended the client.
    MainWindow* window() const { return window_.get(); }
    // The embedded demo server; null when another content server is used.
    DemoServer* demo_server() const { return demo_.get(); }

private:
    void start_demo_server();
    void fetch_films_from_demo_server();

    QString app_dir_;
    QString base_url_;
    std::unique_ptr<DesktopPlatform> desktop_;
    std::unique_ptr<DemoServer> demo_;
    std::unique_ptr<MainWindow> window_;
};

// What a process that runs a client sets before it makes its QApplication
// (no proxy for 127.0.0.1, the browser engine's switches)...
void prepare_client_process();
// ...and right after: the application's name, version, desktop entry and
// icon, no quit with the last window (the tray keeps it), and the C numeric
// locale libmpv needs.
void set_up_application();

} // namespace kelvara
