#include "logic/history/history_render.h"

#include "logic/history/history_records.h"
#include "logic/links/js_escape.h"
#include "logic/text/text_helpers.h"
#include "shared/gbk.h"

namespace kelvara {

const char kPageHead[] =
    "<html><head><title></title><style type=\"text/css\">*{margin:0;padding:0;border:0px;}"
    "body{overflow:auto;backgrond:#ffffff;}a:link,a:visited,a:active,a:hover{color:#020202;"
    "text-decoration:none;display:block}td{padding:3px 2px 3px 2px;font-size:12px; "
    "border-bottom:1PX solid #CCC;}td img{width:11px;height:11px;}</style></head><body "
    "oncontextmenu=\"return false\" ondragstart=\"return false\"><table id=\"v1\" "
    "width=\"100%\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\"><vod></table>";

const char kEmptyListRow[] = "<tr><td colspan=2 align=center>暂无观看记录</td></tr>";

namespace {

const char* const kPageTail[] = {
    "<div style=\"dispaly:none\" id=\"vd\"></div>",
    "<script type=\"text/javascript\">",
    "var obj=document.getElementById(\"v1\");",
    "var ob1=document.getElementById(\"vd\");",
    "for(var i=0;i<obj.rows.length;i++){",
    "obj.rows[i].onmouseover=function(){ob1.style.background=this.style.backgroundColor;"
    "this.style.background=\"#D6EEAF\";}",
    "obj.rows[i].onmouseout=function(){this.style.background=ob1.style.background;}",
    "if(obj.rows[i].rowIndex%2==1){obj.rows[i].style.backgroundColor=\"#eeeeee\";}else{"
    "obj.rows[i].style.backgroundColor=\"#ffffff\";}}",
    "</script></body></html>",
};

QString row(qsizetype line_number, const QString& full, const QString& shown) {
    const QString n = QString::number(line_number);
    // The title attribute is quoted and both texts escaped: they come from the
    // server and must neither add markup nor end the attribute at a blank.
    return QLatin1String("<tr><td align=left width=96%><a title=\"") + html_escape(full) +
           QLatin1String("\" href=open://") + n + QStringLiteral(">·") + html_escape(shown) +
           QLatin1String("</a></td><td width=3%><a href=delk://") + n +
           QStringLiteral("><img src=\"i.gif\" alt=\"删除\"></a></td></tr>");
}

// The escaped text a row shows: a local file's name, a network task's title.
std::optional<QString> shown_title(const QString& line, bool local) {
    if (local) {
        const std::optional<LocalFileRecord> record = LocalFileRecord::parse(line);
        return record ? std::optional(record->name) : std::nullopt;
    }
    const std::optional<NetworkTaskRecord> record = NetworkTaskRecord::parse(line);
    return record ? std::optional(record->title) : std::nullopt;
}

} // namespace

QString html_escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
    return replace_outside_gbk(out, [](const QString& character) {
        return QStringLiteral("&#%1;").arg(character.toUcs4().value(0));
    });
}

QString history_page(const QStringList& lines, bool local) {
    QString rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> title = shown_title(lines.at(i), local);
        if (!title)
            continue;
        const QString full = js_unescape(*title);
        const QString shown = fit_width(full, 18);
        if (shown.isEmpty())
            continue;
        rows += row(i + 1, full, shown);
    }
    if (rows.isEmpty())
        rows = QString::fromUtf8(kEmptyListRow);

    QString page = QString::fromUtf8(kPageHead);
    for (const char* piece : kPageTail)
        page += QString::fromUtf8(piece) + QLatin1String("\r\n");
    page.replace(QLatin1String("<vod>"), rows);
    return page;
}

} // namespace kelvara
