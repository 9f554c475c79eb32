// The playback session's status poll and the next episode of a series:
// once a second the player is read and shown, a stored position resumed, the
// next episode asked for and buffered, and the end of a film handed on.

#include "logic/playback/playback_session.h"

#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "logic/playback/playback_log.h"
#include "logic/playback/playback_view.h"
#include "logic/playback/positions.h"
#include "logic/settings/settings.h"
#include "logic/text/text_helpers.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/timers.h"
#include "platform/transfer.h"
#include "platform/web_pane.h"

namespace kelvara {

namespace {

// down_rate and player_state are 16-bit values; a larger reading is held at
// the limit rather than wrapped into a nonsense rate.
int to_int16(int value) {
    return std::clamp(value, -32768, 32767);
}

// Status text of a state other than playing; nothing for an unknown code.
std::optional<QString> state_text(int code, int rate, bool url_empty) {
    const QString n = QString::number(rate);
    switch (code) {
    case kStateReady:
        return url_empty ? QStringLiteral("准备就绪") : QStringLiteral("播放完毕");
    case kStateStopped:
        return QStringLiteral("已停止");
    case kStatePaused:
        return QStringLiteral("已暂停");
    case kStateBuffering:
        return QStringLiteral("正在缓冲 (") + n + QStringLiteral("Kbps/S)");
    case kStateWaiting:
        return QStringLiteral("等待中");
    case kStateEnded:
        return QStringLiteral("播放结束");
    case kStateReadyToRead:
        return QStringLiteral("准备读");
    case kStateReconnecting:
        return QStringLiteral("重连中");
    case kStateTorrent:
        return QStringLiteral("BT种子下载中");
    case kStateConnecting:
        return QStringLiteral("正在连接 (") + n + QStringLiteral("KB/S)");
    case kStateStopping:
        return QStringLiteral("正在停止");
    default:
        return std::nullopt;
    }
}

} // namespace

// ---- Status poll ----

void PlaybackSession::poll() {
    if (player_.Url().isEmpty()) {
        set_play_button(PlayButton::OffersPlay, false);
        state_.status = PlaybackStatus::Stopped;
        view_.show_status(QStringLiteral("准备就绪"));
        view_.hide_download_bar();
        return;
    }
    state_.last_position = player_.Position();
    if (!check_end_region())
        return;
    state_.download_rate = to_int16(player_.DownloadRate());
    prebuffer_next();
    state_.player_state = to_int16(player_.PlayState());
    if (state_.player_state == kStatePlaying)
        show_playing();
    else
        show_not_playing();
    view_.show_progress(player_.Position(), player_.Duration(), player_.DownloadPermille());
}

// Within two seconds of the end: arm the end-of-playback timer and announce
// what comes next. False when the tick ends here (balloon tips off).
bool PlaybackSession::check_end_region() {
    const qint64 position = player_.Position();
    if (!(position > qint64(player_.Duration()) - 2 && position > 0))
        return true;
    end_of_film_->set_enabled(true);
    if (!balloon_tips_on())
        return false;
    if (view_.shutdown_armed())
        view_.show_balloon(QStringLiteral("即将播放完毕，正准备自动关机！"));
    else if (state_.next.status == NextEpisodeStatus::Prepared)
        view_.show_balloon(QStringLiteral("正在准备播放下一集！"));
    return true;
}

// Once most of the film is fetched, the next episode starts downloading: its
// address goes to the player once, or it is asked for first.
void PlaybackSession::prebuffer_next() {
    NextEpisode& next = state_.next;
    if (!(player_.DownloadPermille() > 601 && next.address_status != NextEpisodeStatus::NoneLeft &&
          !next.hold_prebuffer))
        return;
    if (next.address_status == NextEpisodeStatus::Prepared) {
        player_.PreloadNext(next.address);
        next.hold_prebuffer = true;
        if (balloon_tips_on())
            view_.show_balloon(QStringLiteral("开始缓冲下一集！"));
    } else {
        fetch_next_episode();
    }
}

void PlaybackSession::show_playing() {
    if (state_.resume_position > 0 && !state_.resumed) {
        if (player_.Position() < state_.resume_position) {
            qCDebug(lc_playback) << "resuming at" << state_.resume_position;
            player_.setPosition(to_position(state_.resume_position));
        }
        state_.resumed = true;
    }
    view_.show_video(true);
    state_.resume_position = player_.Position();
    view_.show_next_episode_notice(false);
    state_.status = PlaybackStatus::Playing;
    set_play_button(PlayButton::OffersPause, true);
    // The transfer rate means little in the first seconds; the stream's own
    // bit rate is shown instead.
    if (state_.download_rate < 1 || player_.Position() <= 6)
        view_.show_status(QStringLiteral("播放中(%1 Kbps)").arg(player_.BitRate()));
    else
        view_.show_status(QStringLiteral("播放中(%1 Kbps/S)").arg(state_.download_rate));
}

void PlaybackSession::show_not_playing() {
    const int code = state_.player_state;
    view_.show_video(false);
    if (const std::optional<QString> text =
            state_text(code, state_.download_rate, player_.Url().isEmpty()))
        view_.show_status(*text);
    if (code == kStateReady || code == kStateStopped || code == kStatePaused)
        set_play_button(PlayButton::OffersPlay, false);
    // Follows the play/pause button; the end of a film is the
    // end-of-playback timer's to tell.
    if (code == kStatePaused)
        state_.status = PlaybackStatus::Paused;
    else if (code == kStateReady || code == kStateStopped)
        state_.status = PlaybackStatus::Stopped;
}

void PlaybackSession::set_play_button(PlayButton state, bool repaint) {
    state_.play_button = state;
    view_.set_play_button(state);
    if (repaint)
        view_.paint_play_button(state);
}

void PlaybackSession::start_playback(const QString& address) {
    qCDebug(lc_playback) << "playing" << address;
    player_.setUrl(address);
    player_.Play();
    ++state_.film_number;
    status_poll_->set_enabled(true);
}

void PlaybackSession::playing_local_file(const QString& path, qint64 resume) {
    state_.resumed = false;
    state_.resume_position = resume;
    state_.episode_key.reset();
    state_.next.forget();
    state_.stored_as = path;
    state_.source = PlaySource::LocalFile;
    state_.route = PlayRoute::Player;
}

void PlaybackSession::show_now_playing(const QString& title) {
    view_.show_title(fit_width(title, 30));
    state_.title = title;
    publish_media_state();
}

void PlaybackSession::show_now_playing(const QString& title, const QString& episode) {
    view_.show_title(fit_width(title, 30) + u'-' + episode);
    state_.title = title + u'-' + episode;
    publish_media_state();
}

// ---- Next episode ----

std::optional<QString> PlaybackSession::request_play_address(qint64 id, const QString& v,
                                                             const QString& v1) {
    // Blocks until the reply or the transfer's time-out: nothing else of the
    // client runs meanwhile, which the link handlers rely on.
    const QString url = play_address_request(base_url_, id, v, v1);
    std::optional<QString> reply = platform_.transfer.open_url(url);
    qCDebug(lc_playback) << "play address" << url << "->"
                         << (reply ? *reply : QStringLiteral("<failed>"));
    return reply;
}

void PlaybackSession::fetch_next_episode() {
    NextEpisode& next = state_.next;
    if (!settings().buffers_next_episode()) {
        next.status = NextEpisodeStatus::NotAsked;
        next.link.clear();
        return;
    }
    if (!state_.has_episode_key())
        return;
    const EpisodeKey key = split_episode_key(*state_.episode_key);
    const QString next_v1 = QString::number(to_number(key.v1) + 1);
    const std::optional<QString> reply = request_play_address(key.id, key.v, next_v1);

    if (reply == QLatin1String("1")) {
        next.status = next.address_status = NextEpisodeStatus::NoneLeft;
        next.link.clear();
        next.address.clear();
    } else if (reply == QLatin1String("0")) {
        // Asked again by the poll's next tick.
        next.status = next.address_status = NextEpisodeStatus::NotAsked;
        next.link.clear();
        next.address.clear();
    } else if (const std::optional<PlayReply> fields = split_reply(reply)) {
        // The next episode always plays in the player, whatever type the
        // server names.
        next.address_status = NextEpisodeStatus::Prepared;
        next.address = fields->address;
        next.hold_prebuffer = false;
        next.status = NextEpisodeStatus::Prepared;
        next.link = QvodLink{QStringLiteral("qvod"),
                             js_escape(fields->address),
                             key.title,
                             fields->episode_name,
                             QString::number(key.id),
                             key.v,
                             next_v1}
                        .text();
    } else {
        next.status = NextEpisodeStatus::RequestFailed;
        next.link.clear();
        next.address_status = NextEpisodeStatus::NotAsked;
        next.address.clear();
        next.retry_ticks = 0;
        next.hold_prebuffer = true; // keeps the poll from asking again before the retry
        view_.show_balloon(QStringLiteral("读取下一集数据出错，稍后将重新读取！"));
        next_retry_->set_enabled(true);
    }
}

void PlaybackSession::retry_tick() {
    NextEpisode& next = state_.next;
    ++next.retry_ticks;
    if (next.retry_ticks < 2)
        return;
    next_retry_->set_enabled(false);
    // Cleared before the request, so that a retry that fails again leaves the
    // poll blocked and starts a fresh two-tick wait.
    next.hold_prebuffer = false;
    next.retry_ticks = 0;
    fetch_next_episode();
}

void PlaybackSession::end_of_film() {
    view_.show_video(false);
    view_.show_status(QStringLiteral("播放完毕"));
    end_of_film_->set_enabled(false);
    state_.status = PlaybackStatus::Stopped;
    publish_media_state();

    // The stop action that follows (the next episode's start, or the one
    // before a power-off) stores 1 as the finished film's position, so that
    // it is not resumed near its end.
    state_.resume_position = 1;
    state_.last_position = 1;
    if (view_.shutdown_armed()) {
        status_poll_->set_enabled(false);
        view_.power_off();
        return;
    }
    if (state_.next.status == NextEpisodeStatus::RequestFailed) {
        end_of_episode();
    } else if (state_.next.status == NextEpisodeStatus::Prepared) {
        status_poll_->set_enabled(false);
        view_.show_next_episode_notice(true);
        end_of_episode();
    }
}

// An episode has ended: the player's end of playback, or a web-player page
// sent its pane to the end-of-episode address.
void PlaybackSession::end_of_episode() {
    if (!settings().plays_next_episode()) {
        status_poll_->set_enabled(true);
        return;
    }
    const NextEpisode& next = state_.next;
    if (next.status == NextEpisodeStatus::NoneLeft)
        return;
    if (next.status != NextEpisodeStatus::Prepared) {
        // Nothing to play at once: the episode page offers the next episode.
        // Without a series key there is no next episode to show.
        if (!state_.has_episode_key())
            return;
        const EpisodeKey key = split_episode_key(*state_.episode_key);
        const QString suffix = key.v + QString::number(to_number(key.v1) + 1);
        panes_.episode_page.navigate(episode_page_address(base_url_, *state_.episode_key, suffix));
        return;
    }
    dispatch_play_link(next.link);
}

bool PlaybackSession::can_step(EpisodeStep step) const {
    if (stepping_ == step || !state_.has_episode_key())
        return false;
    if (step == EpisodeStep::Previous)
        return to_number(split_episode_key(*state_.episode_key).v1) != 0;
    return state_.next.status != NextEpisodeStatus::NoneLeft;
}

// The button stays disabled while the server is asked, so a second click
// cannot send a second request.
void PlaybackSession::step_episode(EpisodeStep step) {
    view_.enable_episode_button(step, false);
    stepping_ = step;
    if (state_.has_episode_key()) {
        const EpisodeKey key = split_episode_key(*state_.episode_key);
        const qint64 v1 = to_number(key.v1);
        if (!(v1 == 0 && step == EpisodeStep::Previous)) {
            const QString other_v1 = QString::number(v1 + (step == EpisodeStep::Previous ? -1 : 1));
            const std::optional<QString> reply = request_play_address(key.id, key.v, other_v1);
            const std::optional<PlayReply> fields = split_reply(reply);
            if (reply != QLatin1String("1") && reply != QLatin1String("0") && fields)
                dispatch_play_link(QvodLink{fields->player_type, js_escape(fields->address),
                                            key.title, fields->episode_name,
                                            QString::number(key.id), key.v, other_v1}
                                       .text());
        }
    }
    stepping_.reset();
    view_.enable_episode_button(step, true);
}

} // namespace kelvara
