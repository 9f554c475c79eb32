#include "fakes/fake_services.h"
#include "logic/settings/settings.h"
#include "logic/startup/startup.h"
#include "shared/gbk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

class Startup : public ::testing::Test {
protected:
    bool start() { return run_startup(dir.path(), base, qvod, dialogs, shell, machine); }
    QByteArray file(const char* name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    const QString base = QStringLiteral("http://127.0.0.1:9/soft/");
    QTemporaryDir dir;
    FakeQvod qvod;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeMachine machine;
};

} // namespace

TEST_F(Startup, FreshFolderGetsSettingsHistoriesPagesAndIcon) {
    ASSERT_TRUE(start());
    EXPECT_EQ(files(),
              (QStringList{"c.htm", "config.ini", "date.dat", "date_f.dat", "f.htm", "i.gif"}));
    EXPECT_EQ(file("date.dat"), "\r\n");
    EXPECT_EQ(file("date_f.dat"), "\r\n");
    EXPECT_TRUE(file("c.htm").contains(to_gbk(QStringLiteral("暂无观看记录"))));
    EXPECT_TRUE(file("f.htm").contains(to_gbk(QStringLiteral("暂无观看记录"))));
    EXPECT_TRUE(file("i.gif").startsWith("GIF89a"));
    EXPECT_EQ(ini_read(dir.filePath("config.ini"), "S_q", "h_h"), "8475");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Startup, ExistingFilesAreLeftAloneAndMissingPageIsRenderedAgain) {
    ASSERT_TRUE(start());
    QFile::remove(dir.filePath("f.htm"));
    {
        QFile c(dir.filePath("c.htm"));
        ASSERT_TRUE(c.open(QIODevice::WriteOnly));
        c.write("old page");
        QFile d(dir.filePath("date_f.dat"));
        ASSERT_TRUE(d.open(QIODevice::WriteOnly));
        d.write("film.mp4|/v/film.mp4|30\r\n");
    }
    ini_write(dir.filePath("config.ini"), "Ver", "Name", "2.0");
    const QByteArray before = file("config.ini");
    ASSERT_TRUE(start());
    EXPECT_EQ(file("c.htm"), "old page");
    EXPECT_TRUE(file("f.htm").contains("href=open://1>"));
    QByteArray expected = before;
    expected.replace("Name=2.0", "Name=2.1");
    EXPECT_EQ(file("config.ini"), expected);
}

TEST_F(Startup, MissingComponentIsSetUpFromTheInstalledCopyWithoutAsking) {
    qvod.available = false;
    ASSERT_TRUE(start());
    EXPECT_EQ(qvod.registrations, 1);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Startup, MissingComponentWithoutCopyAsksAndEnds) {
    qvod.available = false;
    qvod.installed = false;
    dialogs.answers = {MsgAnswer::No};
    EXPECT_FALSE(start());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("程序检测到您的电脑未安装快播(Qvod)播放器，是否要下载Qvod播放器？"));
    EXPECT_EQ(dialogs.boxes[0].title, QStringLiteral("提示："));
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Question);
    EXPECT_TRUE(shell.opened_urls.isEmpty());
    EXPECT_TRUE(files().isEmpty());

    dialogs.answers = {MsgAnswer::Yes};
    EXPECT_FALSE(start());
    // The content server's own page, which the demo server serves too.
    EXPECT_EQ(shell.opened_urls, QStringList{base + "update/qvod.html"});
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(Startup, SettingsWhoseLastLineEndsInABareCrAreRepairedAfterTheText) {
    ASSERT_TRUE(start());
    // Saved by an editor that ends lines with CR alone, the last keys lost.
    QByteArray text = file("config.ini");
    text.truncate(text.indexOf("s_h="));
    text.chop(2);
    text.append('\r');
    {
        QFile f(dir.filePath("config.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    ASSERT_TRUE(start());
    const QByteArray repaired = file("config.ini");
    EXPECT_TRUE(repaired.startsWith(text + '\n')) << repaired.constData();
    EXPECT_TRUE(repaired.endsWith("s_h=2\r\ns_bo=2\r\ns_jd=2\r\nqvodqi=2\r\ns_pao=2\r\n"))
        << repaired.constData();
    for (const char* key : {"s_h", "s_bo", "s_jd", "qvodqi", "s_pao"})
        EXPECT_EQ(ini_read(dir.filePath("config.ini"), "S_q", key), "2") << key;
    ASSERT_TRUE(start());
    EXPECT_EQ(file("config.ini"), repaired); // it does not grow at every start
}
