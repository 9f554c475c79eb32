#include "fakes/fake_services.h"
#include "logic/startup/qvod_processes.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::FakeProcesses;

TEST(ProcessFunctions, OnlyTheUsersOwnProgramsOfTheFolderAreFoundAndEnded) {
    FakeProcesses p;
    p.add("/usr/bin/bash");
    p.add("/other/Qvod/QvodTerminal.exe");   // another client's folder
    p.add("/opt/Qvod/QvodTerminal.exe", 0);  // another user's
    p.add("/opt/Qvod/sub/QvodTerminal.exe"); // below the folder
    const qint64 terminal = p.add("/opt/Qvod/QvodTerminal.exe");
    p.add("/opt/Qvod/qvodplayer.exe");
    EXPECT_EQ(find_process_id(p, "QvodTerminal.exe", "/opt/Qvod/"), terminal);
    EXPECT_EQ(find_process_id(p, "Terminal", "/opt/Qvod"), terminal);
    EXPECT_EQ(find_process_id(p, "QvodPlayer.exe", "/opt/Qvod/"), 0);
    EXPECT_EQ(find_process_id(p, "QvodTerminal.exe", ""), 0);

    const qint64 first = p.add("/a/QvodPlayer.exe");
    p.add("/a/QvodPlayer.exe");
    kill_process_by_name(p, "QvodPlayer.exe", "/a/");
    EXPECT_EQ(p.terminated, std::vector<qint64>{first});
    kill_process_by_name(p, "QvodTerminal.exe", "/nowhere/");
    EXPECT_EQ(p.terminated.size(), 1u);
    EXPECT_FALSE(kill_process_id(p, 0));
    EXPECT_FALSE(kill_process_id(p, 99999));
}

TEST(ProcessFunctions, QvodFolderIsTheClientsOwnUnlessChosenOnPurpose) {
    QTemporaryDir app;
    const QString own = app.path() + "/Qvod/";
    for (const char* qvodw : {"0", "", "Qvod/", "0/", "/no/such/folder/"})
        EXPECT_EQ(qvod_folder(QString::fromUtf8(qvodw), app.path()), own) << qvodw;
    QTemporaryDir chosen;
    EXPECT_EQ(qvod_folder(chosen.path(), app.path()), chosen.path() + "/");
}
