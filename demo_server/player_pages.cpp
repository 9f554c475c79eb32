#include "page_kit.h"
#include "site_pages.h"

#include <QStringList>
#include <algorithm>

#include "logic/links/js_escape.h"
#include "logic/links/link_formats.h"

namespace kelvara::demo {

namespace {

// A whole decimal number, or -1.
int number(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

struct Found {
    const CatalogueTitle* title = nullptr;
    const CatalogueEpisode* episode = nullptr;
};

Found find(const EpisodeKey& key, int v1) {
    Found found;
    found.title = find_title(key.id);
    if (found.title)
        found.episode = find_episode(*found.title, number(key.v), v1);
    return found;
}

const char kPlayerCss[] = R"(
html,body{margin:0;height:100%;background:#000;overflow:hidden;font:12px "Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;color:#fff}
video{position:absolute;left:0;top:0;width:100%;height:100%;object-fit:contain;background:#000}
#name{position:absolute;left:0;top:0;right:0;padding:8px 12px;background:linear-gradient(rgba(0,0,0,.7),rgba(0,0,0,0));transition:opacity 1s;pointer-events:none}
#name b{font-size:14px}
#name span{color:#ffd27a;margin-left:8px}
#sound{display:none;position:absolute;right:14px;bottom:54px;background:rgba(0,0,0,.72);border:1px solid rgba(255,255,255,.4);border-radius:14px;padding:4px 12px;cursor:pointer}
.missing{display:flex;height:100%;align-items:center;justify-content:center;flex-direction:column;color:#aaa}
.missing b{font-size:18px;color:#fff;margin-bottom:8px}
)";

const char kEpisodeCss[] = R"(
*{box-sizing:border-box;margin:0;padding:0}
body{width:162px;overflow-x:hidden;font:12px/1.5 "Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;background:#f5f6f8;color:#333}
a{color:inherit;text-decoration:none}
.hd{background:linear-gradient(#2a3a4c,#1b2631);color:#fff;padding:6px 8px;border-bottom:2px solid #f5a623}
.hd b{display:block;font-size:13px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.hd span{color:#9fb0c3;font-size:11px}
.state{margin:6px;padding:4px 6px;background:#fff4e0;border:1px solid #ffd089;border-radius:3px;color:#a65300;font-size:11px}
.state.end{background:#eef1f4;border-color:#d5dbe1;color:#666}
.state a{display:block;margin-top:4px;text-align:center;background:#f08c00;color:#fff;border-radius:2px;padding:2px 0;font-weight:bold}
.sub{margin:8px 6px 5px;font-weight:bold;border-left:3px solid #f5a623;padding-left:5px;line-height:1.1}
.eps{display:grid;grid-template-columns:repeat(3,1fr);gap:4px;padding:0 6px}
.eps.one{grid-template-columns:1fr}
.eps a{display:block;text-align:center;border:1px solid #dfe3e8;background:#fff;border-radius:2px;padding:2px 0;font-size:11px;white-space:nowrap;overflow:hidden}
.eps a:hover{border-color:#f08c00;color:#f08c00}
.eps a.cur{background:#f08c00;border-color:#f08c00;color:#fff;font-weight:bold}
.eps a.next{border-color:#1c6fd1;color:#1c6fd1;font-weight:bold}
.more li{list-style:none;padding:3px 6px;border-bottom:1px dashed #e1e4e8;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.more li a:hover{color:#e8590c}
.more em{font-style:normal;color:#e8590c;float:right}
.missing{padding:16px 8px;color:#888;text-align:center}
)";

QString missing_player() {
    return html_page(u("播放 - Kelvara影视"), u(kPlayerCss),
                     u("<div "
                       "class=\"missing\"><b>抱歉，没有找到这部影片</"
                       "b>影片可能已下线，请返回片库重新选择。</div>"),
                     false);
}

QString episode_links(const CatalogueTitle& t, int current, int offered) {
    QString out = u("<div class=\"eps") + (t.series ? QString() : u(" one")) + u("\">");
    for (const CatalogueEpisode& e : t.episodes) {
        QString cls;
        if (e.v1 == current)
            cls = u(" class=\"cur\"");
        else if (e.v1 == offered)
            cls = u(" class=\"next\"");
        const QString label = t.series ? QString::number(e.v1) : e.name;
        out += u("<a") + cls + u(" href=\"") + eebovod_link(t, e, false) + u("\" title=\"") +
               html_escape(e.name) + u("\">") + html_escape(label) + u("</a>");
    }
    return out + u("</div>");
}

QString others(const CatalogueTitle& t) {
    QString out = u("<div class=\"sub\">大家都在看</div><ul class=\"more\">");
    for (const CatalogueTitle& other : catalogue()) {
        if (other.id == t.id)
            continue;
        out += u("<li><em>") + other.score + u("</em><a href=\"") +
               eebovod_link(other, other.episodes.front(), true) + u("\">") +
               html_escape(other.title) + u("</a></li>");
    }
    return out + u("</ul>");
}

} // namespace

QString play_address(const SiteContext& site, const CatalogueTitle& title,
                     const CatalogueEpisode& episode) {
    const Clip* clip = site.media ? site.media->by_file(episode.clip.toStdString()) : nullptr;
    if (!clip)
        return {};
    if (title.player_type != u"qvod")
        return site.origin + u("/media/") + episode.clip;
    return u("qvod://") + QString::number(clip->bytes.size()) + QChar(u'|') +
           QString::fromStdString(clip->sha1) + QChar(u'|') + episode.save_name + QChar(u'|');
}

QString play_reply(const SiteContext& site, const QString& id, const QString& v,
                   const QString& v1) {
    bool ok = false;
    const qint64 number_id = id.toLongLong(&ok);
    const CatalogueTitle* title = ok ? find_title(number_id) : nullptr;
    const CatalogueEpisode* episode = title ? find_episode(*title, number(v), number(v1)) : nullptr;
    const QString address = episode ? play_address(site, *title, *episode) : QString();
    if (address.isEmpty())
        return u("1");
    return episode->name + QChar(u'$') + address + QChar(u'$') + title->player_type;
}

QString web_player_page(const SiteContext& site, const QString& query) {
    const EpisodeKey key = split_episode_key(query);
    const Found found = find(key, number(key.v1));
    if (!found.episode || !site.media || !site.media->by_file(found.episode->clip.toStdString()))
        return missing_player();
    const QString source = site.origin + u("/media/") + found.episode->clip;
    const QString body =
        u("<video id=\"v\" src=\"") + source +
        u("\" autoplay controls playsinline></video>"
          "<div id=\"name\"><b>") +
        html_escape(found.title->title) + u("</b><span>") + html_escape(found.episode->name) +
        u("</span></div><div id=\"sound\">点击开启声音</div>\n<script>\n"
          "var v = document.getElementById('v'), sound = document.getElementById('sound');\n"
          "v.addEventListener('ended', function () { location.href = '") +
        u(kEndOfEpisodeAddress) +
        u("'; });\n"
          "setTimeout(function () { document.getElementById('name').style.opacity = 0; }, 4000);\n"
          "sound.onclick = function () { v.muted = false; sound.style.display = 'none'; };\n"
          "var started = v.play();\n"
          "if (started && started.catch) started.catch(function () {\n"
          "  v.muted = true; v.play(); sound.style.display = 'block';\n"
          "});\n</script>");
    return html_page(found.title->title + u(" ") + found.episode->name + u(" - Kelvara影视"),
                     u(kPlayerCss), body, false);
}

QString episode_page(const QString& query) {
    const EpisodeKey key = split_episode_key(query);
    const QStringList parts = query.split(u'-');
    const QString suffix = parts.size() > 4 ? parts.at(4) : QString();
    const CatalogueTitle* t = find_title(key.id);
    if (!t || number(key.v) != t->v) {
        return html_page(u("剧集"), u(kEpisodeCss),
                         u("<div class=\"missing\">暂无该片的剧集信息</div>"), false);
    }
    // The suffix is v followed by v1 of the episode to offer; "0" offers none.
    const int current = number(key.v1);
    int offered = -1;
    if (suffix != u"0" && suffix.startsWith(key.v) && suffix.size() > key.v.size())
        offered = number(suffix.mid(key.v.size()));
    QString state;
    if (offered < 0 || offered == current) {
        const CatalogueEpisode* e = find_episode(*t, t->v, current);
        if (e)
            state = u("<div class=\"state\">正在播放：") + html_escape(e->name) + u("</div>");
    } else if (const CatalogueEpisode* e = find_episode(*t, t->v, offered)) {
        state = u("<div class=\"state\">下一集：") + html_escape(e->name) + u("<a href=\"") +
                eebovod_link(*t, *e, false) + u("\">立即播放</a></div>");
    } else {
        state = u("<div class=\"state end\">已是最后一集，感谢观看！</div>");
    }
    const QString body =
        u("<div class=\"hd\"><b>") + html_escape(t->title) + u("</b><span>") +
        html_escape(t->status() + u(" / ") + t->genre) + u("</span></div>") + state +
        u("<div class=\"sub\">") + (t->series ? u("选集") : u("播放")) + u("</div>") +
        episode_links(*t, offered >= 0 && offered != current ? -1 : current, offered) + others(*t);
    return html_page(t->title + u(" - 剧集"), u(kEpisodeCss), body, false);
}

} // namespace kelvara::demo
