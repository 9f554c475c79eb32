#pragma once

#include "catalogue.h"

#include <QString>

namespace kelvara::demo {

// Building blocks of the demo site's pages. Pages are built as Unicode text
// and sent as GBK, so every character used must exist in GBK.

// Text of the source, which is UTF-8.
inline QString u(const char* text) {
    return QString::fromUtf8(text);
}

QString html_escape(const QString& text);

// A complete page declaring GBK, with `css` in its head and `body` inside
// <body>; `site_css` adds the catalogue's common style.
QString html_page(const QString& title, const QString& css, const QString& body,
                  bool site_css = true);

// The catalogue's top bar; `home` is the path from the page to "/soft/",
// `active` the highlighted menu entry ("home", "films", "series", "search").
QString site_header(const QString& home, const QString& active);
QString site_footer();

// A 200x280 poster: the title's colours and motif, its title and year.
QString poster_svg(const CatalogueTitle& title);

// "eebovod://" + key, with a trailing "/" when `slash`.
QString eebovod_link(const CatalogueTitle& title, const CatalogueEpisode& episode, bool slash);
// The seven-field "eeqvod://" link of an episode whose play address is known.
QString eeqvod_link(const CatalogueTitle& title, const CatalogueEpisode& episode,
                    const QString& play_address);

// "show/<id>.html", relative to "/soft/".
QString title_page_path(const CatalogueTitle& title);
// The site address of the page of the title with that id.
QString show_link(qint64 id);

// A poster tile linking to the title's page; `home` as in site_header.
QString poster_tile(const CatalogueTitle& title, const QString& home);

} // namespace kelvara::demo
