// The terminal's pure parts: the piece record, the settings file, names.

#include "part_file.h"
#include "piece_map.h"
#include "shared/gbk.h"
#include "terminal_options.h"
#include "terminal_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(PieceMap, CountsWholeAndLastPiecesAndRunsOnDisk) {
    PieceMap map(10 * 4096 + 100, 4096);
    EXPECT_EQ(map.count(), 11);
    EXPECT_EQ(map.length_of(10), 100);
    EXPECT_EQ(map.piece_at(4096 * 3 + 5), 3);
    map.set(0);
    map.set(1);
    map.set(1);
    map.set(3);
    map.set(10);
    EXPECT_EQ(map.have_bytes(), 3 * 4096 + 100);
    EXPECT_EQ(map.contiguous_from(100), 2 * 4096 - 100);
    EXPECT_EQ(map.contiguous_from(2 * 4096), 0);
    EXPECT_EQ(map.contiguous_from(10 * 4096 + 50), 50);
    EXPECT_FALSE(map.complete());
    for (int piece = 0; piece < map.count(); ++piece)
        map.set(piece);
    EXPECT_TRUE(map.complete());
    EXPECT_EQ(map.have_bytes(), 10 * 4096 + 100);
    // A bounded count still covers what the reader asked for.
    EXPECT_GE(map.contiguous_from(100, 5000), 5000);
    map.clear();
    EXPECT_EQ(map.have_bytes(), 0);
}

TEST(PieceMap, HexRoundTripRejectsWrongLengthsAndStrayBits) {
    PieceMap map(11 * 4096, 4096);
    map.set(0);
    map.set(9);
    const std::string hex = map.to_hex();
    EXPECT_EQ(hex, "0102");
    PieceMap copy(11 * 4096, 4096);
    ASSERT_TRUE(copy.from_hex(hex));
    EXPECT_TRUE(copy.has(0));
    EXPECT_TRUE(copy.has(9));
    EXPECT_FALSE(copy.has(1));
    EXPECT_EQ(copy.have_bytes(), 2 * 4096);
    EXPECT_FALSE(copy.from_hex("01"));
    EXPECT_FALSE(copy.from_hex("0108")); // piece 11 does not exist
    EXPECT_FALSE(copy.from_hex("01g2"));
}

TEST(PieceMap, PieceSizeGrowsForHugeFiles) {
    EXPECT_EQ(choose_piece_size(200LL << 20, 256 << 10), 256 << 10);
    const int64_t huge = 100LL << 30;
    const int64_t piece = choose_piece_size(huge, 256 << 10);
    EXPECT_LE((huge + piece - 1) / piece, 65536);
    EXPECT_EQ(choose_piece_size(1000, 1), 4096);
    EXPECT_EQ(choose_piece_size(int64_t(1) << 42, 256 << 10), 16 << 20) << "buffers stay bounded";
}

TEST(PieceMap, SmallFilesGetSmallerPieces) {
    // A short film is read while it downloads and shows its progress.
    EXPECT_EQ(choose_piece_size(117763, 256 << 10), 16 << 10);
    EXPECT_EQ(choose_piece_size(4LL << 20, 256 << 10), 128 << 10);
    EXPECT_EQ(choose_piece_size(8LL << 20, 256 << 10), 256 << 10);
    EXPECT_EQ(choose_piece_size(300 << 10, 16 << 10), 16 << 10) << "never below 16 KiB by halving";
    EXPECT_EQ(choose_piece_size(100, 4096), 4096) << "a smaller piece asked for stays";
}

TEST(PartRecord, RoundTripsAndRefusesDamagedRecords) {
    PartRecord record{std::string(40, 'b'), 5 * 4096, "片名 1.mp4", PieceMap(5 * 4096, 4096)};
    record.pieces.set(2);
    const std::string text = format_part_record(record);
    const auto read = parse_part_record(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sha1, record.sha1);
    EXPECT_EQ(read->name, record.name);
    EXPECT_FALSE(read->complete);
    EXPECT_EQ(read->pieces.piece_size(), 4096);
    EXPECT_TRUE(read->pieces.has(2));
    EXPECT_EQ(read->pieces.have_bytes(), 4096);

    EXPECT_FALSE(parse_part_record(text.substr(0, text.size() / 2)));
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return parse_part_record(changed);
    };
    EXPECT_FALSE(with("size=20480", "size=90000")) << "the bitmap no longer fits";
    EXPECT_FALSE(with("size=20480", "size=99999999999999999999"));
    EXPECT_FALSE(with("size=20480", "size=1099511627777")) << "over 1 TiB";
    EXPECT_FALSE(with("size=20480", "size=1099511627776")) << "2^28 pieces of 4 KiB";
    EXPECT_FALSE(with("name=片名 1.mp4", "name=../片名 1.mp4"));
    EXPECT_FALSE(with("sha1=bbbb", "sha1=BBBB"));
    EXPECT_FALSE(parse_part_record("something else\n" + text));

    record.complete = true;
    record.inode = 12;
    record.mtime_ns = 1700000000123456789;
    const auto finished = parse_part_record(format_part_record(record));
    ASSERT_TRUE(finished);
    EXPECT_TRUE(finished->complete);
    EXPECT_TRUE(finished->pieces.complete());
    EXPECT_EQ(finished->mtime_ns, record.mtime_ns);
}

