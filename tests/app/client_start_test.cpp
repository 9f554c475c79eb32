// Starts the built client on an empty application folder and checks what it
// made there.

#include "common/gbk.h"
#include "history/history_render.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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
