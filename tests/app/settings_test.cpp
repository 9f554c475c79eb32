#include "fakes/fake_services.h"
#include "logic/settings/profile_file.h"
#include "logic/settings/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::FakeMachine;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("config.ini"); }
    QByteArray bytes() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString read(const char* section, const char* key) { return ini_read(path(), section, key); }
    QTemporaryDir dir;
    FakeMachine machine;
};

} // namespace

TEST_F(SettingsFile, FirstRunWritesTheFifteenValuesInOrder) {
    create_settings(path(), machine);
    EXPECT_EQ(bytes(), "[main]\r\nName=Kelvara\r\n[User]\r\nName=00-1A-2B-3C-4D-5E\r\n"
                       "[Skin]\r\nNum=0\r\n[Ver]\r\nName=2.1\r\n[S_q]\r\nts=3\r\nquit=2\r\n"
                       "qvodk=2\r\ns_size=2\r\nh_w=13560\r\nh_h=8475\r\ns_h=2\r\ns_bo=2\r\n"
                       "s_jd=2\r\nqvodqi=2\r\ns_pao=2\r\n");
    const QByteArray created = bytes();
    repair_settings(path(), machine);
    EXPECT_EQ(bytes(), created);
}

TEST_F(SettingsFile, RepairRewritesMissingAndZeroValuesOnly) {
    create_settings(path(), machine);
    ini_write(path(), "S_q", "h_w", "0");
    ini_write(path(), "S_q", "ts", "2");
    ini_write(path(), "S_q", "quit", "abc");
    ini_write(path(), "S_q", "s_pao", "");
    ini_write(path(), "Ver", "Name", "2.0");
    ini_write(path(), "Skin", "Num", "7");
    ini_write(path(), "S_q", "qvodqi", "1");
    repair_settings(path(), machine);
    EXPECT_EQ(read("S_q", "h_w"), "13560");
    EXPECT_EQ(read("S_q", "ts"), "2");
    EXPECT_EQ(read("S_q", "quit"), "2");
    EXPECT_EQ(read("S_q", "s_pao"), "2");
    EXPECT_EQ(read("ver", "Name"), "2.1");
    EXPECT_EQ(read("Skin", "Num"), "7");
    EXPECT_EQ(read("S_q", "qvodqi"), "1");
    EXPECT_EQ(read("S_q", "s_jj"), "0");
}

TEST_F(SettingsFile, TsOtherThanOneOrTwoBecomesThree) {
    for (const char* ts : {"0", "5", "x", "3"}) {
        QFile::remove(path());
        ini_write(path(), "S_q", "ts", ts);
        repair_settings(path(), machine);
        EXPECT_EQ(read("S_q", "ts"), "3") << ts;
    }
    ini_write(path(), "S_q", "ts", "1");
    repair_settings(path(), machine);
    EXPECT_EQ(read("S_q", "ts"), "1");
}

TEST_F(SettingsFile, LostIdentityIsMadeAgain) {
    create_settings(path(), machine);
    ini_write(path(), "User", "Name", "0");
    machine.mac = "00:53:45:00:00:00"; // dial-up adapter: time-based identity
    repair_settings(path(), machine);
    EXPECT_EQ(read("user", "Name"), "2010109153025550");
    QFile::remove(path());
    ini_write(path(), "S_q", "ts", "3");
    machine.mac = "aa:bb:cc:dd:ee:ff";
    repair_settings(path(), machine);
    EXPECT_EQ(read("User", "Name"), "AA-BB-CC-DD-EE-FF");
}

TEST_F(SettingsFile, NumericReading) {
    EXPECT_EQ(ini_number(" 2 "), 2);
    EXPECT_EQ(ini_number("letters"), 0);
    EXPECT_EQ(ini_number(""), 0);
}

// The named accessors keep each key's own reading: the next episode plays on
// the text "2" only, the other options take any number 2.
TEST_F(SettingsFile, NamedValuesReadAndWriteTheirOwnKeys) {
    create_settings(path(), machine);
    const kelvara::Settings settings(path());
    EXPECT_TRUE(settings.close_asks());
    EXPECT_FALSE(settings.close_quits());
    EXPECT_TRUE(settings.plays_next_episode());
    EXPECT_EQ(settings.qvod_program_folder(), "0");

    ini_write(path(), "S_q", "s_bo", "02");
    ini_write(path(), "S_q", "s_h", "02");
    ini_write(path(), "S_q", "s_pao", " 2");
    EXPECT_FALSE(settings.plays_next_episode());
    EXPECT_TRUE(settings.buffers_next_episode());
    EXPECT_TRUE(settings.shows_balloons());

    settings.set_close_answered();
    settings.set_close_quits(true);
    settings.save_size(15000, 9000);
    settings.set_skin(1);
    settings.set_qvod_program_folder("/影片/Qvod 盘/");
    EXPECT_EQ(read("S_q", "ts"), "1");
    EXPECT_EQ(read("S_q", "quit"), "1");
    EXPECT_EQ(read("S_q", "h_w"), "15000");
    EXPECT_EQ(read("S_q", "h_h"), "9000");
    EXPECT_EQ(read("Skin", "Num"), "1");
    EXPECT_EQ(read("S_q", "qvodw"), "/影片/Qvod 盘/");
    EXPECT_TRUE(settings.close_quits());
    EXPECT_FALSE(settings.close_asks());
}
