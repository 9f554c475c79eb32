#include "desktop/mpv_player.h"

#include "desktop/full_screen_view.h"
#include "desktop/mpv_events.h"
#include "desktop/mpv_video_window.h"
#include "desktop/player_log.h"
#include "desktop/qvod_streams.h"
#include "logic/playback/mpv_names.h"

#include <QByteArrayList>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <clocale>
#include <cstring>
#include <mpv/client.h>
#include <vector>

namespace kelvara {

namespace n = mpv_names;

namespace {

constexpr int kTerminalPollMs = 1000;

// mpv refuses to start under any other numeric locale.
void ensure_c_numeric_locale() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    if (current && std::strcmp(current, "C") == 0)
        return;
    qCWarning(lc_player) << "LC_NUMERIC was" << current << "- setting it to C for libmpv";
    std::setlocale(LC_NUMERIC, "C");
}

QByteArray env_or(const char* name, const char* fallback) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QByteArray(fallback) : value;
}

mpv_handle* create_mpv() {
    ensure_c_numeric_locale();
    mpv_handle* mpv = mpv_create();
    if (!mpv) {
        qCWarning(lc_player) << "libmpv could not be started";
        return nullptr;
    }
    const QByteArray ao = qgetenv("KELVARA_MPV_AO");
    // KELVARA_MPV_HWDEC=no decodes in software only.
    const QByteArray hwdec = env_or("KELVARA_MPV_HWDEC", n::kHwdecAutoSafe);
    const std::pair<const char*, const char*> options[] = {
        {n::kConfig, n::kNo},
        {n::kTerminal, n::kNo},
        {n::kLoadScripts, n::kNo},
        {n::kYtdl, n::kNo},
        {n::kOsc, n::kNo},
        {n::kOsdLevel, "0"},
        {n::kInputDefaultBindings, n::kNo},
        {n::kInputVoKeyboard, n::kNo},
        {n::kInputCursor, n::kNo},
        {n::kVo, n::kVoLibmpv},
        {n::kHwdec, hwdec.constData()},
        {n::kIdle, n::kYes},
        {n::kKeepOpen, n::kKeepOpenAlways},
        {n::kKeepOpenPause, n::kNo},
        {n::kPrefetchPlaylist, n::kYes},
        {n::kVolumeMax, "100"},
        {n::kAudioClientName, "Kelvara"},
        {n::kUserAgent, "Kelvara/2.1"},
    };
    for (const auto& [name, value] : options) {
        if (mpv_set_option_string(mpv, name, value) < 0)
            qCWarning(lc_player) << "mpv rejected option" << name << value;
    }
    if (!ao.isEmpty())
        mpv_set_option_string(mpv, n::kAo, ao.constData());
    // Without hardware decoding no interop needs probing when video starts.
    if (hwdec == n::kNo)
        mpv_set_option_string(mpv, n::kGpuHwdecInterop, n::kNo);
    if (mpv_initialize(mpv) < 0) {
        qCWarning(lc_player) << "libmpv could not be initialised";
        mpv_terminate_destroy(mpv);
        return nullptr;
    }
    for (const ObservedProperty& p : observed_properties()) {
        static constexpr mpv_format formats[] = {MPV_FORMAT_FLAG, MPV_FORMAT_INT64,
                                                 MPV_FORMAT_DOUBLE, MPV_FORMAT_NODE};
        mpv_observe_property(mpv, static_cast<std::uint64_t>(p.id), p.name,
                             formats[static_cast<int>(p.kind)]);
    }
    // KELVARA_MPV_LOG=v shows what mpv does (under kelvara.player.info).
    mpv_request_log_messages(mpv, env_or("KELVARA_MPV_LOG", "warn").constData());
    return mpv;
}

// What mpv is given for an address: local paths as they are (file://
// addresses as paths), network addresses untouched.
QString mpv_address(const QString& address) {
    const QString a = address.trimmed();
    if (a.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        return QUrl(a).toLocalFile();
    return a;
}

} // namespace

MpvPlayer::MpvPlayer(QWidget* container, QvodStreams* streams) : streams_(streams) {
    auto* surface = new MpvVideoWindow;
    // Like the widgets around it, the video takes no keyboard focus on a click.
    surface->setFlag(Qt::WindowDoesNotAcceptFocus);
    video_ = QWidget::createWindowContainer(surface, container);
    surface->forward_input_to(video_);
    surface_ = surface;
    full_screen_ = std::make_unique<FullScreenView>(video_);
    terminal_poll_.setInterval(kTerminalPollMs);
    connect(&terminal_poll_, &QTimer::timeout, this, &MpvPlayer::poll_terminal);
}

// mpv starts with the first file it opens, not with the window: libmpv and
// its drawing cost the start-up time and memory a window that plays nothing
// has no use for. The volume and mute asked for meanwhile go with it.
bool MpvPlayer::ensure_mpv() {
    if (mpv_ || mpv_failed_)
        return mpv_ != nullptr;
    mpv_ = create_mpv();
    mpv_failed_ = !mpv_;
    if (!mpv_)
        return false;
    mpv_set_wakeup_callback(mpv_, &MpvPlayer::on_wakeup, this);
    set_double(n::kVolume, state_.volume());
    set_flag(n::kMute, state_.muted());
    if (surface_)
        surface_->attach(mpv_);
    return true;
}

