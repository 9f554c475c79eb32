#include "logic/playback/mpv_state.h"

#include "logic/playback/mpv_names.h"
#include "platform/player_control.h"

#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>

namespace kelvara {

SourceKind source_kind(const QString& address) {
    const QString a = address.trimmed();
    if (a.startsWith(QLatin1String("qvod://"), Qt::CaseInsensitive))
        return SourceKind::Qvod;
    if (a.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        a.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return SourceKind::Network;
    return SourceKind::Local;
}

bool loopback_address(const QString& address) {
    if (source_kind(address) != SourceKind::Network)
        return false;
    const QString host = QUrl(address.trimmed()).host().toLower();
    if (host == QLatin1String("localhost") || host == QLatin1String("::1"))
        return true;
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4 || parts[0] != QLatin1String("127"))
        return false;
    return std::all_of(parts.begin(), parts.end(), [](const QString& part) {
        bool number = false;
        const int value = part.toInt(&number);
        return number && value >= 0 && value <= 255;
    });
}

std::span<const ObservedProperty> observed_properties() {
    namespace n = mpv_names;
    static constexpr std::array<ObservedProperty, 13> table{{
        {MpvProperty::TimePos, n::kTimePos, ValueKind::Double},
        {MpvProperty::Duration, n::kDuration, ValueKind::Double},
        {MpvProperty::Pause, n::kPause, ValueKind::Flag},
        {MpvProperty::CoreIdle, n::kCoreIdle, ValueKind::Flag},
        {MpvProperty::PausedForCache, n::kPausedForCache, ValueKind::Flag},
        {MpvProperty::CacheSpeed, n::kCacheSpeed, ValueKind::Int64},
        {MpvProperty::CacheState, n::kDemuxerCacheState, ValueKind::Node},
        {MpvProperty::Volume, n::kVolume, ValueKind::Double},
        {MpvProperty::Mute, n::kMute, ValueKind::Flag},
        {MpvProperty::EofReached, n::kEofReached, ValueKind::Flag},
        {MpvProperty::VideoBitrate, n::kVideoBitrate, ValueKind::Double},
        {MpvProperty::AudioBitrate, n::kAudioBitrate, ValueKind::Double},
        {MpvProperty::FileSize, n::kFileSize, ValueKind::Int64},
    }};
    return table;
}

void MpvState::apply(const PlayerEvent& event) {
    std::visit([this](const auto& e) { on(e); }, event);
}

void MpvState::on(const player_event::LoadIssued& e) {
    phase_ = PlayPhase::Opening;
    source_ = e.source;
    load_id_ = e.entry_id;
    file_active_ = false;
    file_loaded_ = false;
    seek_target_.reset();
}

void MpvState::on(const player_event::StreamPending&) {
    phase_ = PlayPhase::StreamPending;
    source_ = SourceKind::Qvod;
    drop_file();
}

void MpvState::on(const player_event::LoadFailed&) {
    phase_ = PlayPhase::Failed;
    drop_file();
}

void MpvState::on(const player_event::StopIssued&) {
    if (phase_ != PlayPhase::Empty)
        phase_ = PlayPhase::Stopped;
    drop_file();
}

void MpvState::drop_file() {
    file_active_ = false;
    file_loaded_ = false;
    seek_target_.reset();
}

void MpvState::on(const player_event::SeekIssued& e) {
    seek_target_ = std::max(0.0, e.seconds);
    seek_restarted_ = false;
}

void MpvState::on(const player_event::VolumeIssued& e) {
    volume_ = std::clamp(e.volume, 0, 100);
}

void MpvState::on(const player_event::StartFile& e) {
    if (e.entry_id == load_id_ && file_wanted()) {
        file_active_ = true;
        file_loaded_ = false;
    } else if (e.entry_id > load_id_) {
        foreign_id_ = e.entry_id;
    }
    // Otherwise an older load of ours, already replaced or stopped by a
    // command mpv has yet to run.
}

void MpvState::on(const player_event::FileLoaded&) {
    if (file_active_)
        file_loaded_ = true;
}

void MpvState::on(const player_event::PlaybackRestart&) {
    if (!file_active_)
        return;
    if (phase_ == PlayPhase::Opening && file_loaded_)
        phase_ = PlayPhase::Running;
    if (seek_target_)
        seek_restarted_ = true;
}

void MpvState::on(const player_event::EndFile& e) {
    if (e.entry_id == foreign_id_)
        foreign_id_ = 0;
    if (!file_active_ || e.entry_id != load_id_)
        return;
    file_active_ = false;
    file_loaded_ = false;
    seek_target_.reset();
    if (e.reason == EndReason::Redirect) {
        // A playlist address: mpv goes on with its entries, which stand for it.
        if (e.insert_id > 0)
            load_id_ = e.insert_id;
        return;
    }
    switch (e.reason) {
    case EndReason::Eof:
        phase_ = PlayPhase::Ended;
        break;
    case EndReason::Error:
        phase_ = PlayPhase::Failed;
        break;
    default:
        phase_ = PlayPhase::Stopped;
        break;
    }
}

namespace {

template <typename T> T value_or(const PropertyValue& v, T fallback) {
    if (const T* p = std::get_if<T>(&v))
        return *p;
    return fallback;
}

} // namespace

void MpvState::on(const player_event::PropertyChanged& e) {
    const PropertyValue& v = e.value;
    switch (e.property) {
    case MpvProperty::TimePos:
        time_pos_ = value_or(v, 0.0);
        // The first position after the seek finished replaces its target.
        if (seek_restarted_)
            seek_target_.reset();
        break;
    case MpvProperty::Duration:
        duration_ = value_or(v, 0.0);
        break;
    case MpvProperty::Pause:
        paused_ = value_or(v, false);
        break;
    case MpvProperty::CoreIdle:
        core_idle_ = value_or(v, true);
        if (!core_idle_ && file_active_ && file_loaded_ && phase_ == PlayPhase::Opening)
            phase_ = PlayPhase::Running;
        break;
    case MpvProperty::PausedForCache:
        paused_for_cache_ = value_or(v, false);
        break;
    case MpvProperty::CacheSpeed:
        cache_speed_ = value_or<std::int64_t>(v, 0);
        break;
    case MpvProperty::CacheState:
        cache_ = value_or(v, CacheState{});
        break;
    case MpvProperty::Volume:
        volume_ = value_or(v, volume_);
        break;
    case MpvProperty::Mute:
        mute_ = value_or(v, mute_);
        break;
    case MpvProperty::EofReached:
        eof_reached_ = value_or(v, false);
        break;
    case MpvProperty::VideoBitrate:
        video_bitrate_ = value_or(v, 0.0);
        break;
    case MpvProperty::AudioBitrate:
        audio_bitrate_ = value_or(v, 0.0);
        break;
    case MpvProperty::FileSize:
        file_size_ = value_or<std::int64_t>(v, 0);
        break;
    }
}

bool MpvState::file_wanted() const {
    return phase_ == PlayPhase::Opening || phase_ == PlayPhase::Running;
}

bool MpvState::per_file_values_valid() const {
    return file_active_ && file_wanted();
}

bool MpvState::file_ready() const {
    return per_file_values_valid() && file_loaded_ && phase_ == PlayPhase::Running;
}

bool MpvState::at_end() const {
    return per_file_values_valid() && eof_reached_;
}

bool MpvState::fully_read() const {
    return per_file_values_valid() && cache_.fully_read;
}

int MpvState::waiting_state(int otherwise) const {
    if (source_ != SourceKind::Qvod || !terminal_)
        return otherwise;
    if (terminal_->failed)
        return kStateStopped;
    if (terminal_->reconnecting)
        return kStateReconnecting;
    if (terminal_->connecting)
        return kStateConnecting;
    return otherwise;
}

int MpvState::play_state() const {
    switch (phase_) {
    case PlayPhase::Empty:
        return kStateReady;
    case PlayPhase::StreamPending:
        return waiting_state(kStateConnecting);
    case PlayPhase::Opening:
        if (source_ == SourceKind::Local)
            return kStateWaiting;
        return waiting_state(kStateConnecting);
    case PlayPhase::Running:
        if (at_end())
            return kStateEnded;
        if (paused_)
            return kStatePaused;
        if (paused_for_cache_)
            return waiting_state(kStateBuffering);
        return kStatePlaying;
    case PlayPhase::Stopped:
    case PlayPhase::Failed:
        return kStateStopped;
    case PlayPhase::Ended:
        return kStateEnded;
    }
    return kStateReady;
}

int MpvState::position() const {
    if (seek_target_ && file_ready())
        return static_cast<int>(std::floor(*seek_target_));
    if (!per_file_values_valid())
        return 0;
    return static_cast<int>(std::floor(std::max(0.0, time_pos_)));
}

int MpvState::duration() const {
    if (!per_file_values_valid())
        return 0;
    return static_cast<int>(std::lround(std::max(0.0, duration_)));
}

int MpvState::volume() const {
    return std::clamp(static_cast<int>(std::lround(volume_)), 0, 100);
}

int MpvState::download_rate() const {
    switch (source_) {
    case SourceKind::Local:
        return 0;
    case SourceKind::Qvod:
        return phase_ == PlayPhase::Empty || !terminal_ ? 0 : std::max(0, terminal_->rate_kbs);
    case SourceKind::Network:
        return per_file_values_valid() ? static_cast<int>(cache_speed_ / 1024) : 0;
    }
    return 0;
}

int MpvState::download_permille() const {
    if (phase_ == PlayPhase::Empty)
        return 0;
    switch (source_) {
    case SourceKind::Local:
        return 1000;
    case SourceKind::Qvod:
        return terminal_ ? std::clamp(terminal_->permille, 0, 1000) : 0;
    case SourceKind::Network:
        if (!per_file_values_valid())
            return 0;
        if (cache_.eof_cached)
            return 1000;
        if (duration_ > 0 && cache_.cache_end > 0)
            return std::clamp(static_cast<int>(cache_.cache_end / duration_ * 1000), 0, 999);
        return 0;
    }
    return 0;
}

int MpvState::bit_rate() const {
    if (!per_file_values_valid())
        return 0;
    const double bits = video_bitrate_ + audio_bitrate_;
    if (bits > 0)
        return static_cast<int>(std::lround(bits / 1000));
    if (file_size_ > 0 && duration_ > 0)
        return static_cast<int>(std::lround(file_size_ * 8 / duration_ / 1000));
    return 0;
}

} // namespace kelvara
