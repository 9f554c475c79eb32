#include "panes/main_path_fixture.h"

#include "logic/history/downloads.h"
#include "logic/history/history_render.h"
#include "logic/text/text_helpers.h"
#include "shared/qvod_terminal_api.h"
#include "window/settings_dialog/settings_dialog.h"
#include "window/tray/menus_and_help.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kTitle = js_escape(QStringLiteral("天龙八部"));
const QString kEpisode = js_escape(QStringLiteral("第3集"));

QString task(const QString& id, const QString& address, const QString& v, const QString& v1,
             const QString& pos) {
    return QStringList{id, kTitle, kEpisode, js_escape(address), v, v1, pos}.join('|');
}

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

// The QVOD terminal's record of a 9-byte download in `folder`, its film kept
// as `film`.
void write_download_record(const QString& folder, const QString& hash, const QString& film,
                           bool complete) {
    terminal_api::DownloadRecord r;
    r.sha1 = hash.toStdString();
    r.size = 9;
    r.piece = 16384;
    r.name = film.toStdString();
    r.complete = complete;
    r.have = "00";
    QFile f(folder + "." + hash + ".kvpart");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(terminal_api::format_download_record(r)));
}

// A left click as the user makes it.
void click(QWidget* widget) {
    const QPointF at(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class HistoryActions : public MainPath {
protected:
    void show_local_list() { w->frame_button_clicked(kLocalListTab); }
};

} // namespace

TEST_F(HistoryActions, DeleteIconInTheLocalPageRemovesThatLine) {
    put("date_f.dat", "a.mp4|/m/a.mp4|5\r\nb.mp4|/m/b.mp4|6\r\nc.mp4|/m/c.mp4|7\r\n"
                      "d.mp4|/m/d.mp4|8\r\n\r\n");
    show_local_list();
    pane("local_list_pane").click(QStringLiteral("delk://3"));
    EXPECT_EQ(text_of("date_f.dat"),
              "a.mp4|/m/a.mp4|5\r\nb.mp4|/m/b.mp4|6\r\nd.mp4|/m/d.mp4|8\r\n");
    EXPECT_FALSE(pane("network_list_pane").requested.contains("delk://3"));
    EXPECT_TRUE(pane("network_list_pane").loaded.isEmpty());
    EXPECT_FALSE(text_of("f.htm").contains("c.mp4"));
    EXPECT_EQ(pane("local_list_pane").loaded, QStringList{client.file("f.htm")});
    EXPECT_EQ(pane("local_list_pane").refreshes, 1);
}

TEST_F(HistoryActions, DeletingANetworkRowReloadsTheEpisodePaneOnlyWhileALocalFilePlays) {
    put("date.dat", task("1", "qvod://a|", "1", "1", "0") + "\r\n" +
                        task("2", "qvod://b|", "1", "1", "0") + "\r\n");
    w->session().state().source = PlaySource::NetworkTask;
    pane("network_list_pane").click(QStringLiteral("delk://1/"));
    EXPECT_EQ(text_of("date.dat"), task("2", "qvod://b|", "1", "1", "0") + "\r\n");
    EXPECT_EQ(pane("episode_pane").refreshes, 0);
    w->session().state().source = PlaySource::LocalFile;
    pane("network_list_pane").click(QStringLiteral("delk://1"));
    EXPECT_EQ(pane("episode_pane").refreshes, 1);
    EXPECT_EQ(text_of("c.htm").count("open://"), 0);
}

TEST_F(HistoryActions, MissingLocalFileIsReportedAndItsRowRemoved) {
    const QString gone = client.dir.filePath("gone.mkv");
    put("date_f.dat", "gone.mkv|" + gone + "|30\r\n\r\n");
    show_local_list();
    pane("local_list_pane").click(QStringLiteral("open://1"));
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, gone + QStringLiteral("不存在"));
    EXPECT_EQ(client.dialogs.boxes[0].title, "Kelvara");
    EXPECT_EQ(client.dialogs.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(text_of("date_f.dat"), "\r\n");
    EXPECT_EQ(player().count("setUrl"), 0);
    EXPECT_EQ(player().count("Play"), 0);
}

TEST_F(HistoryActions, LocalRowReplaysItsFileFromTheStoredPosition) {
    // A bar in a path is stored as %7C and read back before use.
    const QString path = client.dir.filePath("a|b 影片.mp4");
    touch(path);
    put("date_f.dat",
        js_escape("a|b 影片.mp4") + "|" + QString(path).replace("|", "%7C") + "|754\r\n\r\n");
    show_local_list();
    w->session().status_poll_timer().set_enabled(false);
    w->session().state().resumed = true;
    prepare_next_link(w->session().state(), QStringLiteral("eeqvod://qvod&&&x"));
    w->session().state().episode_key = QStringLiteral("1-1-1-x");

    pane("local_list_pane").click(QStringLiteral("open://1"));

    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + path, "Play"}));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("a|b 影片.mp4"));
    EXPECT_EQ(w->session().state().resume_position, 754);
    EXPECT_FALSE(w->session().state().resumed);
    EXPECT_EQ(w->session().state().episode_key, std::nullopt);
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().stored_as, path);
    EXPECT_EQ(w->session().state().source, PlaySource::LocalFile);
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);
    EXPECT_EQ(pane("episode_pane").loaded, QStringList{client.file("c.htm")});
    EXPECT_TRUE(client.dialogs.boxes.empty());
}

