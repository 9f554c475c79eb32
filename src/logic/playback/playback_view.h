#pragma once

#include "logic/playback/now_playing.h"

#include <QString>

namespace kelvara {

// What the playback session shows and asks of the main window. The window
// implements it on its controls; the session never reads a control back.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;

    // The status line below the video.
    virtual void show_status(const QString& text) = 0;
    // "position / duration" in the time label (times).
    virtual void show_times(int position, int duration) = 0;
    // The seek knob at `seconds` of `duration`; the left end while the
    // length is not known.
    virtual void place_knob(double seconds, int duration) = 0;
    // The poll's picture of the film: time label, knob and its tip, and the
    // downloaded part (`permille` thousandths) of the seek track.
    virtual void show_progress(int position, int duration, int permille) = 0;
    // Moves the downloaded-portion bar off the track.
    virtual void hide_download_bar() = 0;
    // The video, or the advertisement panel in its place.
    virtual void show_video(bool shown) = 0;
    // "正准备播放下一集，请稍后..." (next_s) over the advertisement panel.
    virtual void show_next_episode_notice(bool shown) = 0;
    // The play/pause button's tool-tip, and apart from it its picture.
    virtual void set_play_button(PlayButton state) = 0;
    virtual void paint_play_button(PlayButton state) = 0;
    // The mute button: tool-tip and picture.
    virtual void show_mute_button(bool muted) = 0;
    // The volume knob and the filled part of its track at
    // `volume` percent.
    virtual void place_volume_knob(int volume) = 0;
    // An episode button is disabled while its request runs.
    virtual void enable_episode_button(EpisodeStep step, bool enabled) = 0;
    // The now-playing label (bo_name).
    virtual void show_title(const QString& caption) = 0;
    // The compact mode's title line follows the now-playing label.
    virtual void show_compact_title() = 0;
    // A balloon at the tray icon.
    virtual void show_balloon(const QString& text) = 0;
    // Switches to the now-playing tab.
    virtual void show_now_playing_tab() = 0;
    // The side bar shows the local list rather than the network tasks.
    virtual bool local_list_shown() const = 0;
    // The window is on the screen (the screen saver is held off only then).
    virtual bool window_shown() const = 0;
    virtual void raise_window() = 0;
    virtual void quit() = 0;

    // The scheduled shutdown, armed by the user in the window's menu.
    virtual bool shutdown_armed() const = 0;
    virtual void power_off() = 0;

    // The QVOD program folder the window keeps, and the terminal in it.
    virtual QString qvod_program_folder() = 0;
    virtual void start_qvod_terminal() = 0;
};

} // namespace kelvara
