#pragma once

#include <QLoggingCategory>
#include <QString>

namespace kelvara {

class BA1;

Q_DECLARE_LOGGING_CATEGORY(lc_playback)

// Drawing and geometry shared by the status poll, the transport buttons and
// the seek and volume handlers.

// Nearest whole number, halves going to the even neighbour.
qint64 round_half_even(double value);
// A number of seconds as a position the player takes: held within 0..INT_MAX.
int to_position(qint64 seconds);

// next_link holds the next episode's link rather than one of the states "0"
// (nothing prepared), "1" (no next episode) and "3" (the last request failed).
bool holds_next_link(const QString& next_link);

// The seek span (track width minus knob width) and the volume span (track
// width minus knob width); never negative.
int seek_span(const BA1& w);
int volume_span(const BA1& w);

// Moves the seek knob to `seconds` of `duration` along the track; the left end
// when the length is not known. The knob stays on the track.
void place_knob(BA1& w, double seconds, int duration);
// "position / duration" in the time label.
void show_times(BA1& w, int position, int duration);
// Puts the volume knob and the filled part of the volume track at `volume`.
void place_volume_knob(BA1& w, int volume);
// "音量：" + the volume the player reports + "%".
void show_volume(BA1& w);

// Button pictures copied from the skin strips.
void paint_play_button(BA1& w, bool offering_pause);
void paint_mute_button(BA1& w, bool muted);

// The now-playing label, cut to fit, and the whole title for the desktop's
// media controls; a network film shows "title-episode".
void show_now_playing(BA1& w, const QString& title);
void show_now_playing(BA1& w, const QString& title, const QString& episode);

// Sound on, with the mute button back in its "静音" state.
void sound_on(BA1& w);

} // namespace kelvara
