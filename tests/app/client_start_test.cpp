// Starts the built client on an empty application folder and checks what it
// made there.

#include "logic/history/history_render.h"
#include "logic/settings/settings.h"
#include "shared/gbk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "app/process_helpers.h"

TEST(ClientStart, EmptyFolderGetsItsFilesAndTheClientQuitsOnSigterm) {
    QTemporaryDir home;
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELVARA_HOME", home.path());
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(KELVARA_BINARY), {});
    ASSERT_TRUE(client.waitForStarted(10000));

    const QStringList expected{"c.htm", "config.ini", "date.dat", "date_f.dat", "f.htm", "i.gif"};
    ASSERT_TRUE(kelvara::test::poll_until(
        [&] {
            const QStringList files = QDir(home.path()).entryList(QDir::Files, QDir::Name);
            for (const QString& name : expected) {
                if (!files.contains(name))
                    return false;
            }
            return true;
        },
        30000));
    QThread::msleep(500);
    client.terminate();
    ASSERT_TRUE(client.waitForFinished(20000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);

    const QByteArray config = kelvara::test::file_bytes(home.filePath("config.ini"), "<missing>");
    const QRegularExpression layout(
        "^\\[main\\]\r\nName=Kelvara\r\n\\[User\\]\r\nName=([0-9A-F]{2}(-[0-9A-F]{2}){5}|[0-9]{13,"
        "17})\r\n"
        "\\[Skin\\]\r\nNum=0\r\n\\[Ver\\]\r\nName=2.1\r\n\\[S_q\\]\r\nts=3\r\nquit=2\r\nqvodk=2\r\n"
        "s_size=2\r\nh_w=13560\r\nh_h=8475\r\ns_h=2\r\ns_bo=2\r\ns_jd=2\r\nqvodqi=2\r\ns_pao="
        "2\r\n");
    EXPECT_TRUE(layout.match(QString::fromLatin1(config)).hasMatch()) << config.constData();
    EXPECT_EQ(kelvara::test::file_bytes(home.filePath("date.dat")), "\r\n");
    EXPECT_EQ(kelvara::test::file_bytes(home.filePath("date_f.dat")), "\r\n");
    const QByteArray empty_page = kelvara::to_gbk(kelvara::history_page({""}, false)) + "\r\n";
    EXPECT_EQ(kelvara::test::file_bytes(home.filePath("c.htm")), empty_page);
    EXPECT_EQ(kelvara::test::file_bytes(home.filePath("f.htm")), empty_page);
    EXPECT_TRUE(kelvara::test::file_bytes(home.filePath("i.gif")).startsWith("GIF89a"));
    EXPECT_TRUE(QFile::exists(home.filePath("Qvod/QvodPlayer.xml")));
}

namespace {

// The size of the client's main window on the X display, from xwininfo;
// empty while there is none.
QSize main_window_size() {
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {"-root", "-tree"});
    if (!info.waitForFinished(10000))
        return {};
    // `0x1c00007 "Kelvara": ("kelvara" "kelvara")  1600x1000+0+0  +0+0`
    const QRegularExpression line("\"Kelvara\": \\(\"kelvara\" [^)]*\\)\\s+(\\d+)x(\\d+)");
    const QRegularExpressionMatch m = line.match(QString::fromLocal8Bit(info.readAll()));
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
}

} // namespace

TEST(ClientStart, SavedSizeFarBeyondTheScreenOpensWithinTheScreen) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELVARA_HOME", home.path());
    const auto run = [&](QProcess& client) {
        client.setProcessEnvironment(env);
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(QStringLiteral(KELVARA_BINARY), {});
        return client.waitForStarted(10000);
    };
    // The first run writes the defaults, which keep the window's size.
    {
        QProcess client;
        ASSERT_TRUE(run(client));
        ASSERT_TRUE(kelvara::test::poll_until([&] { return main_window_size().isValid(); }, 30000));
        client.terminate();
        ASSERT_TRUE(client.waitForFinished(20000));
    }
    const QString ini = home.filePath("config.ini");
    ASSERT_EQ(kelvara::ini_read(ini, "S_q", "s_size"), "2");
    kelvara::ini_write(ini, "S_q", "h_w", "600000");
    kelvara::ini_write(ini, "S_q", "h_h", "600000");

    QProcess client;
    ASSERT_TRUE(run(client));
    ASSERT_TRUE(kelvara::test::poll_until([&] { return main_window_size().isValid(); }, 30000));
    QThread::msleep(3000); // the panes load, the window is laid out and painted
    ASSERT_EQ(client.state(), QProcess::Running);
    const QSize shown = main_window_size();
    const QSize screen = [] {
        QProcess info;
        info.start(QStringLiteral("xwininfo"), {"-root"});
        info.waitForFinished(10000);
        const QString text = QString::fromLocal8Bit(info.readAll());
        const auto number = [&](const char* label) {
            return QRegularExpression(QString::fromLatin1(label) + "\\s*(\\d+)")
                .match(text)
                .captured(1)
                .toInt();
        };
        return QSize(number("Width:"), number("Height:"));
    }();
    EXPECT_GT(shown.width(), 0);
    EXPECT_LE(shown.width(), screen.width());
    EXPECT_LE(shown.height(), screen.height());
    client.terminate();
    ASSERT_TRUE(client.waitForFinished(20000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
}
