// The built client plays a clip given on its command line and, told to end,
// stores how far it got in the local list.

#include "shared/gbk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

#include "app/process_helpers.h"

namespace {

// The position field of the local-list record of `path`; empty when the
// list has no record of it.
QString stored_position(const QString& list, const QString& path) {
    const QString text = kelvara::from_gbk(kelvara::test::file_bytes(list));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const QStringList fields = line.split(u'|');
        if (fields.size() == 3 && fields.at(1) == path)
            return fields.at(2);
    }
    return {};
}

} // namespace

TEST(ClientPlayback, SigtermStoresThePositionOfTheClipOnTheCommandLine) {
    const QString source = QStringLiteral(KELVARA_TEST_CLIP);
    if (!QFile::exists(source))
        GTEST_SKIP() << "the player's test clip is not in this tree";
    QTemporaryDir home;
    QTemporaryDir media;
    const QString clip = media.filePath(QStringLiteral("长河 落日.mp4"));
    ASSERT_TRUE(QFile::copy(source, clip));

    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELVARA_HOME", home.path());
    env.insert("KELVARA_MPV_AO", "null");
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(KELVARA_BINARY), {clip});
    ASSERT_TRUE(client.waitForStarted(10000));

    // The command line is recorded with position 0 as it starts to play.
    const QString list = home.filePath(QStringLiteral("date_f.dat"));
    ASSERT_TRUE(
        kelvara::test::poll_until([&] { return stored_position(list, clip) == u"0"; }, 30000));
    QThread::msleep(3500);
    client.terminate();
    ASSERT_TRUE(client.waitForFinished(20000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);

    // The 6-second clip played for about 3 seconds; the poll notes the
    // position once a second.
    const int position = stored_position(list, clip).toInt();
    EXPECT_GE(position, 1);
    EXPECT_LE(position, 5);
}
