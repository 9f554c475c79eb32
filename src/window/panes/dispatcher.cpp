#include "window/ba1.h"

#include "logic/history/history_files.h"
#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/startup/qvod_processes.h"
#include "logic/text/text_helpers.h"
#include "platform/platform.h"
#include "platform/processes.h"
#include "platform/web_pane.h"
#include "shared/qvod_terminal_api.h"
#include "window/player/player_view.h"

namespace kelvara {

namespace {

const QString kQvodTerminal = QString::fromLatin1(terminal_api::kProgram);

bool starts_with_scheme(const QString& address, QLatin1String scheme) {
    return address.left(7) == scheme;
}

// Steps R: ask the server for the episode's play address and play it through
// Web1 (steps P run inside that navigation). What played before goes on
// until then.
void resolve_episode(BA1& w, const QString& address) {
    const EpisodeKey key = split_episode_key(strip_scheme(address, QStringLiteral("eebovod://")));
    w.zhun->set_caption(QStringLiteral("正在搜索资源，请稍后"));
    w.npc_Click(9);

    const std::optional<QString> reply = w.request_play_address(key.id, key.v, key.v1);
    if (reply_is_failure(reply)) {
        w.next_link = QStringLiteral("1");
        w.zhun->set_caption(QStringLiteral("读取数据出错，请重试"));
    }
    if (const std::optional<PlayReply> fields = split_reply(reply)) {
        const QvodLink link{fields->player_type,
                            js_escape(fields->address),
                            key.title,
                            fields->episode_name,
                            QString::number(key.id),
                            key.v,
                            key.v1};
        w.Web1->navigate(link.text());
        return;
    }
    w.show_balloon(QStringLiteral("读取数据出错，请返回重试！"));
    w.zhun->set_caption(QStringLiteral("读取数据出错，请返回重试"));
}

// Steps P: play a resolved link, in the player for "qvod" and in the web
// player otherwise, then show its episode page and record it.
void play_episode(BA1& w, const QString& address) {
    w.bo_but_Click(1);
    w.start_qvod_terminal();

    const QvodLink link = parse_qvod_link(address);
    const qint64 id = to_number(link.id);
    const QString key = EpisodeKey{id, link.v, link.v1, link.title}.text();
    if (link.player_type == QLatin1String("qvod")) {
        w.resume_pos = 0;
        w.web_mode = 0;
        w.start_playback(js_unescape(link.escaped_address));
        w.play_key = key;
        w.next_link = QStringLiteral("0");
        w.next_pending = 0;
        w.next_addr = QStringLiteral("0");
        w.play_id = QString::number(id);
    } else {
        w.web_mode = 1;
        w.Web2->navigate(web_player_address(w.base_url(), key));
        w.play_key = key;
        w.next_link = QStringLiteral("0");
        w.next_addr = QStringLiteral("0");
        w.play_id = QStringLiteral("0");
    }
    show_now_playing(w, js_unescape(link.title), js_unescape(link.episode_name));

    if (!link.title.isEmpty() && !link.id.isEmpty() && !link.escaped_address.isEmpty()) {
        w.Web5->navigate(episode_page_address(w.base_url(), key, QStringLiteral("0")));
        // The fields go into the record in the escaped form they arrived in.
        w.history().history_add_task(id, link.title, link.episode_name, link.escaped_address,
                                     to_number(link.v), to_number(link.v1), 0);
    }
    w.play_kind = 1;
    w.npc_Click(9);
}

// Steps E: an episode has ended (the player's end of playback or a web-player
// page sent Web2 to the end-of-episode address).
void end_of_episode(BA1& w) {
    if (w.setting("S_q", "s_bo") != QLatin1String("2")) {
        w.Timer1->set_enabled(true);
        return;
    }
    if (w.next_link == QLatin1String("1"))
        return;
    if (w.next_link == QLatin1String("0") || w.next_link == QLatin1String("3")) {
        // Nothing to play at once: the episode page offers the next episode.
        // Without a series key there is no next episode to show.
        if (w.play_key == QLatin1String("0") || !w.play_key.contains(u'-'))
            return;
        const EpisodeKey key = split_episode_key(w.play_key);
        const QString suffix = key.v + QString::number(to_number(key.v1) + 1);
        w.Web5->navigate(episode_page_address(w.base_url(), w.play_key, suffix));
        return;
    }
    w.Web1->navigate(w.next_link);
}

// Web4 and Web5 hand history links to Web3, whose handler acts on them.
bool hand_history_link_over(BA1& w, WebPane& pane, const QString& address, bool& cancel) {
    if (starts_with_scheme(address, QLatin1String("delk://"))) {
        cancel = true;
        w.Web3->navigate(address);
        pane.refresh();
        return true;
    }
    if (starts_with_scheme(address, QLatin1String("open://"))) {
        cancel = true;
        w.Web3->navigate(address);
        return true;
    }
    return false;
}

} // namespace

QString BA1::qvod_program_folder() {
    return qvod_dir.isEmpty() ? qvod_folder(setting("S_q", "qvodw"), app_dir()) : qvod_dir;
}

void BA1::start_qvod_terminal() {
    Processes& processes = platform().processes;
    const QString folder = qvod_program_folder();
    if (find_process_id(processes, kQvodTerminal, folder) != 0)
        return;
    qvod_dir = folder;
    processes.start_detached(join_path(qvod_dir, kQvodTerminal), {}, true);
}

void BA1::Web1_BeforeNavigate2(const QString& address, bool& cancel) {
    if (address.contains(QLatin1String("eebovod://"))) {
        cancel = true;
        resolve_episode(*this, address);
    } else if (address.contains(QLatin1String("eeqvod://"))) {
        cancel = true;
        play_episode(*this, address);
    }
}

void BA1::Web2_BeforeNavigate2(const QString& address, bool& cancel) {
    if (!address.contains(QLatin1String(kEndOfEpisodeMarker)))
        return;
    cancel = true;
    end_of_episode(*this);
}

void BA1::Web4_BeforeNavigate2(const QString& address, bool& cancel) {
    hand_history_link_over(*this, *Web4, address, cancel);
}

void BA1::Web5_BeforeNavigate2(const QString& address, bool& cancel) {
    if (hand_history_link_over(*this, *Web5, address, cancel))
        return;
    if (address.contains(QLatin1String("eebovod://")) ||
        address.contains(QLatin1String("eeqvod://"))) {
        cancel = true;
        Web1->navigate(address);
    }
}

} // namespace kelvara
