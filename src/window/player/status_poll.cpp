// The status poll: once a second the window reads the player and brings the
// status line, the time label, the seek knob and the downloaded-portion bar up
// to date, resumes a stored position, starts buffering the next episode and
// hands the end of a film to the end-of-playback timer.

#include "logic/text/format_time.h"
#include "logic/text/text_helpers.h"
#include "platform/player_control.h"
#include "window/ba1.h"
#include "window/player/player_view.h"

#include <algorithm>
#include <optional>

namespace kelvara {

namespace {

// down_rate and player_state are 16-bit values; a larger reading is held at
// the limit rather than wrapped into a nonsense rate.
int to_int16(int value) {
    return std::clamp(value, -32768, 32767);
}

bool balloon_tips_on(const BA1& w) {
    return to_number(w.setting("S_q", "s_pao")) == 2;
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

// Within two seconds of the end: arm the end-of-playback timer and announce
// what comes next. False when the tick ends here (balloon tips off).
bool check_end_region(BA1& w) {
    PlayerControl& player = *w.QvodC;
    const qint64 position = player.Position();
    if (!(position > qint64(player.Duration()) - 2 && position > 0))
        return true;
    w.Timer2->set_enabled(true);
    if (!balloon_tips_on(w))
        return false;
    if (w.shutdown_armed())
        w.show_balloon(QStringLiteral("即将播放完毕，正准备自动关机！"));
    else if (holds_next_link(w.next_link))
        w.show_balloon(QStringLiteral("正在准备播放下一集！"));
    return true;
}

// Once most of the film is fetched, the next episode starts downloading: its
// address goes to the player once, or it is asked for first.
void prebuffer_next(BA1& w) {
    PlayerControl& player = *w.QvodC;
    if (!(player.DownloadPermille() > 601 && w.next_addr != u"1" && w.next_pending == 0))
        return;
    if (w.next_addr != u"0") {
        QString address = w.next_addr;
        player.PreloadNext(address);
        w.next_pending = 1;
        if (balloon_tips_on(w))
            w.show_balloon(QStringLiteral("开始缓冲下一集！"));
    } else {
        w.fetch_next_episode();
    }
}

void show_playing(BA1& w) {
    PlayerControl& player = *w.QvodC;
    if (w.resume_pos > 0 && w.resume_done == 0) {
        if (player.Position() < w.resume_pos) {
            qCDebug(lc_playback) << "resuming at" << w.resume_pos;
            player.setPosition(to_position(w.resume_pos));
        }
        w.resume_done = 1;
    }
    w.bo_ad->hide();
    player.widget()->show();
    w.resume_pos = player.Position();
    w.next_s->hide();
    w.bo_but[0]->set_tip(QStringLiteral("暂停"));
    w.playback_status = PlaybackStatus::Playing;
    paint_play_button(w, true);
    // The transfer rate means little in the first seconds; the stream's own
    // bit rate is shown instead.
    if (w.down_rate < 1 || player.Position() <= 6)
        w.zhun->set_caption(QStringLiteral("播放中(%1 Kbps)").arg(player.BitRate()));
    else
        w.zhun->set_caption(QStringLiteral("播放中(%1 Kbps/S)").arg(w.down_rate));
}

void show_not_playing(BA1& w) {
    PlayerControl& player = *w.QvodC;
    w.bo_ad->show();
    player.widget()->hide();
    const std::optional<QString> text =
        state_text(w.player_state, w.down_rate, player.Url().isEmpty());
    if (text)
        w.zhun->set_caption(*text);
    if (w.player_state == kStateReady || w.player_state == kStateStopped ||
        w.player_state == kStatePaused)
        w.bo_but[0]->set_tip(QStringLiteral("播放"));
    // Follows the play/pause button; the end of a film is the
    // end-of-playback timer's to tell.
    if (w.player_state == kStatePaused)
        w.playback_status = PlaybackStatus::Paused;
    else if (w.player_state == kStateReady || w.player_state == kStateStopped)
        w.playback_status = PlaybackStatus::Stopped;
}

void show_progress(BA1& w) {
    PlayerControl& player = *w.QvodC;
    const int position = player.Position();
    const int duration = player.Duration();
    show_times(w, position, duration);
    place_knob(w, position, duration);
    w.times->move(w.qvod->width() - w.times->width() - 13, w.times->y());
    w.gunt1->set_tip(format_time(position));

    const int permille = player.DownloadPermille();
    if (permille < 1) {
        vb_move(w.huan, -30, w.huan->y(), 0);
    } else {
        const double part = std::min(permille, 1000) / 1000.0;
        vb_move(w.huan, 0, 0, static_cast<int>(round_half_even(w.gunt->width() * part)));
    }
}

void poll_player(BA1& w) {
    PlayerControl& player = *w.QvodC;
    if (player.Url().isEmpty()) {
        w.bo_but[0]->set_tip(QStringLiteral("播放"));
        w.playback_status = PlaybackStatus::Stopped;
        w.zhun->set_caption(QStringLiteral("准备就绪"));
        w.huan->move(-30, w.huan->y());
        return;
    }
    w.last_pos = player.Position();
    if (!check_end_region(w))
        return;
    w.down_rate = to_int16(player.DownloadRate());
    prebuffer_next(w);
    w.player_state = to_int16(player.PlayState());
    if (w.player_state == kStatePlaying)
        show_playing(w);
    else
        show_not_playing(w);
    show_progress(w);
}

} // namespace

void BA1::Timer1_Timer() {
    poll_player(*this);
    update_media_session();
}

void BA1::start_playback(const QString& address) {
    qCDebug(lc_playback) << "playing" << address;
    QvodC->setUrl(address);
    QvodC->Play();
    ++film_number;
    Timer1->set_enabled(true);
}

void BA1::playing_local_file(const QString& path, qint64 resume) {
    resume_done = 0;
    resume_pos = resume;
    play_key = next_link = next_addr = QStringLiteral("0");
    next_pending = 0;
    play_id = path;
    play_kind = 2;
    web_mode = 0;
}

} // namespace kelvara