TEST_F(HistoryActions, NetworkRowReplaysFromItsPositionAndStartsTheTerminal) {
    const QString address = QStringLiteral("qvod://734003200|A1B2|天龙八部03.rmvb|");
    put("date.dat", task("9", "qvod://x|", "1", "1", "0") + "\r\n" +
                        task("77", address, "2", "3", "1200") + "\r\n\r\n");
    w->qvod_dir = QStringLiteral("/opt/q/");
    w->session().status_poll_timer().set_enabled(false);
    w->session().state().source = PlaySource::LocalFile;
    w->session().state().route = PlayRoute::WebPlayer;

    pane("network_list_pane").click(QStringLiteral("open://2"));

    EXPECT_EQ(client.events.passes, 1);
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(client.processes.starts[0].program, "/opt/q/QvodTerminal.exe");
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + address, "Play"}));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->session().state().resume_position, 1200);
    EXPECT_FALSE(w->session().state().resumed);
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("天龙八部-第3集"));
    const QString key = "77-2-3-" + kTitle;
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page(key, "0")});
    EXPECT_EQ(w->session().state().episode_key, key);
    EXPECT_EQ(w->session().state().stored_as, "77");
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);
    EXPECT_EQ(w->session().state().source, PlaySource::NetworkTask);
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
}

TEST_F(HistoryActions, WebPlayerRecordOpensItsEpisodePageAndPlaysNothing) {
    put("date.dat", task("55", "http://127.0.0.1:9/m/5.mp4", "2", "5", "300") + "\r\n\r\n");
    w->session().state().stored_as = QStringLiteral("12");
    pane("network_list_pane").click(QStringLiteral("open://1/"));
    EXPECT_TRUE(player().calls.isEmpty());
    EXPECT_EQ(w->session().state().route, PlayRoute::WebPlayer);
    EXPECT_EQ(w->session().state().stored_as, std::nullopt);
    EXPECT_EQ(w->session().state().source, PlaySource::NetworkTask);
    EXPECT_EQ(pane("episode_pane").requested, QStringList{page("55-2-5-" + kTitle, "25")});
    EXPECT_TRUE(client.processes.starts.empty());
}

TEST_F(HistoryActions, RowMenuOpensOnRowLinksOnly) {
    for (const QString& href :
         {QString(), QStringLiteral("http://127.0.0.1:9/soft/x.htm"), QStringLiteral("delk://1")}) {
        pane("network_list_pane").context_menu(QPoint(10, 10), href);
        pane("episode_pane").context_menu(QPoint(10, 10), href);
    }
    EXPECT_EQ(w->menus().last_popup(), nullptr);
    EXPECT_TRUE(w->sel_href.isEmpty());

    pane("episode_pane").context_menu(QPoint(30, 40), QStringLiteral("open://4"));
    EXPECT_EQ(w->sel_href, "open://4");
    EXPECT_EQ(w->menus().last_popup(), w->menus().task_row_menu);
    w->menus().task_row_menu->hide();
}

