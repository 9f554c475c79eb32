// The playback session: its timers, the transport, seek, volume and keys,
// and the desktop's media controls.

#include "logic/playback/playback_session.h"

#include "logic/history/history_files.h"
#include "logic/playback/playback_log.h"
#include "logic/playback/playback_view.h"
#include "logic/playback/positions.h"
#include "logic/settings/application_folder.h"
#include "logic/settings/settings.h"
#include "logic/startup/startup.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/screen_saver.h"
#include "platform/timers.h"

namespace kelvara {

Q_LOGGING_CATEGORY(lc_playback, "kelvara.playback", QtWarningMsg)

namespace {

constexpr qint64 kMicroseconds = 1000000;

const QString kInhibitReason = QStringLiteral("正在播放影片");

// The patterns from "*wma" on have no dot on purpose: they match any name
// ending in those letters.
const char kMediaFilter[] =
    "影音文件|*.rm;*.rmvb;*.wmv;*.mp3;*wma;*mid;*wav;*mpg;*mp4|所有文件|*.*";
const char kOpenTitle[] = "选择播放文件";

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

Settings PlaybackSession::settings() const {
    return ApplicationFolder(app_dir_).settings();
}

bool PlaybackSession::balloon_tips_on() const {
    return settings().shows_balloons();
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

} // namespace kelvara
