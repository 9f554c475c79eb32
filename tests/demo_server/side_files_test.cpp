#include "demo_fixture.h"

#include "logic/startup/startup.h"
#include "shared/gbk.h"

#include <QStringList>

using namespace kelvara;
using namespace kelvara::testing;

namespace {

using DemoSideFiles = DemoServerTest;

TEST_F(DemoSideFiles, NoticeFileHasSixFields) {
    const auto res = get("/soft/lib/wen.txt");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=gbk");
    const QStringList fields = gbk_text(res->body).split(QStringLiteral("===="));
    ASSERT_EQ(fields.size(), 6);
    const QString soft = QString::fromStdString(server().base_url());
    EXPECT_EQ(fields[0], QStringLiteral("0****") + soft);
    EXPECT_EQ(fields[1], "1");
    const QStringList ads = fields[2].split(QStringLiteral("@@@@@"));
    ASSERT_EQ(ads.size(), 4);
    for (const QString& ad : ads) {
        const QStringList parts = ad.split(QStringLiteral("****"));
        ASSERT_EQ(parts.size(), 2) << ad.toStdString();
        EXPECT_FALSE(parts[0].isEmpty());
        EXPECT_TRUE(parts[1].startsWith(soft)) << ad.toStdString();
        // Each link leads to a page of the server.
        EXPECT_EQ(get(path_of(parts[1].toStdString()))->status, 200) << ad.toStdString();
    }
    EXPECT_TRUE(fields[2].contains(QString::fromUtf8("流浪者")));
    EXPECT_EQ(fields[3], "1");
    EXPECT_EQ(fields[4], "1");
    EXPECT_EQ(fields[5], "2.1");
}

TEST_F(DemoSideFiles, PagesTheClientAddsASlashToAnswer) {
    for (const char* path : {"/soft//js/ads/fudong.html", "/js/ads/fudong.html",
                             "/soft/js/ads/fudong.html", "/soft//tv", "/tv", "/soft//yy", "/yy"}) {
        const auto res = get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gbk") << path;
        EXPECT_NE(res->body.find("<meta charset=\"gbk\">"), std::string::npos) << path;
    }
    EXPECT_EQ(server().request_count("/soft/tv"), 1);
    EXPECT_EQ(server().request_count("/tv"), 1);
    EXPECT_EQ(server().request_count("/soft/js/ads/fudong.html"), 2);
    const auto targets = server().requests();
    ASSERT_EQ(targets.size(), 7u);
    EXPECT_EQ(targets[0], "/soft//js/ads/fudong.html");
    EXPECT_EQ(targets[3], "/soft//tv");
}

TEST_F(DemoSideFiles, AdvertisementPagesFitTheirPanes) {
    const std::pair<const char*, const char*> pages[] = {
        {"/soft/js/ads/softad.html", "width:163px;height:46px"},
        {"/soft/js/ads/qvodad.html", "width:450px;height:260px"},
        {"/soft/js/ads/fudong.html", "width:268px;height:200px"},
    };
    for (const auto& [path, size] : pages) {
        const auto res = get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_NE(res->body.find(size), std::string::npos) << path;
        // Their links lead to pages of the server.
        for (const std::string& link : links(res->body, "/soft/"))
            EXPECT_EQ(get(link)->status, 200) << path << " " << link;
    }
}

TEST_F(DemoSideFiles, StatisticsRequestIsAnsweredAndCounted) {
    for (const char* id : {"00-1A-2B-3C-4D-5E", "20101009153025563"})
        EXPECT_EQ(get(std::string("/soft/tj/tj.asp?id=") + id)->status, 200);
    EXPECT_EQ(server().request_count("/soft/tj/tj.asp"), 2);
    EXPECT_EQ(server().requests().back(), "/soft/tj/tj.asp?id=20101009153025563");
}

TEST_F(DemoSideFiles, UpdateProgramsAreBinaryDownloads) {
    for (const char* path : {"/soft/update/setup.exe", "/soft/update/update.exe"}) {
        const auto res = get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/octet-stream");
        EXPECT_FALSE(res->body.empty());
    }
}

TEST_F(DemoSideFiles, ClientWithoutQvodIsSentToAPageOfThisServer) {
    const QString page = qvod_download_page(QString::fromStdString(server().base_url()));
    const auto res = get(path_of(page.toStdString()));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gbk");
    EXPECT_TRUE(gbk_text(res->body).contains(QStringLiteral("快播(Qvod)组件")));
    const std::vector<std::string> installer = links(res->body, "/soft/update/");
    ASSERT_EQ(installer.size(), 1u);
    EXPECT_EQ(get(installer[0])->status, 200);
}

TEST_F(DemoSideFiles, TextPagesAreGbk) {
    // Chinese text of each page, as it must read when the bytes are taken as GBK.
    const std::pair<const char*, const char*> pages[] = {
        {"/soft/", "热播剧集"},
        {"/soft/show/1003.html", "雾城来客"},
        {"/soft/pp.htm?2002-1-1-x-0", "江湖夜雨"},
        {"/soft/play.htm?2002-1-2-x", "第2集"},
        {"/tv", "电视直播"},
        {"/yy", "编辑精选"},
        {"/soft/js/ads/qvodad.html", "新片速递"},
        {"/soft/nothing.htm", "页面不存在"},
    };
    for (const auto& [path, text] : pages) {
        const auto res = get(path);
        ASSERT_TRUE(res) << path;
        const QString chinese = QString::fromUtf8(text);
        EXPECT_NE(res->body.find(to_gbk(chinese).toStdString()), std::string::npos) << path;
        EXPECT_EQ(res->body.find(chinese.toStdString()), std::string::npos)
            << path << " holds UTF-8";
        EXPECT_FALSE(gbk_text(res->body).contains(QChar(0xFFFD))) << path;
    }
}

// A browser asks for brotli, which costs the server tens of milliseconds a
// page; on loopback the pages go out as they are.
TEST_F(DemoSideFiles, PagesGoOutUncompressedToABrowser) {
    const httplib::Headers browser{{"Accept-Encoding", "gzip, deflate, br"}};
    for (const char* path : {"/soft/", "/soft/js/ads/qvodad.html", "/soft/lib/wen.txt"}) {
        const auto res = client().Get(path, browser);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_FALSE(res->has_header("Content-Encoding")) << path;
        EXPECT_EQ(res->body, get(path)->body) << path;
    }
}

TEST_F(DemoSideFiles, UnknownPathsAndRoot) {
    EXPECT_EQ(get("/soft/show/4242.html")->status, 404);
    EXPECT_EQ(get("/soft/nothing.htm")->status, 404);
    const auto root = get("/");
    EXPECT_EQ(root->status, 302);
    EXPECT_EQ(root->get_header_value("Location"), "/soft/");
    // The client's retry reloads base + "?30".
    EXPECT_EQ(get("/soft/?30")->status, 200);
}

} // namespace
