#include "logic/settings/qvod_settings.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kelvara;

namespace {

const QString kSettings = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
                                         "<QvodPlayer>\r\n"
                                         "<Config Defaultsavepath=\"/srv/films/\"/>\r\n"
                                         "<Source url=\"http://127.0.0.1:8080/seed/\"/>\r\n"
                                         "</QvodPlayer>\r\n");

} // namespace

TEST(QvodSettings, ReadsTheFirstFolderWithItsEscapes) {
    EXPECT_EQ(qvod_save_path(kSettings), "/srv/films/");
    EXPECT_EQ(qvod_save_path("<Config Defaultsavepath=\"/a &amp; b/&#x7535;&#24433;/\"/>"),
              "/a & b/电影/");
    EXPECT_EQ(qvod_save_path("<Config Defaultsavepath=\"/one/\"/><X Defaultsavepath=\"/two/\"/>"),
              "/one/");
    EXPECT_EQ(qvod_save_path("<Config/>"), "");
    EXPECT_EQ(qvod_save_path("<Config Defaultsavepath=\"/unterminated"), "");
    EXPECT_EQ(qvod_save_path(""), "");
}

TEST(QvodSettings, ChangesOnlyTheFolderValues) {
    QString expected = kSettings;
    expected.replace("/srv/films/", "/data/新片/");
    EXPECT_EQ(with_qvod_save_path(kSettings, "/data/新片/"), expected);

    const QString twice = "<A Defaultsavepath=\"/x/\"/>\r\n<B Defaultsavepath=\"\"/>\r\n";
    EXPECT_EQ(with_qvod_save_path(twice, "/y/"),
              "<A Defaultsavepath=\"/y/\"/>\r\n<B Defaultsavepath=\"/y/\"/>\r\n");
}

TEST(QvodSettings, EscapesWhatWouldBreakTheAttribute) {
    const QString written = with_qvod_save_path(kSettings, "/a \"b\" & <c>/😀/");
    EXPECT_TRUE(written.contains("Defaultsavepath=\"/a &quot;b&quot; &amp; &lt;c&gt;/&#x1f600;/\""))
        << written.toStdString();
    EXPECT_EQ(qvod_save_path(written), "/a \"b\" & <c>/😀/");
    EXPECT_TRUE(
        written.endsWith("<Source url=\"http://127.0.0.1:8080/seed/\"/>\r\n</QvodPlayer>\r\n"));
}

TEST(QvodSettings, AFileWithoutTheFolderGetsIt) {
    EXPECT_EQ(with_qvod_save_path("<QvodPlayer>\r\n<Config/>\r\n</QvodPlayer>\r\n", "/m/"),
              "<QvodPlayer>\r\n<Config Defaultsavepath=\"/m/\"/>\r\n</QvodPlayer>\r\n");
    EXPECT_EQ(with_qvod_save_path("<Configuration/>\r\n<Config x=\"1\"/>", "/m/"),
              "<Configuration/>\r\n<Config Defaultsavepath=\"/m/\" x=\"1\"/>");
    const QString fresh = with_qvod_save_path("\r\n", "/m/");
    EXPECT_EQ(fresh, "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
                     "<Config Defaultsavepath=\"/m/\"/>\r\n</QvodPlayer>\r\n");
    EXPECT_EQ(qvod_save_path(fresh), "/m/");
    // Text that is not a settings file is left as it is.
    EXPECT_EQ(with_qvod_save_path("garbage\r\n", "/m/"), "garbage\r\n");
}

TEST(QvodSettings, DownloadFolderIsAbsoluteWithOneTrailingSlash) {
    const QString media = QDir::homePath() + "/Media/";
    EXPECT_EQ(download_folder("/data/films"), "/data/films/");
    EXPECT_EQ(download_folder("/data/films/"), "/data/films/");
    EXPECT_EQ(download_folder("/data/新\\films"), "/data/新/films/"); // as the terminal reads it
    EXPECT_EQ(download_folder("Films"), media);
    EXPECT_EQ(download_folder("D:\\Media\\"), media);
    EXPECT_EQ(download_folder("~/Films"), media);
    EXPECT_EQ(download_folder(" /data"), media);
    EXPECT_EQ(download_folder(""), media);
}

TEST(QvodSettings, OptionsAreOffOnlyForOne) {
    EXPECT_FALSE(option_checked("1"));
    EXPECT_FALSE(option_checked(" 1 "));
    for (const char* value : {"2", "0", "", "3", "x", "11"})
        EXPECT_TRUE(option_checked(value)) << value;
    EXPECT_EQ(option_value(true), "2");
    EXPECT_EQ(option_value(false), "1");
}

TEST(QvodSettings, SharingIsOnWithItsDefaultCapUntilTheFileSaysOtherwise) {
    EXPECT_EQ(qvod_sharing(kSettings), (QvodSharing{true, 256}));
    EXPECT_EQ(qvod_sharing("<Config Share=\"0\" Uploadrate=\"-5\"/>"), (QvodSharing{false, 256}));
    EXPECT_EQ(qvod_sharing("<Config Share=\"2\" Uploadrate=\"0\"/>"), (QvodSharing{true, 0}));

    // Written on the Config element; the folder and the sources stay.
    const QString off = with_qvod_sharing(kSettings, {false, 64});
    EXPECT_EQ(off, QString(kSettings).replace("<Config Defaultsavepath",
                                              "<Config Uploadrate=\"64\" Share=\"0\" "
                                              "Defaultsavepath"));
    EXPECT_EQ(qvod_sharing(off), (QvodSharing{false, 64}));
    EXPECT_EQ(qvod_save_path(off), "/srv/films/");
    EXPECT_EQ(qvod_sharing(with_qvod_sharing(off, {true, 1000})), (QvodSharing{true, 1000}));
    EXPECT_EQ(with_qvod_sharing("garbage\r\n", {false, 1}), "garbage\r\n");
}