TEST_F(HistoryActions, RowMenuPlaysAndDeletesTheChosenRow) {
    const QString address = QStringLiteral("qvod://1|AA|b.rmvb|");
    put("date.dat", task("1", "qvod://a|", "1", "1", "0") + "\r\n" +
                        task("2", address, "1", "4", "60") + "\r\n\r\n");
    pane("network_list_pane").context_menu(QPoint(5, 5), QStringLiteral("open://2"));
    w->menus().task_row_menu->hide();
    w->menus().play_row_item->trigger();
    EXPECT_EQ(player().calls, (QStringList{"setUrl:" + address, "Play"}));
    EXPECT_EQ(w->session().state().resume_position, 60);

    w->menus().delete_row_item->trigger();
    EXPECT_FALSE(pane("network_list_pane").requested.contains("delk://2"));
    EXPECT_EQ(text_of("date.dat"), task("1", "qvod://a|", "1", "1", "0") + "\r\n");
}

// Deleting a task's downloads: the QVOD folder's settings name the download
// folder, a temporary one here.
class DeleteDownloads : public HistoryActions {
protected:
    void SetUp() override {
        HistoryActions::SetUp();
        qvod = client.dir.filePath("Qvod/");
        QDir().mkpath(qvod);
        downloads = QDir(client.dir.filePath("Media")).absolutePath() + "/";
        QDir().mkpath(downloads);
        w->qvod_dir = qvod;
        save_path(downloads);
        w->session().state().source = PlaySource::NetworkTask;
    }
    void save_path(const QString& folder) {
        client.write("Qvod/QvodPlayer.xml",
                     to_gbk("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
                            "<Config Defaultsavepath=\"" +
                            folder + "\"/>\r\n</QvodPlayer>\r\n"));
    }
    // Row 2 is a task whose QVOD file is `name`.
    void task_for(const QString& name) {
        put("date.dat",
            task("1", "qvod://a|", "1", "1", "0") + "\r\n" +
                task("2", "qvod://9|" + kHash.toUpper() + "|" + name + "|", "1", "1", "0") +
                "\r\n\r\n");
        w->sel_href = QStringLiteral("open://2");
    }
    // The terminal's record of that task's download, its film kept as `film`.
    void record(const QString& film, bool complete) {
        write_download_record(downloads, kHash, film, complete);
    }
    static QString record_name() { return "." + kHash + ".kvpart"; }
    static QString data_name() { return "." + kHash + ".kvtmp"; }
    void files(const QStringList& names) {
        for (const QString& n : names)
            touch(downloads + n);
    }
    QStringList left() const {
        return QDir(downloads).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }
    QString question(const QStringList& names) const {
        return "确定要删除 [" + downloads + "] 下面的这些文件吗？\r\n\r\n" + names.join("\r\n") +
               "\r\n";
    }
    QString row_one() const { return task("1", "qvod://a|", "1", "1", "0") + "\r\n"; }

    inline static const QString kHash = QStringLiteral("0123456789abcdef0123456789abcdef01234567");
    QString qvod, downloads;
};

TEST_F(DeleteDownloads, DeletesTheFilesOfTheDownloadsRecordAndNoneOfTheUsers) {
    // The user's own file had the name: the film was kept as "abcde (2)".
    task_for(QStringLiteral("abcde.rmvb"));
    record(QStringLiteral("abcde (2).rmvb"), true);
    files({"abcde.rmvb", "abcde (2).rmvb", "abcde.rmvb.!qd", "abcdx.rmvb", "other.txt"});
    w->delete_chosen_task_with_downloads();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, question({record_name(), "abcde (2).rmvb"}));
    EXPECT_EQ(client.dialogs.boxes[0].title, QStringLiteral("提示："));
    EXPECT_EQ(client.dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(left(), (QStringList{"abcde.rmvb", "abcde.rmvb.!qd", "abcdx.rmvb", "other.txt"}));
    EXPECT_EQ(text_of("date.dat"), row_one());
    expect_balloons({});
}

TEST_F(DeleteDownloads, AnUnfinishedDownloadLosesItsReservedFileAndRecord) {
    task_for(QStringLiteral("%u5929abcde.mp4")); // escaped inside the address: 天abcde
    record(QStringLiteral("天abcde.mp4"), false);
    files({data_name(), "天abcde.mp4", "天abXYZ.rmvb"});
    w->delete_chosen_task_with_downloads();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, question({record_name(), data_name()}));
    EXPECT_EQ(left(), (QStringList{"天abXYZ.rmvb", "天abcde.mp4"}));
}

