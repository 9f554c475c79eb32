#include "page_kit.h"
#include "site_pages.h"

#include <QStringList>
#include <algorithm>

namespace kelvara::demo {

namespace {

const char kHomeCss[] = R"(
.hero{display:flex;gap:20px;background:linear-gradient(120deg,#0b1a30,#1f4d7a 70%,#2c7cc0);color:#fff;border-radius:6px;padding:18px;margin-bottom:14px}
.hero .pic{width:150px;flex:none}
.hero .pic svg{display:block;width:100%;height:auto;border-radius:4px;box-shadow:0 6px 18px rgba(0,0,0,.45)}
.hero .txt{min-width:0}
.hero .lab{display:inline-block;background:#f5a623;color:#222;font-weight:bold;border-radius:3px;padding:0 8px;font-size:11px}
.hero h1{font-size:26px;margin:6px 0}
.hero .meta span{display:inline-block;background:rgba(255,255,255,.14);border-radius:10px;padding:0 9px;margin:0 6px 4px 0;font-size:11px}
.hero p{color:#c6d4e4;line-height:1.9;margin:8px 0 16px;max-width:560px}
.cols{display:flex;gap:14px;align-items:flex-start}
.cols .wide{flex:1;min-width:0}
.cols .side{width:232px;flex:none}
.rank li{display:flex;align-items:center;padding:6px 0;border-bottom:1px dashed #eee}
.rank i{font-style:normal;width:18px;height:18px;line-height:18px;text-align:center;background:#c4c9d0;color:#fff;border-radius:3px;font-size:11px;margin-right:8px;flex:none}
.rank li:nth-child(-n+3) i{background:#f08c00}
.rank a{flex:1;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.rank em,.news em{font-style:normal;color:#aaa;margin-left:6px}
.news li{display:flex;padding:5px 0;border-bottom:1px dashed #eee}
.news a{flex:1;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.news a:before{content:"";display:inline-block;border-left:6px solid #f5a623;border-top:4px solid transparent;border-bottom:4px solid transparent;margin-right:7px}
.notice{background:#fff8e6;border:1px solid #ffe0a3;color:#8a5a00;border-radius:4px;padding:8px 10px;line-height:1.8}
@media (max-width:660px){.cols{display:block}.cols .side{width:auto}.hero .pic{width:110px}.hero h1{font-size:21px}}
)";

const char kTitleCss[] = R"(
.crumb{color:#999;margin-bottom:10px}
.crumb a{color:#666}
.detail{display:flex;gap:22px}
.detail .pic{width:172px;flex:none}
.detail .pic svg{display:block;width:100%;height:auto;border-radius:4px;box-shadow:0 4px 12px rgba(0,0,0,.3)}
.detail .info{min-width:0;flex:1}
.detail h1{font-size:24px;color:#222;line-height:1.3}
.detail h1 .score{font-size:20px;margin-left:10px}
.detail h1 small{font-size:13px;color:#999;font-weight:normal;margin-left:8px}
.detail dl{display:grid;grid-template-columns:50px 1fr;gap:4px 6px;margin:12px 0 18px;color:#555}
.detail dt{color:#999}
.tip{color:#999;margin-top:10px}
.line{display:flex;align-items:center;gap:10px;margin-bottom:12px}
.line b{font-size:14px;color:#222}
.line span{color:#999}
.line .dot{width:8px;height:8px;border-radius:50%;background:#3cb371;display:inline-block}
.eps{display:grid;grid-template-columns:repeat(auto-fill,minmax(80px,1fr));gap:8px}
.eps a{display:block;border:1px solid #dde1e6;border-radius:3px;text-align:center;padding:6px 0;background:#fafbfc}
.eps a:hover{border-color:#f08c00;color:#f08c00;background:#fff8ef}
.eps a.new{position:relative}
.eps a.new:after{content:"新";position:absolute;right:-1px;top:-1px;background:#e8590c;color:#fff;font-size:10px;line-height:14px;padding:0 3px;border-radius:0 3px 0 3px}
.intro{line-height:2;color:#444;text-indent:2em}
@media (max-width:560px){.detail .pic{width:120px}}
)";

const char kSearchCss[] = R"(
.res li{display:flex;gap:14px;padding:12px 0;border-bottom:1px solid #f0f0f0}
.res .pic{width:84px;flex:none}
.res .pic svg{display:block;width:100%;height:auto;border-radius:3px}
.res h3{font-size:15px;color:#222}
.res p{color:#777;margin:4px 0 8px}
.res .btn{padding:4px 14px;font-size:12px}
.empty{color:#999;padding:30px 0;text-align:center;font-size:14px}
)";

std::vector<const CatalogueTitle*> titles(bool series) {
    std::vector<const CatalogueTitle*> out;
    for (const CatalogueTitle& t : catalogue()) {
        if (t.series == series)
            out.push_back(&t);
    }
    return out;
}

QString hero() {
    const CatalogueTitle& t = *find_title(1002);
    return u("<div class=\"hero\"><a class=\"pic\" href=\"") + title_page_path(t) + u("\">") +
           poster_svg(t) + u("</a><div class=\"txt\"><span class=\"lab\">本周主打</span><h1>") +
           html_escape(t.title) + u("</h1><div class=\"meta\"><span>") + t.year +
           u("</span><span>") + html_escape(t.genre) + u("</span><span>") + html_escape(t.region) +
           u("</span><span>评分 ") + t.score + u("</span></div><p>") + html_escape(t.summary) +
           u("</p><a class=\"btn\" href=\"") + eebovod_link(t, t.episodes.front(), true) +
           u("\">立即播放</a><a class=\"btn ghost\" href=\"") + title_page_path(t) +
           u("\">影片详情</a></div></div>");
}

QString tile_section(const char* anchor, const char* heading, const char* note, bool series) {
    QString out = u("<div class=\"box\" id=\"") + u(anchor) + u("\"><div class=\"hd\"><h2>") +
                  u(heading) + u("</h2><span>") + u(note) +
                  u("</span><a class=\"more\" href=\"search.htm\">更多&gt;&gt;</a>"
                    "</div><div class=\"grid\">");
    for (const CatalogueTitle* t : titles(series))
        out += poster_tile(*t, QString());
    return out + u("</div></div>");
}

QString ranking() {
    std::vector<const CatalogueTitle*> all;
    for (const CatalogueTitle& t : catalogue())
        all.push_back(&t);
    std::stable_sort(all.begin(), all.end(), [](auto* a, auto* b) { return a->score > b->score; });
    QString out =
        u("<div class=\"box\"><div class=\"hd\"><h2>热播排行</h2></div><ul class=\"rank\">");
    int n = 0;
    for (const CatalogueTitle* t : all) {
        out += u("<li><i>") + QString::number(++n) + u("</i><a href=\"") +
               eebovod_link(*t, t->episodes.front(), false) + u("\" title=\"") +
               html_escape(t->title) + u("\">") + html_escape(t->title) + u("</a><em>") + t->score +
               u("</em></li>");
    }
    return out + u("</ul></div>");
}

QString latest() {
    QString out =
        u("<div class=\"box\"><div class=\"hd\"><h2>最近更新</h2></div><ul class=\"news\">");
    for (const CatalogueTitle* t : titles(true)) {
        for (auto e = t->episodes.rbegin(); e != t->episodes.rend() && e - t->episodes.rbegin() < 3;
             ++e) {
            out += u("<li><a href=\"") + eebovod_link(*t, *e, true) + u("\">") +
                   html_escape(t->title) + u(" ") + html_escape(e->name) + u("</a><em>") +
                   (e == t->episodes.rbegin() ? u("今天") : u("昨天")) + u("</em></li>");
        }
    }
    return out + u("</ul></div>");
}

QString detail_rows(const CatalogueTitle& t) {
    const auto row = [](const char* name, const QString& value) {
        return u("<dt>") + u(name) + u("</dt><dd>") + html_escape(value) + u("</dd>");
    };
    return u("<dl>") + row("导演：", t.director) + row("主演：", t.cast) + row("类型：", t.genre) +
           row("地区：", t.region) + row("年份：", t.year) + row("状态：", t.status()) + u("</dl>");
}

QString play_buttons(const SiteContext& site, const CatalogueTitle& t) {
    const CatalogueEpisode& first = t.episodes.front();
    QString out = u("<a class=\"btn\" href=\"") + eebovod_link(t, first, true) + u("\">") +
                  (t.series ? u("播放第1集") : u("立即播放")) + u("</a>");
    // A page may also hand the client an address it already knows.
    if (t.id == 1005) {
        const QString address = play_address(site, t, first);
        if (!address.isEmpty())
            out += u("<a class=\"btn alt\" href=\"") + eeqvod_link(t, first, address) +
                   u("\">极速通道</a>");
    }
    if (t.player_type != u"qvod")
        out += u("<div class=\"tip\">本片为网页播放，无需安装播放插件。</div>");
    else
        out += u("<div class=\"tip\">使用 QVOD 高速通道，边下边播，越看越流畅。</div>");
    return out;
}

QString episode_list(const CatalogueTitle& t) {
    QString out =
        u("<div class=\"box\"><div class=\"hd\"><h2>播放列表</h2><span>") +
        html_escape(t.status()) + u("</span></div><div class=\"line\"><i class=\"dot\"></i><b>") +
        html_escape(t.line_name) + u("</b><span>画质：高清 320P</span></div><div class=\"eps\">");
    for (const CatalogueEpisode& e : t.episodes) {
        const bool newest = t.series && !t.finished && &e == &t.episodes.back();
        out += u("<a") + (newest ? u(" class=\"new\"") : QString()) + u(" href=\"") +
               eebovod_link(t, e, false) + u("\">") + html_escape(e.name) + u("</a>");
    }
    return out + u("</div></div>");
}

QString related(const CatalogueTitle& t) {
    QString out =
        u("<div class=\"box\"><div class=\"hd\"><h2>猜你喜欢</h2></div><div class=\"grid\">");
    for (const CatalogueTitle& other : catalogue()) {
        if (other.id != t.id)
            out += poster_tile(other, u("../"));
    }
    return out + u("</div></div>");
}

bool matches(const CatalogueTitle& t, const QString& words) {
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) {
        if (!t.title.contains(word) && !t.genre.contains(word) && !t.cast.contains(word) &&
            !t.director.contains(word) && !t.region.contains(word))
            return false;
    }
    return true;
}

} // namespace

QString home_page() {
    const QString body =
        site_header(QString(), u("home")) + u("<div class=\"main\">") + hero() +
        u("<div class=\"cols\"><div class=\"wide\">") +
        tile_section("films", "热门电影", "高清大片 每日更新", false) +
        tile_section("series", "热播剧集", "同步更新 边下边播", true) +
        u("</div><div class=\"side\">") +
        u("<div class=\"box notice\">欢迎使用 Kelvara 影视！点击片名即可在客户端中播放，"
          "剧集播放完毕后将自动续播下一集。</div>") +
        ranking() + latest() + u("</div></div></div>") + site_footer();
    return html_page(u("Kelvara影视 - 高清电影 热播剧集 免费在线观看"), u(kHomeCss), body);
}

QString title_page(const SiteContext& site, const CatalogueTitle& t) {
    const QString kind = t.series ? u("电视剧") : u("电影");
    const QString anchor = t.series ? u("#series") : u("#films");
    const QString body =
        site_header(u("../"), t.series ? u("series") : u("films")) + u("<div class=\"main\">") +
        u("<div class=\"crumb\"><a href=\"../\">首页</a> &gt; <a href=\"../") + anchor + u("\">") +
        kind + u("</a> &gt; ") + html_escape(t.title) +
        u("</div><div class=\"box\"><div class=\"detail\"><div class=\"pic\">") + poster_svg(t) +
        u("</div><div class=\"info\"><h1>") + html_escape(t.title) + u("<span class=\"score\">") +
        t.score + u("</span><small>") + t.year + u("</small></h1>") + detail_rows(t) +
        play_buttons(site, t) + u("</div></div></div>") + episode_list(t) +
        u("<div class=\"box\"><div class=\"hd\"><h2>剧情简介</h2></div><p class=\"intro\">") +
        html_escape(t.summary) + u("</p></div>") + related(t) + u("</div>") + site_footer();
    return html_page(t.title + u(" - ") + kind + u(" - Kelvara影视"), u(kTitleCss), body);
}

QString search_page(const QString& words) {
    const QString query = words.simplified();
    QString list;
    int found = 0;
    for (const CatalogueTitle& t : catalogue()) {
        if (!matches(t, query))
            continue;
        ++found;
        list +=
            u("<li><a class=\"pic\" href=\"") + title_page_path(t) + u("\">") + poster_svg(t) +
            u("</a><div><h3><a href=\"") + title_page_path(t) + u("\">") + html_escape(t.title) +
            u("</a> <span class=\"score\">") + t.score + u("</span></h3><p>") +
            html_escape(t.year + u(" / ") + t.region + u(" / ") + t.genre + u(" / ") + t.status()) +
            u("<br>主演：") + html_escape(t.cast) + u("</p><a class=\"btn\" href=\"") +
            eebovod_link(t, t.episodes.front(), true) + u("\">立即播放</a></div></li>");
    }
    const QString heading =
        query.isEmpty() ? u("全部影片") : u("“") + html_escape(query) + u("”的搜索结果");
    const QString body =
        site_header(QString(), u("search")) +
        u("<div class=\"main\"><div class=\"box\"><div class=\"hd\"><h2>") + heading +
        u("</h2><span>共 ") + QString::number(found) + u(" 部</span></div>") +
        (found ? u("<ul class=\"res\">") + list + u("</ul>")
               : u("<div class=\"empty\">没有找到相关影片，换个关键词试试吧。</div>")) +
        u("</div></div>") + site_footer();
    return html_page(u("搜索 - Kelvara影视"), u(kSearchCss), body);
}

} // namespace kelvara::demo
