#pragma once

#include "platform/media_controls.h"

#include <QObject>
#include <QVariantMap>
#include <optional>

namespace kelvara {

// The media controls of a Linux desktop: the client as an MPRIS2 player
// (org.mpris.MediaPlayer2.kelvara, object /org/mpris/MediaPlayer2) on the
// session bus. The name is taken with the first published state, so it is
// there once the window is; a second client on the same bus takes
// org.mpris.MediaPlayer2.kelvara.instance<pid>, as MPRIS asks. Method calls
// are answered at once and acted on from the event loop, so that a call
// whose handler waits on the content server or quits the client is still
// answered.
class MprisControls : public QObject, public MediaControls {
    Q_OBJECT
public:
    MprisControls();
    ~MprisControls() override;

    void publish(const MediaState& state) override;
    void seeked(qint64 seconds) override;

    // The name on the bus; empty while none is held.
    const QString& service_name() const { return service_; }

    // ---- For the adaptors ----
    const MediaState& state() const { return state_; }
    qint64 position_us() const;
    // Runs `handler` from the event loop, when it is set then.
    void later(std::function<void()> MediaControls::*handler);
    void later(std::function<void()> action);
    static QVariantMap metadata(const MediaState& state);

signals:
    void seeked_us(qlonglong position);

private:
    bool register_on_bus();
    void announce_changes(const MediaState& before, const MediaState& after);

    QObject object_; // carries the two interfaces
    MediaState state_;
    QString service_;
    bool tried_ = false;
};

} // namespace kelvara