TEST_F(DeleteDownloads, NoKeepsTheFilesOpensTheFolderAndStillRemovesTheRow) {
    task_for(QStringLiteral("abcde.rmvb"));
    record(QStringLiteral("abcde.rmvb"), true);
    files({"abcde.rmvb"});
    client.dialogs.answers.push_back(MsgAnswer::No);
    w->session().state().source = PlaySource::LocalFile;
    w->delete_chosen_task_with_downloads();
    EXPECT_EQ(left(), (QStringList{record_name(), "abcde.rmvb"}));
    EXPECT_EQ(client.shell.opened_folders, QStringList{downloads});
    EXPECT_EQ(text_of("date.dat"), row_one());
    EXPECT_EQ(pane("episode_pane").refreshes, 2); // by the row deletion and after it
}

TEST_F(DeleteDownloads, OnlyTheRowGoesWhenNoRecordNamesAFile) {
    // The user's file of the very name, but no record of the download; an
    // address without a file name; no QVOD settings.
    files({"abcde.rmvb"});
    task_for(QStringLiteral("abcde.rmvb"));
    w->delete_chosen_task_with_downloads();
    put("date.dat", task("1", "http://127.0.0.1/abcde.rmvb", "1", "1", "0") + "\r\n");
    w->sel_href = QStringLiteral("open://1");
    w->delete_chosen_task_with_downloads();
    record(QStringLiteral("abcde.rmvb"), true);
    QFile::remove(qvod + "QvodPlayer.xml");
    task_for(QStringLiteral("abcde.rmvb"));
    w->delete_chosen_task_with_downloads();
    EXPECT_TRUE(client.dialogs.boxes.empty());
    EXPECT_EQ(left(), (QStringList{record_name(), "abcde.rmvb"}));
    EXPECT_EQ(text_of("date.dat"), row_one());
    EXPECT_TRUE(client.shell.opened_folders.isEmpty());
}

TEST_F(DeleteDownloads, NothingIsDeletedFromAFolderThatIsNotAnAbsolutePath) {
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(client.dir.path());
    save_path(QStringLiteral("Media/"));
    task_for(QStringLiteral("abcde.rmvb"));
    record(QStringLiteral("abcde.rmvb"), true);
    files({"abcde.rmvb"});
    w->delete_chosen_task_with_downloads();
    EXPECT_TRUE(client.dialogs.boxes.empty());
    EXPECT_EQ(left(), (QStringList{record_name(), "abcde.rmvb"}));
    EXPECT_EQ(text_of("date.dat"), row_one());
    QDir::setCurrent(cwd);
}

TEST_F(DeleteDownloads, LinksAreNeitherListedNorFollowed) {
    const QString outside = client.dir.filePath("outside.rmvb");
    touch(outside);
    task_for(QStringLiteral("abcde.rmvb"));
    record(QStringLiteral("abcde.rmvb"), true);
    QFile::link(outside, downloads + data_name());
    files({"abcde.rmvb"});
    // While the question is open, the film is swapped for a link out of the
    // folder.
    client.dialogs.on_box = [&](const FakeDialogs::Box&) {
        QFile::remove(downloads + "abcde.rmvb");
        QFile::link(outside, downloads + "abcde.rmvb");
    };
    w->delete_chosen_task_with_downloads();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, question({record_name(), "abcde.rmvb"}));
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo(downloads + data_name()).isSymLink());
    EXPECT_TRUE(QFileInfo(downloads + "abcde.rmvb").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(downloads + record_name()));
    expect_balloons({QStringLiteral("部分文件可能正在使用中，未删除成功！请手动删除！")});
    EXPECT_EQ(text_of("date.dat"), row_one());
}

TEST_F(HistoryActions, ClearingTheLocalListAsksFirst) {
    put("date_f.dat", "a.mp4|/m/a.mp4|5\r\n\r\n");
    show_local_list();
    client.dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    w->clear_label_clicked();
    EXPECT_EQ(text_of("date_f.dat"), "a.mp4|/m/a.mp4|5\r\n\r\n");
    w->clear_label_clicked();
    ASSERT_EQ(client.dialogs.boxes.size(), 2u);
    EXPECT_EQ(client.dialogs.boxes[1].text, QStringLiteral("确定要删除全部[本地播放]列表吗？"));
    EXPECT_EQ(client.dialogs.boxes[1].title, QStringLiteral("提示："));
    EXPECT_EQ(text_of("date_f.dat"), "\r\n");
    EXPECT_TRUE(text_of("f.htm").contains(QStringLiteral("暂无观看记录")));
    EXPECT_EQ(w->qk->fore_color(), QColor(0x5A, 0x5A, 0x5A));
    EXPECT_EQ(w->menus().last_popup(), nullptr);
}

