// Placeholder panes and player until the browser engine and the player land:
// empty widgets that load and play nothing.

#include "platform/player_control.h"
#include "platform/web_pane.h"

#include <QWidget>

namespace kelvara {

namespace {

class BlankPane : public WebPane {
public:
    explicit BlankPane(QWidget* container) : widget_(new QWidget(container)) {}
    ~BlankPane() override { delete widget_; }
    QWidget* widget() override { return widget_; }
    void navigate(const QString& address) override {
        bool cancel = false;
        if (before_navigate)
            before_navigate(address, cancel);
    }
    void refresh() override {}
    void go_back() override {}
    void go_forward() override {}
    void copy() override {}
    void paste() override {}
    QString current_address() const override { return {}; }
    void set_silent(bool) override {}
    bool silent() const override { return true; }

private:
    QWidget* widget_;
};

class BlankPaneFactory : public PaneFactory {
public:
    std::unique_ptr<WebPane> create_pane(QWidget* container, const QString&) override {
        return std::make_unique<BlankPane>(container);
    }
};

class BlankPlayer : public PlayerControl {
public:
    explicit BlankPlayer(QWidget* container) : widget_(new QWidget(container)) {}
    ~BlankPlayer() override { delete widget_; }
    QWidget* widget() override { return widget_; }
    QString Url() const override { return url_; }
    void setUrl(const QString& a) override { url_ = a; }
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    void setMute(int) override {}
    void setFullScreen(int) override {}
    int Volume() const override { return 0; }
    void setVolume(int) override {}
    int Duration() const override { return 0; }
    int Position() const override { return 0; }
    void setPosition(int) override {}
    int PlayState() const override { return 0; }
    int DownloadRate() const override { return 0; }
    int BitRate() const override { return 0; }
    int DownloadPermille() const override { return 0; }
    void PreloadNext(const QString&) override {}
    void setAdPage(const QString& a) override { ad_ = a; }
    QString AdPage() const override { return ad_; }

private:
    QWidget* widget_;
    QString url_, ad_;
};

class BlankPlayerFactory : public PlayerFactory {
public:
    std::unique_ptr<PlayerControl> create_player(QWidget* container) override {
        return std::make_unique<BlankPlayer>(container);
    }
};

} // namespace

std::unique_ptr<PaneFactory> make_pane_factory() { return std::make_unique<BlankPaneFactory>(); }
std::unique_ptr<PlayerFactory> make_player_factory() {
    return std::make_unique<BlankPlayerFactory>();
}

} // namespace kelvara
