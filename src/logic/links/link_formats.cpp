#include "logic/links/link_formats.h"

#include "logic/text/text_helpers.h"

#include <QStringList>

namespace kelvara {

const char kEndOfEpisodeAddress[] = "http://episode-end.kelvara.invalid/next";
const char kEndOfEpisodeMarker[] = "episode-end.kelvara.invalid";

namespace {

QString part(const QStringList& parts, qsizetype i) {
    return i < parts.size() ? parts.at(i) : QString();
}

} // namespace

QString EpisodeKey::text() const {
    return QString::number(id) + u'-' + v + u'-' + v1 + u'-' + title;
}

EpisodeKey split_episode_key(const QString& key) {
    const QStringList parts = key.split(u'-');
    EpisodeKey k;
    k.id = to_number(part(parts, 0));
    k.v = part(parts, 1);
    k.v1 = part(parts, 2);
    k.title = part(parts, 3);
    return k;
}

QString strip_scheme(const QString& address, const QString& scheme) {
    QString rest = address;
    rest.remove(scheme);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    return rest;
}

QString play_address_request(const QString& base, qint64 id, const QString& v, const QString& v1) {
    return base + QLatin1String("h.asp?id=") + QString::number(id) + QLatin1String("&v=") + v +
           QLatin1String("&v1=") + v1;
}

bool reply_is_failure(const std::optional<QString>& body) {
    if (!body)
        return true;
    const QString t = body->trimmed();
    if (body->isEmpty() || *body == QLatin1String("1"))
        return true;
    bool numeric = false;
    const qint64 value = t.toLongLong(&numeric);
    return numeric && value == 0;
}

std::optional<PlayReply> split_reply(const std::optional<QString>& body) {
    if (!body || !body->contains(u'$'))
        return std::nullopt;
    const QStringList fields = body->split(u'$');
    return PlayReply{part(fields, 0), part(fields, 1), part(fields, 2)};
}

QString QvodLink::text() const {
    const QString sep = QStringLiteral("&&&");
    return QLatin1String("eeqvod://") + player_type + sep + escaped_address + sep + title + sep +
           episode_name + sep + id + sep + v + sep + v1;
}

QvodLink parse_qvod_link(const QString& address) {
    const QStringList f =
        strip_scheme(address, QStringLiteral("eeqvod://")).split(QLatin1String("&&&"));
    return QvodLink{part(f, 0), part(f, 1), part(f, 2), part(f, 3),
                    part(f, 4), part(f, 5), part(f, 6)};
}

QString web_player_address(const QString& base, const QString& key) {
    return base + QLatin1String("play.htm?") + key;
}

QString episode_page_address(const QString& base, const QString& key, const QString& suffix) {
    return base + QLatin1String("pp.htm?") + key + u'-' + suffix;
}

} // namespace kelvara
