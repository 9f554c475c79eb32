// The playback session's part of the client's links in the panes and of
// the actions on the viewing histories.

#include "logic/playback/playback_session.h"

#include "logic/history/downloads.h"
#include "logic/history/history_files.h"
#include "logic/history/history_records.h"
#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/links/qvod_address.h"
#include "logic/playback/playback_view.h"
#include "logic/startup/qvod_processes.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/web_pane.h"
#include "shared/qvod_terminal_api.h"

#include <QDir>

namespace kelvara {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool starts_with_scheme(const QString& address, QLatin1String scheme) {
    return address.left(7) == scheme;
}

} // namespace

// ---- The client's links ----

// eebovod:// asks the server for the episode's play address, eeqvod://
// plays a resolved one. True when the address was one of them.
bool PlaybackSession::dispatch_play_link(const QString& address) {
    if (address.contains(QLatin1String("eebovod://"))) {
        resolve_episode(address);
        return true;
    }
    if (address.contains(QLatin1String("eeqvod://"))) {
        play_episode(address);
        return true;
    }
    return false;
}

// What played before goes on until the resolved link plays.
void PlaybackSession::resolve_episode(const QString& address) {
    const EpisodeKey key = split_episode_key(strip_scheme(address, QStringLiteral("eebovod://")));
    view_.show_status(QStringLiteral("正在搜索资源，请稍后"));
    view_.show_now_playing_tab();

    const std::optional<QString> reply = request_play_address(key.id, key.v, key.v1);
    if (reply_is_failure(reply)) {
        state_.next.status = NextEpisodeStatus::NoneLeft;
        state_.next.link.clear();
        view_.show_status(QStringLiteral("读取数据出错，请重试"));
    }
    if (const std::optional<PlayReply> fields = split_reply(reply)) {
        const QvodLink link{fields->player_type,
                            js_escape(fields->address),
                            key.title,
                            fields->episode_name,
                            QString::number(key.id),
                            key.v,
                            key.v1};
        dispatch_play_link(link.text());
        return;
    }
    view_.show_balloon(QStringLiteral("读取数据出错，请返回重试！"));
    view_.show_status(QStringLiteral("读取数据出错，请返回重试"));
}

// Plays a resolved link, in the player for "qvod" and in the web player
// otherwise, then shows its episode page and records it.
void PlaybackSession::play_episode(const QString& address) {
    press(TransportButton::Stop);
    view_.start_qvod_terminal();

    const QvodLink link = parse_qvod_link(address);
    const qint64 id = to_number(link.id);
    const QString key = EpisodeKey{id, link.v, link.v1, link.title}.text();
    if (link.player_type == QLatin1String("qvod")) {
        state_.resume_position = 0;
        state_.route = PlayRoute::Player;
        start_playback(js_unescape(link.escaped_address));
        state_.episode_key = key;
        state_.next.forget();
        state_.stored_as = QString::number(id);
    } else {
        state_.route = PlayRoute::WebPlayer;
        panes_.web_player.navigate(web_player_address(base_url_, key));
        state_.episode_key = key;
        // The web player's episode keeps a pending retry's hold.
        const bool hold = state_.next.hold_prebuffer;
        state_.next.forget();
        state_.next.hold_prebuffer = hold;
        state_.stored_as.reset();
    }
    show_now_playing(js_unescape(link.title), js_unescape(link.episode_name));

    if (!link.title.isEmpty() && !link.id.isEmpty() && !link.escaped_address.isEmpty()) {
        panes_.episode_page.navigate(episode_page_address(base_url_, key, QStringLiteral("0")));
        // The fields go into the record in the escaped form they arrived in.
        history_.history_add_task(id, link.title, link.episode_name, link.escaped_address,
                                  to_number(link.v), to_number(link.v1), 0);
    }
    state_.source = PlaySource::NetworkTask;
    view_.show_now_playing_tab();
}

void PlaybackSession::catalogue_navigation(const QString& address, bool& cancel) {
    if (address.contains(QLatin1String("eebovod://")) ||
        address.contains(QLatin1String("eeqvod://"))) {
        cancel = true;
        dispatch_play_link(address);
    }
}

