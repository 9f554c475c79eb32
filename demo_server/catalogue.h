#pragma once

#include <QString>
#include <vector>

namespace kelvara::demo {

// The demo catalogue: a few films and series, each with one source line `v`
// whose episodes are numbered by `v1` from 1.

struct CatalogueEpisode {
    int v1 = 0;
    QString name;      // what h.asp names it: "第3集", "高清版"
    QString clip;      // file in the media folder
    QString save_name; // the name the QVOD terminal saves it under
};

struct CatalogueTitle {
    qint64 id = 0;
    int v = 1;
    QString title;
    bool series = false;
    bool finished = true; // a series with all its episodes out
    QString player_type;  // "qvod" or another type the web player plays
    QString line_name;    // the source line's label on the pages
    QString year;
    QString region;
    QString genre;
    QString director;
    QString cast;
    QString score;
    QString summary;
    QString colour_a; // poster gradient
    QString colour_b;
    QString motif; // poster decoration: sun, stars, fog, plane, hills, road, rain
    std::vector<CatalogueEpisode> episodes;

    // id "-" v "-" v1 "-" js_escape(title)
    QString key(const CatalogueEpisode& episode) const;
    // "全6集", "更新至第5集" or "电影"
    QString status() const;
};

const std::vector<CatalogueTitle>& catalogue();
const CatalogueTitle* find_title(qint64 id);
// nullptr when the title has no such line or episode.
const CatalogueEpisode* find_episode(const CatalogueTitle& title, int v, int v1);

} // namespace kelvara::demo
