#pragma once

#include "catalogue.h"
#include "media_library.h"

#include <QString>

namespace kelvara::demo {

// What pages need to know about the running server.
struct SiteContext {
    QString origin; // "http://127.0.0.1:<port>"
    const MediaLibrary* media = nullptr;
};

// Catalogue pages, under "/soft/".
QString home_page();
QString title_page(const SiteContext& site, const CatalogueTitle& title);
// search.htm?wd=<words>: the titles whose name, genre or cast holds the words.
QString search_page(const QString& words);

// The play address of an episode: "qvod://size|sha1|name|" of its clip for the
// "qvod" type, the clip's http address otherwise; empty without the clip.
QString play_address(const SiteContext& site, const CatalogueTitle& title,
                     const CatalogueEpisode& episode);
// The h.asp reply: episode name "$" play address "$" player type, or "1".
QString play_reply(const SiteContext& site, const QString& id, const QString& v, const QString& v1);
// play.htm?<key>: the web player; `query` is the raw text after "?".
QString web_player_page(const SiteContext& site, const QString& query);
// pp.htm?<key>-<suffix>: the narrow episode list.
QString episode_page(const QString& query);

// Side pages and files.
QString tv_page();
QString recommendations_page();
QString softad_page();
QString qvodad_page();
QString fudong_page();
QString notice_file(const SiteContext& site);
QString stats_page();
// update/qvod.html: where a client without its QVOD component is sent.
QString qvod_download_page();
QString not_found_page();
QString error_page();

} // namespace kelvara::demo
