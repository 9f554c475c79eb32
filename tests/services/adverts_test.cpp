#include "fakes/simulated_client.h"
#include "window/contrast.h"
#include "window/main_window.h"
#include "window/services/adsb.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

class Notice : public ::testing::Test {
protected:
    Notice() : w(client.start({}, false)) { w.running_version = "2.1"; }
    void serve(const QString& body) { client.transfer.replies[client.base + "lib/wen.txt"] = body; }
    // The notice file is fetched once, six seconds after the window loads.
    void fetch() { client.clock.advance(6000); }
    QString shown_ad() const {
        for (Label* l : w.Lab2) {
            if (!l->isHidden())
                return l->caption();
        }
        return {};
    }
    SimulatedClient client;
    MainWindow& w;
};

QString body(const QString& quit, const QString& ads_switch, const QString& ads,
             const QString& floating, const QString& qvod_ad, const QString& version) {
    return QStringList{quit, ads_switch, ads, floating, qvod_ad, version}.join("====");
}

} // namespace

TEST_F(Notice, FetchedOnceSixSecondsAfterLoad) {
    serve(body("0****http://x", "0", "", "0", "0", "2.1"));
    client.clock.advance(5999);
    EXPECT_TRUE(client.transfer.requests.isEmpty());
    client.clock.advance(60000);
    EXPECT_EQ(client.transfer.requests, QStringList{client.base + "lib/wen.txt"});
    EXPECT_EQ(w.exit_action, "0****http://x");
    EXPECT_TRUE(client.dialogs.boxes.empty());
}

TEST_F(Notice, SameVersionOffersNothingAndTheCheckSaysSo) {
    serve(body("0****http://x", "0", "", "0", "0", "2.1\r\n"));
    fetch();
    EXPECT_TRUE(client.dialogs.boxes.empty());
    w.offer_update_on_demand();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, QStringLiteral("你现在使用的是最新版本，无需升级！"));
    EXPECT_EQ(client.dialogs.boxes[0].title, QStringLiteral("提示："));
}

TEST_F(Notice, AnyOtherVersionIsOfferedAtStart) {
    serve(body("0****http://x", "0", "", "0", "0", "2.0"));
    client.dialogs.answers = {MsgAnswer::No};
    fetch();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text,
              QStringLiteral("检测到最新版本 2.0 ,你需要现在升级吗？"));
    EXPECT_EQ(client.dialogs.boxes[0].title, QStringLiteral("Kelvara提示："));
    EXPECT_TRUE(client.shell.opened_urls.isEmpty());
}

TEST_F(Notice, VersionZeroIsOfferedOnlyOnDemand) {
    serve(body("0****http://x", "0", "", "0", "0", "0"));
    fetch();
    EXPECT_TRUE(client.dialogs.boxes.empty());
    client.dialogs.answers = {MsgAnswer::No};
    w.offer_update_on_demand();
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_EQ(client.dialogs.boxes[0].text, QStringLiteral("检测到最新版本 0 ,你需要现在升级吗？"));
}

TEST_F(Notice, YesStartsTheUpdaterOfTheApplicationFolderOrOpensTheDownload) {
    serve(body("0****http://x", "0", "", "0", "0", "3.0"));
    const auto updater_starts = [&] {
        std::vector<FakeProcesses::Start> starts;
        for (const auto& s : client.processes.starts) {
            if (s.program.endsWith("update.exe"))
                starts.push_back(s);
        }
        return starts;
    };
    fetch(); // Yes by default: no updater, so the download address opens
    EXPECT_EQ(client.shell.opened_urls, QStringList{client.base + "update/setup.exe"});
    EXPECT_TRUE(updater_starts().empty());

    client.write("update.exe", "#!/bin/sh\n");
    w.offer_update_on_demand();
    ASSERT_EQ(updater_starts().size(), 1u);
    EXPECT_EQ(updater_starts()[0].program, client.file("update.exe"));
    EXPECT_TRUE(updater_starts()[0].minimised);
    EXPECT_EQ(client.shell.opened_urls.size(), 1);
}

