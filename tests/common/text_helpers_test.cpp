#include "logic/text/format_time.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "shared/gbk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;

TEST(FormatTime, PadsMinutesAndSecondsAndAddsHoursFromOneHour) {
    EXPECT_EQ(format_time(0), "00:00");
    EXPECT_EQ(format_time(59), "00:59");
    EXPECT_EQ(format_time(65), "01:05");
    EXPECT_EQ(format_time(600), "10:00");
    EXPECT_EQ(format_time(3599), "59:59");
    EXPECT_EQ(format_time(3600), "1:00:00");
    EXPECT_EQ(format_time(3725), "1:02:05");
    EXPECT_EQ(format_time(5400), "1:30:00");
    EXPECT_EQ(format_time(36000 + 61), "10:01:01");
}

TEST(PathHelpers, FileNameAfterLastSlashOfEitherKind) {
    EXPECT_EQ(path_file_name("/home/u/Videos/film.mp4"), "film.mp4");
    EXPECT_EQ(path_file_name("C:\\Media\\电影.rmvb"), "电影.rmvb");
    EXPECT_EQ(path_file_name("/a\\b/c"), "c");
    EXPECT_EQ(path_file_name("http:"), "");
    EXPECT_EQ(path_file_name("film.mp4"), "");
    EXPECT_EQ(path_file_name("/folder/"), "");
}

TEST(PathHelpers, StripExtensionCutsAtTheLastDot) {
    EXPECT_EQ(strip_extension("a.b.mp4"), "a.b");
    EXPECT_EQ(strip_extension(".hidden"), "");
    EXPECT_EQ(strip_extension("noext"), "");
}

TEST(FitWidth, KeepsShortTextsWhole) {
    EXPECT_EQ(fit_width("abcdefghi", 18), "abcdefghi");
    // Nine double-byte characters are 18 bytes: exactly whole.
    EXPECT_EQ(fit_width(QStringLiteral("一二三四五六七八九"), 18),
              QStringLiteral("一二三四五六七八九"));
}

TEST(FitWidth, CountsDoubleByteCharactersTwice) {
    // Twelve Chinese characters are 24 bytes: nine fit in 18.
    EXPECT_EQ(fit_width(QStringLiteral("一二三四五六七八九十甲乙"), 18),
              QStringLiteral("一二三四五六七八九"));
    EXPECT_EQ(fit_width(QStringLiteral("abcdefghij一二三四五"), 18),
              QStringLiteral("abcdefghij一二三四"));
    // A double-byte character that would cross the boundary is left out
    // rather than cut.
    EXPECT_EQ(fit_width(QStringLiteral("abcdefghijklmnopq一二"), 18),
              QStringLiteral("abcdefghijklmnopq"));
    EXPECT_EQ(fit_width(QString(40, u'x'), 30), QString(30, u'x'));
}

TEST(FitWidth, NeverSplitsASurrogatePair) {
    const QString text = QString(17, u'a') + QStringLiteral("😀") + QString(5, u'b');
    const QString fitted = fit_width(text, 18);
    EXPECT_FALSE(fitted.back().isHighSurrogate());
    EXPECT_TRUE(text.startsWith(fitted));
}

TEST(TextBetween, ModesAndMissingMarkers) {
    const QString line = QStringLiteral("<Config Defaultsavepath=\"/home/u/Media/\" x=\"1\"/>");
    EXPECT_EQ(text_between(line, "Defaultsavepath=\"", "\"", 2), "/home/u/Media/");
    EXPECT_EQ(text_between(line, "Defaultsavepath=\"", "\"", 1),
              "Defaultsavepath=\"/home/u/Media/\"");
    EXPECT_EQ(text_between(line, "missing", "\"", 2), "");
    EXPECT_EQ(text_between(line, "x=", "#", 2), "");
    EXPECT_EQ(text_between(line, "Defaultsavepath=\"", "\"", 3), "");
    EXPECT_EQ(text_between("", "a", "b", 2), "");
}

