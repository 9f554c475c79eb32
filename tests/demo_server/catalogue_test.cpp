#include "demo_fixture.h"

#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"
#include "shared/gbk.h"

#include <QStringList>
#include <map>
#include <set>

using namespace kelvara;
using namespace kelvara::testing;

namespace {

// The fields of "qvod://<size>|<sha1>|<name>|".
struct QvodAddress {
    std::int64_t size = -1;
    std::string sha1;
    QString name;
};

QvodAddress parse_qvod(const QString& address) {
    QvodAddress out;
    if (!address.startsWith(u"qvod://") || !address.endsWith(u'|'))
        return out;
    const QStringList f = address.mid(7).split(u'|');
    if (f.size() != 4)
        return out;
    out.size = f.at(0).toLongLong();
    out.sha1 = f.at(1).toStdString();
    out.name = f.at(2);
    return out;
}

class DemoCatalogue : public DemoServerTest {
protected:
    QString base() const { return QString::fromStdString(server().base_url()); }

    // The h.asp reply for an eebovod link, requested the way the client does.
    std::optional<PlayReply> resolve(const std::string& link) {
        const EpisodeKey key =
            split_episode_key(strip_scheme(QString::fromStdString(link), "eebovod://"));
        const QString request = play_address_request(base(), key.id, key.v, key.v1);
        const auto res = get(path_of(request.toStdString()));
        if (!res || res->status != 200)
            return std::nullopt;
        const std::optional<QString> body = gbk_text(res->body);
        return reply_is_failure(body) ? std::nullopt : split_reply(body);
    }

    // The episode keys of every eebovod link of the home page and of the
    // title pages it links to.
    std::set<QString> all_episode_keys() {
        std::set<QString> out;
        const auto add = [&](const std::string& page) {
            for (const std::string& l : links(page, "eebovod://"))
                out.insert(strip_scheme(QString::fromStdString(l), "eebovod://"));
        };
        const auto home = get("/soft/");
        add(home->body);
        for (const std::string& page : links(home->body, "show/")) {
            const auto res = get("/soft/" + page);
            EXPECT_EQ(res->status, 200) << page;
            add(res->body);
        }
        return out;
    }
};

TEST_F(DemoCatalogue, HomeAndTitlePagesCarryEpisodeLinks) {
    const auto home = get("/soft/");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->status, 200);
    EXPECT_EQ(home->get_header_value("Content-Type"), "text/html; charset=gbk");
    const auto on_home = links(home->body, "eebovod://");
    EXPECT_GE(on_home.size(), 7u);
    // Both forms occur: with and without the trailing "/".
    EXPECT_TRUE(
        std::any_of(on_home.begin(), on_home.end(), [](auto& l) { return l.back() == '/'; }));
    EXPECT_TRUE(
        std::any_of(on_home.begin(), on_home.end(), [](auto& l) { return l.back() != '/'; }));

    const auto series = get("/soft/show/2001.html");
    const auto eps = links(series->body, "eebovod://2001-1-");
    std::set<QString> keys;
    for (const std::string& l : eps)
        keys.insert(strip_scheme(QString::fromStdString(l), "eebovod://"));
    ASSERT_EQ(keys.size(), 6u);
    const EpisodeKey third = split_episode_key(*std::next(keys.begin(), 2));
    EXPECT_EQ(third.id, 2001);
    EXPECT_EQ(third.v1, "3");
    EXPECT_EQ(js_unescape(third.title), QString::fromUtf8("流浪者"));
}

TEST_F(DemoCatalogue, EveryEpisodeResolvesToItsOwnSeed) {
    const std::set<QString> all = all_episode_keys();
    EXPECT_EQ(all.size(), 16u);
    std::set<std::string> sha1s;
    int web = 0;
    for (const QString& key : all) {
        const std::string link = "eebovod://" + key.toStdString();
        const auto reply = resolve(link);
        ASSERT_TRUE(reply) << link;
        EXPECT_FALSE(reply->episode_name.isEmpty()) << link;
        if (reply->player_type != u"qvod") {
            ++web;
            const auto clip = get(path_of(reply->address.toStdString()));
            ASSERT_TRUE(clip) << link;
            EXPECT_EQ(clip->status, 200);
            EXPECT_EQ(clip->get_header_value("Content-Type"), "video/mp4");
            continue;
        }
        const QvodAddress q = parse_qvod(reply->address);
        ASSERT_EQ(q.sha1.size(), 40u) << reply->address.toStdString();
        EXPECT_TRUE(q.name.endsWith(u".mp4"));
        const auto seed = get(path_of(server().seed_url() + q.sha1));
        ASSERT_TRUE(seed);
        EXPECT_EQ(seed->status, 200);
        EXPECT_EQ(static_cast<std::int64_t>(seed->body.size()), q.size);
        EXPECT_EQ(sha1_hex(seed->body), q.sha1);
        sha1s.insert(q.sha1);
    }
    EXPECT_EQ(web, 1);
    // 4 qvod films and 6 + 5 episodes, each with bytes of its own.
    EXPECT_EQ(sha1s.size(), 15u);
    EXPECT_EQ(server().clips().size(), 16u);
}

TEST_F(DemoCatalogue, ReplyFieldsAreGbk) {
    const auto res = get("/soft/h.asp?id=2001&v=1&v1=2");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find(to_gbk(QString::fromUtf8("第2集$qvod://")).toStdString()),
              std::string::npos);
    EXPECT_NE(res->body.find(to_gbk(QString::fromUtf8("|流浪者_第2集.mp4|$qvod")).toStdString()),
              std::string::npos);
}

