#include "app/guanbi.h"
#include "fakes/fake_services.h"

#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::FakeProcesses;

TEST(ProcessFunctions, FirstProcessWhoseNameContainsTheTextExactCase) {
    FakeProcesses p;
    p.add("/usr/bin/bash");
    const qint64 terminal = p.add("/opt/Qvod/QvodTerminal.exe");
    p.add("/other/QvodTerminal.exe");
    p.add("/x/qvodplayer.exe");
    EXPECT_EQ(find_process_id(p, "QvodTerminal.exe"), terminal);
    EXPECT_EQ(find_process_id(p, "Terminal"), terminal);
    EXPECT_EQ(find_process_id(p, "QvodPlayer.exe"), 0);
}

TEST(ProcessFunctions, KillByNameEndsAtMostOneProcess) {
    FakeProcesses p;
    const qint64 first = p.add("/a/QvodPlayer.exe");
    p.add("/b/QvodPlayer.exe");
    kill_process_by_name(p, "QvodPlayer.exe");
    EXPECT_EQ(p.terminated, std::vector<qint64>{first});
    EXPECT_EQ(p.table.size(), 1u);
    EXPECT_FALSE(kill_process_id(p, 0));
    EXPECT_FALSE(kill_process_id(p, 99999));
    kill_process_by_name(p, "nothing");
    EXPECT_EQ(p.terminated.size(), 1u);
}
