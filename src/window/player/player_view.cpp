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
    return std::max(0, w.seek_track->width() - w.seek_knob->width());
}

int volume_span(const MainWindow& w) {
    return std::max(0, w.volume_track->width() - w.volume_knob->width());
}

void MainWindow::show_status(const QString& text) {
    status_label->set_caption(text);
}

void MainWindow::show_times(int position, int duration) {
    times->set_caption(format_time(position) + QStringLiteral(" / ") + format_time(duration));
}

void MainWindow::place_knob(double seconds, int duration) {
    const int span = seek_span(*this);
    qint64 left = 0;
    if (duration > 0)
        left = round_half_even(seconds / duration * span);
    seek_knob->move(static_cast<int>(std::clamp<qint64>(left, 0, span)), seek_knob->y());
}

void MainWindow::show_video(bool shown) {
    bo_ad->setVisible(!shown);
    QvodC->widget()->setVisible(shown);
}

void MainWindow::show_next_episode_notice(bool shown) {
    next_s->setVisible(shown);
}

void MainWindow::set_play_button(PlayButton state) {
    transport_buttons[kPlayPauseButton]->set_tip(
        state == PlayButton::OffersPause ? QStringLiteral("暂停") : QStringLiteral("播放"));
}

void MainWindow::paint_play_button(PlayButton state) {
    transport_buttons[kPlayPauseButton]->paint_cell(
        ppt[12], state == PlayButton::OffersPause ? 76 : 0, 0, 38, 33);
    transport_buttons[kPlayPauseButton]->update();
}

void MainWindow::show_mute_button(bool muted) {
    transport_buttons[kMuteButton]->set_tip(muted ? QStringLiteral("取消静音")
                                                  : QStringLiteral("静音"));
    transport_buttons[kMuteButton]->paint_cell(ppt[14], muted ? 50 : 0, 0, 25, 24);
    transport_buttons[kMuteButton]->update();
}

void MainWindow::place_volume_knob(int volume) {
    const int span = volume_span(*this);
    const qint64 left = std::clamp<qint64>(round_half_even(span * volume / 100.0), 0, span);
    volume_knob->move(static_cast<int>(left), volume_knob->y());
    vb_move(volume_fill, volume_fill->x(), volume_fill->y(), static_cast<int>(left));
}

void MainWindow::enable_episode_button(EpisodeStep step, bool enabled) {
    transport_buttons[step == EpisodeStep::Previous ? 5 : 7]->setEnabled(enabled);
}

void MainWindow::show_title(const QString& caption) {
    bo_name->set_caption(caption);
}

void MainWindow::show_now_playing_tab() {
    frame_button_clicked(kNowPlayingTab);
}

} // namespace kelvara
