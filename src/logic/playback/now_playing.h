#pragma once

#include "platform/media_controls.h"

#include <QString>
#include <optional>

namespace kelvara {

// What plays comes from the server's network tasks or from a local file.
enum class PlaySource { Nothing, NetworkTask, LocalFile }; // play_kind 0, 1, 2

// A network episode plays in the player, or in the server's web-player page.
enum class PlayRoute { Player, WebPlayer }; // web_mode 0, 1

// What the play/pause button offers (its tool-tip "播放" or "暂停").
enum class PlayButton { OffersPlay, OffersPause };

// The two episode buttons and the media controls' previous and next.
enum class EpisodeStep { Previous, Next };

// What is known of the next episode of a series.
enum class NextEpisodeStatus {
    NotAsked,      // nothing prepared yet (was "0")
    NoneLeft,      // the server has no next episode (was "1")
    RequestFailed, // the last request failed; it is asked again later (was "3")
    Prepared,      // its link, and address, are known
};

struct NextEpisode {
    // next_link: the eeqvod:// link to play at the end of this episode.
    NextEpisodeStatus status = NextEpisodeStatus::NotAsked;
    QString link; // while Prepared
    // next_addr: the address to buffer ahead. Only NotAsked, NoneLeft and
    // Prepared; it may lag behind `status` (a failed search keeps it).
    NextEpisodeStatus address_status = NextEpisodeStatus::NotAsked;
    QString address; // while address_status is Prepared
    // next_pending: the address went to the player, or a retry is awaited;
    // either way the poll neither buffers nor asks again.
    bool hold_prebuffer = false;
    // retry_ticks: ticks of the retry timer since the request failed.
    int retry_ticks = 0;

    // Forgets the next episode, as every new start does; a pending retry's
    // tick count stays.
    void forget() {
        status = address_status = NextEpisodeStatus::NotAsked;
        link.clear();
        address.clear();
        hold_prebuffer = false;
    }
};

// The now-playing state: what plays, where its position is stored, what
// the poll last saw and what the transport shows.
struct NowPlaying {
    PlaySource source = PlaySource::Nothing; // play_kind
    // play_id: the network task's id or the local file's path, under which
    // the stop action stores the position; none while nothing is to be stored.
    std::optional<QString> stored_as;
    PlayRoute route = PlayRoute::Player; // web_mode
    // play_key: id "-" v "-" v1 "-" title of the network episode.
    std::optional<QString> episode_key;

    qint64 resume_position = 0; // resume_pos
    bool resumed = false;       // resume_done
    qint64 last_position = 0;   // last_pos
    int player_state = 0;       // player_state: the control's play-state code
    int download_rate = 0;      // down_rate, KB/s

    // What the transport shows: set with the play/pause button's state by
    // the buttons and the poll, and stopped at the end of a film.
    PlaybackStatus status = PlaybackStatus::Stopped;
    PlayButton play_button = PlayButton::OffersPlay;
    bool muted = false;

    // The whole title of what plays, with its episode; counts the films
    // started in this run.
    QString title;
    quint64 film_number = 0;

    NextEpisode next;

    // A series episode whose key names the next and previous ones.
    bool has_episode_key() const { return episode_key && episode_key->contains(u'-'); }
};

} // namespace kelvara