TEST(FileNames, StayInsideTheDownloadFolder) {
    EXPECT_EQ(safe_file_name("电影.rmvb", "h"), "电影.rmvb");
    EXPECT_EQ(safe_file_name("../../etc/passwd", "h"), "_._.._etc_passwd");
    EXPECT_EQ(safe_file_name("a\\b\nc", "h"), "a_b_c");
    EXPECT_EQ(safe_file_name("..", "h"), "h");
    EXPECT_EQ(safe_file_name("", "h"), "h");
    EXPECT_EQ(safe_file_name(".bashrc", "h"), "_bashrc") << "hidden names are the terminal's";
    const std::string long_name = safe_file_name(std::string(300, 'x') + "长片名.mkv", "h");
    EXPECT_LE(long_name.size(), 200u);
    EXPECT_TRUE(long_name.ends_with(".mkv"));
    EXPECT_EQ(safe_file_name(std::string(198, 'x') + "长片名", "h").size(), 198u)
        << "cut before the character it would split";
    // A long run of UTF-8 continuation bytes (no UTF-8 at all) is cut, not
    // walked back through to an empty or hidden name.
    const std::string bytes = "'" + std::string(300, '\x9a');
    EXPECT_EQ(safe_file_name(bytes, "h").size(), 197u);
    EXPECT_EQ(safe_file_name(bytes + ".mp4", "h").front(), '\'');
    EXPECT_EQ(numbered_name("第01集.mp4", 1), "第01集.mp4");
    EXPECT_EQ(numbered_name("第01集.mp4", 2), "第01集 (2).mp4");
    EXPECT_EQ(numbered_name("noextension", 3), "noextension (3)");
    EXPECT_EQ(io_failure_reason(ENOSPC), "disk-full");
    EXPECT_EQ(io_failure_reason(EFBIG), "disk-full");
    EXPECT_EQ(io_failure_reason(EACCES), "unwritable");
}

TEST(TerminalSettings, ReadsTheSaveFolderAndSourcesOfTheGbkFile) {
    const QByteArray text =
        to_gbk(QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
                              "<Config Defaultsavepath=\"/data/影视/\"/>\r\n"
                              "<Source url=\"http://127.0.0.1:8080/soft/seed/\"/>\r\n"
                              "<Source url=\"ftp://example/\"/>\r\n"
                              "<Source url=\"https://mirror/a?x=1&amp;y=\"/>\r\n"
                              "<Config Defaultsavepath=\"/second/\"/>\r\n</QvodPlayer>\r\n"));
    const TerminalSettings settings = parse_settings(text, "/q");
    EXPECT_EQ(settings.save_folder, "/data/影视/");
    ASSERT_EQ(settings.sources.size(), 2u);
    EXPECT_EQ(settings.sources[0], "http://127.0.0.1:8080/soft/seed/");
    EXPECT_EQ(settings.sources[1], "https://mirror/a?x=1&y=");
}

TEST(TerminalSettings, ReadsBoundedSettings) {
    QTemporaryDir folder;
    QFile file(folder.filePath("QvodPlayer.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Config Defaultsavepath=\"/films/\"/>\r\n");
    for (int i = 0; i < 40; ++i)
        file.write("<Source url=\"http://127.0.0.1/s/\"/>\r\n");
    file.flush();
    const std::string path = folder.path().toStdString();
    EXPECT_EQ(read_settings(path).sources.size(), 16u);
    file.write(QByteArray(2 * 1024 * 1024, 'x'));
    file.close();
    EXPECT_TRUE(read_settings(path).sources.empty()) << "no settings file is that large";
}

TEST(TerminalSettings, FolderForms) {
    const auto folder_of = [](const char* value) {
        const QString line = QStringLiteral("<Config Defaultsavepath=\"%1\"/>").arg(value);
        return parse_settings(to_gbk(line), "/opt/k/Qvod").save_folder;
    };
    EXPECT_EQ(folder_of("/films"), "/films/");
    EXPECT_EQ(folder_of("Down\\Films\\"), "/opt/k/Qvod/Down/Films/");
    EXPECT_EQ(folder_of(""), (QDir::homePath() + "/Media/").toStdString());
    EXPECT_EQ(parse_settings("", "/q").save_folder, (QDir::homePath() + "/Media/").toStdString());
    EXPECT_TRUE(parse_settings("", "/q").sources.empty());
}

TEST(TerminalOptions, ParsesFlagsAndRefusesBadOnes) {
    std::string error;
    const char* good[] = {"t", "--folder", "/q", "--piece-kib", "64", "--stall-ms", "500"};
    const auto options = parse_options(7, const_cast<char**>(good), error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->folder, "/q");
    EXPECT_EQ(options->piece_bytes, 64 * 1024);
    EXPECT_EQ(options->stall_ms, 500);
    const char* bad[] = {"t", "--stall-ms", "-5"};
    EXPECT_FALSE(parse_options(3, const_cast<char**>(bad), error));
    const char* unknown[] = {"t", "--fast", "1"};
    EXPECT_FALSE(parse_options(3, const_cast<char**>(unknown), error));
    const char* none[] = {"t"};
    const auto defaults = parse_options(1, const_cast<char**>(none), error);
    ASSERT_TRUE(defaults);
    EXPECT_FALSE(defaults->folder.empty());
}

} // namespace
} // namespace kelvara
