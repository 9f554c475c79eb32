#include "logic/playback/mpv_state.h"

#include <gtest/gtest.h>

using namespace kelvara;
namespace ev = kelvara::player_event;

namespace {

ev::PropertyChanged prop(MpvProperty p, PropertyValue v) {
    return {p, std::move(v)};
}

// A state driven through the events mpv sends for one file: loadfile, start,
// loaded, length known, first frame.
class MpvStateTest : public ::testing::Test {
protected:
    void apply(const PlayerEvent& e) { s.apply(e); }

    void run_file(std::int64_t id, SourceKind kind, double duration = 60) {
        apply(ev::LoadIssued{kind, id});
        apply(ev::StartFile{id});
        apply(ev::FileLoaded{});
        apply(prop(MpvProperty::Duration, duration));
        apply(prop(MpvProperty::TimePos, 0.0));
        apply(ev::PlaybackRestart{});
    }

    MpvState s;
};

} // namespace

TEST(SourceKind, ClassifiesAddresses) {
    EXPECT_EQ(source_kind("qvod://100|ABC|film.rmvb|"), SourceKind::Qvod);
    EXPECT_EQ(source_kind("QVOD://100|ABC|x|"), SourceKind::Qvod);
    EXPECT_EQ(source_kind("http://127.0.0.1/a.mp4"), SourceKind::Network);
    EXPECT_EQ(source_kind(" HTTPS://example.org/a.mp4"), SourceKind::Network);
    EXPECT_EQ(source_kind("/home/u/Media/a.rmvb"), SourceKind::Local);
    EXPECT_EQ(source_kind("file:///home/u/a.mp4"), SourceKind::Local);
    EXPECT_EQ(source_kind("httpfile.mp4"), SourceKind::Local);
}

TEST(SourceKind, LoopbackAddressesAreThisMachines) {
    EXPECT_TRUE(loopback_address("http://127.0.0.1:41234/stream/ab?size=1&name=a"));
    EXPECT_TRUE(loopback_address("http://127.8.0.255/a.mp4"));
    EXPECT_TRUE(loopback_address("HTTP://LocalHost:8080/a.mp4"));
    EXPECT_TRUE(loopback_address("https://[::1]:9/a.mp4"));
    EXPECT_FALSE(loopback_address("http://127.0.0.1.example.org/a.mp4"));
    EXPECT_FALSE(loopback_address("http://127.0.0.256/a.mp4"));
    EXPECT_FALSE(loopback_address("http://128.0.0.1/a.mp4"));
    EXPECT_FALSE(loopback_address("http://localhost.example.org/a.mp4"));
    EXPECT_FALSE(loopback_address("http://user@example.org/127.0.0.1"));
    EXPECT_FALSE(loopback_address("/tmp/127.0.0.1.mp4"));
    EXPECT_FALSE(loopback_address("qvod://1|AB|127.0.0.1|"));
}

TEST_F(MpvStateTest, LocalFileLifecycle) {
    EXPECT_EQ(s.play_state(), 0);
    EXPECT_EQ(s.download_permille(), 0);

    apply(ev::LoadIssued{SourceKind::Local, 1});
    EXPECT_EQ(s.play_state(), 5); // opening a local file
    EXPECT_EQ(s.duration(), 0);
    apply(ev::StartFile{1});
    apply(ev::FileLoaded{});
    apply(prop(MpvProperty::Duration, 5.98));
    EXPECT_EQ(s.play_state(), 5) << "no frame yet";
    EXPECT_EQ(s.duration(), 6);
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 3);
    EXPECT_TRUE(s.file_ready());

    apply(prop(MpvProperty::TimePos, 2.97));
    EXPECT_EQ(s.position(), 2) << "whole seconds, rounded down";
    EXPECT_EQ(s.download_permille(), 1000);
    EXPECT_EQ(s.download_rate(), 0);

    apply(ev::PauseIssued{true});
    EXPECT_EQ(s.play_state(), 2);
    apply(ev::PauseIssued{false});
    EXPECT_EQ(s.play_state(), 3);

    // keep-open: at the end mpv pauses on the last frame and reports eof.
    apply(prop(MpvProperty::TimePos, 5.96));
    apply(prop(MpvProperty::Pause, true));
    apply(prop(MpvProperty::EofReached, true));
    EXPECT_EQ(s.play_state(), 6);
    EXPECT_TRUE(s.at_end());
    EXPECT_EQ(s.position(), 5);

    apply(ev::StopIssued{});
    EXPECT_EQ(s.play_state(), 1);
    EXPECT_EQ(s.position(), 0);
    EXPECT_EQ(s.duration(), 0);
    apply(ev::EndFile{EndReason::Stop, 1});
    EXPECT_EQ(s.play_state(), 1);
    EXPECT_FALSE(s.file_ready());
}