TEST_F(HistoryActions, TaskLabelOffersTheTaskMenuWhoseItemsClearOrOpen) {
    put("date.dat", task("1", "qvod://a|", "1", "1", "0") + "\r\n\r\n");
    click(w->qk);
    EXPECT_EQ(w->menus().last_popup(), w->menus().task_list_menu);
    w->menus().task_list_menu->hide();
    EXPECT_TRUE(client.dialogs.boxes.empty());

    w->session().state().source = PlaySource::LocalFile;
    w->menus().clear_task_list_item->trigger();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, QStringLiteral("确定要删除全部[网络任务]列表吗？"));
    EXPECT_EQ(text_of("date.dat"), "\r\n");
    EXPECT_EQ(text_of("c.htm").count("open://"), 0);
    EXPECT_EQ(pane("episode_pane").refreshes, 1);

    // Only while the network list is shown.
    show_local_list();
    w->clear_network_list();
    EXPECT_EQ(client.dialogs.boxes.size(), 1u);
}

TEST_F(HistoryActions, ManagingDownloadsOpensTheDownloadFolderWhenItHoldsFiles) {
    QTemporaryDir home;
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    w->qvod_dir = client.dir.filePath("NoQvod/");

    w->menus().manage_downloads_item->trigger(); // ~/Media/ does not exist
    EXPECT_TRUE(client.shell.opened_folders.isEmpty());
    QDir().mkpath(home.filePath("Media"));
    touch(home.filePath("Media/a.rmvb"));
    w->open_download_folder();
    EXPECT_EQ(client.shell.opened_folders, QStringList{home.path() + "/Media/"});

    const QString media = client.dir.filePath("Downloads/");
    QDir().mkpath(media);
    QDir().mkpath(client.dir.filePath("Q"));
    client.write("Q/QvodPlayer.xml", "<Config Defaultsavepath=\"" + media.toUtf8() + "\"/>\r\n");
    w->qvod_dir = client.dir.filePath("Q/");
    w->open_download_folder(); // empty folder
    EXPECT_EQ(client.shell.opened_folders.size(), 1);
    touch(media + "b.mp4");
    w->open_download_folder();
    EXPECT_EQ(client.shell.opened_folders.value(1), media);
    qputenv("HOME", old_home);
}

TEST_F(HistoryActions, PathsAndTitlesOfAnyCharactersComeBackFromTheLists) {
    // Characters GBK cannot hold, and a "%" that reads like an escape.
    const QString folder = client.dir.filePath(QStringLiteral("Fútbol 한국"));
    QDir().mkpath(folder);
    const QStringList paths = {folder + QStringLiteral("/Ñandú ß 한국어 😀.mp4"),
                               folder + QStringLiteral("/a%7Cb.mp4"),
                               client.dir.filePath(QStringLiteral("100% 长河.mkv"))};
    int position = 60;
    for (const QString& path : paths) {
        touch(path);
        client.dialogs.file_to_open = path;
        w->transport_button_clicked(kOpenFileButton); // the open-file button
        player().position = ++position;
        player().duration = 5400;
        client.clock.advance(1000);
        w->transport_button_clicked(kStopButton); // stop: the position goes into the list
    }
    // A record that needs no escape is written as it always was.
    EXPECT_TRUE(
        client.read("date_f.dat").startsWith(to_gbk("100% 长河.mkv|" + paths[2] + "|63\r\n")))
        << client.read("date_f.dat").constData();
    const QString page = text_of("f.htm");
    for (const QString& path : paths)
        EXPECT_TRUE(page.contains(html_escape(path_file_name(path)))) << path.toStdString();
    EXPECT_TRUE(client.read("f.htm").contains("&#128512;"));

    show_local_list();
    for (int row = 1; row <= 3; ++row) {
        forget();
        pane("local_list_pane").click(QStringLiteral("open://%1").arg(row));
        const QString path = paths.at(3 - row);
        EXPECT_TRUE(player().calls.contains("setUrl:" + path)) << path.toStdString();
        EXPECT_EQ(w->bo_name->caption(), fit_width(path_file_name(path), 30));
        EXPECT_EQ(w->session().state().resume_position, 64 - row);
        EXPECT_TRUE(client.dialogs.boxes.empty()) << path.toStdString();
    }

    // A network title as a page may send it, raw, with a "%" of its own.
    const QString title = QStringLiteral("Ñoño 한국 😀 100%");
    pane("catalogue_pane")
        .click(QStringLiteral("eeqvod://qvod&&&") + js_escape("qvod://9|AB|x.mp4|") + "&&&" +
               title + "&&&" + js_escape("第1集") + "&&&31&&&1&&&1");
    EXPECT_TRUE(text_of("c.htm").contains(html_escape(title)));
    EXPECT_TRUE(client.read("c.htm").contains("&#54620;"));
    w->frame_button_clicked(kNetworkTasksTab);
    forget();
    pane("network_list_pane").click(QStringLiteral("open://1"));
    EXPECT_EQ(w->bo_name->caption(), fit_width(title, 30) + "-第1集");
    EXPECT_TRUE(player().calls.contains("setUrl:qvod://9|AB|x.mp4|"));
}

