#pragma once

#include "logic/history/history_files.h"
#include "logic/playback/now_playing.h"

#include <QString>
#include <memory>
#include <optional>

namespace kelvara {

struct Platform;
class History;
class Settings;
class PlaybackView;
class PlayerControl;
class Timer;
class WebPane;

// The panes the playback reaches: the server's catalogue, the web player,
// the two history lists and the episode page of the series.
struct PlaybackPanes {
    WebPane& catalogue;    // catalogue_pane
    WebPane& web_player;   // web_player_pane
    WebPane& network_list; // network_list_pane
    WebPane& local_list;   // local_list_pane
    WebPane& episode_page; // episode_pane
};

// The transport buttons the session acts on (the window's transport_buttons by index).
enum class TransportButton { PlayPause, Stop, Mute, OpenFile, PreviousEpisode, NextEpisode };

// The keys of the player area.
enum class PlayerKey { PlayPause, Back, VolumeUp, Forward, VolumeDown, Other };

// What plays and every decision about it: the player's status poll, the
// transport, the next episode of a series, seek and volume, the client's own
// links in the panes, and the actions on the viewing histories. It owns the
// now-playing state and the three timers of playback, and reaches the world
// only through the platform interfaces and the view. (It took over the
// playback part of the old main window MainWindow.)
class PlaybackSession {
public:
    PlaybackSession(Platform& platform, PlayerControl& player, PlaybackView& view, History& history,
                    PlaybackPanes panes, QString app_dir, QString base_url);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    const NowPlaying& state() const { return state_; }
    // For tests that start from a given state.
    NowPlaying& state() { return state_; }

    Timer& status_poll_timer() { return *status_poll_; } // Timer1, 1 s
    Timer& end_of_film_timer() { return *end_of_film_; } // Timer2, 2 s
    Timer& next_retry_timer() { return *next_retry_; }   // Timer4, 50 s

    // ---- Transport ----
    // A transport button's click; the media controls hear of the change.
    void press(TransportButton button); // transport_button_clicked
    // A key of the player area; every key restarts a stopped poll.
    void key(PlayerKey key); // Form_KeyDown
    // Url, Play and the status poll on.
    void start_playback(const QString& address);
    // Plays a local file or address given on the command line and records it
    // in the local list.
    void play_command_line(const QString& target);
    // The seek bar: to the nearest whole second, never past the end.
    void seek(double seconds);
    // Seeks as the seek bar does and moves the knob there.
    void seek_to(double seconds);
    // The volume, as the keys and the media controls set it: sound on, the
    // knob moved.
    void set_volume(int percent);
    // The volume track was dragged to `percent` (none when the track has no
    // length): sound on; the window moved the knob.
    void drag_volume(std::optional<int> percent);
    // Sound on, with the mute button back in its "静音" state.
    void sound_on();
    // The episode button would ask the server for an episode.
    bool can_step(EpisodeStep step) const;
    // Asks the server for the next episode of the series that plays, when
    // the settings let the next episode buffer.
    void fetch_next_episode();

    // ---- The desktop's media controls and screen saver ----
    void connect_media_controls();
    // Tells the media controls what plays, and holds the screen saver off
    // while a film plays in the shown window.
    void publish_media_state();

    // ---- The client's links in the panes ----
    void catalogue_navigation(const QString& address, bool& cancel);    // catalogue_pane
    void web_player_navigation(const QString& address, bool& cancel);   // web_player_pane
    void network_list_navigation(const QString& address, bool& cancel); // network_list_pane
    void local_list_navigation(const QString& address, bool& cancel);   // local_list_pane
    void episode_page_navigation(const QString& address, bool& cancel); // episode_pane

    // ---- History actions ----
    // An open:// or delk:// link of the list shown, as its page would follow
    // it (Web3_BeforeNavigate2).
    void follow_history_link(const QString& address);
    // Deletes the network task of `row` and, after asking, the files its
    // download left in the QVOD download folder.
    void delete_task_with_downloads(const QString& row); // eee
    // Asks, then clears the local list or the network tasks.
    void clear_local_list();
    void clear_network_list();

private:
    void poll(); // Timer1_Timer
    bool check_end_region();
    void prebuffer_next();
    void show_playing();
    void show_not_playing();
    void retry_tick();  // Timer4_Timer
    void end_of_film(); // Timer2_Timer
    void end_of_episode();

    void play_pause();
    void stop();
    void toggle_mute();
    void open_file();
    void step_episode(EpisodeStep step);
    void key_back();
    void key_forward();

    bool dispatch_play_link(const QString& address);
    void resolve_episode(const QString& address);
    void play_episode(const QString& address);
    bool hand_history_link_over(WebPane& pane, const QString& address, bool& cancel);
    void open_row(const QString& address);
    void delete_row(qint64 line);
    void replay_local(const QString& line, qint64 n);
    void replay_task(const QString& line);
    void playing_local_file(const QString& path, qint64 resume);
    void show_now_playing(const QString& title);
    void show_now_playing(const QString& title, const QString& episode);
    void set_play_button(PlayButton state, bool repaint);

    std::optional<QString> request_play_address(qint64 id, const QString& v, const QString& v1);
    Settings settings() const;
    bool balloon_tips_on() const;
    bool ask(const QString& text);
    HistoryList active_list() const;
    QString list_line(HistoryList list, qint64 n) const;
    void delete_task_downloads(const QString& folder, const QStringList& names);

    Platform& platform_;
    PlayerControl& player_;
    PlaybackView& view_;
    History& history_;
    PlaybackPanes panes_;
    QString app_dir_;
    QString base_url_;
    NowPlaying state_;
    // The episode button whose request runs.
    std::optional<EpisodeStep> stepping_;
    std::unique_ptr<Timer> status_poll_;
    std::unique_ptr<Timer> end_of_film_;
    std::unique_ptr<Timer> next_retry_;
};

} // namespace kelvara