MpvPlayer::~MpvPlayer() {
    full_screen_.reset();
    // The render context goes with the surface, before the player it draws.
    delete video_.data();
    if (mpv_) {
        mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
        mpv_terminate_destroy(mpv_);
    }
}

QWidget* MpvPlayer::widget() {
    return video_;
}

MpvVideoWindow* MpvPlayer::video_window() const {
    return surface_;
}

bool MpvPlayer::full_screen() const {
    return full_screen_ && full_screen_->active();
}

// Called on one of mpv's threads: only posts the drain.
void MpvPlayer::on_wakeup(void* self) {
    auto* player = static_cast<MpvPlayer*>(self);
    if (player->wakeup_posted_.exchange(true))
        return;
    QMetaObject::invokeMethod(player, &MpvPlayer::drain_events, Qt::QueuedConnection);
}

void MpvPlayer::drain_events() {
    wakeup_posted_ = false;
    while (mpv_) {
        mpv_event* event = mpv_wait_event(mpv_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handle_event(*event);
    }
    after_events();
}

void MpvPlayer::handle_event(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* m = static_cast<const mpv_event_log_message*>(event.data);
        qCInfo(lc_player).noquote() << "mpv" << m->prefix << m->level << QString(m->text).trimmed();
        return;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (event.error < 0) {
            qCInfo(lc_player) << "mpv command failed:" << mpv_error_string(event.error);
            if (event.reply_userdata != 0 &&
                static_cast<std::int64_t>(event.reply_userdata) == load_entry_)
                state_.apply(player_event::LoadFailed{});
        }
        return;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (end->playlist_insert_num_entries > 0)
            next_entry_id_ = std::max(next_entry_id_,
                                      end->playlist_insert_id + end->playlist_insert_num_entries);
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            qCInfo(lc_player) << "playback failed:" << mpv_error_string(end->error);
        break;
    }
    default:
        break;
    }
    if (const std::optional<PlayerEvent> e = to_player_event(event))
        state_.apply(*e);
}

void MpvPlayer::after_events() {
    // mpv moved on by itself to an entry put there for preloading.
    if (state_.foreign_file() && state_.foreign_id() != stopped_foreign_id_) {
        stopped_foreign_id_ = state_.foreign_id();
        command({n::kStop});
    }
    append_preload();
}

void MpvPlayer::command(std::initializer_list<const char*> args, std::uint64_t tag) {
    if (!mpv_)
        return;
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(mpv_, tag, argv.data());
}

// loadfile with the per-file options `address` needs: no proxy for this
// machine's addresses, a short read-ahead for the terminal's streams, and
// where to start.
void MpvPlayer::loadfile(const QString& address, SourceKind kind, const char* mode,
                         int start_seconds, std::uint64_t tag) {
    const QByteArray file = address.toUtf8();
    QByteArrayList options;
    if (loopback_address(address))
        options.append(n::kLoadWithoutProxy);
    if (kind == SourceKind::Qvod)
        options.append(n::kReadFewSecondsAhead);
    if (start_seconds > 0)
        options.append(QByteArray(n::kStart) + '=' + QByteArray::number(start_seconds));
    const QByteArray joined = options.join(',');
    if (joined.isEmpty())
        command({n::kLoadfile, file.constData(), mode}, tag);
    else
        command({n::kLoadfile, file.constData(), mode, joined.constData()}, tag);
}

void MpvPlayer::set_flag(const char* name, bool value) {
    if (!mpv_)
        return;
    int flag = value ? 1 : 0;
    mpv_set_property_async(mpv_, 0, name, MPV_FORMAT_FLAG, &flag);
}

void MpvPlayer::set_double(const char* name, double value) {
    if (mpv_)
        mpv_set_property_async(mpv_, 0, name, MPV_FORMAT_DOUBLE, &value);
}

void MpvPlayer::setUrl(const QString& address) {
    url_ = address;
    if (address.isEmpty())
        Stop();
}

void MpvPlayer::Play() {
    if (url_.isEmpty())
        return;
    switch (state_.phase()) {
    case PlayPhase::Opening:
    case PlayPhase::Running:
        if (url_ != loaded_url_)
            break;
        if (state_.at_end())
            setPosition(0); // starts over
        set_flag(n::kPause, false);
        state_.apply(player_event::PauseIssued{false});
        return;
    case PlayPhase::StreamPending:
        if (url_ == loaded_url_) {
            open_qvod_stream();
            return;
        }
        break;
    default:
        break;
    }
    start_loading();
}

