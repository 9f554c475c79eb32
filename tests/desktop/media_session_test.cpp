// The whole client on a private session bus, as a Linux desktop sees it: a
// stand-in screen saver records the inhibitions while the film plays, pauses,
// resumes, hides to the tray, ends, stops and quits; an MPRIS client (what
// the panel's player applet and playerctl are) reads the properties and
// presses the transport, and the window and the history show what the
// buttons would.

#include "desktop/client_driver.h"
#include "desktop/web_pane_driver.h"
#include "logic/playback/playback_session.h"

#include "app/desktop_client.h"
#include "logic/history/history_files.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"
#include "window/main_window.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <set>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// The private session bus main() starts for these tests.
QString bus_address;

const QString kMpris = QStringLiteral("org.mpris.MediaPlayer2.kelvara");
const QString kMprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kSeriesLink = QStringLiteral("a[href^=\"eebovod://2001-1-1-\"]");
constexpr int kStartMs = 30000;
constexpr int kPlayMs = 20000;

bool playing(MainWindow& w) {
    return w.QvodC->PlayState() == kStatePlaying;
}

// org.freedesktop.ScreenSaver as a desktop offers it, on a thread of its own
// so that it answers while the client waits for its reply.
class StandInScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    struct Call {
        bool inhibit;
        uint cookie;
    };

    StandInScreenSaver() {
        moveToThread(&thread_);
        thread_.start();
        QDBusConnection bus = QDBusConnection::connectToBus(bus_address, kConnection);
        registered_ = bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), this,
                                         QDBusConnection::ExportAllSlots) &&
                      bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
    }
    ~StandInScreenSaver() override {
        QDBusConnection::disconnectFromBus(kConnection);
        thread_.quit();
        thread_.wait();
    }

    bool registered() const { return registered_; }
    std::vector<Call> calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    int held() const {
        QMutexLocker lock(&mutex_);
        return static_cast<int>(held_.size());
    }
    int most_held() const {
        QMutexLocker lock(&mutex_);
        return most_held_;
    }
    int unknown_releases() const {
        QMutexLocker lock(&mutex_);
        return unknown_releases_;
    }
    QStringList reasons() const {
        QMutexLocker lock(&mutex_);
        return reasons_;
    }

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        QMutexLocker lock(&mutex_);
        const uint cookie = next_cookie_++;
        held_.insert(cookie);
        most_held_ = std::max(most_held_, static_cast<int>(held_.size()));
        calls_.push_back({true, cookie});
        reasons_ << application + u':' + reason;
        return cookie;
    }
    void UnInhibit(uint cookie) {
        QMutexLocker lock(&mutex_);
        if (held_.erase(cookie) == 0)
            ++unknown_releases_;
        calls_.push_back({false, cookie});
    }

private:
    static inline const QString kConnection = QStringLiteral("stand-in screen saver");
    QThread thread_;
    bool registered_ = false;
    mutable QMutex mutex_;
    std::vector<Call> calls_;
    std::set<uint> held_;
    int most_held_ = 0;
    int unknown_releases_ = 0;
    uint next_cookie_ = 41;
    QStringList reasons_;
};

// What a desktop's player applet does: reads the properties, hears of their
// changes, calls the methods. Calls are asynchronous so that the client, on
// this same thread, can answer.
class MprisClient : public QObject {
    Q_OBJECT
public:
    MprisClient() : bus_(QDBusConnection::connectToBus(bus_address, kConnection)) {
        bus_.connect(kMpris, kMprisPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("PropertiesChanged"), this,
                     SLOT(changed(QString, QVariantMap, QStringList)));
    }
    ~MprisClient() override { QDBusConnection::disconnectFromBus(kConnection); }

