#include "logic/settings/profile_file.h"
#include "logic/settings/settings.h"
#include "shared/gbk.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;

namespace {

class ProfileFile : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("config.ini"); }
    void put(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString read(const QString& section, const QString& key, const QString& def = "0") {
        return ini_read(path(), section, key, def);
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProfileFile, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed) {
    put("[User]\r\n  NAME \t=  00-1A-2B  \r\n[s_q]\r\nts=2\r\n");
    EXPECT_EQ(read("user", "Name"), "00-1A-2B");
    EXPECT_EQ(read("S_q", "TS"), "2");
    EXPECT_EQ(read(" S_q ", "ts"), "0"); // the caller's name is not trimmed
}

TEST_F(ProfileFile, OnePairOfEqualQuotesIsRemoved) {
    put("[a]\r\nd=\"quoted\"\r\ns='single'\r\nm=\"mixed'\r\nin=a\"b\"c\r\ntwo=\"\"x\"\"\r\n");
    EXPECT_EQ(read("a", "d"), "quoted");
    EXPECT_EQ(read("a", "s"), "single");
    EXPECT_EQ(read("a", "m"), "\"mixed'");
    EXPECT_EQ(read("a", "in"), "a\"b\"c");
    EXPECT_EQ(read("a", "two"), "\"x\"");
}

TEST_F(ProfileFile, CommentsLinesBeforeSectionsAndTextAfterBracket) {
    put("ts=9\r\n[S_q] trailing text\r\n; ts=8\r\n  ;quit=1\r\nts=2 ; not a comment\r\n");
    EXPECT_EQ(read("S_q", "ts"), "2 ; not a comment");
    EXPECT_EQ(read("S_q", "quit"), "0");
}

TEST_F(ProfileFile, FirstSectionAndFirstKeyWin) {
    put("[S_q]\r\nts=1\r\nts=2\r\n[s_q]\r\nts=3\r\nquit=1\r\n");
    EXPECT_EQ(read("S_q", "ts"), "1");
    // A key only in the second section of that name is not found.
    EXPECT_EQ(read("S_q", "quit"), "0");
}

TEST_F(ProfileFile, MissingAndEmptyValues) {
    put("[S_q]\r\nempty=\r\nbare\r\n");
    EXPECT_EQ(read("S_q", "empty"), "");
    EXPECT_EQ(read("S_q", "bare"), "");
    EXPECT_EQ(read("S_q", "missing"), "0");
    EXPECT_EQ(read("S_q", "missing", ""), "");
    EXPECT_EQ(read("nosection", "x"), "0");
    EXPECT_EQ(ini_read(dir.filePath("nofile.ini"), "S_q", "ts"), "0");
}

TEST_F(ProfileFile, LongValuesAreCutTo254Bytes) {
    const QByteArray value(300, 'v');
    put("[a]\r\nk=" + value + "\r\n");
    EXPECT_EQ(read("a", "k"), QString(254, u'v'));
    // A double-byte character across the limit is dropped whole.
    put("[a]\r\nk=" + QByteArray(253, 'x') + to_gbk(QStringLiteral("中文")) + "\r\n");
    EXPECT_EQ(read("a", "k"), QString(253, u'x'));
    QByteArray buffer;
    EXPECT_EQ(get_private_profile_string("a", "k", "", buffer, 10, path()), 9);
}

TEST_F(ProfileFile, ValueStopsAtNulAndGarbageDoesNotBreakReading) {
    put(QByteArray("[a]\r\nk=ab\0cd\r\n\xff\xfe\r\n[b]\r\nj=1\r\n", 28));
    EXPECT_EQ(read("a", "k"), "ab");
    EXPECT_EQ(read("b", "j"), "1");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(static_cast<char>((i * 7919) & 0xff));
    put(garbage);
    EXPECT_EQ(read("S_q", "ts"), "0");
    EXPECT_TRUE(ini_write(path(), "S_q", "ts", "3"));
    EXPECT_EQ(read("S_q", "ts"), "3");
}

TEST_F(ProfileFile, WriteReplacesTheKeyLineInPlaceKeepingEverythingElse) {
    const QByteArray before = "; settings\r\n[S_q]\r\n  TS = 3 \r\nquit=2\r\n\r\n[Other]\nx=1\n";
    put(before);
    EXPECT_TRUE(ini_write(path(), "s_q", "ts", "1"));
    EXPECT_EQ(bytes(), "; settings\r\n[S_q]\r\nTS=1\r\nquit=2\r\n\r\n[Other]\nx=1\n");
}

TEST_F(ProfileFile, NewKeyGoesAfterTheLastKeyOfItsSection) {
    put("[S_q]\r\nts=3\r\n\r\n[Skin]\r\nNum=0\r\n");
    ini_write(path(), "S_q", "qvodw", "/opt/qvod/");
    EXPECT_EQ(bytes(), "[S_q]\r\nts=3\r\nqvodw=/opt/qvod/\r\n\r\n[Skin]\r\nNum=0\r\n");
    put("[Empty]\r\n[S_q]\r\nts=3");
    ini_write(path(), "empty", "k", "v");
    ini_write(path(), "S_q", "quit", "1");
    EXPECT_EQ(bytes(), "[Empty]\r\nk=v\r\n[S_q]\r\nts=3\r\nquit=1\r\n");
}

TEST_F(ProfileFile, NewSectionIsAppendedWithoutBlankLine) {
    ini_write(path(), "main", "Name", "Kelvara");
    ini_write(path(), "User", "Name", "00-1A");
    EXPECT_EQ(bytes(), "[main]\r\nName=Kelvara\r\n[User]\r\nName=00-1A\r\n");
    put("[a]\r\nk=1");
    ini_write(path(), "b", "j", "中");
    EXPECT_EQ(bytes(), "[a]\r\nk=1\r\n[b]\r\nj=" + to_gbk(QStringLiteral("中")) + "\r\n");
    EXPECT_EQ(read("b", "j"), QStringLiteral("中"));
}