TEST(ToNumber, DecimalWithBlanksElseZero) {
    EXPECT_EQ(to_number("13560"), 13560);
    EXPECT_EQ(to_number("  2 \t"), 2);
    EXPECT_EQ(to_number("0123"), 123);
    EXPECT_EQ(to_number("abc"), 0);
    EXPECT_EQ(to_number(""), 0);
    EXPECT_EQ(to_number("12abc"), 0);
    EXPECT_EQ(to_number("-5"), -5);
}

TEST(ListFiles, RegularFilesMatchingThePatternOnly) {
    QTemporaryDir dir;
    for (const char* name : {"b.mp4", "a.rmvb", "c.txt"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("sub.mp4");
    QFile::link(dir.filePath("b.mp4"), dir.filePath("link.mp4"));
    QStringList names{"stale"};
    EXPECT_TRUE(list_files(dir.path(), "*.*", names));
    EXPECT_EQ(names, (QStringList{"a.rmvb", "b.mp4", "c.txt"}));
    EXPECT_TRUE(list_files(dir.path() + "/", "*.mp4", names));
    EXPECT_EQ(names, QStringList{"b.mp4"});
    EXPECT_FALSE(list_files(dir.path(), "*.avi", names));
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(list_files(dir.filePath("missing"), "*.*", names));
}

TEST(Gbk, RoundTripAndWidths) {
    const QString text = QStringLiteral("第1集 流浪地球 ABC");
    const QByteArray bytes = to_gbk(text);
    EXPECT_EQ(bytes.size(), 2 * 6 + 1 + 2 + 3); // six Chinese characters
    EXPECT_EQ(from_gbk(bytes), text);
    EXPECT_EQ(to_gbk(QStringLiteral("😀")), "?");
    EXPECT_EQ(gbk_width(QStringLiteral("a中"), 0), 1);
    EXPECT_EQ(gbk_width(QStringLiteral("a中"), 1), 2);
}

TEST(Gbk, InvalidBytesAndNulsDecodeWithoutLoss) {
    const QByteArray bytes("ok\xff\x81\0end", 8);
    const QString text = from_gbk(bytes);
    EXPECT_TRUE(text.startsWith("ok"));
    EXPECT_TRUE(text.endsWith(QString::fromLatin1("\0end", 4)));
    EXPECT_TRUE(text.contains(QChar(0xFFFD)));
    // A cut-off double-byte character at the end.
    EXPECT_EQ(from_gbk(QByteArray("a\xd6")), QString("a") + QChar(0xFFFD));
}

TEST(TextFiles, LinesSplitAtEveryKindOfLineEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    ASSERT_TRUE(write_bytes_atomically(path, "a\r\nb\nc\rd"));
    EXPECT_EQ(*read_lines(path), (QStringList{"a", "b", "c", "d"}));
    ASSERT_TRUE(write_bytes_atomically(path, "\r\n"));
    EXPECT_EQ(*read_lines(path), QStringList{""});
    ASSERT_TRUE(write_bytes_atomically(path, "x\r\n\r\n"));
    EXPECT_EQ(*read_lines(path), (QStringList{"x", ""}));
    ASSERT_TRUE(write_bytes_atomically(path, ""));
    EXPECT_TRUE(read_lines(path)->isEmpty());
    EXPECT_FALSE(read_lines(dir.filePath("missing")).has_value());
}

TEST(TextFiles, AtomicWriteLeavesNoTemporaryFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    ASSERT_TRUE(write_text_atomically(path, QStringLiteral("第一\r\n")));
    ASSERT_TRUE(write_text_atomically(path, QStringLiteral("第二\r\n")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.ini"});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), to_gbk(QStringLiteral("第二\r\n")));
    // A folder that cannot be written reports the failure.
    EXPECT_FALSE(write_text_atomically(dir.filePath("no/such/folder/x"), "x"));
}