void MpvPlayer::start_loading() {
    loaded_url_ = url_;
    set_flag(n::kPause, false);
    state_.apply(player_event::PauseIssued{false});
    if (preload_address_ != url_)
        preload_address_.clear();
    preload_appended_ = false;
    const SourceKind kind = source_kind(url_);
    if (kind != SourceKind::Qvod) {
        terminal_poll_.stop();
        load(mpv_address(url_), kind);
        return;
    }
    state_.apply(player_event::Terminal{std::nullopt});
    terminal_poll_.start();
    state_.apply(player_event::StreamPending{});
    open_qvod_stream();
}

void MpvPlayer::open_qvod_stream() {
    if (!streams_)
        return;
    const QString stream = streams_->open(loaded_url_);
    if (stream.isEmpty()) {
        qCDebug(lc_player) << "no stream from the terminal yet for" << loaded_url_;
        return;
    }
    stream_url_ = stream;
    load(stream, SourceKind::Qvod);
}

// The terminal ended under a playing film (it crashed or was restarted):
// its stream is cut off, so the film is opened again from a new terminal
// where it stood, instead of playing out what mpv holds and ending early.
void MpvPlayer::reopen_qvod_stream() {
    if (state_.at_end() && state_.position() + 1 >= state_.duration())
        return; // it had played to its end anyway
    const QString stream = streams_->open(loaded_url_);
    if (stream.isEmpty() || stream == stream_url_)
        return;
    qCInfo(lc_player) << "the terminal's stream moved; opening it again at" << state_.position();
    stream_url_ = stream;
    load(stream, SourceKind::Qvod, state_.position());
}

void MpvPlayer::load(const QString& mpv_address, SourceKind kind, int start_seconds) {
    if (!ensure_mpv()) {
        state_.apply(player_event::LoadFailed{});
        return;
    }
    const std::int64_t entry = next_entry_id_++;
    load_entry_ = entry;
    loadfile(mpv_address, kind, n::kLoadReplace, start_seconds, static_cast<std::uint64_t>(entry));
    state_.apply(player_event::LoadIssued{kind, entry});
    qCDebug(lc_player) << "loading" << mpv_address << "as entry" << entry;
}

void MpvPlayer::Pause() {
    const PlayPhase phase = state_.phase();
    if (phase != PlayPhase::Opening && phase != PlayPhase::Running)
        return;
    set_flag(n::kPause, true);
    state_.apply(player_event::PauseIssued{true});
}

void MpvPlayer::Stop() {
    terminal_poll_.stop();
    loaded_url_.clear();
    preload_address_.clear();
    preload_appended_ = false;
    if (state_.phase() == PlayPhase::Empty)
        return;
    command({n::kStop});
    state_.apply(player_event::StopIssued{});
}

void MpvPlayer::setMute(int mute) {
    set_flag(n::kMute, mute != 0);
    state_.apply(player_event::MuteIssued{mute != 0});
}

void MpvPlayer::setVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    set_double(n::kVolume, volume);
    state_.apply(player_event::VolumeIssued{volume});
}

void MpvPlayer::setPosition(int seconds) {
    if (!state_.file_ready()) {
        qCDebug(lc_player) << "seek to" << seconds << "ignored: nothing running";
        return;
    }
    seconds = std::max(0, seconds);
    const QByteArray target = QByteArray::number(seconds);
    command({n::kSeek, target.constData(), n::kSeekAbsolute});
    state_.apply(player_event::SeekIssued{static_cast<double>(seconds)});
}

void MpvPlayer::setFullScreen(int full) {
    if (full != 0)
        full_screen_->enter();
    else
        full_screen_->leave();
}

void MpvPlayer::PreloadNext(const QString& address) {
    switch (source_kind(address)) {
    case SourceKind::Qvod:
        if (streams_)
            streams_->preload(address);
        else
            qCInfo(lc_player) << "no QVOD terminal to preload" << address;
        return;
    case SourceKind::Local:
        qCDebug(lc_player) << "a local file needs no preloading:" << address;
        return;
    case SourceKind::Network:
        if (address == preload_address_ || address == loaded_url_)
            return;
        preload_address_ = address;
        preload_appended_ = false;
        append_preload();
        return;
    }
}

// mpv opens the entry after the current one once the current file is wholly
// read; before that the entry would only sit in the way of a failure.
void MpvPlayer::append_preload() {
    if (preload_address_.isEmpty() || preload_appended_ || !state_.fully_read())
        return;
    loadfile(mpv_address(preload_address_), source_kind(preload_address_), n::kLoadAppend);
    ++next_entry_id_;
    preload_appended_ = true;
    qCDebug(lc_player) << "preloading" << preload_address_;
}

void MpvPlayer::poll_terminal() {
    if (!streams_ || source_kind(loaded_url_) != SourceKind::Qvod) {
        terminal_poll_.stop();
        return;
    }
    const std::optional<TerminalStatus> status = streams_->status(loaded_url_);
    state_.apply(player_event::Terminal{status});
    if (state_.phase() == PlayPhase::StreamPending)
        open_qvod_stream();
    else if (!status && state_.phase() == PlayPhase::Running)
        reopen_qvod_stream();
}

std::unique_ptr<PlayerControl> MpvPlayerFactory::create_player(QWidget* container) {
    return std::make_unique<MpvPlayer>(container, streams_);
}

} // namespace kelvara
