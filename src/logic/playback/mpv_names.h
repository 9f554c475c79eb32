#pragma once

// Every libmpv option, property and command name the player control uses.
// Kept here, away from the libmpv headers, so the names can be checked
// against mpv's manual in one place.

namespace kelvara::mpv_names {

// Options set before the player starts.
inline constexpr const char* kVo = "vo";
inline constexpr const char* kVoLibmpv = "libmpv";
inline constexpr const char* kAo = "ao";
inline constexpr const char* kHwdec = "hwdec";
inline constexpr const char* kGpuHwdecInterop = "gpu-hwdec-interop";
// Hardware decoding only through the decoders mpv knows to decode right,
// falling back to software decoding where the machine has none.
inline constexpr const char* kHwdecAutoSafe = "auto-safe";
inline constexpr const char* kKeepOpen = "keep-open";
// "always": the end of a file never moves on to the next playlist entry;
// the client moves between episodes itself.
inline constexpr const char* kKeepOpenAlways = "always";
inline constexpr const char* kKeepOpenPause = "keep-open-pause";
inline constexpr const char* kIdle = "idle";
inline constexpr const char* kOsc = "osc";
inline constexpr const char* kOsdLevel = "osd-level";
inline constexpr const char* kInputDefaultBindings = "input-default-bindings";
inline constexpr const char* kInputVoKeyboard = "input-vo-keyboard";
inline constexpr const char* kInputCursor = "input-cursor";
inline constexpr const char* kTerminal = "terminal";
inline constexpr const char* kConfig = "config";
inline constexpr const char* kLoadScripts = "load-scripts";
inline constexpr const char* kYtdl = "ytdl";
inline constexpr const char* kPrefetchPlaylist = "prefetch-playlist";
inline constexpr const char* kVolumeMax = "volume-max";
inline constexpr const char* kAudioClientName = "audio-client-name";
inline constexpr const char* kUserAgent = "user-agent";

// Properties observed or written.
inline constexpr const char* kTimePos = "time-pos";
inline constexpr const char* kDuration = "duration";
inline constexpr const char* kPause = "pause";
inline constexpr const char* kCoreIdle = "core-idle";
inline constexpr const char* kPausedForCache = "paused-for-cache";
inline constexpr const char* kCacheSpeed = "cache-speed";
inline constexpr const char* kDemuxerCacheState = "demuxer-cache-state";
inline constexpr const char* kVolume = "volume";
inline constexpr const char* kMute = "mute";
inline constexpr const char* kEofReached = "eof-reached";
inline constexpr const char* kVideoBitrate = "video-bitrate";
inline constexpr const char* kAudioBitrate = "audio-bitrate";
inline constexpr const char* kFileSize = "file-size";

// Fields of the demuxer-cache-state map.
inline constexpr const char* kCacheEnd = "cache-end";
inline constexpr const char* kEofCached = "eof-cached";
inline constexpr const char* kCacheEof = "eof";
inline constexpr const char* kCacheIdle = "idle";

// Commands and their arguments.
inline constexpr const char* kLoadfile = "loadfile";
inline constexpr const char* kLoadReplace = "replace";
inline constexpr const char* kLoadAppend = "append";
// Per-file options of loadfile: an empty proxy for ffmpeg's http reader,
// which otherwise takes http_proxy from the environment for every host
// that no_proxy does not name.
inline constexpr const char* kLoadWithoutProxy = "stream-lavf-o-append=http_proxy=";
// Per-file option of loadfile for the terminal's streams: the terminal keeps
// the film on disk, so the player reads a few seconds ahead rather than all
// of the film into memory at once, which also held its first frame back.
inline constexpr const char* kReadFewSecondsAhead = "cache-secs=5";
// Per-file option of loadfile: where the file starts playing, in seconds.
inline constexpr const char* kStart = "start";
inline constexpr const char* kStop = "stop";
inline constexpr const char* kSeek = "seek";
inline constexpr const char* kSeekAbsolute = "absolute";

inline constexpr const char* kYes = "yes";
inline constexpr const char* kNo = "no";

} // namespace kelvara::mpv_names