void PlaybackSession::web_player_navigation(const QString& address, bool& cancel) {
    if (!address.contains(QLatin1String(kEndOfEpisodeMarker)))
        return;
    cancel = true;
    end_of_episode();
}

// The local list and the episode page hand their history links to the
// network list's handler.
bool PlaybackSession::hand_history_link_over(WebPane& pane, const QString& address, bool& cancel) {
    if (starts_with_scheme(address, QLatin1String("delk://"))) {
        cancel = true;
        follow_history_link(address);
        pane.refresh();
        return true;
    }
    if (starts_with_scheme(address, QLatin1String("open://"))) {
        cancel = true;
        follow_history_link(address);
        return true;
    }
    return false;
}

void PlaybackSession::local_list_navigation(const QString& address, bool& cancel) {
    hand_history_link_over(panes_.local_list, address, cancel);
}

void PlaybackSession::episode_page_navigation(const QString& address, bool& cancel) {
    if (hand_history_link_over(panes_.episode_page, address, cancel))
        return;
    if (address.contains(QLatin1String("eebovod://")) ||
        address.contains(QLatin1String("eeqvod://"))) {
        cancel = true;
        dispatch_play_link(address);
    }
}

void PlaybackSession::network_list_navigation(const QString& address, bool& cancel) {
    if (starts_with_scheme(address, QLatin1String("delk://")) ||
        starts_with_scheme(address, QLatin1String("open://"))) {
        cancel = true;
        follow_history_link(address);
    }
}

// ---- History actions ----

HistoryList PlaybackSession::active_list() const {
    return view_.local_list_shown() ? HistoryList::LocalFiles : HistoryList::NetworkTasks;
}

// Line `n` (from 1) of a list; empty when the list or the line is missing.
QString PlaybackSession::list_line(HistoryList list, qint64 n) const {
    const std::optional<QStringList> lines = read_lines(history_.list_file(list));
    if (!lines || n < 1 || n > lines->size())
        return {};
    return lines->at(n - 1);
}

bool PlaybackSession::ask(const QString& text) {
    return platform_.dialogs.message_box(text, QStringLiteral("提示："), MsgButtons::YesNo,
                                         MsgIcon::None) == MsgAnswer::Yes;
}

void PlaybackSession::follow_history_link(const QString& address) {
    if (starts_with_scheme(address, QLatin1String("delk://"))) {
        QString n = address;
        n.remove(QStringLiteral("delk://"));
        n.remove(u'/');
        delete_row(to_number(n));
    } else if (starts_with_scheme(address, QLatin1String("open://"))) {
        open_row(address);
    }
}

void PlaybackSession::delete_row(qint64 line) {
    history_.history_delete_line(active_list(), line);
    if (state_.source != PlaySource::NetworkTask)
        panes_.episode_page.refresh(); // it shows c.htm while a local file plays
}

void PlaybackSession::open_row(const QString& address) {
    press(TransportButton::Stop);
    const qint64 n = to_number(strip_scheme(address, QStringLiteral("open://")));
    const QString line = list_line(active_list(), n);
    // An out-of-date page may name a line that is no record: nothing to play.
    if (view_.local_list_shown())
        replay_local(line, n);
    else
        replay_task(line);
}

void PlaybackSession::replay_local(const QString& line, qint64 n) {
    const std::optional<LocalFileRecord> record = LocalFileRecord::parse(line);
    if (!record)
        return;
    QString path = history_field_text(record->path);
    // A record written before "%25" and "%u" were escapes holds the path as
    // it is.
    if (!QFileInfo(path).isFile() && QFileInfo(record->path).isFile())
        path = record->path;
    if (!QFileInfo(path).isFile()) {
        platform_.dialogs.message_box(path + QStringLiteral("不存在"), QStringLiteral("Kelvara"),
                                      MsgButtons::Ok, MsgIcon::None);
        history_.history_delete_line(HistoryList::LocalFiles, n);
        return;
    }
    start_playback(path);
    show_now_playing(js_unescape(record->name));
    playing_local_file(path, record->position.value_or(0));
    panes_.episode_page.navigate(history_.page_file(HistoryList::NetworkTasks));
    view_.show_now_playing_tab();
}

