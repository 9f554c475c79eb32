#include "window/ba1.h"

#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/settings/settings.h"
#include "logic/text/text_helpers.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"
#include "window/player/player_view.h"

namespace kelvara {

namespace {

// A series episode is playing: play_key holds id-v-v1-title.
bool has_episode_key(const QString& play_key) {
    return play_key != QLatin1String("0") && play_key.contains(u'-');
}

} // namespace

void BA1::fetch_next_episode() {
    if (ini_number(setting("S_q", "s_h")) != 2) {
        next_link = QStringLiteral("0");
        return;
    }
    if (!has_episode_key(play_key))
        return;
    const EpisodeKey key = split_episode_key(play_key);
    const QString next_v1 = QString::number(to_number(key.v1) + 1);
    const std::optional<QString> reply = request_play_address(key.id, key.v, next_v1);

    if (reply == QLatin1String("1")) {
        next_link = next_addr = QStringLiteral("1");
    } else if (reply == QLatin1String("0")) {
        // Asked again by the poll's next tick.
        next_link = next_addr = QStringLiteral("0");
    } else if (const std::optional<PlayReply> fields = split_reply(reply)) {
        // The next episode always plays in the player, whatever type the
        // server names.
        next_addr = fields->address;
        next_pending = 0;
        next_link = QvodLink{QStringLiteral("qvod"),
                             js_escape(fields->address),
                             key.title,
                             fields->episode_name,
                             QString::number(key.id),
                             key.v,
                             next_v1}
                        .text();
    } else {
        next_link = QStringLiteral("3");
        next_addr = QStringLiteral("0");
        retry_ticks = 0;
        next_pending = 1; // keeps the poll from asking again before the retry
        show_balloon(QStringLiteral("读取下一集数据出错，稍后将重新读取！"));
        Timer4->set_enabled(true);
    }
}

void BA1::Timer4_Timer() {
    ++retry_ticks;
    if (retry_ticks < 2)
        return;
    Timer4->set_enabled(false);
    // Cleared before the request, so that a retry that fails again leaves the
    // poll blocked and starts a fresh two-tick wait.
    next_pending = 0;
    retry_ticks = 0;
    fetch_next_episode();
}

void BA1::Timer2_Timer() {
    bo_ad->show();
    QvodC->widget()->hide();
    zhun->set_caption(QStringLiteral("播放完毕"));
    Timer2->set_enabled(false);
    playback_status = PlaybackStatus::Stopped;
    update_media_session();

    // The stop action that follows (the next episode's start, or the one
    // before a power-off) stores 1 as the finished film's position, so that
    // it is not resumed near its end.
    resume_pos = 1;
    last_pos = 1;
    if (shutdown_armed()) {
        Timer1->set_enabled(false);
        system_shutdown(true);
        return;
    }
    if (next_link == QLatin1String("3")) {
        Web2->navigate(QString::fromLatin1(kEndOfEpisodeAddress));
    } else if (holds_next_link(next_link)) {
        Timer1->set_enabled(false);
        next_s->show();
        Web2->navigate(QString::fromLatin1(kEndOfEpisodeAddress));
    }
}

bool BA1::can_step_episode(int direction) const {
    const PictureBox* button = bo_but[direction == 1 ? 5 : 7];
    if (!button->isEnabled() || !has_episode_key(play_key))
        return false;
    if (direction == 1)
        return to_number(split_episode_key(play_key).v1) != 0;
    // "1": the server said there is no next episode.
    return next_link != QLatin1String("1");
}

void BA1::step_episode(int direction) {
    const qint64 delta = direction == 1 ? -1 : 1;
    if (!has_episode_key(play_key))
        return;
    const EpisodeKey key = split_episode_key(play_key);
    const qint64 v1 = to_number(key.v1);
    if (v1 == 0 && direction == 1)
        return;
    const QString other_v1 = QString::number(v1 + delta);
    const std::optional<QString> reply = request_play_address(key.id, key.v, other_v1);
    if (reply == QLatin1String("1") || reply == QLatin1String("0"))
        return;
    const std::optional<PlayReply> fields = split_reply(reply);
    if (!fields)
        return;
    Web1->navigate(QvodLink{fields->player_type, js_escape(fields->address), key.title,
                            fields->episode_name, QString::number(key.id), key.v, other_v1}
                       .text());
}

} // namespace kelvara
