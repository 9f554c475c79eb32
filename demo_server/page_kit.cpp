#include "page_kit.h"

#include "logic/links/js_escape.h"

namespace kelvara::demo {

namespace {

const char kSiteCss[] = R"(
*{box-sizing:border-box;margin:0;padding:0}
body{font:12px/1.6 "Microsoft YaHei","PingFang SC","WenQuanYi Zen Hei","Noto Sans CJK SC",sans-serif;color:#333;background:#eef0f3}
a{color:inherit;text-decoration:none}
a:hover{color:#e8590c}
ul{list-style:none}
.top{background:linear-gradient(180deg,#22303f,#161f29);border-bottom:3px solid #f5a623}
.top .in{max-width:980px;margin:0 auto;height:50px;display:flex;align-items:center;padding:0 14px}
.logo{font-size:21px;font-weight:bold;color:#fff;letter-spacing:1px;margin-right:26px;white-space:nowrap}
.logo b{color:#f5a623}
.logo small{font-size:11px;color:#8a9bb0;font-weight:normal;margin-left:6px}
.nav{white-space:nowrap}
.nav a{color:#c9d3df;font-size:14px;margin-right:18px;padding:4px 0}
.nav a.on,.nav a:hover{color:#fff;border-bottom:2px solid #f5a623}
.find{margin-left:auto;display:flex}
.find input{width:150px;height:26px;border:0;border-radius:13px 0 0 13px;padding:0 10px;font:inherit;outline:none}
.find button{height:26px;padding:0 12px;border:0;background:#f5a623;color:#222;border-radius:0 13px 13px 0;font:bold 12px/26px inherit;cursor:pointer}
.main{max-width:980px;margin:0 auto;padding:14px}
.box{background:#fff;border-radius:6px;box-shadow:0 1px 3px rgba(0,0,0,.08);padding:14px 16px;margin-bottom:14px}
.hd{display:flex;align-items:baseline;border-bottom:1px solid #eee;padding-bottom:8px;margin-bottom:12px}
.hd h2{font-size:16px;color:#222;border-left:4px solid #f5a623;padding-left:8px;line-height:1.2}
.hd span{margin-left:10px;color:#999}
.hd a.more{margin-left:auto;color:#999}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(104px,1fr));gap:16px 14px}
.tile{position:relative;display:block}
.tile svg{display:block;width:100%;height:auto;border-radius:4px;box-shadow:0 2px 6px rgba(0,0,0,.25);transition:transform .2s}
.tile:hover svg{transform:translateY(-3px)}
.tile .tag{position:absolute;right:0;top:0;background:rgba(0,0,0,.65);color:#ffd27a;font-size:11px;padding:1px 6px;border-radius:0 4px 0 4px}
.tile .nm{display:block;font-size:13px;font-weight:bold;margin-top:6px;color:#222;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.tile .mt{display:block;color:#999;font-size:11px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.score{color:#e8590c;font-weight:bold}
.btn{display:inline-block;background:linear-gradient(#ffb43b,#f08c00);color:#fff;border-radius:4px;padding:7px 22px;font-size:14px;font-weight:bold;box-shadow:0 2px 4px rgba(240,140,0,.35);margin-right:8px}
.btn:hover{color:#fff;filter:brightness(1.08)}
.btn.alt{background:linear-gradient(#4aa3ff,#1c6fd1);box-shadow:0 2px 4px rgba(28,111,209,.35)}
.btn.ghost{background:none;border:1px solid rgba(255,255,255,.5);box-shadow:none}
.foot{text-align:center;color:#999;padding:18px 0 26px;line-height:2}
)";

// A small deterministic sequence, so a poster looks the same on every page.
class Dice {
public:
    explicit Dice(qint64 seed) : state_(static_cast<quint32>(seed) * 2654435761u + 1u) {}
    int next(int below) {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 8) % static_cast<quint32>(below));
    }

private:
    quint32 state_;
};

QString motif_sun() {
    return u(
        R"(<circle cx="138" cy="84" r="40" fill="#ffd27a" opacity=".85"/>)"
        R"(<circle cx="138" cy="84" r="58" fill="#ffd27a" opacity=".18"/>)"
        R"(<path d="M0 150 Q50 138 100 150 T200 150 V280 H0Z" fill="#2a1808" opacity=".55"/>)"
        R"(<path d="M0 168 Q50 158 100 168 T200 168" stroke="#ffe3a8" stroke-width="2" fill="none" opacity=".5"/>)"
        R"(<path d="M30 178 Q80 170 130 178" stroke="#ffe3a8" stroke-width="1.5" fill="none" opacity=".35"/>)"
        R"(<path d="M52 146 h54 l-8 10 h-38z" fill="#1a0f05" opacity=".8"/>)");
}

QString motif_stars(qint64 id) {
    Dice dice(id);
    QString out;
    for (int i = 0; i < 46; ++i) {
        out +=
            QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#fff\" opacity=\".%4\"/>")
                .arg(dice.next(200))
                .arg(dice.next(190))
                .arg(dice.next(3) == 0 ? QStringLiteral("1.6") : QStringLiteral("0.8"))
                .arg(4 + dice.next(6));
    }
    out += u(
        R"(<circle cx="70" cy="110" r="34" fill="#6fb6ff" opacity=".9"/>)"
        R"~(<ellipse cx="70" cy="110" rx="58" ry="12" fill="none" stroke="#cfe6ff" stroke-width="3" opacity=".7" transform="rotate(-18 70 110)"/>)~"
        R"(<path d="M150 40 l4 10 10 4 -10 4 -4 10 -4 -10 -10 -4 10 -4z" fill="#fff"/>)");
    return out;
}

QString motif_fog() {
    QString out = u(R"(<g fill="#111820" opacity=".85">)");
    const int heights[] = {70, 110, 90, 140, 80, 120, 100};
    for (int i = 0; i < 7; ++i)
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"26\" height=\"%3\"/>")
                   .arg(i * 29)
                   .arg(200 - heights[i])
                   .arg(heights[i] + 80);
    out += u(R"(</g><g fill="#fff">)");
    for (int i = 0; i < 5; ++i)
        out +=
            QStringLiteral("<rect x=\"0\" y=\"%1\" width=\"200\" height=\"22\" opacity=\".%2\"/>")
                .arg(96 + i * 26)
                .arg(i + 1);
    out += u(R"(</g><circle cx="150" cy="60" r="14" fill="#fff" opacity=".35"/>)");
    return out;
}

QString motif_plane() {
    return u(
        R"(<circle cx="40" cy="50" r="22" fill="#fff7c2" opacity=".8"/>)"
        R"(<path d="M10 190 C60 120 110 200 170 90" stroke="#fff" stroke-width="2" stroke-dasharray="6 6" fill="none" opacity=".7"/>)"
        R"(<path d="M118 96 L184 70 L150 126 L140 104Z" fill="#fff"/>)"
        R"(<path d="M140 104 L184 70 L132 100Z" fill="#dbe8ff"/>)"
        R"(<path d="M0 200 Q60 180 120 196 T200 186 V280 H0Z" fill="#163a22" opacity=".6"/>)");
}

QString motif_hills() {
    return u(
        R"(<circle cx="150" cy="62" r="20" fill="#fffbe0" opacity=".7"/>)"
        R"(<path d="M0 150 L50 96 L90 136 L140 80 L200 140 V280 H0Z" fill="#102a16" opacity=".55"/>)"
        R"(<path d="M0 180 L60 130 L110 170 L160 124 L200 160 V280 H0Z" fill="#0b1f10" opacity=".7"/>)"
        R"(<path d="M140 80 L150 92 L132 90Z M50 96 L58 104 L44 104Z" fill="#fff" opacity=".8"/>)");
}

QString motif_road() {
    return u(
        R"(<circle cx="100" cy="92" r="30" fill="#ff9a6b" opacity=".75"/>)"
        R"(<path d="M0 120 H200 V280 H0Z" fill="#1a1430" opacity=".55"/>)"
        R"(<path d="M92 120 L108 120 L170 280 L30 280Z" fill="#2c2540"/>)"
        R"(<path d="M99 126 L101 126 L103 150 L97 150Z M96 162 L104 162 L107 196 L93 196Z" fill="#ffd27a"/>)"
        R"(<path d="M60 112 l6 -22 6 22z M140 114 l5 -18 5 18z" fill="#0e0a1c"/>)");
}

QString motif_rain(qint64 id) {
    Dice dice(id);
    QString out = u(
        R"(<circle cx="150" cy="56" r="18" fill="#ffe9d0" opacity=".6"/><g stroke="#fff" stroke-width="1" opacity=".35">)");
    for (int i = 0; i < 40; ++i) {
        const int x = dice.next(220) - 10;
        const int y = dice.next(200);
        out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"/>")
                   .arg(x)
                   .arg(y)
                   .arg(x - 6)
                   .arg(y + 18);
    }
    out += u(R"(</g><path d="M30 200 L170 40" stroke="#e8e8e8" stroke-width="3"/>)"
             R"(<path d="M48 180 L60 192" stroke="#ffd27a" stroke-width="6"/>)"
             R"(<path d="M0 196 Q100 176 200 196 V280 H0Z" fill="#200406" opacity=".6"/>)");
    return out;
}

QString motif(const CatalogueTitle& title) {
    if (title.motif == u"sun")
        return motif_sun();
    if (title.motif == u"stars")
        return motif_stars(title.id);
    if (title.motif == u"fog")
        return motif_fog();
    if (title.motif == u"plane")
        return motif_plane();
    if (title.motif == u"hills")
        return motif_hills();
    if (title.motif == u"road")
        return motif_road();
    return motif_rain(title.id);
}

} // namespace

QString html_escape(const QString& text) {
    return text.toHtmlEscaped();
}

QString html_page(const QString& title, const QString& css, const QString& body, bool site_css) {
    return u("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"gbk\">\n"
             "<meta name=\"viewport\" content=\"width=device-width\">\n<title>") +
           html_escape(title) + u("</title>\n<style>") + (site_css ? u(kSiteCss) : QString()) +
           css + u("</style>\n</head>\n<body>\n") + body + u("\n</body>\n</html>\n");
}

QString site_header(const QString& home, const QString& active) {
    const auto item = [&](const char* name, const QString& href, const char* label) {
        const QString on = active == u(name) ? u(" class=\"on\"") : QString();
        return u("<a href=\"") + href + u("\"") + on + u(">") + u(label) + u("</a>");
    };
    return u("<div class=\"top\"><div class=\"in\">"
             "<a class=\"logo\" href=\"") +
           home +
           u("\">Kel<b>vara</b>影视<small>高清 流畅 免费</small></a>"
             "<div class=\"nav\">") +
           item("home", home, "首页") + item("films", home + u("#films"), "电影") +
           item("series", home + u("#series"), "电视剧") +
           item("search", home + u("search.htm"), "搜索") +
           u("</div><form class=\"find\" action=\"") + home +
           u("search.htm\" method=\"get\"><input name=\"wd\" placeholder=\"输入片名搜索\">"
             "<button type=\"submit\">搜 索</button></form></div></div>");
}

QString site_footer() {
    return u(
        "<div class=\"foot\">Kelvara影视 版权所有 &copy; 2010 &nbsp;|&nbsp; 本站片源均为演示片段"
        "<br>客服邮箱：service@kelvara.invalid &nbsp;|&nbsp; 建议使用 Kelvara 客户端观看</div>");
}

QString poster_svg(const CatalogueTitle& title) {
    const QString id = QString::number(title.id);
    const QString badge = title.series ? u("剧集") : u("高清");
    return u("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 200 280\" role=\"img\" "
             "aria-label=\"") +
           html_escape(title.title) + u("\"><defs><linearGradient id=\"g") + id +
           u("\" x1=\"0\" y1=\"0\" x2=\".6\" y2=\"1\"><stop offset=\"0\" stop-color=\"") +
           title.colour_a + u("\"/><stop offset=\"1\" stop-color=\"") + title.colour_b +
           u("\"/></linearGradient><linearGradient id=\"s") + id +
           u("\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\".55\" stop-color=\"#000\" "
             "stop-opacity=\"0\"/>"
             "<stop offset=\"1\" stop-color=\"#000\" stop-opacity=\".8\"/></linearGradient></defs>"
             "<rect width=\"200\" height=\"280\" fill=\"url(#g") +
           id + u(")\"/>") + motif(title) + u("<rect width=\"200\" height=\"280\" fill=\"url(#s") +
           id +
           u(")\"/><text x=\"100\" y=\"228\" text-anchor=\"middle\" font-size=\"28\" "
             "font-weight=\"bold\" "
             "fill=\"#fff\" letter-spacing=\"2\">") +
           html_escape(title.title) +
           u("</text><text x=\"100\" y=\"254\" text-anchor=\"middle\" font-size=\"11\" "
             "fill=\"#ffd27a\">") +
           html_escape(title.year + u(" / ") + title.genre) +
           u("</text><rect x=\"10\" y=\"10\" width=\"") + QString::number(14 + 11 * badge.size()) +
           u("\" height=\"17\" rx=\"2\" fill=\"#f5a623\"/><text x=\"17\" y=\"22.5\" "
             "font-size=\"11\" "
             "font-weight=\"bold\" fill=\"#222\">") +
           html_escape(badge) + u("</text></svg>");
}

QString eebovod_link(const CatalogueTitle& title, const CatalogueEpisode& episode, bool slash) {
    return u("eebovod://") + title.key(episode) + (slash ? u("/") : QString());
}

QString eeqvod_link(const CatalogueTitle& title, const CatalogueEpisode& episode,
                    const QString& play_address) {
    const QString sep = u("&&&");
    return u("eeqvod://") + title.player_type + sep + js_escape(play_address) + sep +
           js_escape(title.title) + sep + js_escape(episode.name) + sep +
           QString::number(title.id) + sep + QString::number(title.v) + sep +
           QString::number(episode.v1);
}

QString title_page_path(const CatalogueTitle& title) {
    return u("show/") + QString::number(title.id) + u(".html");
}

QString show_link(qint64 id) {
    return u("/soft/") + title_page_path(*find_title(id));
}

QString poster_tile(const CatalogueTitle& title, const QString& home) {
    const QString tag = title.series ? title.status() : title.score + u("分");
    return u("<a class=\"tile\" href=\"") + home + title_page_path(title) + u("\" data-name=\"") +
           html_escape(title.title) + u("\">") + poster_svg(title) + u("<span class=\"tag\">") +
           html_escape(tag) + u("</span><span class=\"nm\">") + html_escape(title.title) +
           u("</span><span class=\"mt\">") + html_escape(title.genre + u(" / ") + title.region) +
           u("</span></a>");
}

} // namespace kelvara::demo
