#pragma once

#include "platform/web_pane.h"

#include <QStringList>

namespace kelvara::test {

// A pane that records what it was asked to do. Navigations run the
// before-navigate handler like the real pane; addresses not cancelled count
// as loaded. A test plays the page's part with click().
class RecordingPane : public WebPane {
public:
    explicit RecordingPane(QString name = {}) : name_(std::move(name)) {}

    QWidget* widget() override { return nullptr; }
    void navigate(const QString& address) override;
    void refresh() override { ++refreshes; }
    void go_back() override { ++backs; }
    void go_forward() override { ++forwards; }
    void copy() override { ++copies; }
    void paste() override { ++pastes; }
    QString current_address() const override { return current; }
    void set_silent(bool s) override { silent_ = s; }
    bool silent() const override { return silent_; }

    // A link in the page was clicked: the handler sees the raw href.
    void click(const QString& href);
    // The page finished or failed a load.
    void finish_load(bool ok = true);

    const QString& name() const { return name_; }
    QStringList requested; // every navigate() call, cancelled or not
    QStringList loaded;    // addresses handed to the engine
    QString current;
    int refreshes = 0, backs = 0, forwards = 0, copies = 0, pastes = 0;

private:
    void run(const QString& address);
    QString name_;
    bool silent_ = false;
};

} // namespace kelvara::test
