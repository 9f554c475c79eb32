// What the status poll shows each second of the film that plays: the time
// label, the seek knob and its tip, and the downloaded part of the track.

#include "logic/playback/positions.h"
#include "logic/text/format_time.h"
#include "logic/text/text_helpers.h"
#include "platform/player_control.h"
#include "window/main_window.h"
#include "window/player/player_view.h"

#include <algorithm>

namespace kelvara {

void MainWindow::show_progress(int position, int duration, int permille) {
    show_times(position, duration);
    place_knob(position, duration);
    times->move(qvod->width() - times->width() - 13, times->y());
    seek_knob->set_tip(format_time(position));
    if (permille < 1) {
        vb_move(download_bar, -30, download_bar->y(), 0);
    } else {
        const double part = std::min(permille, 1000) / 1000.0;
        vb_move(download_bar, 0, 0, static_cast<int>(round_half_even(seek_track->width() * part)));
    }
}

void MainWindow::hide_download_bar() {
    download_bar->move(-30, download_bar->y());
}

} // namespace kelvara
