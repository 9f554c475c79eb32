#include "history/history_fixture.h"
#include "shared/gbk.h"

#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::HistoryFolder;

namespace {

class HistoryFiles : public HistoryFolder {
protected:
    static QByteArray task(int id, int position = 0) {
        return QByteArray::number(id) + "|t" + QByteArray::number(id) + "|e|qvod%3A//x|1|" +
               QByteArray::number(id % 7) + "|" + QByteArray::number(position);
    }
};

} // namespace

TEST_F(HistoryFiles, FirstAddToAnEmptyListLeavesAnEmptyLineAfterTheRecord) {
    put("date.dat", "\r\n");
    history.history_add_task(123, "%u6D41", "%u7B2C1", "qvod%3A//1%7CAB%7Cx.mp4%7C", 1, 5, 0);
    EXPECT_EQ(get("date.dat"), "123|%u6D41|%u7B2C1|qvod%3A//1%7CAB%7Cx.mp4%7C|1|5|0\r\n\r\n");
    EXPECT_EQ(web3.requested, QStringList{dir.filePath("c.htm")});
    EXPECT_TRUE(web4.requested.isEmpty());
}

TEST_F(HistoryFiles, RepeatedFilmMovesToTheTopWithPositionZero) {
    put("date.dat", task(7, 300) + "\r\n0123|old|e|a|1|5|1200\r\n" + task(9, 40) + "\r\n\r\n");
    history.history_add_task(123, "new", "e2", "a2", 1, 6, 0);
    EXPECT_EQ(get("date.dat"),
              "123|new|e2|a2|1|6|0\r\n" + task(7, 300) + "\r\n" + task(9, 40) + "\r\n");
}

TEST_F(HistoryFiles, OnlyTheFirstHundredLinesAreKept) {
    QByteArray many;
    for (int i = 1; i <= 150; ++i)
        many += task(i) + "\r\n";
    put("date.dat", many);
    history.history_add_task(500, "t", "e", "a", 1, 1, 0);
    QList<QByteArray> lines = get("date.dat").split('\n');
    EXPECT_EQ(lines.size(), 102); // 101 records and the split after the last line end
    EXPECT_EQ(lines[100], task(100) + "\r");

    put("date.dat", many);
    history.history_add_task(50, "t", "e", "a", 1, 1, 0);
    lines = get("date.dat").split('\n');
    EXPECT_EQ(lines.size(), 101); // the old record of 50 was among the first 100
    EXPECT_FALSE(get("date.dat").contains("\r\n\r\n"));
}

TEST_F(HistoryFiles, LocalRecordsMatchPathsExactly) {
    put("date_f.dat", "\r\n");
    history.history_add_local("Film.mp4", "/v/Film.mp4", 0);
    history.history_add_local("film.mp4", "/v/film.mp4", 0);
    history.history_add_local("Film.mp4", "/v/Film.mp4", 0);
    EXPECT_EQ(get("date_f.dat"), "Film.mp4|/v/Film.mp4|0\r\nfilm.mp4|/v/film.mp4|0\r\n");
    EXPECT_EQ(web4.requested.size(), 3);
    EXPECT_TRUE(web3.requested.isEmpty());
}

TEST_F(HistoryFiles, PositionsAreSetInPlaceAndNonRecordsDropped) {
    put("date.dat", "\r\n" + task(7) + "\r\n7|short|record\r\n" + task(9) + "\r\n\r\n");
    history.history_set_task_pos(7, 1200);
    EXPECT_EQ(get("date.dat"), task(7, 1200) + "\r\n7|short|record\r\n" + task(9) + "\r\n");
    EXPECT_TRUE(web3.requested.isEmpty()); // no render for a position

    put("date.dat", "\r\n" + task(7) + "\r\n");
    history.history_set_task_pos(8, 5);
    EXPECT_EQ(get("date.dat"), task(7) + "\r\n");

    // A record keeps its fields as written; extra fields go with the update.
    put("date.dat", "0123|%u6D41|e|a|01|5|7|extra\r\n");
    history.history_set_task_pos(123, 60);
    EXPECT_EQ(get("date.dat"), "0123|%u6D41|e|a|01|5|60\r\n");

    put("date_f.dat", "a|/x/A.mp4|0\r\nb|/x/a.mp4|0\r\n");
    history.history_set_local_pos("/x/a.mp4", 61);
    EXPECT_EQ(get("date_f.dat"), "a|/x/A.mp4|0\r\nb|/x/a.mp4|61\r\n");
}

TEST_F(HistoryFiles, DeleteLineCountsEveryLineAndDropsATrailingEmptyLine) {
    put("date.dat", task(1) + "\r\n" + task(2) + "\r\n\r\n");
    history.history_delete_line(HistoryList::NetworkTasks, 1);
    EXPECT_EQ(get("date.dat"), task(2) + "\r\n");

    put("date.dat", "\r\n" + task(1) + "\r\n" + task(2) + "\r\n");
    history.history_delete_line(HistoryList::NetworkTasks, 2);
    EXPECT_EQ(get("date.dat"), "\r\n" + task(2) + "\r\n");

    put("date_f.dat", "a|/a|0\r\n\r\n");
    history.history_delete_line(HistoryList::LocalFiles, 9);
    EXPECT_EQ(get("date_f.dat"), "a|/a|0\r\n");
    EXPECT_EQ(web4.requested.size(), 1);
}

TEST_F(HistoryFiles, MissingFilesAreLeftMissing) {
    history.history_add_task(1, "t", "e", "a", 1, 1, 0);
    history.history_set_local_pos("/a", 3);
    history.history_delete_line(HistoryList::NetworkTasks, 1);
    EXPECT_EQ(get("date.dat"), "<missing>");
    EXPECT_EQ(get("date_f.dat"), "<missing>");
    EXPECT_EQ(get("c.htm"), "<missing>");
    EXPECT_TRUE(web3.requested.isEmpty());
}

TEST_F(HistoryFiles, FieldsCannotBreakTheLineFormat) {
    put("date_f.dat", "\r\n");
    const QString path = "/v/a|b\nc.mp4";
    history.history_add_local("a|b\nc.mp4", path, 0);
    EXPECT_EQ(get("date_f.dat"), "a%7Cb%0Ac.mp4|/v/a%7Cb%0Ac.mp4|0\r\n\r\n");
    history.history_set_local_pos(path, 42);
    EXPECT_EQ(get("date_f.dat"), "a%7Cb%0Ac.mp4|/v/a%7Cb%0Ac.mp4|42\r\n");
    EXPECT_EQ(history_field_text("/v/a%7Cb%0Ac.mp4"), path);
    EXPECT_TRUE(get("f.htm").contains("a|b"));
}

TEST_F(HistoryFiles, LongLinesAndBadBytesAreReadAsTheyCome) {
    put("date.dat", QByteArray(70000, 'x') + "|\xff\xfe|e|a|1|1|0\r\n" + task(3) + "\r\n");
    history.history_add_task(4, "t", "e", "a", 1, 1, 0);
    const QByteArray after = get("date.dat");
    EXPECT_TRUE(after.startsWith("4|t|e|a|1|1|0\r\n"));
    EXPECT_TRUE(after.contains(task(3)));
    EXPECT_GT(after.size(), 70000);
}
