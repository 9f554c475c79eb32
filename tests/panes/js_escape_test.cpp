#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"

#include <gtest/gtest.h>

using namespace kelvara;

TEST(JsEscape, MatchesTheScriptFunction) {
    EXPECT_EQ(js_escape("AZaz09@*_+-./"), "AZaz09@*_+-./");
    EXPECT_EQ(js_escape(" &=?%|:"), "%20%26%3D%3F%25%7C%3A");
    EXPECT_EQ(js_escape(QStringLiteral("流浪地球")), "%u6D41%u6D6A%u5730%u7403");
    EXPECT_EQ(js_escape(QStringLiteral("é\u00ff")), "%E9%FF");
    EXPECT_EQ(js_escape(QStringLiteral("😀")), "%uD83D%uDE00");
    EXPECT_EQ(js_escape("qvod://1|AB|x.mp4|"), "qvod%3A//1%7CAB%7Cx.mp4%7C");
}

TEST(JsEscape, UnescapeInvertsEscapeForAnyText) {
    const QString texts[] = {QStringLiteral("第1集 流浪地球"), QStringLiteral("a&&&b$c%d|e"),
                             QStringLiteral("😀 emoji \U0001F3AC"), QString(QChar(0)) + "x",
                             QStringLiteral("%u6D41 literal")};
    for (const QString& t : texts)
        EXPECT_EQ(js_unescape(js_escape(t)), t);
}

TEST(JsEscape, MalformedSequencesStayAsTheyAre) {
    EXPECT_EQ(js_unescape("%u12"), "%u12");
    EXPECT_EQ(js_unescape("%uZZZZ"), "%uZZZZ");
    EXPECT_EQ(js_unescape("%u00e9"), QStringLiteral("é"));
    EXPECT_EQ(js_unescape("%"), "%");
    EXPECT_EQ(js_unescape("%4"), "%4");
    EXPECT_EQ(js_unescape("%4g%41"), "%4gA");
    EXPECT_EQ(js_unescape("%u4E2%41"), "%u4E2A");
    EXPECT_EQ(js_unescape("100%"), "100%");
}

TEST(LinkFormats, EpisodeKeySplitsOnEveryDash) {
    const EpisodeKey k = split_episode_key(strip_scheme("eebovod://123-1-5-%u6D41/", "eebovod://"));
    EXPECT_EQ(k.id, 123);
    EXPECT_EQ(k.v, "1");
    EXPECT_EQ(k.v1, "5");
    EXPECT_EQ(k.title, "%u6D41");
    EXPECT_EQ(k.text(), "123-1-5-%u6D41");
    EXPECT_EQ(split_episode_key("12a-1-2-Star-Wars").id, 0);
    EXPECT_EQ(split_episode_key("12a-1-2-Star-Wars").title, "Star");
    EXPECT_EQ(split_episode_key("7").v, "");
    EXPECT_EQ(play_address_request("http://h/soft/", 123, "1", "5"),
              "http://h/soft/h.asp?id=123&v=1&v1=5");
}

TEST(LinkFormats, RepliesAndResolvedLinks) {
    EXPECT_TRUE(reply_is_failure(std::nullopt));
    EXPECT_TRUE(reply_is_failure(QString()));
    EXPECT_TRUE(reply_is_failure(QStringLiteral("1")));
    EXPECT_TRUE(reply_is_failure(QStringLiteral("0")));
    EXPECT_FALSE(reply_is_failure(QStringLiteral("第1集$qvod://1|A|b|$qvod")));
    EXPECT_FALSE(split_reply(QStringLiteral("<html>error</html>")).has_value());
    const auto r = split_reply(QStringLiteral("第1集$http://a/b?x=1&y=2$web$extra"));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->episode_name, QStringLiteral("第1集"));
    EXPECT_EQ(r->address, "http://a/b?x=1&y=2");
    EXPECT_EQ(r->player_type, "web");

    const QvodLink link{
        "qvod", js_escape("http://a/b?x=1&&&y"), "%u6D41", QStringLiteral("第1集"), "123", "1",
        "5"};
    const QvodLink back = parse_qvod_link(link.text() + "/");
    EXPECT_EQ(js_unescape(back.escaped_address), "http://a/b?x=1&&&y");
    EXPECT_EQ(back.episode_name, QStringLiteral("第1集"));
    EXPECT_EQ(back.v1, "5");
    EXPECT_EQ(parse_qvod_link("eeqvod://web&&&a").title, "");
    EXPECT_EQ(episode_page_address("http://h/soft/", "1-2-5-t", "25"),
              "http://h/soft/pp.htm?1-2-5-t-25");
    EXPECT_EQ(web_player_address("http://h/soft/", "1-2-5-t"), "http://h/soft/play.htm?1-2-5-t");
}
