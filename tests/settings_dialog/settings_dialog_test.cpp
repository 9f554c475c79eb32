// The settings dialog on the simulated platform, opened from the tray menu.

#include "fakes/simulated_client.h"
#include "shared/gbk.h"
#include "window/main_window.h"
#include "window/settings_dialog/settings_dialog.h"
#include "window/tray/menus_and_help.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QByteArray kXml = "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
                        "<QvodPlayer>\r\n"
                        "<Config Defaultsavepath=\"/srv/films/\"/>\r\n"
                        "<Source url=\"http://127.0.0.1:8080/seed/\"/>\r\n"
                        "</QvodPlayer>\r\n";

void click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        w = &client.start();
        qvod = client.file("qvod player") + "/";
        QDir().mkpath(qvod);
        client.set_setting("S_q", "qvodw", qvod);
        client.processes.startable << qvod + "QvodTerminal.exe";
    }
    void TearDown() override {
        if (w->settings_dialog)
            w->settings_dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void write_xml(const QByteArray& bytes) {
        QFile f(qvod + "QvodPlayer.xml");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray xml() const {
        QFile f(qvod + "QvodPlayer.xml");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Removes a key of config.ini altogether.
    void drop_setting(const QByteArray& line) {
        QByteArray config = client.read("config.ini");
        config.replace(line + "\r\n", "");
        client.write("config.ini", config);
    }
    SettingsDialog& open_settings() {
        w->open_settings(1);
        EXPECT_NE(w->settings_dialog, nullptr);
        return *w->settings_dialog;
    }
    int boxes_with(const QString& text) const {
        int n = 0;
        for (const FakeDialogs::Box& b : client.dialogs.boxes)
            n += b.text == text;
        return n;
    }

    SimulatedClient client;
    MainWindow* w = nullptr;
    QString qvod;
    const QString done = QStringLiteral("接受路径修改成功，可能部分电脑需要重启才能生效！");
};

} // namespace

TEST_F(SettingsDialogTest, OpensOnItsPagesAboveTheMainWindow) {
    w->setWindowIcon(QIcon(QPixmap(16, 16)));
    w->hide();
    w->menus().about_item->trigger(); // "关于我们" from the tray menu
    ASSERT_NE(w->settings_dialog, nullptr);
    SettingsDialog& d = *w->settings_dialog;
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.isModal());
    EXPECT_EQ(d.parentWidget(), w);
    EXPECT_EQ(d.windowTitle(), "软件设置");
    EXPECT_EQ(d.windowIcon().cacheKey(), w->windowIcon().cacheKey());
    EXPECT_EQ(d.page(), 0);
    EXPECT_TRUE(d.p1[0]->isVisible());
    EXPECT_EQ(d.bb->caption(), "关于软件");
    const QStringList about{"Kelvara",
                            "版本 3.0    发布日期 2010.10.1",
                            "Kelvara是一款以快播QVOD为核心",
                            "的播放软件。",
                            "软件以搜索引擎的方式整合了互联网上的",
                            "QVOD媒体资源。为用户提供方便快捷的浏",
                            "览体验。"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(d.about_labels[i]->caption(), about[i]);

    // Opened again: the same dialog, on the options page.
    w->menus().settings_item->trigger();
    EXPECT_EQ(w->settings_dialog, &d);
    EXPECT_EQ(d.page(), 1);
    EXPECT_EQ(d.bb->caption(), "软件设置");
    EXPECT_EQ(d.d_z[0]->caption(), "关于软件\r\n"); // loaded once: CR LF added once
}

TEST_F(SettingsDialogTest, TrayMenuItemsOpenItOnTheirPages) {
    w->hide();
    w->menus().about_item->trigger();
    ASSERT_NE(w->settings_dialog, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->settings_dialog->isVisible());
    EXPECT_EQ(w->settings_dialog->page(), 0);
    w->menus().settings_item->trigger();
    EXPECT_EQ(w->settings_dialog->page(), 1);
}

TEST_F(SettingsDialogTest, TheMenuButtonGivesUpTheMouseToTheDialog) {
    // The menu button holds the mouse while hovered; the dialog opened from
    // its menu must get the next click.
    w->frame_button_mouse_move(kMainMenuButton, Qt::NoButton, 2, 2);
    ASSERT_EQ(QWidget::mouseGrabber(), w->frame_buttons[kMainMenuButton]);
    w->menus().settings_item->trigger();
    ASSERT_NE(w->settings_dialog, nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(SettingsDialogTest, TabsSelectTheirPagesAndShowWhichIsChosen) {
    SettingsDialog& d = open_settings();
    EXPECT_EQ(d.d_z[1]->caption(), "软件设置\r\n");
    EXPECT_EQ(d.d_z[2]->caption(), "缓存设置\r\n");
    click(d.d_z[2]);
    EXPECT_EQ(d.page(), 2);
    EXPECT_EQ(d.bb->caption(), "缓存设置");
    EXPECT_TRUE(d.p1[2]->isVisible());
    EXPECT_FALSE(d.p1[0]->isVisible());
    EXPECT_FALSE(d.p1[1]->isVisible());
    EXPECT_EQ(d.d_z[2]->palette().color(QPalette::Window), d.palette().color(QPalette::Highlight));
    EXPECT_EQ(d.d_z[2]->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(d.d_z[1]->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(d.d_z[1]->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(d.p1[2]->geometry(), QRect(16, 40, 298, 218));
    EXPECT_TRUE(d.Text1->isVisibleTo(&d));
    EXPECT_EQ(d.Command1->text(), "浏览");
}

TEST_F(SettingsDialogTest, BoxesShowOneAsOffAndEverythingElseAsOn) {
    client.set_setting("S_q", "quit", "1");
    client.set_setting("S_q", "s_bo", "0");
    client.set_setting("S_q", "s_jd", "7");
    drop_setting("s_pao=2");
    SettingsDialog& d = open_settings();
    EXPECT_FALSE(d.Check1[5]->isChecked());
    EXPECT_EQ(d.Check1[5]->text(), "关闭软件最小化到托盘");
    EXPECT_TRUE(d.Check1[8]->isChecked());
    EXPECT_EQ(d.Check1[8]->text(), "托盘显示气泡提示");
    for (int i : {0, 1, 2, 3, 6, 7})
        EXPECT_TRUE(d.Check1[i]->isChecked()) << i;
    EXPECT_EQ(d.Check1[4], nullptr);
    EXPECT_EQ(d.Check1[0]->parentWidget(), static_cast<QWidget*>(d.Frame1));
    EXPECT_EQ(d.Frame1->title(), "播放设置");
    EXPECT_EQ(d.Check1[6]->parentWidget(), d.p1[1]);
}

TEST_F(SettingsDialogTest, ApplyWithoutChangesWritesTheOptionsAndLeavesQvodAlone) {
    write_xml(kXml);
    client.processes.add("/opt/qvod/QvodPlayer.exe");
    client.processes.add("/opt/qvod/QvodTerminal.exe");
    client.set_setting("S_q", "quit", "1");
    drop_setting("s_pao=2");
    client.set_setting("S_q", "s_h", "0");
    SettingsDialog& d = open_settings();
    EXPECT_EQ(d.Text1->text(), "/srv/films/");
    d.Check1[2]->click(); // "自动播放下一集" off
    d.cmdApply->click();

    EXPECT_EQ(client.setting("S_q", "quit"), "1");
    EXPECT_EQ(client.setting("S_q", "s_pao"), "2");
    EXPECT_EQ(client.setting("S_q", "s_h"), "2");
    EXPECT_EQ(client.setting("S_q", "s_bo"), "1");
    for (const char* key : {"qvodk", "s_size", "s_jd", "qvodqi"})
        EXPECT_EQ(client.setting("S_q", key), "2") << key;
    EXPECT_EQ(xml(), kXml);
    EXPECT_TRUE(client.processes.terminated.empty());
    EXPECT_TRUE(client.processes.starts.empty());
    EXPECT_TRUE(client.dialogs.boxes.empty());
    EXPECT_TRUE(d.isVisible()); // Apply keeps the dialog open
}

TEST_F(SettingsDialogTest, ChangedFolderStopsAndRestartsQvodAndRewritesOnlyTheFolder) {
    write_xml(kXml);
    const qint64 player = client.processes.add(qvod + "QvodPlayer.exe");
    const qint64 other = client.processes.add("/usr/bin/QvodPlayer.exe.sh");
    const qint64 terminal = client.processes.add(qvod + "qvodterminal.EXE");
    // Another client's terminal, and another user's in this folder.
    client.processes.add("/home/x/QvodTerminal.exe");
    client.processes.add(qvod + "QvodTerminal.exe", 0);
    SettingsDialog& d = open_settings();
    d.d_z_Click(2);
    d.Text1->setText("/data/新片");
    d.cmdApply->click();

    EXPECT_EQ(client.processes.terminated, (std::vector<qint64>{player, terminal}));
    EXPECT_EQ(client.processes.table.size(), 4u); // the three others and the restarted one
    EXPECT_EQ(client.processes.table.front().pid, other);
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(client.processes.starts[0].program, qvod + "QvodTerminal.exe");
    EXPECT_TRUE(client.processes.starts[0].minimised);

    QByteArray expected = kXml;
    expected.replace("/srv/films/", to_gbk("/data/新片/"));
    EXPECT_EQ(xml(), expected);
    EXPECT_EQ(d.Text1->text(), "/data/新片/");
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, done);
    EXPECT_EQ(client.dialogs.boxes[0].buttons, MsgButtons::Ok);

    // A second Apply compares with the folder just applied.
    d.cmdApply->click();
    EXPECT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(boxes_with(done), 1);
}

TEST_F(SettingsDialogTest, FolderThatIsNotAnAbsolutePathBecomesMediaInTheHomeFolder) {
    write_xml(kXml);
    SettingsDialog& d = open_settings();
    d.Text1->setText("Films");
    d.cmdApply->click();
    const QString media = QDir::homePath() + "/Media/";
    EXPECT_EQ(d.Text1->text(), media);
    QByteArray expected = kXml;
    expected.replace("/srv/films/", to_gbk(media));
    EXPECT_EQ(xml(), expected);
    EXPECT_EQ(boxes_with(done), 1);
}

TEST_F(SettingsDialogTest, ChooserAddsTheSlashAndCancelBringsTheLoadedFolderBack) {
    write_xml(kXml);
    SettingsDialog& d = open_settings();
    d.Text1->setText("/typed/elsewhere/");
    client.dialogs.folder_to_choose = "/mnt/Movies";
    d.Command1->click();
    EXPECT_EQ(client.dialogs.last_title, "请选择影片下载存放的文件夹");
    EXPECT_EQ(client.dialogs.last_initial, "/typed/elsewhere/");
    EXPECT_EQ(d.Text1->text(), "/mnt/Movies/");

    d.Text1->setText("/typed/again");
    client.dialogs.folder_to_choose.clear();
    d.Command1->click();
    EXPECT_EQ(d.Text1->text(), "/srv/films/");

    // Cancel after an Apply brings the applied folder back.
    d.Text1->setText("/applied");
    d.cmdApply->click();
    d.Text1->setText("/typed");
    d.Command1->click();
    EXPECT_EQ(d.Text1->text(), "/applied/");
}

TEST_F(SettingsDialogTest, WithoutQvodSettingsCancelKeepsTheTypedFolderAndApplyCreatesTheFile) {
    SettingsDialog& d = open_settings();
    const QString media = QDir::homePath() + "/Media/";
    EXPECT_EQ(d.Text1->text(), media);
    d.Text1->setText("/typed");
    d.Command1->click(); // cancelled
    EXPECT_EQ(d.Text1->text(), "/typed/");
    d.Text1->clear();
    d.Command1->click();
    EXPECT_EQ(d.Text1->text(), ""); // never the root folder

    // The folder shown at load is no change: nothing of QVOD is touched.
    d.Text1->setText(media);
    client.processes.add(qvod + "QvodTerminal.exe");
    d.cmdApply->click();
    EXPECT_EQ(xml(), "<missing>");
    EXPECT_TRUE(client.processes.terminated.empty());
    EXPECT_TRUE(client.dialogs.boxes.empty());

    d.Text1->setText("/data/films/");
    d.cmdApply->click();
    EXPECT_EQ(xml(), "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
                     "<Config Defaultsavepath=\"/data/films/\"/>\r\n</QvodPlayer>\r\n");
    EXPECT_EQ(client.processes.terminated.size(), 1u);
    EXPECT_EQ(boxes_with(done), 1);
}

TEST_F(SettingsDialogTest, UnknownQvodFolderMeansTheClientsOwn) {
    client.set_setting("S_q", "qvodw", "0");
    const QString own = client.file("Qvod") + "/";
    QDir().mkpath(own);
    QFile f(own + "QvodPlayer.xml");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kXml);
    f.close();
    SettingsDialog& d = open_settings();
    EXPECT_EQ(d.qvod_folder, own);
    EXPECT_EQ(d.Text1->text(), "/srv/films/");
    d.Text1->setText("/elsewhere/");
    d.cmdApply->click();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Defaultsavepath=\"/elsewhere/\""));
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(client.processes.starts[0].program, own + "QvodTerminal.exe");
    EXPECT_FALSE(QFile::exists("0QvodPlayer.xml"));
}

TEST_F(SettingsDialogTest, OkAppliesAndUnloadsCancelAndCloseDropTheChanges) {
    write_xml(kXml);
    SettingsDialog* d = &open_settings();
    d->Check1[7]->click();
    d->Text1->setText("/cancelled/");
    d->cmdCancel->click();
    EXPECT_EQ(w->settings_dialog, nullptr);
    EXPECT_EQ(client.setting("S_q", "qvodqi"), "2");
    EXPECT_EQ(xml(), kXml);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    d = &open_settings();
    EXPECT_TRUE(d->Check1[7]->isChecked()); // loaded afresh
    d->Check1[7]->click();
    d->close(); // the close box
    EXPECT_EQ(client.setting("S_q", "qvodqi"), "2");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    d = &open_settings();
    d->Check1[7]->click();
    d->Text1->setText("/ok/");
    d->cmdOK->click();
    EXPECT_EQ(w->settings_dialog, nullptr);
    EXPECT_EQ(client.setting("S_q", "qvodqi"), "1");
    EXPECT_TRUE(xml().contains("Defaultsavepath=\"/ok/\""));
    EXPECT_EQ(boxes_with(done), 1);
}

TEST_F(SettingsDialogTest, SharingChangesRestartTheTerminalWithoutThePathMessage) {
    write_xml(kXml);
    const qint64 terminal = client.processes.add(qvod + "QvodTerminal.exe");
    SettingsDialog& d = open_settings();
    d.d_z_Click(2);
    EXPECT_TRUE(d.share_box->isChecked());
    EXPECT_EQ(d.upload_box->value(), 256);
    d.share_box->setChecked(false);
    EXPECT_FALSE(d.upload_box->isEnabled());
    d.cmdApply->click();

    EXPECT_EQ(client.processes.terminated, (std::vector<qint64>{terminal}));
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_TRUE(xml().contains("Share=\"0\"")) << xml().toStdString();
    EXPECT_TRUE(xml().contains("Defaultsavepath=\"/srv/films/\"")) << "the folder stays";
    EXPECT_EQ(boxes_with(done), 0);

    // Applied once: a second Apply leaves the terminal alone.
    d.cmdApply->click();
    EXPECT_EQ(client.processes.starts.size(), 1u);
}
