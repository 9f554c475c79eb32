#pragma once

#include "fakes/fake_pane.h"
#include "fakes/fake_services.h"
#include "fakes/manual_clock.h"
#include "fakes/scripted_player.h"
#include "logic/playback/playback_session.h"
#include "platform/platform.h"

#include <QTemporaryDir>
#include <memory>

namespace kelvara {
class MainWindow;
}

namespace kelvara::test {

// The client on the simulated platform: a temporary application folder set
// up by the start-up procedure, the main window built on test doubles, and a
// manual clock. The window is created by start() so that a test can prepare
// files and doubles first.
class SimulatedClient {
public:
    SimulatedClient();
    // The same client on another process table (the machine's own, for the
    // tests that run stand-in processes).
    explicit SimulatedClient(Processes& process_table);
    ~SimulatedClient();

    // Runs the start-up procedure and creates the main window; with `load`
    // also runs its load handler with the command line.
    MainWindow& start(const QString& command_line = {}, bool load = true);
    MainWindow& window() { return *window_; }

    QString file(const QString& name) const;
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    QString setting(const char* section, const char* key) const;
    void set_setting(const char* section, const char* key, const QString& value) const;

    FakePane& pane(const char* name) const;
    ScriptedPlayer& player() const { return *players.player; }

    QTemporaryDir dir;
    const QString base = QStringLiteral("http://127.0.0.1:9/soft/");
    ManualClock clock;
    FakeEventLoop events;
    FakeTransfer transfer;
    FakeProcesses processes;
    FakeShell shell;
    FakeDialogs dialogs;
    FakeTray tray;
    FakePower power;
    FakeMachine machine;
    FakePaneFactory panes;
    FakePlayerFactory players;
    FakeChannel channel;
    FakeQvod qvod;
    FakeMediaControls media;
    FakeScreenSaver screen_saver;
    Platform platform;

private:
    std::unique_ptr<MainWindow> window_;
};

// The next episode as the poll's request leaves it prepared: its link, or
// the address to buffer ahead.
void prepare_next_link(NowPlaying& state, const QString& link);
void prepare_next_address(NowPlaying& state, const QString& address);

} // namespace kelvara::test
