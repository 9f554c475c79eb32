#pragma once

#include <QString>
#include <functional>

namespace kelvara {

enum class PlaybackStatus { Stopped, Paused, Playing };

// What the desktop's media controls show of the player.
struct MediaState {
    PlaybackStatus status = PlaybackStatus::Stopped;
    // Numbers the films played in this run; 0 while nothing is loaded.
    quint64 track = 0;
    QString title;
    qint64 length_seconds = 0; // 0 while not known
    int volume = 100;          // percent
    bool can_play = false;     // something is loaded
    bool can_seek = false;
    bool can_go_next = false;
    bool can_go_previous = false;

    bool operator==(const MediaState&) const = default;
};

// The desktop's media controls: the keyboard's media keys, the panel's
// player applet, the lock screen, playerctl. They show what is published and
// ask for the transport actions through the handlers.
class MediaControls {
public:
    virtual ~MediaControls() = default;

    // Shows `state`; the controls hear of what changed since the last one.
    virtual void publish(const MediaState& state) = 0;
    // The position jumped to `seconds` (a seek).
    virtual void seeked(qint64 seconds) = 0;

    void clear_handlers() {
        position = nullptr;
        on_play = on_pause = on_play_pause = on_stop = nullptr;
        on_next = on_previous = on_raise = on_quit = nullptr;
        on_seek = nullptr;
        on_set_position = nullptr;
        on_set_volume = nullptr;
    }

    // The play position in seconds, read when the controls ask for it.
    std::function<qint64()> position;

    std::function<void()> on_play;
    std::function<void()> on_pause;
    std::function<void()> on_play_pause;
    std::function<void()> on_stop;
    std::function<void()> on_next;
    std::function<void()> on_previous;
    std::function<void()> on_raise;
    std::function<void()> on_quit;
    // Relative to the current position, in microseconds.
    std::function<void(qint64 offset_us)> on_seek;
    // To `position_us` of `track`, when that track still plays.
    std::function<void(quint64 track, qint64 position_us)> on_set_position;
    std::function<void(int percent)> on_set_volume;
};

} // namespace kelvara