TEST_F(MpvStateTest, OpeningAndStallingCodesBySource) {
    apply(ev::LoadIssued{SourceKind::Network, 1});
    EXPECT_EQ(s.play_state(), 10) << "connecting to a network address";
    apply(ev::StartFile{1});
    apply(ev::FileLoaded{});
    EXPECT_EQ(s.play_state(), 10);
    // The first frame can show up as the core leaving idle.
    apply(prop(MpvProperty::CoreIdle, false));
    EXPECT_EQ(s.play_state(), 3);
    apply(prop(MpvProperty::PausedForCache, true));
    EXPECT_EQ(s.play_state(), 4);
    apply(ev::PauseIssued{true});
    EXPECT_EQ(s.play_state(), 2) << "the user's pause wins over buffering";

    MpvState q;
    q.apply(ev::StreamPending{});
    EXPECT_EQ(q.play_state(), 10) << "no terminal stream yet";
    q.apply(ev::Terminal{TerminalStatus{0, 0, false, true, false}});
    EXPECT_EQ(q.play_state(), 8);
    q.apply(ev::LoadIssued{SourceKind::Qvod, 1});
    EXPECT_EQ(q.play_state(), 8) << "opening while the terminal reconnects";
    q.apply(ev::Terminal{TerminalStatus{10, 50, true, false, false}});
    EXPECT_EQ(q.play_state(), 10);
    q.apply(ev::StartFile{1});
    q.apply(ev::FileLoaded{});
    q.apply(ev::PlaybackRestart{});
    q.apply(ev::Terminal{TerminalStatus{20, 50, false, true, false}});
    EXPECT_EQ(q.play_state(), 3) << "frames still play from what is on disk";
    q.apply(prop(MpvProperty::PausedForCache, true));
    EXPECT_EQ(q.play_state(), 8);
    q.apply(ev::Terminal{TerminalStatus{20, 0, false, false, false}});
    EXPECT_EQ(q.play_state(), 4);
    q.apply(ev::Terminal{TerminalStatus{20, 0, false, false, true}});
    EXPECT_EQ(q.play_state(), 1) << "the terminal gave up";
}

TEST_F(MpvStateTest, PauseBeforeTheFirstFrameShowsOnceRunning) {
    apply(ev::LoadIssued{SourceKind::Local, 1});
    apply(ev::PauseIssued{true});
    EXPECT_EQ(s.play_state(), 5);
    apply(ev::StartFile{1});
    apply(ev::FileLoaded{});
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 2);
}

