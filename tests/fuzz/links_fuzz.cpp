// The texts links and servers hand the client: eebovod:// episode keys,
// eeqvod:// links, play-address replies and the reports of the link script
// every page runs (raw href texts).
//
// Input: any text.

#include "desktop/web_addresses.h"
#include "fuzz_support.h"
#include "logic/links/link_formats.h"

#include <algorithm>

using namespace kelvara;

namespace {

bool same_link(const QvodLink& a, const QvodLink& b) {
    return a.player_type == b.player_type && a.escaped_address == b.escaped_address &&
           a.title == b.title && a.episode_name == b.episode_name && a.id == b.id && a.v == b.v &&
           a.v1 == b.v1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(fuzz::input_bytes(data, size));

    // An episode key and an eeqvod:// link read from their own text are the
    // same again: what the client builds from them reaches the server intact.
    const EpisodeKey key = split_episode_key(text);
    const EpisodeKey again = split_episode_key(key.text());
    FUZZ_CHECK(again.id == key.id && again.v == key.v && again.v1 == key.v1 &&
               again.title == key.title);

    // The link format cannot carry a field ending in "&" (the separator
    // "&&&" would start there), a last field ending in "/" (taken for the
    // "/" a browser adds) or a field holding the scheme (left where removing
    // "eeqvod://" joined its pieces); the pages' escaped fields hold none.
    const QvodLink link = parse_qvod_link(text);
    const QStringList fields{
        link.player_type, link.escaped_address, link.title, link.episode_name, link.id, link.v,
        link.v1};
    const bool representable =
        !link.v1.endsWith(u'/') && std::none_of(fields.begin(), fields.end(), [](const QString& f) {
            return f.endsWith(u'&') || f.contains(QLatin1String("eeqvod://"));
        });
    if (representable)
        FUZZ_CHECK(same_link(parse_qvod_link(link.text()), link));

    const std::optional<QString> body = text;
    const std::optional<PlayReply> reply = split_reply(body);
    if (reply) {
        FUZZ_CHECK(!reply->episode_name.contains(u'$') && !reply->address.contains(u'$') &&
                   !reply->player_type.contains(u'$'));
    }
    reply_is_failure(body);
    strip_scheme(text, QStringLiteral("eebovod://"));

    // A page's report of a raw href carries the href unchanged; any other
    // report text is read or refused, never half read.
    const std::optional<PageReport> raw =
        parse_page_report(QStringLiteral("navigate ") + hex_utf16(text) + QStringLiteral(" raw"));
    FUZZ_CHECK(raw && raw->address == text);
    if (const std::optional<PageReport> report = parse_page_report(text))
        FUZZ_CHECK(report->kind != PageReport::Kind::Popup || !report->resolved.isNull());
    undo_non_ascii_escapes(text);
    has_raw_percent(text);
    url_to_address(address_to_url(text));
    return 0;
}
