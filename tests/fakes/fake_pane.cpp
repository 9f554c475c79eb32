#include "fakes/fake_pane.h"

namespace kelvara::test {

FakePane::FakePane(QWidget* container, const QString& name)
    : RecordingPane(name), widget_(new QWidget(container)) {
    widget_->setObjectName(name);
}

FakePane::~FakePane() {
    delete widget_;
}

FakePlayer::FakePlayer(QWidget* container) : widget_(new QWidget(container)) {
    widget_->setObjectName(QStringLiteral("QvodC"));
}

FakePlayer::~FakePlayer() {
    delete widget_;
}

std::unique_ptr<PlayerControl> FakePlayerFactory::create_player(QWidget* container) {
    auto p = std::make_unique<FakePlayer>(container);
    player = p.get();
    return p;
}

std::unique_ptr<WebPane> FakePaneFactory::create_pane(QWidget* container, const QString& name) {
    auto pane = std::make_unique<FakePane>(container, name);
    panes_[name] = pane.get();
    return pane;
}

FakePane* FakePaneFactory::pane(const QString& name) const {
    const auto it = panes_.find(name);
    return it == panes_.end() ? nullptr : it->second;
}

} // namespace kelvara::test