    bool present() {
        return call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                   QStringLiteral("/org/freedesktop/DBus"),
                                                   QStringLiteral("org.freedesktop.DBus"),
                                                   QStringLiteral("NameHasOwner"))
                    << kMpris)
            .value(0)
            .toBool();
    }

    QVariant property(const QString& name, const QString& interface = kPlayer) {
        const QVariant value =
            call(QDBusMessage::createMethodCall(kMpris, kMprisPath,
                                                QStringLiteral("org.freedesktop.DBus.Properties"),
                                                QStringLiteral("Get"))
                 << interface << name)
                .value(0);
        return plain(value.value<QDBusVariant>().variant());
    }
    QVariantMap metadata() { return property(QStringLiteral("Metadata")).toMap(); }

    void set_property(const QString& name, const QVariant& value) {
        call(QDBusMessage::createMethodCall(kMpris, kMprisPath,
                                            QStringLiteral("org.freedesktop.DBus.Properties"),
                                            QStringLiteral("Set"))
             << kPlayer << name << QVariant::fromValue(QDBusVariant(value)));
    }

    // Answered at once; the client acts on it from its event loop.
    bool press(const QString& method, const QVariantList& arguments = {},
               const QString& interface = kPlayer) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kMpris, kMprisPath, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = call_message(message);
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    // A PropertiesChanged that carried `name` with `value`.
    bool heard(const QString& name, const QVariant& value) const {
        for (const QVariantMap& change : changes_) {
            if (change.contains(name) && change.value(name) == value)
                return true;
        }
        return false;
    }
    std::vector<QVariantMap> changes() const { return changes_; }

public slots:
    void changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
        if (interface != kPlayer)
            return;
        QVariantMap plain_properties;
        for (auto it = properties.begin(); it != properties.end(); ++it)
            plain_properties.insert(it.key(), plain(it.value()));
        changes_.push_back(plain_properties);
    }

private:
    static inline const QString kConnection = QStringLiteral("mpris client");

    // a{sv} and object paths arrive as D-Bus arguments.
    static QVariant plain(const QVariant& value) {
        if (value.canConvert<QDBusArgument>()) {
            const QDBusArgument argument = value.value<QDBusArgument>();
            if (argument.currentSignature() == u"a{sv}") {
                QVariantMap map = qdbus_cast<QVariantMap>(argument);
                for (auto it = map.begin(); it != map.end(); ++it)
                    it.value() = plain(it.value());
                return map;
            }
        }
        if (value.canConvert<QDBusObjectPath>())
            return value.value<QDBusObjectPath>().path();
        return value;
    }

    QDBusMessage call_message(const QDBusMessage& message) {
        QDBusPendingCall pending = bus_.asyncCall(message, 5000);
        wait_for([&] { return pending.isFinished(); }, 6000);
        return pending.reply();
    }
    QVariantList call(const QDBusMessage& message) { return call_message(message).arguments(); }

    QDBusConnection bus_;
    std::vector<QVariantMap> changes_;
};

class MediaSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_address.isEmpty()) << "no private session bus";
        ASSERT_TRUE(folder_.valid());
    }
    void TearDown() override {
        client_.reset();
        EXPECT_TRUE(folder_.end_terminals());
    }

    MainWindow& start_client(const QString& command_line = {}) {
        client_ = std::make_unique<DesktopClient>(folder_.app_dir());
        EXPECT_TRUE(client_->start(command_line));
        return *client_->window();
    }

    ClientFolder folder_;
    std::unique_ptr<DesktopClient> client_;
};

