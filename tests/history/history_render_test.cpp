#include "history/history_fixture.h"
#include "logic/history/history_render.h"
#include "shared/gbk.h"

#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::HistoryFolder;

namespace {

const QByteArray kTail =
    "<div style=\"dispaly:none\" id=\"vd\"></div>\r\n"
    "<script type=\"text/javascript\">\r\n"
    "var obj=document.getElementById(\"v1\");\r\n"
    "var ob1=document.getElementById(\"vd\");\r\n"
    "for(var i=0;i<obj.rows.length;i++){\r\n"
    "obj.rows[i].onmouseover=function(){ob1.style.background=this.style.backgroundColor;"
    "this.style.background=\"#D6EEAF\";}\r\n"
    "obj.rows[i].onmouseout=function(){this.style.background=ob1.style.background;}\r\n"
    "if(obj.rows[i].rowIndex%2==1){obj.rows[i].style.backgroundColor=\"#eeeeee\";}else{"
    "obj.rows[i].style.backgroundColor=\"#ffffff\";}}\r\n"
    "</script></body></html>\r\n\r\n";

QByteArray page_with(const QByteArray& rows) {
    QByteArray head = QByteArray(kPageHead);
    head.replace("<vod>", rows);
    return head + kTail;
}

QByteArray gbk(const char* utf8) {
    return to_gbk(QString::fromUtf8(utf8));
}

class HistoryRender : public HistoryFolder {};

} // namespace

TEST(HistoryPage, HeadIsOneLineOf469Characters) {
    EXPECT_EQ(QString::fromUtf8(kPageHead).size(), 469);
}

// The rendering tests below build their expected pages from kPageHead; this
// pins its text.
TEST(HistoryPage, HeadIsTheFixedStyleBodyAndTableOpening) {
    EXPECT_EQ(QByteArray(kPageHead),
              "<html><head><title></title><style type=\"text/css\">*{margin:0;padding:0;"
              "border:0px;}body{overflow:auto;backgrond:#ffffff;}a:link,a:visited,a:active,"
              "a:hover{color:#020202;text-decoration:none;display:block}td{padding:3px 2px 3px "
              "2px;font-size:12px; border-bottom:1PX solid #CCC;}td img{width:11px;height:11px;}"
              "</style></head><body oncontextmenu=\"return false\" ondragstart=\"return "
              "false\"><table id=\"v1\" width=\"100%\" cellpadding=\"0\" cellspacing=\"0\" "
              "border=\"0\"><vod></table>");
}

TEST_F(HistoryRender, EmptyListGivesTheEmptyListRowExactly) {
    put("date.dat", "\r\n");
    history.history_render(HistoryList::NetworkTasks);
    EXPECT_EQ(get("c.htm"),
              page_with(gbk("<tr><td colspan=2 align=center>暂无观看记录</td></tr>")));
    EXPECT_EQ(web3.requested, QStringList{dir.filePath("c.htm")});
}

TEST_F(HistoryRender, RowsCarryTheirLineNumbersAndShortTitles) {
    // Line 1 empty, line 2 a record whose title is twelve Chinese characters.
    const QString title = QStringLiteral("一二三四五六七八九十甲乙");
    put("date.dat",
        "\r\n5|" + to_gbk(title) + "|e|a|1|1|0\r\nno record here\r\n6|ab|e|a|1|1|0\r\n");
    history.history_render(HistoryList::NetworkTasks);
    const QByteArray row2 =
        gbk("<tr><td align=left width=96%><a title=\"一二三四五六七八九十甲乙\" "
            "href=open://2>·一二三四五六七八九</a></td><td width=3%><a "
            "href=delk://2><img src=\"i.gif\" alt=\"删除\"></a></td></tr>");
    const QByteArray row4 = gbk("<tr><td align=left width=96%><a title=\"ab\" href=open://4>·ab</a>"
                                "</td><td width=3%><a href=delk://4><img src=\"i.gif\" "
                                "alt=\"删除\"></a></td></tr>");
    EXPECT_EQ(get("c.htm"), page_with(row2 + row4));
}

TEST_F(HistoryRender, ShownFieldIsUnescapedAndEmptyOnesGetNoRow) {
    put("date.dat", "1|%u6D41%u6D6A%20%u5730%u7403|e|a|1|1|0\r\n2||e|a|1|1|0\r\n3|x|e|a|1|1|0\r\n");
    history.history_render(HistoryList::NetworkTasks);
    const QByteArray page = get("c.htm");
    EXPECT_TRUE(page.contains(gbk("title=\"流浪 地球\" href=open://1>·流浪 地球</a>")));
    EXPECT_FALSE(page.contains("open://2"));
    EXPECT_TRUE(page.contains("href=open://3>"));
}

TEST_F(HistoryRender, ServerTextCannotAddMarkup) {
    put("date.dat", "1|%3Cscript%3Ealert(1)%3C/script%3E%22%20onclick%3D%22x|e|a|1|1|0\r\n");
    history.history_render(HistoryList::NetworkTasks);
    const QByteArray page = get("c.htm");
    EXPECT_FALSE(page.contains("<script>alert"));
    EXPECT_TRUE(page.contains("title=\"&lt;script&gt;alert(1)&lt;/script&gt;&quot; "
                              "onclick=&quot;x\" href=open://1>"));
    EXPECT_TRUE(page.contains(gbk(">·&lt;script&gt;alert(1)&lt;/</a>")));
}

TEST_F(HistoryRender, LocalListShowsFileNamesInItsOwnPage) {
    put("date_f.dat", gbk("电影 1.mp4|/v/电影 1.mp4|0\r\n"));
    put("c.htm", "untouched");
    history.history_render(HistoryList::LocalFiles);
    EXPECT_TRUE(get("f.htm").contains(gbk("title=\"电影 1.mp4\" href=open://1>·电影 1.mp4</a>")));
    EXPECT_EQ(get("c.htm"), "untouched");
    EXPECT_EQ(web4.requested, QStringList{dir.filePath("f.htm")});
    EXPECT_TRUE(web3.requested.isEmpty());
}

TEST_F(HistoryRender, MissingListKeepsThePage) {
    put("c.htm", "previous");
    history.history_render(HistoryList::NetworkTasks);
    EXPECT_EQ(get("c.htm"), "previous");
    EXPECT_TRUE(web3.requested.isEmpty());
}
