// The main window's load, the QVOD process check on a process table the
// test controls, and the quit.

#include "window/frame_fixture.h"

#include "platform/player_control.h"
#include "window/tray/menus_and_help.h"

#include <QAction>

using namespace kelvara;
using namespace kelvara::test;

class MainWindowStart : public ShownWindow {};

TEST_F(MainWindowStart, LoadOpensThePanesInOrderAndSetsUpTheWindow) {
    client.set_setting("S_q", "h_w", "15000");
    client.set_setting("S_q", "h_h", "9000");
    MainWindow& w = client.start({}, false);
    QStringList order;
    for (const char* name :
         {"catalogue_pane", "web_player_pane", "network_list_pane", "local_list_pane",
          "episode_pane", "software_ad_pane", "statistics_pane", "tv_pane", "qvod_ad_pane"}) {
        client.pane(name).before_navigate = [&order, name](const QString& address, bool&) {
            order << QString::fromLatin1(name) + " " + address;
        };
    }
    w.Form_Load({});
    const QString base = client.base;
    const QString id = client.setting("User", "Name");
    EXPECT_EQ(order,
              (QStringList{"catalogue_pane " + base, "web_player_pane about:blank",
                           "network_list_pane " + client.file("c.htm"),
                           "local_list_pane " + client.file("f.htm"),
                           "episode_pane " + client.file("c.htm"),
                           "software_ad_pane " + base + "js/ads/softad.html",
                           "statistics_pane " + base + "tj/tj.asp?id=" + id, "tv_pane about:blank",
                           "qvod_ad_pane " + base + "js/ads/qvodad.html"}));
    EXPECT_EQ(client.player().ad_page, base + "js/ads/qvodad.html");
    EXPECT_EQ(w.user_id, id);
    EXPECT_EQ(w.size(), QSize(1000, 600));
    EXPECT_EQ(client.tray.tip, "Kelvara");
    EXPECT_EQ(client.tray.adds, 1);
    EXPECT_EQ(w.session().state().stored_as, std::nullopt);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(w.max_track_size().isEmpty());
}

TEST_F(MainWindowStart, SavedSizeOnlyWhenTheOptionIsOn) {
    client.set_setting("S_q", "h_w", "15000");
    client.set_setting("S_q", "s_size", "1");
    MainWindow& w = start();
    EXPECT_EQ(w.size(), QSize(904, 565));
}

TEST_F(MainWindowStart, QvodCheckEndsThePlayerKeepsTheTerminalAndNotesTheFolder) {
    const QString own = client.file("Qvod") + "/";
    const qint64 player = client.processes.add(own + "QvodPlayer.exe");
    const qint64 other_player = client.processes.add(own + "QVODPLAYER.EXE");
    client.processes.add(own + "QvodTerminal.exe");
    client.start();
    client.clock.advance(10);
    EXPECT_EQ(client.processes.terminated, (std::vector<qint64>{player, other_player}));
    EXPECT_FALSE(client.window().qvod_check_timer->enabled());
    EXPECT_TRUE(client.processes.starts.empty());
    EXPECT_EQ(client.setting("S_q", "qvodw"), own);
}

TEST_F(MainWindowStart, QvodProgramsOfAnotherFolderOrUserAreNeitherAdoptedNorEnded) {
    const QString own = client.file("Qvod") + "/";
    client.processes.add("/opt/qvod/QvodPlayer.exe");
    client.processes.add("/home/other/.local/share/kelvara/Qvod/QvodTerminal.exe");
    client.processes.add(own + "QvodPlayer.exe", 0);
    client.processes.add(own + "QvodTerminal.exe", 0);
    MainWindow& w = client.start();
    client.clock.advance(10);
    EXPECT_TRUE(client.processes.terminated.empty());
    // The client's own terminal is started, by its absolute path.
    ASSERT_EQ(client.processes.starts.size(), 1u);
    EXPECT_EQ(client.processes.starts[0].program, own + "QvodTerminal.exe");
    EXPECT_TRUE(client.processes.starts[0].minimised);
    EXPECT_GE(client.events.passes, 1);
    EXPECT_EQ(client.setting("S_q", "qvodw"), "0");

    client.set_setting("S_q", "qvodk", "2");
    w.quit_client();
    EXPECT_TRUE(client.processes.terminated.empty());
    EXPECT_EQ(client.processes.table.size(), 4u);
}

TEST_F(MainWindowStart, QvodCheckOffLeavesProcessesAlone) {
    const QString own = client.file("Qvod") + "/";
    client.set_setting("S_q", "qvodqi", "1");
    client.processes.add(own + "QvodPlayer.exe");
    client.processes.add(own + "QvodTerminal.exe");
    MainWindow& w = client.start();
    client.clock.advance(10);
    EXPECT_TRUE(client.processes.terminated.empty());
    EXPECT_TRUE(client.processes.starts.empty());
    EXPECT_EQ(client.setting("S_q", "qvodw"), "0");
    // A folder known from an earlier check is written again.
    w.qvod_dir = own;
    w.qvod_check_timer->set_enabled(true);
    client.clock.advance(10);
    EXPECT_EQ(client.setting("S_q", "qvodw"), own);
}

TEST_F(MainWindowStart, QuitRemovesTheIconCancelsTheRequestAndClosesTheWindows) {
    MainWindow& w = start();
    w.menus().help_item->trigger();
    client.transfer.executing = true;
    client.set_setting("S_q", "qvodk", "1");
    const qint64 terminal = client.processes.add(client.file("Qvod") + "/QvodTerminal.exe");
    w.quit_client();
    EXPECT_FALSE(client.tray.present());
    EXPECT_EQ(client.transfer.cancels, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.menus().isVisible());
    EXPECT_TRUE(client.processes.terminated.empty());
    EXPECT_EQ(client.processes.table.back().pid, terminal);
}

TEST_F(MainWindowStart, ExitActionOpensOnlyAWebAddressAndOnlyWhenAsked) {
    struct Case {
        const char* action;
        QStringList opened;
    };
    const Case cases[] = {
        {"0****http://127.0.0.1/bye", {}},
        {"1****http://127.0.0.1/bye", {"http://127.0.0.1/bye"}},
        {"1****https://127.0.0.1/x", {"https://127.0.0.1/x"}},
        {"1****file:///etc/passwd", {}},
        {"1****/usr/bin/xterm", {}},
        {"1http://127.0.0.1/", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SimulatedClient quitting;
        MainWindow& w = quitting.start();
        w.exit_action = QString::fromLatin1(c.action);
        w.quit_client();
        EXPECT_EQ(quitting.shell.opened_urls, c.opened) << c.action;
    }
}
