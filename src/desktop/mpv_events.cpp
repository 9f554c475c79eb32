#include "desktop/mpv_events.h"

#include "logic/playback/mpv_names.h"

#include <cstring>
#include <mpv/client.h>

namespace kelvara {

namespace {

const mpv_node* map_field(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

bool flag_field(const mpv_node& map, const char* key) {
    const mpv_node* v = map_field(map, key);
    return v && v->format == MPV_FORMAT_FLAG && v->u.flag;
}

CacheState cache_state(const mpv_node& node) {
    CacheState state;
    if (const mpv_node* end = map_field(node, mpv_names::kCacheEnd);
        end && end->format == MPV_FORMAT_DOUBLE)
        state.cache_end = end->u.double_;
    state.eof_cached = flag_field(node, mpv_names::kEofCached);
    state.fully_read =
        flag_field(node, mpv_names::kCacheEof) && flag_field(node, mpv_names::kCacheIdle);
    return state;
}

PropertyValue property_value(const mpv_event_property& p) {
    if (!p.data)
        return std::monostate{};
    switch (p.format) {
    case MPV_FORMAT_FLAG:
        return *static_cast<int*>(p.data) != 0;
    case MPV_FORMAT_INT64:
        return *static_cast<std::int64_t*>(p.data);
    case MPV_FORMAT_DOUBLE:
        return *static_cast<double*>(p.data);
    case MPV_FORMAT_NODE:
        return cache_state(*static_cast<mpv_node*>(p.data));
    default:
        return std::monostate{};
    }
}

EndReason end_reason(int reason) {
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        return EndReason::Eof;
    case MPV_END_FILE_REASON_QUIT:
        return EndReason::Quit;
    case MPV_END_FILE_REASON_ERROR:
        return EndReason::Error;
    case MPV_END_FILE_REASON_REDIRECT:
        return EndReason::Redirect;
    default:
        return EndReason::Stop;
    }
}

} // namespace

std::optional<PlayerEvent> to_player_event(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        return player_event::StartFile{
            static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id};
    case MPV_EVENT_FILE_LOADED:
        return player_event::FileLoaded{};
    case MPV_EVENT_PLAYBACK_RESTART:
        return player_event::PlaybackRestart{};
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        return player_event::EndFile{end_reason(end->reason), end->playlist_entry_id,
                                     end->playlist_insert_id};
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* p = static_cast<const mpv_event_property*>(event.data);
        return player_event::PropertyChanged{static_cast<MpvProperty>(event.reply_userdata),
                                             property_value(*p)};
    }
    default:
        return std::nullopt;
    }
}

} // namespace kelvara
