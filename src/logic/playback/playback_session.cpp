#include "logic/playback/playback_session.h"

#include "app/guanbi.h"
#include "app/settings.h"
#include "app/startup.h"
#include "common/format_time.h"
#include "common/qvod_terminal_api.h"
#include "common/text_files.h"
#include "common/text_helpers.h"
#include "history/downloads.h"
#include "history/history_files.h"
#include "logic/history/history_records.h"
#include "logic/playback/playback_view.h"
#include "logic/playback/positions.h"
#include "panes/js_escape.h"
#include "panes/link_formats.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/processes.h"
#include "platform/screen_saver.h"
#include "platform/shell.h"
#include "platform/timers.h"
#include "platform/transfer.h"
#include "platform/web_pane.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>

namespace kelvara {

namespace {

Q_LOGGING_CATEGORY(lc_playback, "kelvara.playback", QtWarningMsg)

constexpr qint64 kMicroseconds = 1000000;

const QString kInhibitReason = QStringLiteral("正在播放影片");
const QString kCrLf = QStringLiteral("\r\n");

// The patterns from "*wma" on have no dot on purpose: they match any name
// ending in those letters.
const char kMediaFilter[] =
    "影音文件|*.rm;*.rmvb;*.wmv;*.mp3;*wma;*mid;*wav;*mpg;*mp4|所有文件|*.*";
const char kOpenTitle[] = "选择播放文件";

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

bool starts_with_scheme(const QString& address, QLatin1String scheme) {
    return address.left(7) == scheme;
}

} // namespace

PlaybackSession::PlaybackSession(Platform& platform, PlayerControl& player, PlaybackView& view,
                                 History& history, PlaybackPanes panes, QString app_dir,
                                 QString base_url)
    : platform_(platform), player_(player), view_(view), history_(history), panes_(panes),
      app_dir_(std::move(app_dir)), base_url_(std::move(base_url)) {
    TimerHost& host = platform_.timers;
    status_poll_ = std::make_unique<Timer>(host, 1000, true, [this] {
        poll();
        publish_media_state();
    });
    end_of_film_ = std::make_unique<Timer>(host, 2000, false, [this] { end_of_film(); });
    next_retry_ = std::make_unique<Timer>(host, 50000, false, [this] { retry_tick(); });
}

PlaybackSession::~PlaybackSession() = default;

QString PlaybackSession::setting(const char* section, const char* key) const {
    return ini_read(settings_path(app_dir_), QString::fromLatin1(section),
                    QString::fromLatin1(key));
}

bool PlaybackSession::balloon_tips_on() const {
    return to_number(setting("S_q", "s_pao")) == 2;
}

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
    if (ini_number(setting("S_q", "s_h")) != 2) {
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
    if (setting("S_q", "s_bo") != QLatin1String("2")) {
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

// ---- Transport ----

void PlaybackSession::press(TransportButton button) {
    switch (button) {
    case TransportButton::PlayPause:
        play_pause();
        break;
    case TransportButton::Stop:
        stop();
        break;
    case TransportButton::Mute:
        toggle_mute();
        break;
    case TransportButton::OpenFile:
        open_file();
        break;
    case TransportButton::PreviousEpisode:
        step_episode(EpisodeStep::Previous);
        break;
    case TransportButton::NextEpisode:
        step_episode(EpisodeStep::Next);
        break;
    }
    publish_media_state();
}

void PlaybackSession::play_pause() {
    if (player_.Url().isEmpty())
        return;
    if (state_.play_button == PlayButton::OffersPause) {
        view_.show_video(false);
        player_.Pause();
        view_.set_play_button(PlayButton::OffersPlay);
        state_.play_button = PlayButton::OffersPlay;
        view_.show_status(QStringLiteral("已暂停"));
        state_.status = PlaybackStatus::Paused;
        view_.paint_play_button(PlayButton::OffersPlay);
    } else {
        // The next playing tick considers the resume position again, so a
        // position moved while paused snaps back to where the film was playing.
        state_.resumed = false;
        player_.Play();
        view_.set_play_button(PlayButton::OffersPause);
        state_.play_button = PlayButton::OffersPause;
        view_.show_status(QStringLiteral("正在播放"));
        state_.status = PlaybackStatus::Playing;
        status_poll_->set_enabled(true);
        view_.paint_play_button(PlayButton::OffersPause);
    }
}

// The stop action, also run before every new playback so that the position
// of the film that played is stored.
void PlaybackSession::stop() {
    if (player_.Url().isEmpty())
        return;
    view_.show_video(false);
    if (state_.stored_as && state_.last_position > 0) {
        qCDebug(lc_playback) << "storing" << state_.last_position << "for" << *state_.stored_as;
        if (state_.source == PlaySource::NetworkTask)
            history_.history_set_task_pos(to_number(*state_.stored_as), state_.last_position);
        else if (state_.source == PlaySource::LocalFile)
            history_.history_set_local_pos(*state_.stored_as, state_.last_position);
    }
    state_.last_position = 0;
    status_poll_->set_enabled(false);
    player_.Stop();
    set_play_button(PlayButton::OffersPlay, true);
    view_.show_status(QStringLiteral("已停止"));
    state_.status = PlaybackStatus::Stopped;
}

void PlaybackSession::toggle_mute() {
    if (state_.muted) {
        sound_on();
        return;
    }
    state_.muted = true;
    player_.setMute(-1);
    view_.show_mute_button(true);
}

void PlaybackSession::sound_on() {
    state_.muted = false;
    player_.setMute(0);
    view_.show_mute_button(false);
}

void PlaybackSession::open_file() {
    const QString path =
        platform_.dialogs.open_file(QString::fromUtf8(kMediaFilter), QString::fromUtf8(kOpenTitle));
    if (path.isEmpty())
        return;
    press(TransportButton::Stop);
    start_playback(path);
    const QString name = path_file_name(path);
    show_now_playing(name);
    view_.show_compact_title();
    history_.history_add_local(name, path, 0);
    playing_local_file(path, 0);
    view_.show_now_playing_tab();
}

void PlaybackSession::play_command_line(const QString& target) {
    start_playback(target);
    const QString name = path_file_name(target);
    show_now_playing(name);
    playing_local_file(target, 0);
    history_.history_add_local(name, target, 0);
    view_.show_now_playing_tab();
}

// ---- Seek, volume and keys ----

void PlaybackSession::seek(double seconds) {
    player_.setPosition(to_position(round_half_even(seconds)));
    if (player_.Duration() < player_.Position())
        player_.setPosition(to_position(qint64(player_.Duration()) - 2));
}

void PlaybackSession::seek_to(double seconds) {
    seek(seconds);
    view_.place_knob(player_.Position(), player_.Duration());
    view_.show_times(player_.Position(), player_.Duration());
    platform_.media.seeked(player_.Position());
}

void PlaybackSession::set_volume(int percent) {
    sound_on();
    player_.setVolume(percent);
    view_.show_status(QStringLiteral("音量：%1%").arg(player_.Volume()));
    view_.place_volume_knob(player_.Volume());
}

void PlaybackSession::drag_volume(std::optional<int> percent) {
    sound_on();
    if (percent)
        player_.setVolume(*percent);
    view_.show_status(QStringLiteral("音量：%1%").arg(player_.Volume()));
}

void PlaybackSession::key_back() {
    status_poll_->set_enabled(false);
    if (player_.Position() > 0) {
        player_.setPosition(player_.Position() - 10);
        if (player_.Position() < 0)
            player_.setPosition(0);
    }
    view_.place_knob(player_.Position(), player_.Duration());
    view_.show_times(player_.Position(), player_.Duration());
}

void PlaybackSession::key_forward() {
    status_poll_->set_enabled(false);
    if (player_.Position() > 0) {
        player_.setPosition(to_position(qint64(player_.Position()) + 10));
        platform_.events.do_events();
        if (player_.Duration() < player_.Position())
            player_.setPosition(to_position(qint64(player_.Duration()) - 2));
    }
    view_.place_knob(player_.Position() + 10.0, player_.Duration());
    view_.show_times(player_.Position(), player_.Duration());
}

void PlaybackSession::key(PlayerKey key) {
    switch (key) {
    case PlayerKey::PlayPause:
        press(TransportButton::PlayPause);
        break;
    case PlayerKey::Back:
        key_back();
        break;
    case PlayerKey::VolumeUp:
        set_volume(player_.Volume() + 10);
        break;
    case PlayerKey::Forward:
        key_forward();
        break;
    case PlayerKey::VolumeDown:
        set_volume(player_.Volume() - 10);
        break;
    case PlayerKey::Other:
        break;
    }
    status_poll_->set_enabled(true);
}

// ---- Media controls ----

// The desktop's media controls (media keys, the panel's player applet,
// playerctl) act through the transport buttons, so the history, the stored
// positions and the episode sequence follow them exactly as they follow the
// buttons. Play and Pause press the play/pause button only when it offers
// that.
void PlaybackSession::connect_media_controls() {
    MediaControls& media = platform_.media;
    media.position = [this] { return qint64(player_.Position()); };
    media.on_play_pause = [this] { press(TransportButton::PlayPause); };
    media.on_play = [this] {
        if (state_.play_button == PlayButton::OffersPlay)
            press(TransportButton::PlayPause);
    };
    media.on_pause = [this] {
        if (state_.play_button == PlayButton::OffersPause)
            press(TransportButton::PlayPause);
    };
    media.on_stop = [this] { press(TransportButton::Stop); };
    media.on_previous = [this] {
        if (can_step(EpisodeStep::Previous))
            press(TransportButton::PreviousEpisode);
    };
    media.on_next = [this] {
        if (can_step(EpisodeStep::Next))
            press(TransportButton::NextEpisode);
    };
    media.on_seek = [this](qint64 offset_us) {
        if (!player_.Url().isEmpty())
            seek_to(player_.Position() + double(offset_us) / kMicroseconds);
    };
    media.on_set_position = [this](quint64 track, qint64 position_us) {
        if (track == state_.film_number && !player_.Url().isEmpty() && position_us >= 0)
            seek_to(double(position_us) / kMicroseconds);
    };
    media.on_set_volume = [this](int percent) {
        set_volume(percent);
        publish_media_state();
    };
    media.on_raise = [this] { view_.raise_window(); };
    media.on_quit = [this] { view_.quit(); };
}

void PlaybackSession::publish_media_state() {
    MediaState media;
    media.volume = player_.Volume();
    media.can_go_next = can_step(EpisodeStep::Next);
    media.can_go_previous = can_step(EpisodeStep::Previous);
    if (!player_.Url().isEmpty()) {
        media.status = state_.status;
        media.track = state_.film_number;
        media.title = state_.title;
        media.length_seconds = player_.Duration();
        media.can_play = true;
        media.can_seek = player_.Duration() > 0;
    }
    platform_.media.publish(media);
    platform_.screen_saver.set_inhibited(
        media.status == PlaybackStatus::Playing && view_.window_shown(), kInhibitReason);
}

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

QString PlaybackSession::active_list() const {
    return QString::fromLatin1(view_.local_list_shown() ? kLocalList : kNetworkList);
}

// Line `n` (from 1) of a list; empty when the list or the line is missing.
QString PlaybackSession::list_line(const QString& list, qint64 n) const {
    const std::optional<QStringList> lines = read_lines(history_.file_path(list));
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
        history_.history_delete_line(QString::fromLatin1(kLocalList), n);
        return;
    }
    start_playback(path);
    show_now_playing(js_unescape(record->name));
    playing_local_file(path, record->position.value_or(0));
    panes_.episode_page.navigate(join_path(app_dir_, QStringLiteral("c.htm")));
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
    const QString list = QString::fromLatin1(kNetworkList);
    if (!QFileInfo::exists(history_.file_path(list)))
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
    const QString name = QString::fromLatin1(kLocalList);
    if (QFileInfo::exists(history_.file_path(name))) {
        history_.clear(name);
        history_.history_render(name);
    }
}

void PlaybackSession::clear_network_list() {
    if (!ask(QStringLiteral("确定要删除全部[网络任务]列表吗？")))
        return;
    const QString name = QString::fromLatin1(kNetworkList);
    if (QFileInfo::exists(history_.file_path(name))) {
        history_.clear(name);
        history_.history_render(name);
        if (state_.source != PlaySource::NetworkTask)
            panes_.episode_page.refresh();
    }
}

} // namespace kelvara
