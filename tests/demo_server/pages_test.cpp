#include "demo_server/site_pages.h"

#include "shared/gbk.h"

#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::demo;

// Pages are written in Unicode and sent as GBK: a character GBK lacks would
// reach the user as "?".
TEST(DemoPages, EveryPageSurvivesGbk) {
    MediaLibrary media;
    media.load(QStringLiteral(KELVARA_DEMO_MEDIA_DIR));
    const SiteContext site{QStringLiteral("http://127.0.0.1:1"), &media};
    std::vector<std::pair<QString, QString>> pages = {
        {"home", home_page()},
        {"search", search_page(QString())},
        {"tv", tv_page()},
        {"yy", recommendations_page()},
        {"softad", softad_page()},
        {"qvodad", qvodad_page()},
        {"fudong", fudong_page()},
        {"wen.txt", notice_file(site)},
        {"404", not_found_page()},
        {"500", error_page()},
        {"qvod", qvod_download_page()},
    };
    for (const CatalogueTitle& t : catalogue()) {
        pages.emplace_back(t.title, title_page(site, t));
        for (const CatalogueEpisode& e : t.episodes) {
            pages.emplace_back(t.key(e), web_player_page(site, t.key(e)));
            pages.emplace_back(t.key(e) + "-0", episode_page(t.key(e) + "-0"));
            pages.emplace_back(t.key(e) + " reply",
                               play_reply(site, QString::number(t.id), QString::number(t.v),
                                          QString::number(e.v1)));
        }
    }
    for (const auto& [name, text] : pages) {
        EXPECT_EQ(from_gbk(to_gbk(text)), text) << name.toStdString();
        EXPECT_GT(text.size(), 1) << name.toStdString();
    }
}

TEST(DemoPages, TitlesKeepTheirKeysWhole) {
    // A "-" in an escaped title would cut the episode key short.
    for (const CatalogueTitle& t : catalogue()) {
        ASSERT_FALSE(t.episodes.empty()) << t.id;
        for (const CatalogueEpisode& e : t.episodes)
            EXPECT_EQ(t.key(e).count(u'-'), 3) << t.key(e).toStdString();
    }
}
