#pragma once

#include "fakes/simulated_client.h"
#include "logic/links/js_escape.h"
#include "shared/gbk.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

namespace kelvara::test {

// The started client with the panes, player and doubles cleared of what the
// start did, so that a test sees only what its own clicks cause.
class MainPath : public ::testing::Test {
protected:
    void SetUp() override {
        w = &client.start();
        // Balloons reach the tray through the tray area's show_balloon; until
        // that is in, the balloon checks have nothing to look at.
        w->show_balloon(QStringLiteral("probe"));
        balloons_shown = !client.tray.balloons.empty();
        forget();
    }

    void forget() {
        for (const char* name : {"catalogue_pane", "web_player_pane", "network_list_pane",
                                 "local_list_pane", "episode_pane"}) {
            FakePane& p = client.pane(name);
            p.requested.clear();
            p.loaded.clear();
            p.refreshes = 0;
        }
        client.transfer.requests.clear();
        client.player().calls.clear();
        client.tray.balloons.clear();
        client.processes.starts.clear();
        client.dialogs.boxes.clear();
    }

    // Every timer off but those a test turns on, so that the clock only
    // drives what is under test.
    void timers_off() {
        for (Timer* t :
             {&w->session().status_poll_timer(), &w->session().end_of_film_timer(),
              w->qvod_check_timer.get(), &w->session().next_retry_timer(), w->notice_timer.get(),
              w->side_box_timer.get(), w->text_ad_timer.get(), w->floating_ad_timer.get()})
            t->set_enabled(false);
    }

    FakePane& pane(const char* name) { return client.pane(name); }
    ScriptedPlayer& player() { return client.player(); }

    QString request(const QString& id, const QString& v, const QString& v1) const {
        return client.base + QStringLiteral("h.asp?id=") + id + QStringLiteral("&v=") + v +
               QStringLiteral("&v1=") + v1;
    }
    void serve(const QString& id, const QString& v, const QString& v1,
               std::optional<QString> reply) {
        client.transfer.replies[request(id, v, v1)] = std::move(reply);
    }

    QString page(const QString& key, const QString& suffix) const {
        return client.base + QStringLiteral("pp.htm?") + key + u'-' + suffix;
    }

    QString text_of(const char* file) const { return from_gbk(client.read(file)); }
    void put(const char* file, const QString& text) const { client.write(file, to_gbk(text)); }

    void expect_balloons(const QStringList& texts) const {
        if (!balloons_shown)
            return;
        QStringList shown;
        for (const auto& b : client.tray.balloons)
            shown.append(b.text);
        EXPECT_EQ(shown, texts);
    }

    SimulatedClient client;
    MainWindow* w = nullptr;
    bool balloons_shown = false;
};

} // namespace kelvara::test
