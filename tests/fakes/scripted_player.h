#pragma once

#include "platform/player_control.h"

#include <QStringList>

namespace kelvara::test {

// A player whose state the test moves. Calls are recorded in `calls`
// ("setUrl:<address>", "Play", "Pause", "Stop", "setPosition:<s>",
// "setVolume:<v>", "setMute:<m>", "setFullScreen:<f>", "PreloadNext:<a>").
// Without widgets: the windows' tests use FakePlayer (fake_pane.h), which
// has its video widget.
class ScriptedPlayer : public PlayerControl {
public:
    QWidget* widget() override { return nullptr; }
    QString Url() const override { return url; }
    void setUrl(const QString& address) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void setMute(int m) override;
    void setFullScreen(int f) override;
    int Volume() const override { return volume; }
    void setVolume(int v) override;
    int Duration() const override { return duration; }
    int Position() const override { return position; }
    void setPosition(int seconds) override;
    int PlayState() const override { return state; }
    int DownloadRate() const override { return download_rate; }
    int BitRate() const override { return bit_rate; }
    int DownloadPermille() const override { return permille; }
    void PreloadNext(const QString& address) override;
    void setAdPage(const QString& address) override { ad_page = address; }
    QString AdPage() const override { return ad_page; }

    // Number of recorded calls that start with `prefix`.
    int count(const QString& prefix) const;

    QString url;
    int state = 0;
    int position = 0;
    int duration = 0;
    int volume = 50;
    int mute = 0;
    int full_screen = 0;
    int download_rate = 0;
    int bit_rate = 0;
    int permille = 0;
    QString ad_page;
    // Volume writes outside 0..100 are clamped, as the real control does.
    bool clamp_volume = true;
    // Play moves the state to playing at once.
    bool play_starts = true;
    QStringList calls;
};

} // namespace kelvara::test