TEST_F(MediaSession, ScreenSaverIsHeldOffExactlyWhileTheFilmPlaysInTheShownWindow) {
    StandInScreenSaver saver;
    ASSERT_TRUE(saver.registered());
    const QString clip = QDir(folder_.download_dir()).filePath(QStringLiteral("长河 落日 (1).mp4"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVARA_TEST_CLIP), clip));

    MainWindow& w = start_client(u'"' + clip + u'"');
    ASSERT_TRUE(wait_for([&] { return playing(w) && saver.held() == 1; }, kPlayMs))
        << w.status_label->caption().toStdString() << ", held " << saver.held();
    ASSERT_EQ(saver.reasons().size(), 1);
    EXPECT_TRUE(saver.reasons().first().startsWith(u"Kelvara:"))
        << saver.reasons().first().toStdString();
    EXPECT_GT(saver.reasons().first().size(), int(strlen("Kelvara:")));

    // Paused and resumed by the play/pause button.
    w.transport_button_clicked(kPlayPauseButton);
    EXPECT_EQ(saver.held(), 0);
    pause(300);
    w.transport_button_clicked(kPlayPauseButton);
    ASSERT_TRUE(wait_for([&] { return saver.held() == 1; }, 3000));
    // Hidden to the tray by its icon and shown again: the film plays on, but
    // the screen is not kept on for a hidden window.
    w.session().seek_to(0);
    w.tray_left_click();
    ASSERT_FALSE(w.isVisible());
    EXPECT_EQ(saver.held(), 0);
    pause(1200); // a poll tick while hidden
    EXPECT_EQ(saver.held(), 0);
    w.tray_left_click();
    ASSERT_TRUE(w.isVisible());
    EXPECT_TRUE(wait_for([&] { return saver.held() == 1; }, 3000));

    // The 6-second clip comes to its end, its last frame left on show.
    ASSERT_TRUE(wait_for([&] { return w.QvodC->PlayState() == kStateEnded; }, 12000))
        << w.status_label->caption().toStdString();
    EXPECT_TRUE(wait_for([&] { return saver.held() == 0; }, 3000)) << "held after the end";

    // Played again after a stop, then stopped; played, and the client quit.
    w.transport_button_clicked(kStopButton);
    w.transport_button_clicked(kPlayPauseButton);
    ASSERT_TRUE(wait_for([&] { return playing(w) && saver.held() == 1; }, kPlayMs));
    w.transport_button_clicked(kStopButton);
    EXPECT_EQ(saver.held(), 0);
    w.transport_button_clicked(kPlayPauseButton);
    ASSERT_TRUE(wait_for([&] { return playing(w) && saver.held() == 1; }, kPlayMs));
    w.quit_client();
    EXPECT_EQ(saver.held(), 0) << "held after the quit";
    client_.reset();

    EXPECT_EQ(saver.most_held(), 1);
    EXPECT_EQ(saver.unknown_releases(), 0);
    const std::vector<StandInScreenSaver::Call> calls = saver.calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.inhibit; }), 5);
    EXPECT_EQ(calls.size(), 10u);
}

