#include "page_kit.h"
#include "site_pages.h"

namespace kelvara::demo {

namespace {

const char kSoftadCss[] = R"(
html,body{margin:0;width:163px;height:46px;overflow:hidden;font-family:"Microsoft YaHei","WenQuanYi Zen Hei",sans-serif}
a{display:block;position:relative;width:163px;height:46px;overflow:hidden;color:#fff;text-decoration:none;background:linear-gradient(135deg,#6a2c70,#203a60)}
a:after{content:"";position:absolute;top:0;left:-50px;width:30px;height:46px;background:linear-gradient(90deg,rgba(255,255,255,0),rgba(255,255,255,.4),rgba(255,255,255,0));transform:skewX(-20deg);animation:shine 3.5s infinite}
@keyframes shine{60%,100%{left:190px}}
b{position:absolute;left:8px;top:5px;font-size:14px;letter-spacing:1px}
b em{font-style:normal;color:#ffd27a}
span{position:absolute;left:8px;top:25px;font-size:11px;color:#d9d2ea}
i{position:absolute;right:7px;top:12px;font-style:normal;font-size:11px;font-weight:bold;background:#f5a623;color:#222;border-radius:9px;padding:1px 7px}
)";

const char kQvodadCss[] = R"(
html,body{margin:0;width:450px;height:260px;overflow:hidden;font-family:"Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;background:#081830}
.ad{position:relative;display:flex;gap:18px;width:450px;height:260px;padding:22px 24px;box-sizing:border-box;color:#fff;text-decoration:none;background:radial-gradient(circle at 80% 20%,#2c7cc0,#0b1a30 70%)}
.pic{width:128px;flex:none}
.pic svg{display:block;width:100%;height:auto;border-radius:4px;box-shadow:0 8px 20px rgba(0,0,0,.5)}
.lab{display:inline-block;background:#e8590c;border-radius:3px;padding:0 8px;font-size:12px}
h1{font-size:30px;margin:8px 0 4px;letter-spacing:2px}
h2{font-size:14px;font-weight:normal;color:#ffd27a;margin:0 0 10px}
ul{margin:0 0 14px;padding:0;list-style:none;color:#c6d4e4;font-size:12px;line-height:1.9}
li:before{content:"";display:inline-block;width:6px;height:6px;border-radius:50%;background:#f5a623;margin-right:7px;vertical-align:middle}
.go{display:inline-block;background:linear-gradient(#ffb43b,#f08c00);border-radius:16px;padding:5px 22px;font-weight:bold;font-size:14px;animation:pulse 1.6s infinite}
@keyframes pulse{50%{box-shadow:0 0 0 6px rgba(245,166,35,.25)}}
.corner{position:absolute;right:8px;bottom:6px;font-size:10px;color:rgba(255,255,255,.4)}
)";

const char kFudongCss[] = R"(
html,body{margin:0;width:268px;height:200px;overflow:hidden;font:12px/1.5 "Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;background:#fff;color:#333}
a{color:inherit;text-decoration:none}
.bar{height:26px;line-height:26px;padding:0 10px;color:#fff;font-weight:bold;background:linear-gradient(#f08c00,#d46f00)}
.bar small{font-weight:normal;float:right;color:#ffe7c2}
.main{display:flex;gap:10px;padding:10px}
.pic{width:72px;flex:none}
.pic svg{display:block;width:100%;height:auto;border-radius:3px;box-shadow:0 2px 5px rgba(0,0,0,.3)}
.main h3{margin:0;font-size:14px;color:#b33a00}
.main p{margin:3px 0 7px;color:#666;font-size:11px;line-height:1.6}
.go{display:inline-block;background:#e8590c;color:#fff;border-radius:3px;padding:2px 12px}
.links{border-top:1px dashed #e3e3e3;margin:0 10px;padding-top:5px}
.links a{display:block;white-space:nowrap;overflow:hidden;text-overflow:ellipsis;color:#1c5fb0}
.links a:hover{color:#e8590c}
)";

} // namespace

QString softad_page() {
    const QString body =
        u("<a href=\"") + show_link(2001) +
        u("\" target=\"_blank\"><b>流浪者 <em>全6集</em></b><span>高清完结 免费畅看</span>"
          "<i>GO</i></a>");
    return html_page(u("Kelvara推荐"), u(kSoftadCss), body, false);
}

QString qvodad_page() {
    const CatalogueTitle& t = *find_title(1002);
    const QString body =
        u("<a class=\"ad\" href=\"") + show_link(t.id) +
        u("\" target=\"_blank\"><span class=\"pic\">") + poster_svg(t) +
        u("</span><span><span class=\"lab\">新片速递</span><h1>星海信号</h1><h2>国产科幻巨制 "
          "高清首播</h2>"
          "<ul><li>QVOD 高速通道 边下边播</li><li>高清画质 "
          "原声中字</li><li>会员抢先看完整版</li></ul>"
          "<span class=\"go\">立即观看</span></span><span class=\"corner\">广告</span></a>");
    return html_page(u("新片速递"), u(kQvodadCss), body, false);
}

QString fudong_page() {
    const CatalogueTitle& t = *find_title(2002);
    const QString body =
        u("<div class=\"bar\">Kelvara 每日推荐<small>广告</small></div><div class=\"main\"><a "
          "class=\"pic\" href=\"") +
        show_link(t.id) + u("\" target=\"_blank\">") + poster_svg(t) +
        u("</a><div><h3>江湖夜雨</h3>"
          "<p>更新至第5集，每周五晚八点准时更新。雨夜破庙，琴声杀机……</p><a class=\"go\" href=\"") +
        show_link(t.id) +
        u("\" target=\"_blank\">马上观看</a></div></div><div class=\"links\"><a href=\"") +
        show_link(1002) + u("\" target=\"_blank\">[科幻] 星海信号 高清版火热上映</a><a href=\"") +
        show_link(1005) + u("\" target=\"_blank\">[纪录] 山那边的风 口碑高分推荐</a></div>");
    return html_page(u("每日推荐"), u(kFudongCss), body, false);
}

} // namespace kelvara::demo
