#include "fakes/scripted_player.h"

#include <algorithm>

namespace kelvara::test {

void ScriptedPlayer::setUrl(const QString& address) {
    url = address;
    calls.append(QStringLiteral("setUrl:") + address);
}

void ScriptedPlayer::Play() {
    calls.append(QStringLiteral("Play"));
    if (play_starts && !url.isEmpty())
        state = kStatePlaying;
}

void ScriptedPlayer::Pause() {
    calls.append(QStringLiteral("Pause"));
    state = kStatePaused;
}

void ScriptedPlayer::Stop() {
    calls.append(QStringLiteral("Stop"));
    state = kStateStopped;
    position = 0;
}

void ScriptedPlayer::setMute(int m) {
    mute = m;
    calls.append(QStringLiteral("setMute:%1").arg(m));
}

void ScriptedPlayer::setFullScreen(int f) {
    full_screen = f;
    calls.append(QStringLiteral("setFullScreen:%1").arg(f));
}

void ScriptedPlayer::setVolume(int v) {
    calls.append(QStringLiteral("setVolume:%1").arg(v));
    volume = clamp_volume ? std::clamp(v, 0, 100) : v;
}

void ScriptedPlayer::setPosition(int seconds) {
    calls.append(QStringLiteral("setPosition:%1").arg(seconds));
    position = seconds;
}

void ScriptedPlayer::PreloadNext(const QString& address) {
    calls.append(QStringLiteral("PreloadNext:") + address);
}

int ScriptedPlayer::count(const QString& prefix) const {
    int n = 0;
    for (const QString& c : calls)
        n += c.startsWith(prefix) ? 1 : 0;
    return n;
}

} // namespace kelvara::test
