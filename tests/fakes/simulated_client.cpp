#include "fakes/simulated_client.h"

#include "logic/settings/settings.h"
#include "logic/startup/startup.h"
#include "logic/text/text_helpers.h"
#include "window/main_window.h"

#include <QFile>

namespace kelvara::test {

SimulatedClient::SimulatedClient() : SimulatedClient(processes) {}

SimulatedClient::SimulatedClient(Processes& process_table)
    : platform{clock,   events, transfer, process_table, shell, dialogs, tray,        power,
               machine, panes,  players,  channel,       qvod,  media,   screen_saver} {}

SimulatedClient::~SimulatedClient() = default;

MainWindow& SimulatedClient::start(const QString& command_line, bool load) {
    run_startup(dir.path(), base, qvod, dialogs, shell, machine);
    window_ = std::make_unique<MainWindow>(platform, dir.path(), base);
    if (load)
        window_->Form_Load(command_line);
    return *window_;
}

QString SimulatedClient::file(const QString& name) const {
    return join_path(dir.path(), name);
}

QByteArray SimulatedClient::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void SimulatedClient::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QString SimulatedClient::setting(const char* section, const char* key) const {
    return ini_read(file("config.ini"), section, key);
}

void SimulatedClient::set_setting(const char* section, const char* key,
                                  const QString& value) const {
    ini_write(file("config.ini"), section, key, value);
}

FakePane& SimulatedClient::pane(const char* name) const {
    return *panes.pane(QString::fromLatin1(name));
}

void prepare_next_link(NowPlaying& state, const QString& link) {
    state.next.status = NextEpisodeStatus::Prepared;
    state.next.link = link;
}

void prepare_next_address(NowPlaying& state, const QString& address) {
    state.next.address_status = NextEpisodeStatus::Prepared;
    state.next.address = address;
}

} // namespace kelvara::test
