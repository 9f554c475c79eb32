// The nine transport buttons below the video. Play/pause, mute and the
// shutdown button keep their state in their tool-tip text; the stop action is
// also what every other area runs before it starts a new playback, so that
// the position of the film that played is stored.

#include "logic/history/history_files.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "window/ba1.h"
#include "window/player/player_view.h"
#include "window/tray/tip.h"

#include <QCursor>

namespace kelvara {

namespace {

// The patterns from "*wma" on have no dot on purpose: they match any name
// ending in those letters.
const char kMediaFilter[] =
    "影音文件|*.rm;*.rmvb;*.wmv;*.mp3;*wma;*mid;*wav;*mpg;*mp4|所有文件|*.*";
const char kOpenTitle[] = "选择播放文件";

void show_advert(BA1& w) {
    w.bo_ad->show();
    w.QvodC->widget()->hide();
}

void play_pause(BA1& w) {
    PlayerControl& player = *w.QvodC;
    if (player.Url().isEmpty())
        return;
    if (w.bo_but[0]->tip() == u"暂停") {
        show_advert(w);
        player.Pause();
        w.bo_but[0]->set_tip(QStringLiteral("播放"));
        w.zhun->set_caption(QStringLiteral("已暂停"));
        w.playback_status = PlaybackStatus::Paused;
        paint_play_button(w, false);
    } else {
        // The next playing tick considers resume_pos again, so a position
        // moved while paused snaps back to where the film was playing.
        w.resume_done = 0;
        player.Play();
        w.bo_but[0]->set_tip(QStringLiteral("暂停"));
        w.zhun->set_caption(QStringLiteral("正在播放"));
        w.playback_status = PlaybackStatus::Playing;
        w.Timer1->set_enabled(true);
        paint_play_button(w, true);
    }
}

void stop(BA1& w) {
    PlayerControl& player = *w.QvodC;
    if (player.Url().isEmpty())
        return;
    show_advert(w);
    if (w.play_id != u"0" && w.last_pos > 0) {
        qCDebug(lc_playback) << "storing" << w.last_pos << "for" << w.play_id;
        if (w.play_kind == 1)
            w.history().history_set_task_pos(to_number(w.play_id), w.last_pos);
        else if (w.play_kind == 2)
            w.history().history_set_local_pos(w.play_id, w.last_pos);
    }
    w.last_pos = 0;
    w.Timer1->set_enabled(false);
    player.Stop();
    w.bo_but[0]->set_tip(QStringLiteral("播放"));
    paint_play_button(w, false);
    w.zhun->set_caption(QStringLiteral("已停止"));
    w.playback_status = PlaybackStatus::Stopped;
}

void toggle_mute(BA1& w) {
    if (w.bo_but[2]->tip() == u"静音") {
        w.bo_but[2]->set_tip(QStringLiteral("取消静音"));
        w.QvodC->setMute(-1);
        paint_mute_button(w, true);
    } else {
        sound_on(w);
    }
}

void full_screen(BA1& w) {
    if (w.QvodC->PlayState() != kStatePlaying)
        return;
    w.npc_Click(9);
    w.QvodC->setFullScreen(-1);
    w.bo_but[3]->paint_cell(w.ppt[16], 50, 0, 25, 24);
    w.bo_but[3]->update();
}

// In compact mode the title line shows what plays; it wraps when it would
// run into the restore label.
void show_compact_title(BA1& w) {
    w.ni_name->set_caption(w.bo_name->caption());
    w.ni_bo1->set_caption(w.bo_name->caption());
    const int room = w.jbi->x() - 50;
    if (room < w.ni_name->width()) {
        w.ni_bo1->set_auto_size(false);
        w.ni_bo1->set_word_wrap(true);
        vb_move(w.ni_bo1, w.ni_bo1->x(), w.ni_bo1->y(), room);
    } else {
        w.ni_bo1->set_auto_size(true);
        w.ni_bo1->set_word_wrap(false);
    }
}

void open_file(BA1& w) {
    w.bo_but[4]->paint_cell(w.ppt[16], 25, 0, 25, 24);
    w.bo_but[4]->update();
    w.p1->hide();
    const QString path = w.platform().dialogs.open_file(QString::fromUtf8(kMediaFilter),
                                                        QString::fromUtf8(kOpenTitle));
    if (path.isEmpty())
        return;
    w.bo_but_Click(1);
    w.start_playback(path);
    const QString name = path_file_name(path);
    show_now_playing(w, name);
    if (w.compact_mode == 1)
        show_compact_title(w);
    w.history().history_add_local(name, path, 0);
    w.playing_local_file(path, 0);
    w.npc_Click(9);
}

// The button stays disabled while the server is asked, so a second click
// cannot send a second request.
void step(BA1& w, int index) {
    w.bo_but[index]->setEnabled(false);
    w.step_episode(index == 5 ? 1 : 2);
    w.bo_but[index]->setEnabled(true);
}

} // namespace

void BA1::bo_but_Click(int index) {
    switch (index) {
    case 0:
        play_pause(*this);
        break;
    case 1:
        stop(*this);
        break;
    case 2:
        toggle_mute(*this);
        break;
    case 3:
        full_screen(*this);
        break;
    case 4:
        open_file(*this);
        break;
    case 5:
    case 7:
        step(*this, index);
        break;
    case 6:
        menus().popup_global(menus().guan, QCursor::pos());
        break;
    case 8:
        npc_Click(6);
        break;
    default:
        break;
    }
    update_media_session();
}

} // namespace kelvara
