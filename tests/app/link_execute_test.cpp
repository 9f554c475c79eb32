// A command text handed over by a later start, on the simulated platform.

#include "fakes/simulated_client.h"
#include "logic/history/history_files.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

class LinkExecute : public ::testing::Test {
protected:
    void SetUp() override { w = &client.start(); }
    SimulatedClient client;
    MainWindow* w = nullptr;
};

} // namespace

TEST_F(LinkExecute, EmptyTextOnlyBringsTheWindowBackAndRechecksQvod) {
    w->QvodC->setUrl("/films/a.mp4");
    w->QvodC->Play();
    w->hide();
    const QByteArray local = client.read("date_f.dat");
    w->qvod_check_timer->set_enabled(false); // as the QVOD process check leaves it

    w->LinkExecute("");
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->qvod_check_timer->enabled());
    EXPECT_EQ(client.clock.remaining(*w->qvod_check_timer), 10);
    EXPECT_EQ(client.player().count("Stop"), 0);
    EXPECT_EQ(client.player().url, "/films/a.mp4");
    EXPECT_EQ(client.read("date_f.dat"), local);
}

TEST_F(LinkExecute, MinimisedWindowComesBackInTheStateItHad) {
    w->show();
    w->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    w->LinkExecute("");
    EXPECT_FALSE(w->isMinimized());
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);

    w->setWindowState(Qt::WindowMinimized);
    w->LinkExecute("");
    EXPECT_FALSE(w->isMinimized());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(LinkExecute, TextStopsWhatPlaysAndPlaysTheText) {
    w->history().history_add_local("a.mp4", "/films/a.mp4", 0);
    w->QvodC->setUrl("/films/a.mp4");
    w->QvodC->Play();
    w->session().state().stored_as = "/films/a.mp4";
    w->session().state().source = PlaySource::LocalFile;
    w->session().state().last_position = 300;

    w->LinkExecute("\"/home/u/my films/b c.mkv\"");
    EXPECT_EQ(client.player().count("Stop"), 1);
    EXPECT_EQ(client.player().url, "/home/u/my films/b c.mkv");
    EXPECT_EQ(w->session().state().stored_as, "/home/u/my films/b c.mkv");
    EXPECT_EQ(w->session().state().source, PlaySource::LocalFile);
    const QByteArray local = client.read("date_f.dat");
    EXPECT_TRUE(local.startsWith("b c.mkv|/home/u/my films/b c.mkv|0\r\n")) << local.constData();
    EXPECT_TRUE(local.contains("a.mp4|/films/a.mp4|300\r\n")) << local.constData();
}

TEST_F(LinkExecute, TextLeavesCompactModeFirst) {
    w->frame_button_clicked(kCompactButton); // into compact mode
    if (w->compact_mode != 1)
        w->compact_mode = 1;
    w->LinkExecute("/films/c.avi");
    EXPECT_EQ(w->compact_mode, 0);
    EXPECT_EQ(client.player().url, "/films/c.avi");
}
