// The player area as the playback session sees it: the status line, the
// time label, the knobs, the video and the buttons below it.

#include "window/player/player_view.h"

#include "logic/playback/positions.h"
#include "logic/text/format_time.h"
#include "logic/text/text_helpers.h"
#include "platform/player_control.h"
#include "window/main_window.h"

#include <algorithm>

namespace kelvara {

int seek_span(const MainWindow& w) {
    return std::max(0, w.gunt->width() - w.gunt1->width());
}

int volume_span(const MainWindow& w) {
    return std::max(0, w.yin->width() - w.bo_v->width());
}

void MainWindow::show_status(const QString& text) {
    zhun->set_caption(text);
}

void MainWindow::show_times(int position, int duration) {
    times->set_caption(format_time(position) + QStringLiteral(" / ") + format_time(duration));
}

void MainWindow::place_knob(double seconds, int duration) {
    const int span = seek_span(*this);
    qint64 left = 0;
    if (duration > 0)
        left = round_half_even(seconds / duration * span);
    gunt1->move(static_cast<int>(std::clamp<qint64>(left, 0, span)), gunt1->y());
}

void MainWindow::show_video(bool shown) {
    bo_ad->setVisible(!shown);
    QvodC->widget()->setVisible(shown);
}

void MainWindow::show_next_episode_notice(bool shown) {
    next_s->setVisible(shown);
}

void MainWindow::set_play_button(PlayButton state) {
    bo_but[0]->set_tip(state == PlayButton::OffersPause ? QStringLiteral("暂停")
                                                        : QStringLiteral("播放"));
}

void MainWindow::paint_play_button(PlayButton state) {
    bo_but[0]->paint_cell(ppt[12], state == PlayButton::OffersPause ? 76 : 0, 0, 38, 33);
    bo_but[0]->update();
}

void MainWindow::show_mute_button(bool muted) {
    bo_but[2]->set_tip(muted ? QStringLiteral("取消静音") : QStringLiteral("静音"));
    bo_but[2]->paint_cell(ppt[14], muted ? 50 : 0, 0, 25, 24);
    bo_but[2]->update();
}

void MainWindow::place_volume_knob(int volume) {
    const int span = volume_span(*this);
    const qint64 left = std::clamp<qint64>(round_half_even(span * volume / 100.0), 0, span);
    bo_v->move(static_cast<int>(left), bo_v->y());
    vb_move(bo_y, bo_y->x(), bo_y->y(), static_cast<int>(left));
}

void MainWindow::enable_episode_button(EpisodeStep step, bool enabled) {
    bo_but[step == EpisodeStep::Previous ? 5 : 7]->setEnabled(enabled);
}

void MainWindow::show_title(const QString& caption) {
    bo_name->set_caption(caption);
}

void MainWindow::show_now_playing_tab() {
    npc_Click(9);
}

} // namespace kelvara
