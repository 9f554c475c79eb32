#include "desktop/desktop_services.h"

#include <QApplication>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>

namespace kelvara {

namespace {

// A button under the pointer holds the mouse to see it leave; a dialog opened
// from its click must get the mouse instead.
void release_mouse_grab() {
    if (QWidget* holder = QWidget::mouseGrabber())
        holder->releaseMouse();
}

} // namespace

MsgAnswer QtDialogs::message_box(const QString& text, const QString& title, MsgButtons buttons,
                                 MsgIcon icon) {
    release_mouse_grab();
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::None:
        break;
    }
    // The client speaks Chinese, its buttons too.
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return MsgAnswer::Ok;
}

namespace {

// Names on Linux keep their case, and "*.mp4" would hide FILM.MP4: every
// letter of a pattern matches either case, in Qt's own dialog and in the
// desktop's alike.
QString any_case(const QString& pattern) {
    QString out;
    for (const QChar c : pattern) {
        if (c.toLower() != c.toUpper())
            out += u'[' + c.toLower() + c.toUpper() + u']';
        else
            out += c;
    }
    return out;
}

} // namespace

QString qt_file_filter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p == QLatin1String("*.*") ? QStringLiteral("*") : any_case(p);
        out.append(parts.at(i) + QLatin1String(" (") + patterns.join(u' ') + u')');
    }
    return out.join(QLatin1String(";;"));
}

QString QtDialogs::open_file(const QString& filter, const QString& title) {
    release_mouse_grab();
    // The filters show by their names alone; their patterns are long.
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(),
                                        qt_file_filter(filter), nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString QtDialogs::browse_folder(const QString& initial, const QString& title) {
    release_mouse_grab();
    QString folder = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), title.isEmpty() ? QStringLiteral("请选择文件夹") : title,
        initial);
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

bool DesktopShell::open_url(const QString& address) {
    if (!is_web_address(address))
        return false;
    return QDesktopServices::openUrl(QUrl(address.trimmed()));
}

bool DesktopShell::open_folder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString DesktopMachine::first_ip_adapter_mac() {
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        if (iface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return iface.hardwareAddress();
        }
    }
    return {};
}

QDateTime DesktopMachine::local_now() {
    return QDateTime::currentDateTime();
}

double DesktopMachine::random_fraction() {
    return QRandomGenerator::global()->generateDouble();
}

bool DesktopPower::power_off() {
    const QString command = qEnvironmentVariable("KELVARA_POWEROFF");
    if (!command.isEmpty())
        return QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    QDBusInterface login1(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
    if (login1.isValid()) {
        const QDBusReply<void> reply = login1.call(QStringLiteral("PowerOff"), false);
        if (reply.isValid())
            return true;
    }
    return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
}

} // namespace kelvara
