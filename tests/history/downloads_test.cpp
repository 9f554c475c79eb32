#include "logic/history/downloads.h"
#include "logic/settings/qvod_settings.h"
#include "shared/gbk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;

TEST(Downloads, SavePathIsReadFromTheFirstLineThatHoldsIt) {
    QTemporaryDir dir;
    const QString xml = dir.filePath("QvodPlayer.xml");
    EXPECT_EQ(default_save_path(xml), QString()); // no file
    QFile f(xml);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(to_gbk("<QvodPlayer>\r\n<Net Port=\"80\"/>\r\n"
                   "<Config Lang=\"2052\" Defaultsavepath=\"/home/u/影视/\" Max=\"3\"/>\r\n"
                   "<Config Defaultsavepath=\"/second/\"/>\r\n</QvodPlayer>\r\n"));
    f.close();
    EXPECT_EQ(default_save_path(xml), QStringLiteral("/home/u/影视/"));

    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("<Config Defaultsavepath=/unquoted/ />\r\n");
    f.close();
    EXPECT_EQ(default_save_path(xml), QString());
}

TEST(Downloads, SavePathReadsTheFolderAsTheSettingsDialogWroteIt) {
    QTemporaryDir dir;
    const QString xml = dir.filePath("QvodPlayer.xml");
    for (const QString& folder : {QStringLiteral("/home/u/Films & \"TV\" <new>/"),
                                  QStringLiteral("/home/u/\U0001F3AC 影视/")}) {
        QFile f(xml);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(to_gbk(with_qvod_save_path(QString(), folder)));
        f.close();
        EXPECT_EQ(default_save_path(xml), folder);
    }
}

TEST(Downloads, OnlyRegularFilesDirectlyInsideAnAbsoluteFolderAreDeleted) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    QDir().mkpath(folder + "sub");
    for (const char* name : {"a.rmvb", "sub/a.rmvb", "outside.rmvb"}) {
        QFile f(folder + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::link(folder + "outside.rmvb", folder + "link.rmvb");

    const QStringList left =
        delete_downloads(folder, {"a.rmvb", "sub", "link.rmvb", "../x", "missing.rmvb"});
    EXPECT_EQ(left, (QStringList{"sub", "link.rmvb"}));
    EXPECT_FALSE(QFile::exists(folder + "a.rmvb"));
    EXPECT_TRUE(QFile::exists(folder + "sub/a.rmvb"));
    EXPECT_TRUE(QFile::exists(folder + "outside.rmvb"));

    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile f(folder + "b.rmvb");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(delete_downloads(QStringLiteral("."), {"b.rmvb"}), QStringList{"b.rmvb"});
    EXPECT_TRUE(QFile::exists(folder + "b.rmvb"));
    QDir::setCurrent(cwd);
}
