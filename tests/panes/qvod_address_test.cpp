#include "logic/links/qvod_address.h"
#include "shared/gbk.h"
#include "shared/qvod_terminal_api.h"

#include <gtest/gtest.h>

using namespace kelvara;

namespace {

const QString kHash = QStringLiteral("0123456789ABCDEF0123456789abcdef01234567");

TEST(QvodAddress, ReadsThePlainForm) {
    const auto address =
        parse_qvod_address(QStringLiteral("qvod://734003200|%1|天下无贼.rmvb|").arg(kHash));
    ASSERT_TRUE(address);
    EXPECT_EQ(address->size, 734003200);
    EXPECT_EQ(address->sha1, kHash.toLower());
    EXPECT_EQ(address->name, QStringLiteral("天下无贼.rmvb"));
    EXPECT_EQ(qvod_address_text(*address),
              QStringLiteral("qvod://734003200|%1|天下无贼.rmvb|").arg(kHash.toUpper()));
    // A name whose escapes held "|" and "%" is written so that it reads back.
    const QvodAddress odd{5, kHash.toLower(), QStringLiteral("第1集|100%41.mp4")};
    const auto odd_again = parse_qvod_address(qvod_address_text(odd));
    ASSERT_TRUE(odd_again);
    EXPECT_EQ(odd_again->name, odd.name);
    const auto no_last_bar = parse_qvod_address(QStringLiteral("QVOD://12|%1|a b.mp4").arg(kHash));
    ASSERT_TRUE(no_last_bar);
    EXPECT_EQ(no_last_bar->name, QStringLiteral("a b.mp4"));
}

TEST(QvodAddress, ReadsEscapedForms) {
    const auto bars = parse_qvod_address(
        QStringLiteral("qvod://100%7C%1%7C%E4%B8%AD%E6%96%87.mp4%7C").arg(kHash));
    ASSERT_TRUE(bars);
    EXPECT_EQ(bars->size, 100);
    EXPECT_EQ(bars->name, QStringLiteral("中文.mp4"));
    const auto js =
        parse_qvod_address(QStringLiteral("qvod://100|%1|%u4E2D%u6587.avi|").arg(kHash));
    ASSERT_TRUE(js);
    EXPECT_EQ(js->name, QStringLiteral("中文.avi"));
    const QByteArray gbk = to_gbk(QStringLiteral("中"));
    const QString gbk_escaped = QStringLiteral("%%1%%2")
                                    .arg(uchar(gbk[0]), 2, 16, QLatin1Char('0'))
                                    .arg(uchar(gbk[1]), 2, 16, QLatin1Char('0'));
    const auto in_gbk =
        parse_qvod_address(QStringLiteral("qvod://100|%1|%2.mkv|").arg(kHash, gbk_escaped));
    ASSERT_TRUE(in_gbk);
    EXPECT_EQ(in_gbk->name, QStringLiteral("中.mkv"));
    EXPECT_EQ(decode_escapes(QStringLiteral("50%off %zz %4")), QStringLiteral("50%off %zz %4"));
}

TEST(QvodAddress, RefusesWhatIsNotAnAddress) {
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("http://x/%1").arg(kHash)));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://0|%1|a.mp4|").arg(kHash)));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://-5|%1|a.mp4|").arg(kHash)));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://1x|%1|a.mp4|").arg(kHash)));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://10|%1|a.mp4|").arg(kHash.left(39))));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://10|%1z|a.mp4|").arg(kHash.left(39))));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://10|%1||").arg(kHash)));
    EXPECT_FALSE(parse_qvod_address(QStringLiteral("qvod://10|%1").arg(kHash)));
}

TEST(TerminalApi, StatusTextRoundTrips) {
    terminal_api::Status status;
    status.state = terminal_api::State::Reconnecting;
    status.permille = 412;
    status.rate_kbs = 96;
    status.have = 4120;
    status.size = 10000;
    status.path = "/home/u/Media/电影.mp4";
    const auto read = terminal_api::parse_status(terminal_api::format_status(status));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->state, terminal_api::State::Reconnecting);
    EXPECT_EQ(read->permille, 412);
    EXPECT_EQ(read->rate_kbs, 96);
    EXPECT_EQ(read->have, 4120);
    EXPECT_EQ(read->path, status.path);
    EXPECT_FALSE(terminal_api::parse_status("permille=3\n"));
    EXPECT_FALSE(terminal_api::parse_status("state=sleeping\n"));
    const auto crlf = terminal_api::parse_status("state=failed\r\nreason=disk-full\r\nextra=1\r\n");
    ASSERT_TRUE(crlf);
    EXPECT_EQ(crlf->reason, "disk-full");
}

TEST(TerminalApi, TargetsEscapeTheName) {
    const QvodAddress address{2048, kHash.toLower(), QStringLiteral("第1集 &a=b.mp4")};
    EXPECT_EQ(terminal_api::stream_target(address),
              QStringLiteral("/stream/%1?size=2048&name=%E7%AC%AC1%E9%9B%86%20%26a%3Db.mp4")
                  .arg(kHash.toLower()));
    EXPECT_TRUE(terminal_api::preload_target(address).startsWith(QStringLiteral("/preload/")));
    EXPECT_EQ(terminal_api::status_target(address), QStringLiteral("/status/") + kHash.toLower());
}

} // namespace