TEST_F(Notice, ExampleBodyWithSwitchesOff) {
    serve(body("0****http://quit.example/", "0", QStringLiteral("新片上线****http://a/"), "0", "0",
               "3.0"));
    client.dialogs.answers = {MsgAnswer::No};
    fetch();
    EXPECT_EQ(shown_ad(), "");
    EXPECT_FALSE(w.text_ad_timer->enabled());
    EXPECT_FALSE(w.floating_ad_timer->enabled());
    EXPECT_TRUE(w.ad_huan->isHidden());
    ASSERT_EQ(client.dialogs.boxes.size(), 1u);
    EXPECT_TRUE(client.dialogs.boxes[0].text.contains("3.0"));
}

TEST_F(Notice, MissingFetchOrSeparatorChangesNothing) {
    fetch(); // no reply: the request failed
    serve(QStringLiteral("1****http://x 1 ads 1 1 3.0"));
    w.notice_timer->set_enabled(true);
    fetch();
    EXPECT_EQ(w.exit_action, "");
    EXPECT_EQ(w.new_version, "");
    EXPECT_TRUE(client.dialogs.boxes.empty());
    serve(QStringLiteral("1****http://x====1"));
    w.notice_timer->set_enabled(true);
    fetch();
    EXPECT_EQ(w.exit_action, "1****http://x");
    EXPECT_TRUE(client.dialogs.boxes.empty()); // no version field: no offer
}

TEST_F(Notice, TextAdsRotateOverTheCompleteItems) {
    serve(body("0****x", "1", QStringLiteral("甲****http://a/@@@@@乙****http://b/"), "0", "0",
               "2.1"));
    fetch();
    EXPECT_TRUE(w.text_ad_timer->enabled());
    EXPECT_EQ(shown_ad(), QStringLiteral("甲"));
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        client.clock.advance(4000);
        seen << shown_ad();
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("乙"), QStringLiteral("甲"), QStringLiteral("乙"),
                                 QStringLiteral("甲")}));
    w.Lab2_Click(1);
    EXPECT_EQ(client.shell.opened_urls, QStringList{"http://b/"});
}

TEST(TextAds, ReadWellOnTheStatusBarOfEitherSkin) {
    SimulatedClient client;
    MainWindow& w = client.start();
    client.transfer.replies[client.base + "lib/wen.txt"] = body(
        "0****x", "1", QStringLiteral("今日推荐：江湖夜雨 全集****http://a/@@@@@乙****http://b/"),
        "0", "0", "2.1");
    client.clock.advance(6000);
    ASSERT_EQ(w.Lab2[0]->caption(), QStringLiteral("今日推荐：江湖夜雨 全集"));
    // The measure itself: black on white is 21:1, the operator's colour on
    // the bar about 1.6:1.
    EXPECT_DOUBLE_EQ(contrast_ratio(Qt::black, Qt::white), 21.0);
    EXPECT_LT(contrast_ratio(QColor(17, 64, 96), w.bo_zt->back_color()), 2.0);
    for (int skin : {0, 1}) {
        w.apply_skin(skin); // the skin menu
        const QImage bar = w.bo_zt->grab().toImage();
        const QColor bar_colour = bar.pixelColor(1, bar.height() - 2);
        for (int i : {0, 1}) {
            EXPECT_GE(contrast_ratio(w.Lab2[i]->fore_color(), bar_colour), 4.5)
                << "skin " << skin << ", text " << w.Lab2[i]->fore_color().name().toStdString()
                << " on " << bar_colour.name().toStdString();
        }
    }
}

TEST_F(Notice, OneCompleteItemStaysShownAndTextWithoutLinkDoesNotCount) {
    serve(body("0****x", "1", QStringLiteral("甲****http://a/@@@@@乙"), "0", "0", "2.1"));
    fetch();
    for (int i = 0; i < 3; ++i) {
        client.clock.advance(4000);
        EXPECT_EQ(shown_ad(), QStringLiteral("甲"));
    }
    // Only web addresses from the server are opened.
    w.Te[0] = "file:///etc/passwd";
    w.Lab2_Click(0);
    EXPECT_TRUE(client.shell.opened_urls.isEmpty());
}

TEST_F(Notice, NoCompleteItemStopsTheRotation) {
    client.clock.advance(4000);
    EXPECT_FALSE(w.text_ad_timer->enabled());
}

