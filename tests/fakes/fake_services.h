#pragma once

#include "platform/dialogs.h"
#include "platform/instance_channel.h"
#include "platform/machine.h"
#include "platform/media_controls.h"
#include "platform/power.h"
#include "platform/processes.h"
#include "platform/qvod_component.h"
#include "platform/screen_saver.h"
#include "platform/shell.h"
#include "platform/transfer.h"
#include "platform/tray.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace kelvara::test {

class FakeMachine : public Machine {
public:
    QString first_ip_adapter_mac() override { return mac; }
    QDateTime local_now() override { return now; }
    double random_fraction() override { return fraction; }

    QString mac = QStringLiteral("00:1a:2b:3c:4d:5e");
    QDateTime now = QDateTime(QDate(2010, 10, 9), QTime(15, 30, 25));
    double fraction = 0.5;
};

// Message boxes answered by the test; every box shown is recorded.
class FakeDialogs : public Dialogs {
public:
    struct Box {
        QString text;
        QString title;
        MsgButtons buttons;
        MsgIcon icon;
    };
    MsgAnswer message_box(const QString& text, const QString& title, MsgButtons buttons,
                          MsgIcon icon) override;
    QString open_file(const QString& filter, const QString& title) override;
    QString browse_folder(const QString& initial, const QString& title) override;

    std::vector<Box> boxes;
    std::deque<MsgAnswer> answers;          // Yes/No answers in order; Yes when empty
    std::function<void(const Box&)> on_box; // runs while a box is "open"
    QString file_to_open;
    QString last_filter, last_title, last_initial;
    QString folder_to_choose;
};

class FakeShell : public Shell {
public:
    bool open_url(const QString& address) override;
    bool open_folder(const QString& folder) override;
    QStringList opened_urls;
    QStringList opened_folders;
};

class FakeQvod : public QvodComponent {
public:
    bool control_available() override { return available; }
    bool installed_copy_present() override { return installed; }
    void register_control() override {
        ++registrations;
        available = true;
    }

    bool available = true;
    bool installed = true;
    int registrations = 0;
};

// A process table the test controls.
class FakeProcesses : public Processes {
public:
    std::vector<ProcessInfo> list() override { return table; }
    uint user_id() const override { return own_uid; }
    bool terminate(qint64 pid) override;
    bool start_detached(const QString& program, const QStringList& args, bool minimised) override;

    // Adds a running process of the user, or of `uid`; returns its id.
    qint64 add(const QString& path);
    qint64 add(const QString& path, uint uid);

    struct Start {
        QString program;
        QStringList args;
        bool minimised;
    };
    std::vector<ProcessInfo> table;
    std::vector<qint64> terminated;
    std::vector<Start> starts;
    // Programs whose start succeeds (and then runs); others fail to start.
    QStringList startable;
    qint64 next_pid = 1000;
    uint own_uid = 1000;
};

// Server replies by address; every request is recorded.
class FakeTransfer : public Transfer {
public:
    std::optional<QString> open_url(const QString& url) override;
    bool still_executing() const override { return executing; }
    void cancel() override { ++cancels; }

    std::map<QString, std::optional<QString>> replies;               // exact address → reply
    std::optional<QString> default_reply;                            // for other addresses
    std::function<std::optional<QString>(const QString&)> responder; // wins when set
    QStringList requests;
    bool executing = false;
    int cancels = 0;
};

class FakeTray : public Tray {
public:
    void add(const QString& tip) override;
    void set_tip(const QString& tip) override { this->tip = tip; }
    void show_balloon(const QString& title, const QString& text) override;
    void remove() override;
    bool present() const override { return shown; }
    Strip find_strip() override { return strip; }
    void post_mouse_move(quintptr handle, int x, int y) override;

    bool shown = false;
    QString tip;
    struct Balloon {
        QString title;
        QString text;
    };
    std::vector<Balloon> balloons;
    Strip strip;
    int posted = 0;
    int adds = 0;
    int removes = 0;
};

class FakePower : public Power {
public:
    bool power_off() override {
        ++power_offs;
        return succeed;
    }
    int power_offs = 0;
    bool succeed = true;
};

class FakeChannel : public InstanceChannel {
public:
    bool claim() override { return first; }
    bool send(const QByteArray& command) override {
        sent.append(command);
        return true;
    }
    bool first = true;
    QList<QByteArray> sent;
};

// Records what the window publishes; a test calls the handlers as the
// desktop's controls would.
class FakeMediaControls : public MediaControls {
public:
    void publish(const MediaState& state) override { published.push_back(state); }
    void seeked(qint64 seconds) override { seeks.push_back(seconds); }

    std::vector<MediaState> published;
    std::vector<qint64> seeks;
};

class FakeScreenSaver : public ScreenSaver {
public:
    void set_inhibited(bool on, const QString&) override { inhibited = on; }
    bool inhibited = false;
};

} // namespace kelvara::test