TEST_F(MpvStateTest, EndsOfReplacedOrStoppedLoadsDoNotEndTheNewFile) {
    run_file(1, SourceKind::Local);
    apply(prop(MpvProperty::TimePos, 30.0));

    // Replace while playing: the old file's end comes after the new load.
    apply(ev::LoadIssued{SourceKind::Network, 2});
    EXPECT_EQ(s.position(), 0);
    EXPECT_EQ(s.duration(), 0) << "the old length is not the new film's";
    apply(ev::EndFile{EndReason::Stop, 1});
    EXPECT_EQ(s.play_state(), 10);
    apply(ev::StartFile{2});
    EXPECT_FALSE(s.foreign_file());

    // Two loads before mpv starts either: the first one starts and ends.
    apply(ev::LoadIssued{SourceKind::Local, 3});
    apply(ev::LoadIssued{SourceKind::Local, 4});
    apply(ev::EndFile{EndReason::Stop, 2});
    apply(ev::StartFile{3});
    apply(ev::EndFile{EndReason::Stop, 3});
    EXPECT_EQ(s.play_state(), 5);
    EXPECT_FALSE(s.foreign_file());
    apply(ev::StartFile{4});
    apply(ev::FileLoaded{});
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 3);

    // Stop, then play again before mpv got to the stop.
    apply(ev::StopIssued{});
    apply(ev::LoadIssued{SourceKind::Local, 5});
    apply(ev::EndFile{EndReason::Stop, 4});
    EXPECT_EQ(s.play_state(), 5);
    apply(ev::StartFile{5});
    apply(ev::FileLoaded{});
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 3);

    // Stop right after a load: its start may still come, and is ignored.
    apply(ev::LoadIssued{SourceKind::Local, 6});
    apply(ev::StopIssued{});
    apply(ev::EndFile{EndReason::Stop, 5});
    apply(ev::StartFile{6});
    apply(ev::FileLoaded{});
    apply(ev::PlaybackRestart{});
    EXPECT_FALSE(s.foreign_file());
    EXPECT_EQ(s.play_state(), 1);
    EXPECT_EQ(s.position(), 0);
}

TEST_F(MpvStateTest, EndReasonsTellEndedFromStoppedFromFailed) {
    run_file(1, SourceKind::Local);
    apply(ev::EndFile{EndReason::Eof, 1});
    EXPECT_EQ(s.play_state(), 6);

    run_file(2, SourceKind::Network);
    apply(ev::EndFile{EndReason::Error, 2});
    EXPECT_EQ(s.play_state(), 1);
    EXPECT_EQ(s.phase(), PlayPhase::Failed);

    apply(ev::LoadIssued{SourceKind::Network, 3});
    apply(ev::StartFile{3});
    apply(ev::EndFile{EndReason::Error, 3});
    EXPECT_EQ(s.phase(), PlayPhase::Failed) << "failed while opening";

    run_file(4, SourceKind::Local);
    apply(ev::EndFile{EndReason::Stop, 4}); // stopped by someone else
    EXPECT_EQ(s.phase(), PlayPhase::Stopped);
}

TEST_F(MpvStateTest, FileMpvStartsOnItsOwnIsForeign) {
    run_file(1, SourceKind::Network);
    // Entry 2 was appended for preloading; the current file fails and mpv
    // moves on to it.
    apply(ev::EndFile{EndReason::Error, 1});
    apply(ev::StartFile{2});
    EXPECT_TRUE(s.foreign_file());
    apply(ev::FileLoaded{});
    apply(prop(MpvProperty::Duration, 100.0));
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 1);
    EXPECT_EQ(s.duration(), 0);
    apply(ev::EndFile{EndReason::Stop, 2});
    EXPECT_FALSE(s.foreign_file());
    EXPECT_EQ(s.phase(), PlayPhase::Failed);
}

TEST_F(MpvStateTest, PlaylistAddressRedirectsToItsEntries) {
    apply(ev::LoadIssued{SourceKind::Network, 1});
    apply(ev::StartFile{1});
    apply(ev::EndFile{EndReason::Redirect, 1, 2});
    EXPECT_EQ(s.play_state(), 10);
    apply(ev::StartFile{2});
    EXPECT_FALSE(s.foreign_file());
    apply(ev::FileLoaded{});
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.play_state(), 3);
}

