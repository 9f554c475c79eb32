#include "fakes/fake_services.h"

#include <QFileInfo>

namespace kelvara::test {

MsgAnswer FakeDialogs::message_box(const QString& text, const QString& title, MsgButtons buttons,
                                   MsgIcon icon) {
    boxes.push_back({text, title, buttons, icon});
    if (on_box)
        on_box(boxes.back());
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    if (answers.empty())
        return MsgAnswer::Yes;
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

QString FakeDialogs::open_file(const QString& filter, const QString& title) {
    last_filter = filter;
    last_title = title;
    return file_to_open;
}

QString FakeDialogs::browse_folder(const QString& initial, const QString& title) {
    last_initial = initial;
    last_title = title;
    return folder_to_choose;
}

bool FakeShell::open_url(const QString& address) {
    if (!is_web_address(address))
        return false;
    opened_urls.append(address);
    return true;
}

bool FakeShell::open_folder(const QString& folder) {
    opened_folders.append(folder);
    return true;
}

bool FakeProcesses::terminate(qint64 pid) {
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (it->pid == pid) {
            terminated.push_back(pid);
            table.erase(it);
            return true;
        }
    }
    return false;
}

bool FakeProcesses::start_detached(const QString& program, const QStringList& args,
                                   bool minimised) {
    starts.push_back({program, args, minimised});
    if (!startable.contains(program))
        return false;
    add(program);
    return true;
}

qint64 FakeProcesses::add(const QString& path) {
    return add(path, own_uid);
}

qint64 FakeProcesses::add(const QString& path, uint uid) {
    const qint64 pid = next_pid++;
    table.push_back({pid, QFileInfo(path).fileName(), path, uid});
    return pid;
}

std::optional<QString> FakeTransfer::open_url(const QString& url) {
    requests.append(url);
    if (responder)
        return responder(url);
    const auto it = replies.find(url);
    if (it != replies.end())
        return it->second;
    return default_reply;
}

void FakeTray::add(const QString& t) {
    ++adds;
    shown = true;
    tip = t;
}

void FakeTray::show_balloon(const QString& title, const QString& text) {
    balloons.push_back({title, text});
}

void FakeTray::remove() {
    ++removes;
    shown = false;
}

void FakeTray::post_mouse_move(quintptr, int, int) {
    ++posted;
}

} // namespace kelvara::test
