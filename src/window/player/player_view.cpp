#include "window/player/player_view.h"

#include "logic/text/format_time.h"
#include "logic/text/text_helpers.h"
#include "platform/player_control.h"
#include "window/ba1.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kelvara {

Q_LOGGING_CATEGORY(lc_playback, "kelvara.playback", QtWarningMsg)

qint64 round_half_even(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    auto whole = static_cast<qint64>(down);
    if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0))
        ++whole;
    return whole;
}

int to_position(qint64 seconds) {
    return static_cast<int>(std::clamp<qint64>(seconds, 0, INT_MAX));
}

bool holds_next_link(const QString& next_link) {
    return !next_link.isEmpty() && next_link != u"0" && next_link != u"1" && next_link != u"3";
}

int seek_span(const BA1& w) {
    return std::max(0, w.gunt->width() - w.gunt1->width());
}

int volume_span(const BA1& w) {
    return std::max(0, w.yin->width() - w.bo_v->width());
}

void place_knob(BA1& w, double seconds, int duration) {
    const int span = seek_span(w);
    qint64 left = 0;
    if (duration > 0)
        left = round_half_even(seconds / duration * span);
    w.gunt1->move(static_cast<int>(std::clamp<qint64>(left, 0, span)), w.gunt1->y());
}

void show_times(BA1& w, int position, int duration) {
    w.times->set_caption(format_time(position) + QStringLiteral(" / ") + format_time(duration));
}

void place_volume_knob(BA1& w, int volume) {
    const int span = volume_span(w);
    const qint64 left = std::clamp<qint64>(round_half_even(span * volume / 100.0), 0, span);
    w.bo_v->move(static_cast<int>(left), w.bo_v->y());
    vb_move(w.bo_y, w.bo_y->x(), w.bo_y->y(), static_cast<int>(left));
}

void show_volume(BA1& w) {
    w.zhun->set_caption(QStringLiteral("音量：%1%").arg(w.QvodC->Volume()));
}

void paint_play_button(BA1& w, bool offering_pause) {
    w.bo_but[0]->paint_cell(w.ppt[12], offering_pause ? 76 : 0, 0, 38, 33);
    w.bo_but[0]->update();
}

void paint_mute_button(BA1& w, bool muted) {
    w.bo_but[2]->paint_cell(w.ppt[14], muted ? 50 : 0, 0, 25, 24);
    w.bo_but[2]->update();
}

void show_now_playing(BA1& w, const QString& title) {
    w.bo_name->set_caption(fit_width(title, 30));
    w.now_playing_title = title;
    w.update_media_session();
}

void show_now_playing(BA1& w, const QString& title, const QString& episode) {
    w.bo_name->set_caption(fit_width(title, 30) + u'-' + episode);
    w.now_playing_title = title + u'-' + episode;
    w.update_media_session();
}

void sound_on(BA1& w) {
    w.bo_but[2]->set_tip(QStringLiteral("静音"));
    w.QvodC->setMute(0);
    paint_mute_button(w, false);
}

} // namespace kelvara
