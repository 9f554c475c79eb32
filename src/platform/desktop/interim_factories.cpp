// Placeholder panes until the browser engine lands: empty widgets that load
// nothing.

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

} // namespace

std::unique_ptr<PaneFactory> make_pane_factory() { return std::make_unique<BlankPaneFactory>(); }

} // namespace kelvara