TEST_F(Notice, QvodAdvertisementReplacesTheFallbackUnlessItFailed) {
    serve(body("0****x", "0", "", "0", "1", "2.1"));
    fetch();
    EXPECT_FALSE(w.ad_huan->isHidden());
    EXPECT_TRUE(w.adp->isHidden());

    SimulatedClient other;
    MainWindow& w2 = other.start({}, false);
    other.pane("qvod_ad_pane").navigate(other.base + "js/ads/qvodad.html");
    other.pane("qvod_ad_pane").finish_load(false);
    other.transfer.replies[other.base + "lib/wen.txt"] = body("0****x", "0", "", "0", "1", "2.1");
    other.clock.advance(6000);
    EXPECT_TRUE(w2.ad_huan->isHidden());
    EXPECT_FALSE(w2.adp->isHidden());
}

TEST_F(Notice, FloatingWindowComesThreeSecondsLaterAndRisesThenSinksWhenClosed) {
    serve(body("0****x", "0", "", "1", "0", "2.1"));
    fetch();
    EXPECT_TRUE(w.floating_ad_timer->enabled());
    client.clock.advance(2999);
    EXPECT_EQ(w.floating_ad(), nullptr);
    client.clock.advance(1);
    adsb* ad = w.floating_ad();
    ASSERT_NE(ad, nullptr);
    EXPECT_FALSE(w.floating_ad_timer->enabled());
    EXPECT_EQ(ad->edge(), ad->height() - 1);
    EXPECT_EQ(client.pane("adsb.ad_pane").requested,
              QStringList{client.base + "/js/ads/fudong.html"});
    client.clock.advance(100); // ten steps of 3 pixels
    EXPECT_EQ(ad->edge(), ad->height() - 1 - 30);
    EXPECT_TRUE(ad->rising());

    // Closing while it rises stops the rise and sinks from where it is.
    ad->Picture1_Click();
    EXPECT_FALSE(ad->rising());
    EXPECT_GE(ad->edge(), ad->height());
    EXPECT_TRUE(ad->isHidden());
}

TEST_F(Notice, FloatingWindowOpensItsLinkInTheBrowserAndCloses) {
    const QString offer = client.base + QStringLiteral("show/江湖夜雨%20第5集.html");
    w.show_floating_ad();
    adsb* ad = w.floating_ad();
    client.clock.advance(1000);
    EXPECT_EQ(ad->edge(), 0);
    EXPECT_FALSE(ad->rising());
    client.pane("adsb.ad_pane").new_window(offer);
    EXPECT_EQ(client.shell.opened_urls, QStringList{offer});
    EXPECT_TRUE(ad->isHidden());

    // Only web addresses leave the client; the window closes all the same.
    w.show_floating_ad();
    ad = w.floating_ad();
    client.clock.advance(1000);
    client.pane("adsb.ad_pane").new_window(QStringLiteral("file:///etc/passwd"));
    EXPECT_EQ(client.shell.opened_urls, QStringList{offer});
    EXPECT_TRUE(ad->isHidden());
}

TEST_F(Notice, CompactModeStopsTheRotationAndLeavingItResumesFromTheShownItem) {
    serve(body("0****x", "1",
               QStringLiteral("甲****http://a/@@@@@乙****http://b/@@@@@丙****http://c/"), "0", "0",
               "2.1"));
    fetch();
    client.clock.advance(8000); // 甲 → 乙 → 丙
    ASSERT_EQ(shown_ad(), QStringLiteral("丙"));
    w.frame_button_clicked(kCompactButton);
    EXPECT_EQ(w.compact_mode, 1);
    EXPECT_FALSE(w.text_ad_timer->enabled());
    EXPECT_TRUE(w.Lab2[2]->isHidden());
    client.clock.advance(8000);
    EXPECT_EQ(w.Lab0, "2");

    w.jbi_Click();
    EXPECT_TRUE(w.text_ad_timer->enabled());
    client.clock.advance(4000);
    EXPECT_EQ(shown_ad(), QStringLiteral("甲"));
    client.clock.advance(4000);
    EXPECT_EQ(shown_ad(), QStringLiteral("乙"));
}
