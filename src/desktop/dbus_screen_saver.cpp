#include "desktop/dbus_screen_saver.h"

#include "desktop/player_log.h"
#include "desktop/session_bus.h"

#include <QCoreApplication>
#include <QDBusMessage>

namespace kelvara {

namespace {

constexpr int kReplyTimeoutMs = 1000;

QDBusMessage screen_saver_call(const char* method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QString::fromLatin1(method));
}

} // namespace

DBusScreenSaver::~DBusScreenSaver() {
    release();
}

void DBusScreenSaver::set_inhibited(bool inhibited, const QString& reason) {
    if (!inhibited) {
        release();
        asked_ = false;
    } else if (!cookie_ && !asked_) {
        asked_ = true;
        inhibit(reason);
    }
}

void DBusScreenSaver::inhibit(const QString& reason) {
    std::optional<QDBusConnection> bus = session_bus();
    if (!bus)
        return;
    QDBusMessage call = screen_saver_call("Inhibit");
    call << QCoreApplication::applicationName() << reason;
    const QDBusMessage reply = bus->call(call, QDBus::Block, kReplyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lc_player) << "the screen saver cannot be held off:" << reply.errorMessage();
        return;
    }
    cookie_ = reply.arguments().constFirst().toUInt();
    qCDebug(lc_player) << "screen saver held off, cookie" << *cookie_;
}

void DBusScreenSaver::release() {
    if (!cookie_)
        return;
    const uint cookie = *cookie_;
    cookie_.reset();
    std::optional<QDBusConnection> bus = session_bus();
    if (!bus)
        return;
    QDBusMessage call = screen_saver_call("UnInhibit");
    call << cookie;
    const QDBusMessage reply = bus->call(call, QDBus::Block, kReplyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qCInfo(lc_player) << "the screen saver's hold could not be released:"
                          << reply.errorMessage();
    else
        qCDebug(lc_player) << "screen saver released, cookie" << cookie;
}

} // namespace kelvara