TEST_F(DemoCatalogue, UnknownEpisodesAnswerOne) {
    for (const char* query : {"id=9999&v=1&v1=1", "id=2001&v=1&v1=7", "id=2001&v=1&v1=0",
                              "id=2001&v=2&v1=1", "id=abc&v=1&v1=1", "id=1001&v=1&v1=x", ""}) {
        const auto res = get(std::string("/soft/h.asp?") + query);
        ASSERT_TRUE(res) << query;
        EXPECT_EQ(res->body, "1") << query;
    }
}

TEST_F(DemoCatalogue, ReadyLinkMatchesTheReply) {
    const auto page = get("/soft/show/1005.html");
    const auto ready = links(page->body, "eeqvod://");
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(QString::fromStdString(ready.front()).count(QLatin1String("&&&")), 6);
    const QvodLink link = parse_qvod_link(QString::fromStdString(ready.front()));
    EXPECT_EQ(link.player_type, "qvod");
    EXPECT_EQ(js_unescape(link.title), QString::fromUtf8("山那边的风"));
    const auto reply = resolve("eebovod://" + link.id.toStdString() + "-" + link.v.toStdString() +
                               "-" + link.v1.toStdString() + "-" + link.title.toStdString());
    ASSERT_TRUE(reply);
    EXPECT_EQ(js_unescape(link.escaped_address), reply->address);
    EXPECT_EQ(js_unescape(link.episode_name), reply->episode_name);
}

TEST_F(DemoCatalogue, SeedsAnswerRangeRequests) {
    const DemoClip clip = server().clips().front();
    const std::string path = "/seed/" + clip.sha1;
    const std::string whole = get(path)->body;
    ASSERT_EQ(static_cast<std::int64_t>(whole.size()), clip.size);
    const std::string size = std::to_string(clip.size);

    auto res = get(path, "bytes=100-199");
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->get_header_value("Content-Range"), "bytes 100-199/" + size);
    EXPECT_EQ(res->get_header_value("Content-Length"), "100");
    EXPECT_EQ(res->body, whole.substr(100, 100));

    res = get(path, "bytes=" + std::to_string(clip.size - 10) + "-");
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, whole.substr(whole.size() - 10));

    res = get(path, "bytes=" + size + "-");
    EXPECT_EQ(res->status, 416);
    EXPECT_EQ(res->get_header_value("Content-Range"), "bytes */" + size);
    EXPECT_EQ(res->get_header_value("Content-Length"), "0");

    res = get(path);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Length"), size);

    // The web player's copy takes ranges too, as a video element asks for them.
    res = get("/media/" + clip.file, "bytes=0-9");
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, whole.substr(0, 10));
    EXPECT_EQ(get("/seed/" + std::string(40, '0'))->status, 404);
}

TEST_F(DemoCatalogue, WebPlayerPlaysTheEpisodeAndSignalsItsEnd) {
    const auto res = get("/soft/play.htm?1004-2-1-%u7EB8%u98DE%u673A");
    ASSERT_TRUE(res);
    const std::string video =
        "<video id=\"v\" src=\"http://127.0.0.1:" + std::to_string(server().port()) +
        "/media/film_1004.mp4\" autoplay";
    EXPECT_NE(res->body.find(video), std::string::npos);
    EXPECT_NE(res->body.find("'ended'"), std::string::npos);
    EXPECT_NE(res->body.find(std::string("location.href = '") + kEndOfEpisodeAddress + "'"),
              std::string::npos);

    const auto missing = get("/soft/play.htm?1004-1-1-x");
    EXPECT_EQ(missing->body.find("<video"), std::string::npos);
}

TEST_F(DemoCatalogue, EpisodePageMarksTheCurrentOrOfferedEpisode) {
    const std::string key = "2001-1-3-%u6D41%u6D6A%u8005";
    const auto marked = [&](const std::string& suffix, const std::string& cls) {
        const std::string page = get("/soft/pp.htm?" + key + "-" + suffix)->body;
        const auto at = page.find("class=\"" + cls + "\" href=\"eebovod://");
        if (at == std::string::npos)
            return std::string("none");
        return page.substr(at + cls.size() + 25, 9);
    };
    EXPECT_EQ(marked("0", "cur"), "2001-1-3-");
    EXPECT_EQ(marked("0", "next"), "none");
    EXPECT_EQ(marked("14", "next"), "2001-1-4-");
    EXPECT_EQ(marked("14", "cur"), "none");
    EXPECT_EQ(marked("13", "cur"), "2001-1-3-");
    const std::string last = get("/soft/pp.htm?" + key + "-17")->body;
    EXPECT_EQ(marked("17", "next"), "none");
    EXPECT_TRUE(gbk_text(last).contains(QString::fromUtf8("已是最后一集")));
    const std::string page = get("/soft/pp.htm?" + key + "-0")->body;
    EXPECT_EQ(links(page, "eebovod://2001-1-").size(), 6u);
}

TEST_F(DemoCatalogue, SearchFindsTitlesByGbkWords) {
    // "流浪" as a GBK page's form sends it.
    const auto res = get("/soft/search.htm?wd=%C1%F7%C0%CB");
    ASSERT_TRUE(res);
    EXPECT_EQ(links(res->body, "eebovod://").size(), 1u);
    EXPECT_EQ(links(res->body, "eebovod://2001-").size(), 1u);
    EXPECT_EQ(links(get("/soft/search.htm")->body, "eebovod://").size(), 7u);
}

} // namespace
