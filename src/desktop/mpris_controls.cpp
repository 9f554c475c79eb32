#include "desktop/mpris_controls.h"

#include "desktop/player_log.h"
#include "desktop/session_bus.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

namespace kelvara {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kService = QStringLiteral("org.mpris.MediaPlayer2.kelvara");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

constexpr qint64 kMicroseconds = 1000000;

QString track_path(quint64 track) {
    return track == 0 ? kNoTrack : QStringLiteral("/org/kelvara/track/%1").arg(track);
}

QString status_name(PlaybackStatus status) {
    switch (status) {
    case PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

} // namespace

// org.mpris.MediaPlayer2: the application.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktop_entry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uri_schemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mime_types)
public:
    MprisRootAdaptor(QObject* object, MprisControls* controls)
        : QDBusAbstractAdaptor(object), controls_(controls) {}

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Kelvara"); }
    QString desktop_entry() const { return QStringLiteral("kelvara"); }
    QStringList uri_schemes() const { return {}; }
    QStringList mime_types() const { return {}; }

public slots:
    void Raise() { controls_->later(&MediaControls::on_raise); }
    void Quit() { controls_->later(&MediaControls::on_quit); }

private:
    MprisControls* controls_;
};

// org.mpris.MediaPlayer2.Player: the transport.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playback_status)
    Q_PROPERTY(double Rate READ rate WRITE set_rate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE set_volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ can_go_next)
    Q_PROPERTY(bool CanGoPrevious READ can_go_previous)
    Q_PROPERTY(bool CanPlay READ can_play)
    Q_PROPERTY(bool CanPause READ can_play)
    Q_PROPERTY(bool CanSeek READ can_seek)
    Q_PROPERTY(bool CanControl READ can_control)
public:
    MprisPlayerAdaptor(QObject* object, MprisControls* controls)
        : QDBusAbstractAdaptor(object), controls_(controls) {
        connect(controls, &MprisControls::seeked_us, this, &MprisPlayerAdaptor::Seeked);
    }

    QString playback_status() const { return status_name(controls_->state().status); }
    double rate() const { return 1.0; }
    void set_rate(double) {} // one speed only
    QVariantMap metadata() const { return MprisControls::metadata(controls_->state()); }
    double volume() const { return controls_->state().volume / 100.0; }
    void set_volume(double volume) {
        const int percent = qRound(qBound(0.0, volume, 1.0) * 100);
        controls_->later([controls = controls_, percent] {
            if (controls->on_set_volume)
                controls->on_set_volume(percent);
        });
    }
    qlonglong position() const { return controls_->position_us(); }
    bool can_go_next() const { return controls_->state().can_go_next; }
    bool can_go_previous() const { return controls_->state().can_go_previous; }
    bool can_play() const { return controls_->state().can_play; }
    bool can_seek() const { return controls_->state().can_seek; }
    bool can_control() const { return true; }

public slots:
    void Next() { controls_->later(&MediaControls::on_next); }
    void Previous() { controls_->later(&MediaControls::on_previous); }
    void Pause() { controls_->later(&MediaControls::on_pause); }
    void PlayPause() { controls_->later(&MediaControls::on_play_pause); }
    void Stop() { controls_->later(&MediaControls::on_stop); }
    void Play() { controls_->later(&MediaControls::on_play); }
    void Seek(qlonglong offset) {
        controls_->later([controls = controls_, offset] {
            if (controls->on_seek)
                controls->on_seek(offset);
        });
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        // A position for a track that no longer plays is ignored, as MPRIS
        // asks.
        const quint64 playing = controls_->state().track;
        if (playing == 0 || track.path() != track_path(playing))
            return;
        controls_->later([controls = controls_, playing, position] {
            if (controls->on_set_position)
                controls->on_set_position(playing, position);
        });
    }
    void OpenUri(const QString&) {} // nothing offered in SupportedUriSchemes

signals:
    void Seeked(qlonglong Position);

private:
    MprisControls* controls_;
};

MprisControls::MprisControls() {
    new MprisRootAdaptor(&object_, this);
    new MprisPlayerAdaptor(&object_, this);
}

MprisControls::~MprisControls() {
    if (service_.isEmpty())
        return;
    if (std::optional<QDBusConnection> bus = session_bus()) {
        bus->unregisterObject(kObjectPath);
        bus->unregisterService(service_);
    }
}

bool MprisControls::register_on_bus() {
    std::optional<QDBusConnection> bus = session_bus();
    if (!bus)
        return false;
    if (!bus->registerObject(kObjectPath, &object_, QDBusConnection::ExportAdaptors)) {
        qCInfo(lc_player) << "no media controls:" << bus->lastError().message();
        return false;
    }
    for (const QString& name :
         {kService,
          kService + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        if (bus->registerService(name)) {
            service_ = name;
            qCDebug(lc_player) << "media controls on the session bus as" << name;
            return true;
        }
    }
    qCInfo(lc_player) << "no media controls:" << bus->lastError().message();
    bus->unregisterObject(kObjectPath);
    return false;
}

void MprisControls::publish(const MediaState& state) {
    if (!tried_) {
        tried_ = true;
        register_on_bus();
    }
    const MediaState before = state_;
    state_ = state;
    if (!service_.isEmpty() && !(before == state))
        announce_changes(before, state);
}

void MprisControls::seeked(qint64 seconds) {
    if (!service_.isEmpty())
        emit seeked_us(seconds * kMicroseconds);
}

qint64 MprisControls::position_us() const {
    return position ? position() * kMicroseconds : 0;
}

void MprisControls::later(std::function<void()> MediaControls::*handler) {
    QTimer::singleShot(0, this, [this, handler] {
        if (this->*handler)
            (this->*handler)();
    });
}

void MprisControls::later(std::function<void()> action) {
    QTimer::singleShot(0, this, std::move(action));
}

QVariantMap MprisControls::metadata(const MediaState& state) {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(track_path(state.track))));
    if (state.track == 0)
        return map;
    map.insert(QStringLiteral("xesam:title"), state.title);
    if (state.length_seconds > 0)
        map.insert(QStringLiteral("mpris:length"),
                   QVariant::fromValue<qlonglong>(state.length_seconds * kMicroseconds));
    return map;
}

// org.freedesktop.DBus.Properties.PropertiesChanged with what differs.
// Position is read when asked and never announced, as MPRIS wants.
void MprisControls::announce_changes(const MediaState& before, const MediaState& after) {
    QVariantMap changed;
    if (before.status != after.status)
        changed.insert(QStringLiteral("PlaybackStatus"), status_name(after.status));
    if (before.track != after.track || before.title != after.title ||
        before.length_seconds != after.length_seconds)
        changed.insert(QStringLiteral("Metadata"), metadata(after));
    if (before.volume != after.volume)
        changed.insert(QStringLiteral("Volume"), after.volume / 100.0);
    if (before.can_play != after.can_play) {
        changed.insert(QStringLiteral("CanPlay"), after.can_play);
        changed.insert(QStringLiteral("CanPause"), after.can_play);
    }
    if (before.can_seek != after.can_seek)
        changed.insert(QStringLiteral("CanSeek"), after.can_seek);
    if (before.can_go_next != after.can_go_next)
        changed.insert(QStringLiteral("CanGoNext"), after.can_go_next);
    if (before.can_go_previous != after.can_go_previous)
        changed.insert(QStringLiteral("CanGoPrevious"), after.can_go_previous);
    if (changed.isEmpty())
        return;
    std::optional<QDBusConnection> bus = session_bus();
    if (!bus)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    bus->send(signal);
}

} // namespace kelvara

#include "mpris_controls.moc"
