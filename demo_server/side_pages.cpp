#include "page_kit.h"
#include "site_pages.h"

#include <QStringList>
#include <algorithm>

namespace kelvara::demo {

namespace {

struct Channel {
    const char* name;
    const char* clip;
    const char* colour;
    const char* programmes; // "time name" pairs separated by "|"
};

const Channel kChannels[] = {
    {"Kelvara综合", "film_1001.mp4", "#f5a623",
     "08:00 早间新闻|09:30 长河落日|11:30 健康生活|12:00 午间快报|13:00 经典影院|15:30 "
     "旅行家|18:00 晚间新闻"},
    {"Kelvara电影", "film_1002.mp4", "#4aa3ff",
     "08:30 星海信号|10:40 雾城来客|12:50 纸飞机|14:30 山那边的风|16:20 长河落日|18:40 星海信号"},
    {"Kelvara剧场", "series_2001_01.mp4", "#b06ad0",
     "09:00 流浪者 第1集|09:50 流浪者 第2集|10:40 流浪者 第3集|14:00 江湖夜雨 第1集|14:50 江湖夜雨 "
     "第2集"},
    {"武侠频道", "series_2002_01.mp4", "#e05a47",
     "08:00 江湖夜雨 第3集|08:50 江湖夜雨 第4集|09:40 江湖夜雨 第5集|13:00 武林旧事|20:00 江湖夜雨 "
     "第1集"},
    {"少儿动画", "film_1004.mp4", "#5cc46b",
     "07:30 纸飞机|09:00 动物王国|10:00 小小科学家|15:00 纸飞机|17:00 故事大王"},
    {"纪录频道", "film_1005.mp4", "#7aa050",
     "08:00 山那边的风|10:00 大河之源|12:00 城市记忆|14:00 山那边的风|19:30 自然笔记"},
    {"科教频道", "film_1003.mp4", "#60a0b0",
     "08:00 走近科学|09:00 星空漫步|11:00 工程奇迹|14:00 探索发现|16:00 未来已来"},
    {"音乐现场", "series_2001_04.mp4", "#e0789a",
     "10:00 流行榜单|12:00 民谣时光|15:00 经典老歌|19:00 现场音乐会|21:00 深夜电台"},
};

const char kTvCss[] = R"(
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;background:#10161d;color:#d8e0e8;font:12px/1.5 "Microsoft YaHei","WenQuanYi Zen Hei",sans-serif;overflow:hidden}
.tv{display:flex;height:100%}
.list{width:196px;flex:none;background:#17202a;overflow:auto;border-right:1px solid #0b1015}
.list h2{font-size:14px;color:#fff;padding:10px 12px;background:linear-gradient(#243345,#1b2633);border-bottom:2px solid #f5a623}
.list h2 small{font-size:11px;color:#8ea0b4;font-weight:normal;margin-left:6px}
.ch{display:flex;align-items:center;gap:8px;padding:8px 10px;border-bottom:1px solid #202b38;cursor:pointer;border-left:3px solid transparent}
.ch:hover{background:#1d2936}
.ch.on{background:#223246;border-left-color:#f5a623}
.ch i{width:30px;height:30px;border-radius:50%;flex:none;font-style:normal;color:#fff;font-weight:bold;text-align:center;line-height:30px;font-size:11px}
.ch div{min-width:0}
.ch b{display:block;color:#fff;font-size:13px}
.ch span{display:block;color:#8ea0b4;font-size:11px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.screen{flex:1;display:flex;flex-direction:column;min-width:0}
.video{flex:1;position:relative;background:#000}
.video video{position:absolute;left:0;top:0;width:100%;height:100%;object-fit:contain}
.live{position:absolute;left:12px;top:10px;background:rgba(0,0,0,.6);border-radius:10px;padding:1px 10px 1px 20px;font-size:11px;color:#fff}
.live:before{content:"";position:absolute;left:8px;top:7px;width:7px;height:7px;border-radius:50%;background:#ff3b30;animation:blink 1.2s infinite}
@keyframes blink{50%{opacity:.2}}
.guide{height:128px;flex:none;background:#141b23;border-top:1px solid #0b1015;padding:8px 14px;overflow:auto}
.guide h3{font-size:13px;color:#fff;margin-bottom:4px}
.guide li{list-style:none;display:inline-block;width:32%;padding:2px 0;color:#9fb0c3}
.guide li.now{color:#f5a623;font-weight:bold}
)";

QString tv_channels() {
    QString list;
    QString data;
    int n = 0;
    for (const Channel& c : kChannels) {
        const QStringList shows = u(c.programmes).split(u'|');
        list += u("<div class=\"ch") + (n == 0 ? u(" on") : QString()) + u("\" data-n=\"") +
                QString::number(n) + u("\"><i style=\"background:") + u(c.colour) + u("\">") +
                QString::number(n + 1).rightJustified(2, u'0') + u("</i><div><b>") +
                html_escape(u(c.name)) + u("</b><span>正在播放：") +
                html_escape(shows.value(1).section(u' ', 1)) + u("</span></div></div>");
        data += u("{name:'") + u(c.name) + u("',src:'/media/") + u(c.clip) + u("',shows:'") +
                u(c.programmes) + u("'},\n");
        ++n;
    }
    return u("<div class=\"list\"><h2>电视直播<small>") + QString::number(n) +
           u(" 个频道</small></h2>") + list + u("</div><script>var channels = [\n") + data +
           u("];</script>");
}

const char kTvScript[] = R"(<script>
var video = document.getElementById('video');
function guide(n) {
  var shows = channels[n].shows.split('|'), html = '';
  for (var i = 0; i < shows.length; i++)
    html += '<li' + (i == 1 ? ' class="now"' : '') + '>' + shows[i] + (i == 1 ? ' (直播中)' : '') + '</li>';
  document.getElementById('title').innerHTML = channels[n].name + ' 今日节目单';
  document.getElementById('shows').innerHTML = html;
}
function tune(n) {
  var items = document.querySelectorAll('.ch');
  for (var i = 0; i < items.length; i++) items[i].className = i == n ? 'ch on' : 'ch';
  video.src = channels[n].src;
  var started = video.play();
  if (started && started.catch) started.catch(function () { video.muted = true; video.play(); });
  guide(n);
}
var items = document.querySelectorAll('.ch');
for (var i = 0; i < items.length; i++)
  items[i].onclick = function () { tune(+this.getAttribute('data-n')); };
tune(0);
</script>)";

const char kRecommendCss[] = R"(
.wrap{max-width:940px;margin:0 auto;padding:14px}
.big{display:flex;gap:18px;background:linear-gradient(120deg,#2a1038,#203a60);color:#fff;border-radius:6px;padding:16px;margin-bottom:14px}
.big .pic{width:130px;flex:none}
.big svg{display:block;width:100%;height:auto;border-radius:4px}
.big h1{font-size:22px;margin:4px 0 8px}
.big p{color:#cdd6e4;line-height:1.9;margin-bottom:14px}
.big .lab{background:#e8590c;color:#fff;border-radius:3px;padding:0 8px;font-size:11px}
.picks{display:grid;grid-template-columns:repeat(auto-fill,minmax(260px,1fr));gap:12px}
.pick{display:flex;gap:10px;background:#fafbfc;border:1px solid #eceff3;border-radius:4px;padding:10px}
.pick .pic{width:64px;flex:none}
.pick svg{display:block;width:100%;height:auto;border-radius:3px}
.pick h3{font-size:14px;color:#222}
.pick p{color:#777;margin-top:4px}
.pick q{display:block;color:#a65300;margin-top:6px}
.tags a{display:inline-block;border:1px solid #e3e6ea;border-radius:12px;padding:2px 12px;margin:0 8px 8px 0;color:#555;background:#fff}
.tags a:hover{border-color:#f08c00;color:#f08c00}
)";

struct Pick {
    qint64 id;
    const char* reason;
};

const Pick kPicks[] = {
    {1005, "一年四季的草原，一家三代的迁徙，看完想去远方。"},
    {1002, "国产硬科幻的诚意之作，七十二小时倒计时扣人心弦。"},
    {2002, "雨夜、破庙、琴声，老派武侠的味道回来了。"},
    {1004, "适合全家一起看的温暖动画，孩子和大人都会喜欢。"},
    {1003, "浓雾中的旧城与旧案，结局反转令人拍案。"},
    {1001, "父子之间的沉默与和解，安静却有力量。"},
};

} // namespace

QString tv_page() {
    const QString body =
        u("<div class=\"tv\">") + tv_channels() +
        u("<div class=\"screen\"><div class=\"video\"><video id=\"video\" autoplay loop "
          "playsinline>"
          "</video><span class=\"live\">直播中</span></div><div class=\"guide\"><h3 id=\"title\">"
          "</h3><ul id=\"shows\"></ul></div></div></div>") +
        u(kTvScript);
    return html_page(u("电视直播 - Kelvara影视"), u(kTvCss), body, false);
}

QString recommendations_page() {
    const CatalogueTitle& top = *find_title(2001);
    QString picks;
    for (const Pick& p : kPicks) {
        const CatalogueTitle& t = *find_title(p.id);
        picks += u("<a class=\"pick\" href=\"") + show_link(t.id) + u("\"><span class=\"pic\">") +
                 poster_svg(t) + u("</span><span><h3>") + html_escape(t.title) +
                 u(" <span class=\"score\">") + t.score + u("</span></h3><p>") +
                 html_escape(t.year + u(" / ") + t.genre + u(" / ") + t.status()) + u("</p><q>") +
                 html_escape(u(p.reason)) + u("</q></span></a>");
    }
    const QString body =
        u("<div class=\"wrap\"><div class=\"big\"><a class=\"pic\" href=\"") + show_link(top.id) +
        u("\">") + poster_svg(top) + u("</a><div><span class=\"lab\">独家推荐</span><h1>") +
        html_escape(top.title) + u(" <small>") + html_escape(top.status()) + u("</small></h1><p>") +
        html_escape(top.summary) + u("</p><a class=\"btn\" href=\"") + show_link(top.id) +
        u("\">查看详情</a></div></div><div class=\"box\"><div "
          "class=\"hd\"><h2>编辑精选</h2><span>每周一更新</span>"
          "</div><div class=\"picks\">") +
        picks +
        u("</div></div><div class=\"box\"><div class=\"hd\"><h2>热门标签</h2></div><div "
          "class=\"tags\">"
          "<a href=\"/soft/search.htm\">全部影片</a><a href=\"/soft/#films\">高清电影</a>"
          "<a href=\"/soft/#series\">热播剧集</a><a href=\"/soft/show/2002.html\">武侠</a>"
          "<a href=\"/soft/show/1002.html\">科幻</a><a href=\"/soft/show/1005.html\">纪录片</a>"
          "<a href=\"/soft/show/1004.html\">动画</a><a "
          "href=\"/soft/show/1003.html\">悬疑</a></div></div></div>");
    return html_page(u("精彩推荐 - Kelvara影视"), u(kRecommendCss), body);
}

QString notice_file(const SiteContext& site) {
    const QString soft = site.origin + u("/soft/");
    const QString ads = u("《流浪者》全6集高清完结****") + soft + u("show/2001.html@@@@@") +
                        u("科幻大片《星海信号》热映中****") + soft + u("show/1002.html@@@@@") +
                        u("《江湖夜雨》每周五更新****") + soft + u("show/2002.html@@@@@") +
                        u("Kelvara 2.1 新版发布，播放更流畅****") + soft;
    const QString sep = u("====");
    return u("0****") + soft + sep + u("1") + sep + ads + sep + u("1") + sep + u("1") + sep +
           u("2.1");
}

// The QVOD download page, offered when a client finds its QVOD component
// missing: the component comes with the client's own installer.
QString qvod_download_page() {
    return html_page(
        u("快播(Qvod)组件 - Kelvara影视"),
        u(".qvod{max-width:560px;margin:40px auto;line-height:1.8}.qvod h1{font-size:22px;"
          "color:#1c5fb0}"),
        u("<div class=\"main\"><div class=\"box qvod\"><h1>快播(Qvod)组件</h1>"
          "<p>Kelvara 用快播(Qvod)组件边下边播。这个组件随 Kelvara 一起安装，"
          "不需要另外下载：重新安装 Kelvara 即可恢复。</p>"
          "<p><a class=\"btn\" href=\"/soft/update/setup.exe\">下载 Kelvara "
          "安装程序</a></p></div></div>") +
            site_footer());
}

QString stats_page() {
    return html_page(u("tj"), QString(), u("<p>ok</p>"), false);
}

QString not_found_page() {
    return html_page(u("页面不存在 - Kelvara影视"),
                     u(".gone{text-align:center;padding:60px 0;color:#888}.gone "
                       "b{display:block;font-size:40px;color:#f5a623}"),
                     site_header(u("/soft/"), QString()) +
                         u("<div class=\"main\"><div class=\"box "
                           "gone\"><b>404</b>抱歉，您访问的页面不存在或已被删除。"
                           "<br><br><a class=\"btn\" href=\"/soft/\">返回首页</a></div></div>") +
                         site_footer());
}

QString error_page() {
    return html_page(
        u("服务器错误"), u("body{font-family:sans-serif;padding:40px;color:#555}h1{color:#c33}"),
        u("<h1>500 服务器内部错误</h1><p>服务器暂时无法处理您的请求，请稍后再试。</p>"), false);
}

} // namespace kelvara::demo
