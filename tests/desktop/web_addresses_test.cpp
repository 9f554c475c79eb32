#include "desktop/web_addresses.h"

#include <gtest/gtest.h>

using namespace kelvara;

namespace {

TEST(UndoNonAsciiEscapes, RestoresTheTextOfAScriptNavigation) {
    // How Chromium keeps the address a page assigned to location.href.
    EXPECT_EQ(undo_non_ascii_escapes(
                  QStringLiteral("eeqvod://qvod&&&qvod%3A//1%7CAB%7C%u7535.mp4%7C&&&%u4E2D&&&"
                                 "%E7%AC%AC1%E9%9B%86&&&1&&&2&&&3")),
              QStringLiteral("eeqvod://qvod&&&qvod%3A//1%7CAB%7C%u7535.mp4%7C&&&%u4E2D&&&"
                             "第1集&&&1&&&2&&&3"));
    EXPECT_EQ(undo_non_ascii_escapes(QStringLiteral("a%c3%a9%F0%9F%98%80")), QStringLiteral("aé😀"));
}

TEST(UndoNonAsciiEscapes, KeepsEscapesThatAreNoUtf8Character) {
    for (const char* kept : {"%E7&&&x",          // a lead byte alone
                             "%E7%AC",           // cut short
                             "%C0%AF",           // overlong "/"
                             "%ED%A0%80",        // a surrogate
                             "%F4%90%80%80",     // beyond U+10FFFF
                             "%41%3A%7C%u4E2D%", // ASCII, %u escapes, a bare "%"
                             "%E9%u4E2D"}) {     // escape() of "é" then "中"
        EXPECT_EQ(undo_non_ascii_escapes(QString::fromLatin1(kept)), QString::fromLatin1(kept))
            << kept;
    }
}

TEST(Addresses, LocalPathsAreFilesAndOtherAddressesStayAsTheyAre) {
    const QString page = QStringLiteral("/home/u/.local/share/kelvara/c.htm");
    const QUrl file = address_to_url(page);
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_EQ(url_to_address(file), page);
    EXPECT_EQ(address_to_url("about:blank").toString(), "about:blank");
    EXPECT_EQ(address_to_url("http://127.0.0.1:8080/soft/?30").toString(),
              "http://127.0.0.1:8080/soft/?30");
    EXPECT_TRUE(engine_loads(address_to_url("https://example.org/")));
    EXPECT_TRUE(engine_loads(file));
    EXPECT_FALSE(engine_loads(address_to_url("open://3")));
    EXPECT_FALSE(engine_loads(address_to_url("eebovod://123-1-5-%u6D41%u6D6A/")));
}

TEST(Addresses, NewWindowTargetsMatchEvenWhereQtCannotParseThem) {
    const QString qvod = QStringLiteral("eeqvod://qvod&&&%u4E2D");
    EXPECT_TRUE(same_target(QUrl(), qvod));
    EXPECT_FALSE(same_target(QUrl("http://127.0.0.1/a"), qvod));
    EXPECT_FALSE(same_target(QUrl(), "http://127.0.0.1/a"));
    EXPECT_TRUE(same_target(QUrl("http://127.0.0.1/a"), "http://127.0.0.1/a"));
    EXPECT_FALSE(same_target(QUrl("http://127.0.0.1/a"), "http://127.0.0.1/b"));
}

TEST(PageReports, ParsesWhatTheLinkScriptSends) {
    const QString raw = QStringLiteral("eeqvod://a&&&第1集");
    const auto navigate = parse_page_report("navigate " + hex_utf16(raw) + " raw");
    ASSERT_TRUE(navigate);
    EXPECT_EQ(navigate->kind, PageReport::Kind::Navigate);
    EXPECT_EQ(navigate->address, raw);

    const auto script =
        parse_page_report("navigate " + hex_utf16("eeqvod://a&&&%E7%AC%AC1%E9%9B%86") + " engine");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->address, raw);

    const auto popup = parse_page_report("popup " + hex_utf16("open://3") + " " + hex_utf16("x"));
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->kind, PageReport::Kind::Popup);
    EXPECT_EQ(popup->address, "open://3");
    EXPECT_EQ(popup->resolved, "x");

    const auto menu = parse_page_report("menu  -12 40");
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->kind, PageReport::Kind::ContextMenu);
    EXPECT_EQ(menu->address, "");
    EXPECT_EQ(menu->screen_pos, QPoint(-12, 40));

    // A lone surrogate in an href survives the trip.
    const auto lone = parse_page_report("navigate d800 raw");
    ASSERT_TRUE(lone);
    EXPECT_EQ(lone->address, QString(QChar(0xD800)));
}

TEST(PageReports, RejectsMalformedReports) {
    for (const char* text :
         {"", "navigate", "navigate 006 raw", "navigate 00zz raw", "navigate 0061 maybe",
          "navigate 0061", "popup 0061", "menu 0061 1", "menu 0061 x 2", "jump 0061 raw"}) {
        EXPECT_FALSE(parse_page_report(QString::fromLatin1(text))) << text;
    }
}

} // namespace