void PlaybackSession::replay_task(const QString& line) {
    const std::optional<NetworkTaskRecord> record = NetworkTaskRecord::parse(line);
    if (!record)
        return;
    const QString key = record->episode_key();
    if (record->address.contains(QLatin1String("qvod"))) {
        if (find_process_id(platform_.processes, QLatin1String(terminal_api::kProgram),
                            view_.qvod_program_folder()) == 0) {
            platform_.events.do_events();
            view_.start_qvod_terminal();
        }
        start_playback(js_unescape(record->address));
        show_now_playing(js_unescape(record->title), js_unescape(record->episode));
        state_.resumed = false;
        state_.resume_position = record->position.value_or(0);
        panes_.episode_page.navigate(episode_page_address(base_url_, key, QStringLiteral("0")));
        state_.episode_key = key;
        state_.next.forget();
        state_.stored_as = record->id;
        state_.route = PlayRoute::Player;
    } else {
        // The web player's episode page plays it; the suffix names the episode.
        state_.route = PlayRoute::WebPlayer;
        state_.stored_as.reset();
        panes_.episode_page.navigate(episode_page_address(base_url_, key, record->v + record->v1));
    }
    state_.source = PlaySource::NetworkTask;
    view_.show_now_playing_tab();
}

// Asks before deleting the downloaded files of a task; No shows the folder.
void PlaybackSession::delete_task_downloads(const QString& folder, const QStringList& names) {
    if (names.isEmpty())
        return;
    QString list;
    for (const QString& name : names)
        list += name + kCrLf;
    const QString question = QStringLiteral("确定要删除 [") + folder +
                             QStringLiteral("] 下面的这些文件吗？") + kCrLf + kCrLf + list;
    if (ask(question)) {
        if (!delete_downloads(folder, names).isEmpty())
            view_.show_balloon(QStringLiteral("部分文件可能正在使用中，未删除成功！请手动删除！"));
        return;
    }
    QStringList any;
    if (list_files(folder, QStringLiteral("*.*"), any))
        platform_.shell.open_folder(folder);
}

void PlaybackSession::delete_task_with_downloads(const QString& row) {
    const HistoryList list = HistoryList::NetworkTasks;
    if (!QFileInfo::exists(history_.list_file(list)))
        return;
    const std::optional<NetworkTaskRecord> record =
        NetworkTaskRecord::parse(list_line(list, to_number(row)));
    const QString address = record ? js_unescape(record->address) : QString();
    const bool names_a_file = parse_qvod_address(address).has_value();
    if (names_a_file) {
        // Nothing is deleted unless the settings name an absolute folder,
        // and there only the files the download's record names.
        const QString folder = configured_download_folder(view_.qvod_program_folder());
        if (QDir::isAbsolutePath(folder))
            delete_task_downloads(folder, download_files(folder, address));
    }
    follow_history_link(QStringLiteral("delk://") + row);
    if (names_a_file && state_.source != PlaySource::NetworkTask)
        panes_.episode_page.refresh();
}

void PlaybackSession::clear_local_list() {
    if (!ask(QStringLiteral("确定要删除全部[本地播放]列表吗？")))
        return;
    const HistoryList list = HistoryList::LocalFiles;
    if (QFileInfo::exists(history_.list_file(list))) {
        history_.clear(list);
        history_.history_render(list);
    }
}

void PlaybackSession::clear_network_list() {
    if (!ask(QStringLiteral("确定要删除全部[网络任务]列表吗？")))
        return;
    const HistoryList list = HistoryList::NetworkTasks;
    if (QFileInfo::exists(history_.list_file(list))) {
        history_.clear(list);
        history_.history_render(list);
        if (state_.source != PlaySource::NetworkTask)
            panes_.episode_page.refresh();
    }
}

} // namespace kelvara
