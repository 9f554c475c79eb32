#pragma once

#include "fakes/recording_pane.h"
#include "fakes/scripted_player.h"

#include <QWidget>
#include <map>
#include <memory>

namespace kelvara::test {

// A recording pane with a real (empty) widget in its container, for the
// windows' tests.
class FakePane : public RecordingPane {
public:
    FakePane(QWidget* container, const QString& name);
    ~FakePane() override;
    QWidget* widget() override { return widget_; }

private:
    QWidget* widget_;
};

// A scripted player with a real (empty) video widget in its container.
class FakePlayer : public ScriptedPlayer {
public:
    explicit FakePlayer(QWidget* container);
    ~FakePlayer() override;
    QWidget* widget() override { return widget_; }

private:
    QWidget* widget_;
};

class FakePlayerFactory : public PlayerFactory {
public:
    std::unique_ptr<PlayerControl> create_player(QWidget* container) override;
    ScriptedPlayer* player = nullptr;
};

class FakePaneFactory : public PaneFactory {
public:
    std::unique_ptr<WebPane> create_pane(QWidget* container, const QString& name) override;
    // The pane of that name created last.
    FakePane* pane(const QString& name) const;

private:
    std::map<QString, FakePane*> panes_;
};

} // namespace kelvara::test