TEST_F(MpvStateTest, PositionReadsTheSeekTargetUntilMpvReportsTheNewPlace) {
    run_file(1, SourceKind::Local, 3600);
    apply(prop(MpvProperty::TimePos, 100.4));
    apply(ev::SeekIssued{1800.0});
    EXPECT_EQ(s.position(), 1800);
    apply(prop(MpvProperty::TimePos, 101.0)); // still the old place
    EXPECT_EQ(s.position(), 1800);
    apply(ev::PlaybackRestart{});
    EXPECT_EQ(s.position(), 1800);
    apply(prop(MpvProperty::TimePos, 1799.96));
    EXPECT_EQ(s.position(), 1799);

    // Beyond the end: the caller's end check reads the target back.
    apply(ev::SeekIssued{3605.0});
    EXPECT_GT(s.position(), s.duration());
    apply(ev::SeekIssued{-5.0});
    EXPECT_EQ(s.position(), 0);
}

TEST_F(MpvStateTest, VolumeStaysWithinZeroToHundred) {
    apply(ev::VolumeIssued{150});
    EXPECT_EQ(s.volume(), 100);
    apply(ev::VolumeIssued{-5});
    EXPECT_EQ(s.volume(), 0);
    apply(ev::VolumeIssued{37});
    EXPECT_EQ(s.volume(), 37);
    apply(prop(MpvProperty::Volume, 130.0));
    EXPECT_EQ(s.volume(), 100);
    apply(prop(MpvProperty::Volume, 64.6));
    EXPECT_EQ(s.volume(), 65);
    apply(ev::MuteIssued{true});
    EXPECT_TRUE(s.muted());
    apply(prop(MpvProperty::Mute, false));
    EXPECT_FALSE(s.muted());
}

TEST_F(MpvStateTest, NetworkDownloadFiguresComeFromTheCache) {
    run_file(1, SourceKind::Network, 200);
    apply(prop(MpvProperty::CacheSpeed, std::int64_t{51200}));
    EXPECT_EQ(s.download_rate(), 50);
    apply(prop(MpvProperty::CacheState, CacheState{50.0, false, false}));
    EXPECT_EQ(s.download_permille(), 250);
    apply(prop(MpvProperty::CacheState, CacheState{199.9, false, false}));
    EXPECT_EQ(s.download_permille(), 999) << "1000 only once the end is cached";
    apply(prop(MpvProperty::CacheState, CacheState{199.9, true, true}));
    EXPECT_EQ(s.download_permille(), 1000);
    EXPECT_TRUE(s.fully_read());

    apply(ev::StopIssued{});
    EXPECT_EQ(s.download_permille(), 0);
    EXPECT_EQ(s.download_rate(), 0);
    EXPECT_FALSE(s.fully_read());
}

TEST_F(MpvStateTest, QvodDownloadFiguresComeFromTheTerminal) {
    apply(ev::StreamPending{});
    EXPECT_EQ(s.download_permille(), 0);
    apply(ev::Terminal{TerminalStatus{420, 300, false, false, false}});
    run_file(1, SourceKind::Qvod);
    apply(prop(MpvProperty::CacheSpeed, std::int64_t{10'000'000}));
    EXPECT_EQ(s.download_permille(), 420);
    EXPECT_EQ(s.download_rate(), 300);
    apply(ev::Terminal{TerminalStatus{1200, -3, false, false, false}});
    EXPECT_EQ(s.download_permille(), 1000);
    EXPECT_EQ(s.download_rate(), 0);
    apply(ev::Terminal{std::nullopt});
    EXPECT_EQ(s.download_permille(), 0);
}

TEST_F(MpvStateTest, BitRateFromStreamsOrFromSizeAndLength) {
    run_file(1, SourceKind::Network, 100);
    EXPECT_EQ(s.bit_rate(), 0);
    apply(prop(MpvProperty::FileSize, std::int64_t{12'500'000}));
    EXPECT_EQ(s.bit_rate(), 1000);
    apply(prop(MpvProperty::VideoBitrate, 700'000.0));
    apply(prop(MpvProperty::AudioBitrate, 64'000.0));
    EXPECT_EQ(s.bit_rate(), 764);
    apply(prop(MpvProperty::VideoBitrate, PropertyValue{}));
    EXPECT_EQ(s.bit_rate(), 64);
}
