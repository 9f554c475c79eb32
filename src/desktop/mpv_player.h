#pragma once

#include "logic/playback/mpv_state.h"
#include "platform/player_control.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <memory>

struct mpv_handle;
struct mpv_event;

namespace kelvara {

class FullScreenView;
class MpvVideoWindow;
class QvodStreams;

// The player control `QvodC` on libmpv. The video is drawn through mpv's
// render API into an OpenGL window embedded in the container (MpvVideoWindow
// says why a window); mpv's events reach the control on the user-interface
// thread and are reduced into MpvState, so every member below reads cached
// values and never waits for mpv.
//
// PlayState codes:
//   0  nothing asked for yet
//   1  stopped by Stop; also a file that could not be played, and a qvod://
//      address the terminal gave up on
//   2  paused
//   3  playing
//   4  buffering: the film waits for data
//   5  opening a local file
//   6  ended: the last frame stays on show (a seek back plays on)
//   8  a qvod:// address waits while the terminal reconnects to its sources
//   10 connecting: an http(s) address opening, or a qvod:// address waiting
//      for the terminal (also when there is no terminal at all)
//   7, 9 and 11 are not reported.
//
// Addresses: local paths (or file:// addresses) and http(s) addresses are
// played by mpv; qvod:// addresses are asked of QvodStreams for the local
// address the terminal serves them on, and their download figures come from
// the terminal, polled once a second.
//
// PreloadNext: a qvod:// address is handed to the terminal's preload. An
// http(s) address is put after the current file in mpv's playlist, once the
// current file is wholly in mpv's cache, so that mpv opens it ahead of time
// (prefetch-playlist) and plays from that connection when it is asked for.
// A local file needs no preloading.
//
// widget() is the window container that holds the video; the mouse and keys
// over the video reach it as they would reach any widget. Clicking the video
// leaves the keyboard focus where it was.
//
// Full screen (FullScreen -1) moves that container into a full-screen window
// of its own; Esc or a double-click puts it back, and other keys go on to
// the player's container meanwhile.
class MpvPlayer : public QObject, public PlayerControl {
    Q_OBJECT
public:
    MpvPlayer(QWidget* container, QvodStreams* streams);
    ~MpvPlayer() override;

    QWidget* widget() override;
    QString Url() const override { return url_; }
    void setUrl(const QString& address) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void setMute(int mute) override;
    void setFullScreen(int full) override;
    int Volume() const override { return state_.volume(); }
    void setVolume(int volume) override;
    int Duration() const override { return state_.duration(); }
    int Position() const override { return state_.position(); }
    void setPosition(int seconds) override;
    int PlayState() const override { return state_.play_state(); }
    int DownloadRate() const override { return state_.download_rate(); }
    int BitRate() const override { return state_.bit_rate(); }
    int DownloadPermille() const override { return state_.download_permille(); }
    void PreloadNext(const QString& address) override;
    void setAdPage(const QString& address) override { ad_page_ = address; }
    QString AdPage() const override { return ad_page_; }

    bool full_screen() const;
    bool muted() const { return state_.muted(); }
    MpvVideoWindow* video_window() const;

private:
    bool ensure_mpv();
    static void on_wakeup(void* self);
    void drain_events();
    void handle_event(const mpv_event& event);
    void after_events();

    void start_loading();
    void load(const QString& mpv_address, SourceKind kind, int start_seconds = 0);
    void open_qvod_stream();
    void reopen_qvod_stream();
    void poll_terminal();
    void append_preload();

    void command(std::initializer_list<const char*> args, std::uint64_t tag = 0);
    void loadfile(const QString& address, SourceKind kind, const char* mode, int start_seconds = 0,
                  std::uint64_t tag = 0);
    void set_flag(const char* name, bool value);
    void set_double(const char* name, double value);

    mpv_handle* mpv_ = nullptr;
    bool mpv_failed_ = false; // libmpv could not be started: nothing plays
    QPointer<QWidget> video_; // the window container of surface_
    QPointer<MpvVideoWindow> surface_;
    std::unique_ptr<FullScreenView> full_screen_;
    QvodStreams* streams_;
    MpvState state_;
    QString url_;
    QString loaded_url_; // the Url the current file was loaded from
    QString stream_url_; // the terminal's stream a qvod:// address plays from
    QString ad_page_;
    // mpv numbers playlist entries in the order they are added.
    std::int64_t next_entry_id_ = 1;
    std::int64_t load_entry_ = 0;
    std::int64_t stopped_foreign_id_ = 0;
    QString preload_address_;
    bool preload_appended_ = false;
    QTimer terminal_poll_;
    std::atomic_bool wakeup_posted_{false};
};

class MpvPlayerFactory : public PlayerFactory {
public:
    // `streams` may be null: qvod:// addresses then stay connecting.
    explicit MpvPlayerFactory(QvodStreams* streams = nullptr) : streams_(streams) {}
    std::unique_ptr<PlayerControl> create_player(QWidget* container) override;

private:
    QvodStreams* streams_;
};

} // namespace kelvara
