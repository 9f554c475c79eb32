#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace kelvara {

// Play-state codes of the player control.
enum PlayStateCode {
    kStateReady = 0, // nothing playing (ready or finished)
    kStateStopped = 1,
    kStatePaused = 2,
    kStatePlaying = 3,
    kStateBuffering = 4,
    kStateWaiting = 5,
    kStateEnded = 6,
    kStateReadyToRead = 7,
    kStateReconnecting = 8,
    kStateTorrent = 9,
    kStateConnecting = 10,
    kStateStopping = 11,
};

// The player control `QvodC`: plays local files, http(s) addresses and
// qvod:// addresses (through the QVOD terminal). Member names follow the
// control's own interface.
class PlayerControl {
public:
    virtual ~PlayerControl() = default;

    virtual QWidget* widget() = 0;

    // The play address; empty when nothing is loaded. Always followed by Play.
    virtual QString Url() const = 0;
    virtual void setUrl(const QString& address) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // -1 mute, 0 sound on.
    virtual void setMute(int mute) = 0;
    // -1 shows the video alone on the whole screen.
    virtual void setFullScreen(int full) = 0;
    // 0 to 100.
    virtual int Volume() const = 0;
    virtual void setVolume(int volume) = 0;
    // Seconds; 0 until the length is known.
    virtual int Duration() const = 0;
    // Seconds; writing seeks.
    virtual int Position() const = 0;
    virtual void setPosition(int seconds) = 0;
    virtual int PlayState() const = 0;
    // KB/s fetched from the source.
    virtual int DownloadRate() const = 0;
    // Kbps of the stream.
    virtual int BitRate() const = 0;
    // Thousandths of the film fetched; 1000 for a local file.
    virtual int DownloadPermille() const = 0;
    // Starts fetching the next address ahead of time.
    virtual void PreloadNext(const QString& address) = 0;
    virtual void setAdPage(const QString& address) = 0;
    virtual QString AdPage() const = 0;
};

class PlayerFactory {
public:
    virtual ~PlayerFactory() = default;
    virtual std::unique_ptr<PlayerControl> create_player(QWidget* container) = 0;
};

} // namespace kelvara
