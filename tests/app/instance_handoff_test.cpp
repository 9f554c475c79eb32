// A command line given to the client plays and is recorded in the local list.

#include "player/player_fixture.h"

namespace kelvara::test {
namespace {

using CommandLine = PlayerTest;

TEST_F(CommandLine, QuotesAnywhereAreRemovedAndTheFilePlaysFromTheStart) {
    w->session().state().resume_position = 700;
    w->session().state().resumed = true;
    prepare_next_link(w->session().state(),
                      QStringLiteral("eeqvod://qvod&&&a&&&t&&&e&&&1&&&1&&&2"));
    prepare_next_address(w->session().state(), QStringLiteral("qvod://2|x|y|"));
    w->session().state().episode_key = QStringLiteral("1-1-1-t");
    w->session().state().next.hold_prebuffer = true;
    w->session().state().route = PlayRoute::WebPlayer;
    w->session().status_poll_timer().set_enabled(false);

    w->open_from_command_line(QStringLiteral("\"/home/u/My \"Films\"/长河落日.mp4\""));
    const QString path = QStringLiteral("/home/u/My Films/长河落日.mp4");
    EXPECT_EQ(player->calls, (QStringList{"setUrl:" + path, "Play"}));
    EXPECT_TRUE(w->session().status_poll_timer().enabled());
    EXPECT_EQ(w->bo_name->caption(), QStringLiteral("长河落日.mp4"));
    EXPECT_EQ(record("date_f.dat", 1, path), (QStringList{"长河落日.mp4", path, "0"}));
    EXPECT_EQ(w->session().state().stored_as, path);
    EXPECT_EQ(w->session().state().source, PlaySource::LocalFile);
    EXPECT_EQ(w->session().state().resume_position, 0);
    EXPECT_FALSE(w->session().state().resumed);
    EXPECT_EQ(w->session().state().next.status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().next.address_status, NextEpisodeStatus::NotAsked);
    EXPECT_EQ(w->session().state().episode_key, std::nullopt);
    EXPECT_FALSE(w->session().state().next.hold_prebuffer);
    EXPECT_EQ(w->session().state().route, PlayRoute::Player);

    // The poll then follows it, and the stop action stores where it was.
    player->position = 42;
    player->duration = 600;
    tick();
    w->transport_button_clicked(kStopButton);
    EXPECT_EQ(record("date_f.dat", 1, path).value(2), QStringLiteral("42"));
}

TEST_F(CommandLine, OneTrailingSlashIsDropped) {
    w->open_from_command_line(QStringLiteral("http://127.0.0.1:8080/media/a.mp4//"));
    EXPECT_EQ(player->url, QStringLiteral("http://127.0.0.1:8080/media/a.mp4/"));
    EXPECT_EQ(w->session().state().stored_as, player->url);
}

TEST_F(CommandLine, ACommandWithoutAFolderHasNoName) {
    w->open_from_command_line(QStringLiteral("film.mp4"));
    EXPECT_EQ(player->url, QStringLiteral("film.mp4"));
    EXPECT_EQ(w->bo_name->caption(), QString());
    EXPECT_EQ(record("date_f.dat", 1, QStringLiteral("film.mp4")),
              (QStringList{"", "film.mp4", "0"}));
}

TEST_F(CommandLine, LinksOfTheClientsSchemesAreNotResolved) {
    const QString link = QStringLiteral("eebovod://123-1-5-abc");
    w->open_from_command_line(link);
    EXPECT_EQ(player->url, link);
    EXPECT_TRUE(client.transfer.requests.isEmpty());
    EXPECT_TRUE(client.pane("catalogue_pane").requested.isEmpty());
    EXPECT_EQ(record("date_f.dat", 1, link).value(0), QStringLiteral("123-1-5-abc"));
    EXPECT_EQ(w->session().state().source, PlaySource::LocalFile);
}

} // namespace
} // namespace kelvara::test
