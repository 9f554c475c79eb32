#include "logic/services/notice_file.h"

#include <gtest/gtest.h>

using namespace kelvara;

TEST(NoticeFile, FieldsAreSplitOnTheSeparatorAndMissingOnesAreEmpty) {
    EXPECT_FALSE(parse_notice(std::nullopt));
    EXPECT_FALSE(parse_notice(QString()));
    EXPECT_FALSE(parse_notice(QStringLiteral("<html>404</html>")));
    const auto three = parse_notice(QStringLiteral("0****http://a====1====x****y"));
    ASSERT_TRUE(three);
    EXPECT_EQ(three->fields.size(), 6);
    EXPECT_EQ(three->field(2), "x****y");
    EXPECT_EQ(three->field(5), "");
    const auto lines = parse_notice(QStringLiteral("a\r\n====\r\n1\r\n===="));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->field(1), "\r\n1\r\n"); // fields keep their line breaks
    EXPECT_EQ(notice_number(lines->field(1)), 1);
}

TEST(NoticeFile, TextAdsUseTheFirstFourItems) {
    const auto ads = text_ads(QStringLiteral("一****http://1@@@@@二****http://2@@@@@三@@@@@四****"
                                             "http://4@@@@@五****http://5@@@@@六****http://6"));
    ASSERT_EQ(ads.size(), 4u);
    EXPECT_EQ(ads[0].text, QStringLiteral("一"));
    EXPECT_EQ(ads[1].link, "http://2");
    EXPECT_EQ(ads[2].text, QStringLiteral("三"));
    EXPECT_EQ(ads[2].link, "");
    EXPECT_EQ(ads[3].link, "http://4");
}

TEST(NoticeFile, UpdateOfferRules) {
    EXPECT_FALSE(offer_at_start("2.1", "2.1"));
    EXPECT_FALSE(offer_at_start("2.1", " 2.1 "));
    EXPECT_TRUE(offer_at_start("2.0", "2.1")); // any other version counts
    EXPECT_TRUE(offer_at_start("3.0", "2.1"));
    EXPECT_FALSE(offer_at_start("0", "2.1"));
    EXPECT_FALSE(offer_at_start("nan", "2.1")); // words, not numbers
    EXPECT_FALSE(offer_at_start("-inf", "2.1"));
    EXPECT_FALSE(offer_at_start("", "2.1"));
    EXPECT_TRUE(offer_on_demand("0", "2.1"));
    EXPECT_FALSE(offer_on_demand("", "2.1"));
    EXPECT_FALSE(offer_on_demand("2.1", "2.1"));
    EXPECT_EQ(clean_version("\r\n3.0\r\n"), "3.0");
}

TEST(NoticeFile, QuitActionOpensOnlyWithFlagOne) {
    EXPECT_EQ(quit_action_address("1****http://a/b"), "http://a/b");
    EXPECT_EQ(quit_action_address("1****http://a/b\r\n"), "http://a/b");
    EXPECT_EQ(quit_action_address("0****http://a/b"), "");
    EXPECT_EQ(quit_action_address("1http://a/b"), "");
    EXPECT_EQ(quit_action_address(""), "");
}
