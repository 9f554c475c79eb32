#pragma once

#include <QString>
#include <optional>

namespace kelvara {

// The strings that carry an episode through the client: the episode key of an
// eebovod:// link, the play-address request and its reply, the resolved
// eeqvod:// link, and the web-player and episode page addresses. "base" is the
// content server's base URL, ending in "/soft/".

// id "-" v "-" v1 "-" title; the title in escaped form.
struct EpisodeKey {
    qint64 id = 0;
    QString v;
    QString v1;
    QString title;

    QString text() const;
};

// Splits on every "-" and uses the first four parts (missing parts empty); an
// id that is not a number reads as 0.
EpisodeKey split_episode_key(const QString& key);

// Removes every `scheme` from an address, then one trailing "/".
QString strip_scheme(const QString& address, const QString& scheme);

// base + "h.asp?id=" + id + "&v=" + v + "&v1=" + v1, values as they are.
QString play_address_request(const QString& base, qint64 id, const QString& v, const QString& v1);

// A reply that names no address: the request failed, or the body is empty,
// "1", or a number equal to 0.
bool reply_is_failure(const std::optional<QString>& body);

// The fields of a reply holding "$": episode name, play address and player
// type (fields after the third ignored, missing ones empty).
struct PlayReply {
    QString episode_name;
    QString address;
    QString player_type;
};
std::optional<PlayReply> split_reply(const std::optional<QString>& body);

// The seven fields of an eeqvod:// link.
struct QvodLink {
    QString player_type;
    QString escaped_address;
    QString title;
    QString episode_name;
    QString id;
    QString v;
    QString v1;

    QString text() const; // "eeqvod://" + the fields joined by "&&&"
};
// Removes every "eeqvod://" and one trailing "/", then splits on "&&&"
// (missing fields empty).
QvodLink parse_qvod_link(const QString& address);

// base + "play.htm?" + key.
QString web_player_address(const QString& base, const QString& key);
// base + "pp.htm?" + key + "-" + suffix.
QString episode_page_address(const QString& base, const QString& key, const QString& suffix);

// The address the web-player pane is sent to when an episode has ended. Its
// host belongs to the client and is never loaded; the marker tells it apart.
extern const char kEndOfEpisodeAddress[];
extern const char kEndOfEpisodeMarker[];

} // namespace kelvara