TEST_F(HistoryActions, RecordsWrittenBeforeReadAsTheyAre) {
    // The old escapes %7C and %0A, and a "%25" that was a name's own text.
    const QString bar = client.dir.filePath("a|b.mp4");
    const QString literal = client.dir.filePath("50%25 off.mp4");
    touch(bar);
    touch(literal);
    put("date_f.dat", "a%7Cb.mp4|" + QString(bar).replace("|", "%7C") + "|30\r\n" +
                          "50%25 off.mp4|" + literal + "|40\r\n\r\n");
    show_local_list();
    pane("local_list_pane").click(QStringLiteral("open://1"));
    EXPECT_TRUE(player().calls.contains("setUrl:" + bar));
    EXPECT_EQ(w->session().state().resume_position, 30);
    forget();
    pane("local_list_pane").click(QStringLiteral("open://2"));
    EXPECT_TRUE(player().calls.contains("setUrl:" + literal));
    EXPECT_EQ(w->session().state().resume_position, 40);
    EXPECT_TRUE(client.dialogs.boxes.empty());
    // Its position is stored in that same record.
    player().position = 45;
    client.clock.advance(1000);
    w->transport_button_clicked(kStopButton);
    EXPECT_TRUE(text_of("date_f.dat").contains("50%25 off.mp4|" + literal + "|45\r\n"))
        << text_of("date_f.dat").toStdString();
}

TEST_F(HistoryActions, DefaultQvodFolderServesTheDialogTheTerminalAndTheDownloads) {
    // A fresh folder: no QVOD process ran, so `qvodw` names no folder.
    ASSERT_EQ(client.setting("S_q", "qvodw"), "0");
    const QString own = client.file("Qvod") + "/";
    const QString downloads = client.dir.filePath(QStringLiteral("下载 ñ%7C")) + "/";
    QDir().mkpath(downloads);

    w->open_settings(1);
    ASSERT_NE(w->settings_dialog, nullptr);
    client.dialogs.folder_to_choose = downloads.chopped(1);
    w->settings_dialog->Command1->click();
    w->settings_dialog->cmdOK->click();
    EXPECT_EQ(default_save_path(client.file("Qvod/QvodPlayer.xml")), downloads);

    const QString name = QStringLiteral("长河落日 ñ%.mp4");
    const QString hash = QStringLiteral("0123456789abcdef0123456789abcdef01234567");
    pane("catalogue_pane")
        .click(QStringLiteral("eeqvod://qvod&&&") +
               js_escape("qvod://9|" + hash + "|" + name + "|") + "&&&" + js_escape("长河落日") +
               "&&&" + js_escape("第1集") + "&&&31&&&1&&&1");
    for (const FakeProcesses::Start& start : client.processes.starts)
        EXPECT_EQ(start.program, own + "QvodTerminal.exe");
    EXPECT_EQ(client.processes.starts.size(), 2u); // after the dialog, and for the film

    // The terminal downloaded the film there and keeps its record beside it.
    write_download_record(downloads, hash, name, true);
    touch(downloads + name);
    touch(downloads + "其他.mp4");
    w->sel_href = QStringLiteral("open://1");
    w->menus().delete_row_with_downloads_item->trigger(); // 删除下载
    ASSERT_EQ(client.dialogs.boxes.size(), 2u); // the dialog's confirmation, then the question
    EXPECT_TRUE(client.dialogs.boxes[1].text.startsWith("确定要删除 [" + downloads + "]"));
    EXPECT_FALSE(QFile::exists(downloads + name));
    EXPECT_TRUE(QFile::exists(downloads + "其他.mp4"));

    w->menus().manage_downloads_item->trigger(); // 管理下载文件
    EXPECT_EQ(client.shell.opened_folders, QStringList{downloads});
}
