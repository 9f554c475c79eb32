// The desktop's media controls (media keys, the panel's player applet,
// playerctl) act through the transport buttons' own handlers, so the history,
// the stored positions and the episode sequence follow them exactly as they
// follow the buttons. The screen saver is held off while a film plays in the
// shown window.

#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/screen_saver.h"
#include "window/ba1.h"
#include "window/player/player_view.h"

namespace kelvara {

namespace {

constexpr qint64 kMicroseconds = 1000000;

const QString kInhibitReason = QStringLiteral("正在播放影片");

MediaState media_state(const BA1& w) {
    const PlayerControl& player = *w.QvodC;
    MediaState state;
    const bool loaded = !player.Url().isEmpty();
    state.volume = player.Volume();
    state.can_go_next = w.can_step_episode(2);
    state.can_go_previous = w.can_step_episode(1);
    if (!loaded)
        return state;
    state.status = w.playback_status;
    state.track = w.film_number;
    state.title = w.now_playing_title;
    state.length_seconds = player.Duration();
    state.can_play = true;
    state.can_seek = player.Duration() > 0;
    return state;
}

// Play and Pause press the play/pause button only when it offers that.
bool offers_play(const BA1& w) {
    return w.bo_but[0]->tip() != u"暂停";
}

} // namespace

void BA1::connect_media_controls() {
    MediaControls& media = platform().media;
    media.position = [this] { return qint64(QvodC->Position()); };
    media.on_play_pause = [this] { bo_but_Click(0); };
    media.on_play = [this] {
        if (offers_play(*this))
            bo_but_Click(0);
    };
    media.on_pause = [this] {
        if (!offers_play(*this))
            bo_but_Click(0);
    };
    media.on_stop = [this] { bo_but_Click(1); };
    media.on_previous = [this] {
        if (can_step_episode(1))
            bo_but_Click(5);
    };
    media.on_next = [this] {
        if (can_step_episode(2))
            bo_but_Click(7);
    };
    media.on_seek = [this](qint64 offset_us) {
        if (!QvodC->Url().isEmpty())
            seek_to(QvodC->Position() + double(offset_us) / kMicroseconds);
    };
    media.on_set_position = [this](quint64 track, qint64 position_us) {
        if (track == film_number && !QvodC->Url().isEmpty() && position_us >= 0)
            seek_to(double(position_us) / kMicroseconds);
    };
    media.on_set_volume = [this](int percent) {
        set_volume(percent);
        update_media_session();
    };
    media.on_raise = [this] { raise_window(); };
    media.on_quit = [this] { ttt_v(); };
}

void BA1::update_media_session() {
    const MediaState state = media_state(*this);
    platform().media.publish(state);
    platform().screen_saver.set_inhibited(state.status == PlaybackStatus::Playing && isVisible(),
                                          kInhibitReason);
}

void BA1::raise_window() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

} // namespace kelvara