TEST_F(MediaSession, DesktopControlsActThroughTheTransportButtons) {
    // No screen saver on this bus: nothing may break for it.
    MainWindow& w = start_client();
    ASSERT_TRUE(wait_for_element(*w.catalogue_pane, kSeriesLink, kStartMs));
    MprisClient mpris;
    ASSERT_TRUE(mpris.present());
    EXPECT_EQ(mpris.property(QStringLiteral("Identity"), kRoot), QStringLiteral("Kelvara"));
    EXPECT_EQ(mpris.property(QStringLiteral("PlaybackStatus")), QStringLiteral("Stopped"));
    EXPECT_EQ(mpris.property(QStringLiteral("CanGoNext")), false);

    ASSERT_TRUE(click_element(*w.catalogue_pane, kSeriesLink));
    ASSERT_TRUE(wait_for([&] { return playing(w); }, kPlayMs))
        << w.status_label->caption().toStdString();
    ASSERT_TRUE(
        w.session().state().episode_key.value_or(QString()).startsWith(QLatin1String("2001-1-1-")));
    ASSERT_TRUE(wait_for(
        [&] { return mpris.property(QStringLiteral("PlaybackStatus")).toString() == u"Playing"; },
        3000));
    const QVariantMap first = mpris.metadata();
    EXPECT_EQ(first.value(QStringLiteral("xesam:title")).toString(), w.session().state().title);
    EXPECT_TRUE(w.session().state().title.startsWith(w.bo_name->caption().section(u'-', 0, 0)));
    EXPECT_TRUE(wait_for(
        [&] {
            return mpris.metadata().value(QStringLiteral("mpris:length")).toLongLong() ==
                   qint64(w.QvodC->Duration()) * 1000000;
        },
        3000));
    EXPECT_EQ(mpris.property(QStringLiteral("CanGoNext")), true);
    EXPECT_TRUE(mpris.heard(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));

    // Pause and play again: the window shows what the button shows.
    ASSERT_TRUE(mpris.press(QStringLiteral("PlayPause")));
    ASSERT_TRUE(wait_for([&] { return w.status_label->caption() == u"已暂停"; }, 3000))
        << w.status_label->caption().toStdString();
    EXPECT_EQ(w.transport_buttons[kPlayPauseButton]->tip(), u"播放");
    EXPECT_EQ(mpris.property(QStringLiteral("PlaybackStatus")), QStringLiteral("Paused"));
    EXPECT_TRUE(mpris.heard(QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")));
    ASSERT_TRUE(mpris.press(QStringLiteral("PlayPause")));
    ASSERT_TRUE(wait_for(
        [&] { return w.transport_buttons[kPlayPauseButton]->tip() == u"暂停" && playing(w); },
        3000));

    // Three seconds on; the stop stores where the seek went, as the button's
    // stop does.
    const int before = w.QvodC->Position();
    ASSERT_TRUE(mpris.press(QStringLiteral("Seek"), {QVariant::fromValue<qlonglong>(3000000)}));
    ASSERT_TRUE(wait_for([&] { return w.QvodC->Position() >= before + 3; }, 3000));
    EXPECT_GE(mpris.property(QStringLiteral("Position")).toLongLong(), (before + 3) * 1000000LL);
    ASSERT_TRUE(wait_for([&] { return w.session().state().last_position >= before + 3; }, 3000));
    ASSERT_TRUE(mpris.press(QStringLiteral("Stop")));
    ASSERT_TRUE(wait_for([&] { return w.status_label->caption() == u"已停止"; }, 3000));
    const QStringList stopped = folder_.records(HistoryList::NetworkTasks).value(0);
    EXPECT_EQ(stopped.value(0), u"2001");
    EXPECT_GE(stopped.value(6).toInt(), before + 3);
    EXPECT_EQ(mpris.property(QStringLiteral("PlaybackStatus")), QStringLiteral("Stopped"));

    // Next: the episode after it plays and heads the history, as with the
    // next-episode button.
    ASSERT_TRUE(mpris.press(QStringLiteral("Next")));
    ASSERT_TRUE(wait_for(
        [&] {
            return w.session().state().episode_key.value_or(QString()).startsWith(
                QLatin1String("2001-1-2-"));
        },
        kPlayMs));
    ASSERT_TRUE(wait_for([&] { return playing(w); }, kPlayMs))
        << w.status_label->caption().toStdString();
    const QStringList next = folder_.records(HistoryList::NetworkTasks).value(0);
    EXPECT_EQ(next.value(0), u"2001");
    EXPECT_EQ(next.value(5), u"2");
    ASSERT_TRUE(wait_for(
        [&] {
            const QVariantMap m = mpris.metadata();
            return m.value(QStringLiteral("xesam:title")).toString() == w.session().state().title &&
                   m.value(QStringLiteral("mpris:trackid")) !=
                       first.value(QStringLiteral("mpris:trackid"));
        },
        3000));
    EXPECT_NE(w.session().state().title, first.value(QStringLiteral("xesam:title")).toString());
    const std::vector<QVariantMap> changes = mpris.changes();
    EXPECT_TRUE(std::any_of(changes.begin(), changes.end(), [&](const QVariantMap& change) {
        return change.value(QStringLiteral("Metadata"))
                   .toMap()
                   .value(QStringLiteral("xesam:title")) == w.session().state().title;
    }));
    EXPECT_EQ(mpris.property(QStringLiteral("CanGoPrevious")), true);

    // The volume as the volume keys set it.
    mpris.set_property(QStringLiteral("Volume"), 0.4);
    EXPECT_TRUE(wait_for([&] { return w.status_label->caption() == u"音量：40%"; }, 3000))
        << w.status_label->caption().toStdString();

    // Quit, from the application's interface: the position is stored and
    // the window goes.
    ASSERT_TRUE(wait_for([&] { return w.session().state().last_position >= 2; }, 5000));
    ASSERT_TRUE(mpris.press(QStringLiteral("Quit"), {}, kRoot));
    ASSERT_TRUE(wait_for([&] { return !w.isVisible(); }, 3000));
    EXPECT_GE(folder_.records(HistoryList::NetworkTasks).value(0).value(6).toInt(), 2);
}

} // namespace

#include "media_session_test.moc"

namespace {

// A session bus of the tests' own, with no services to start on demand (a
// desktop's real screen saver or playerctld must not answer here).
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        if (!dir_.isValid())
            return;
        const QString config = dir_.filePath(QStringLiteral("session.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig><type>session</type><listen>unix:path=%1</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                .arg(dir_.filePath(QStringLiteral("bus")))
                .toUtf8());
        file.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateSessionBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000))
            daemon_.kill();
    }
    const QString& address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kelvara::test::prepare_client_test_process();
    QApplication app(argc, argv);
    kelvara::set_up_application();
    PrivateSessionBus bus;
    bus_address = bus.address();
    // The client's own connection is the session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_address.toUtf8());
    return RUN_ALL_TESTS();
}
