#pragma once

#include "platform/tray.h"

#include <QIcon>
#include <memory>

class QSystemTrayIcon;

namespace kelvara {

// The notification-area icon through QSystemTrayIcon. Linux trays drop the
// icons of ended processes themselves, so there is no strip to sweep.
class QtTray : public Tray {
public:
    explicit QtTray(QIcon icon);
    ~QtTray() override;
    void add(const QString& tip) override;
    void set_tip(const QString& tip) override;
    void show_balloon(const QString& title, const QString& text) override;
    void remove() override;
    bool present() const override;
    Strip find_strip() override { return {}; }
    void post_mouse_move(quintptr, int, int) override {}

private:
    QIcon icon_;
    std::unique_ptr<QSystemTrayIcon> icon_widget_;
};

} // namespace kelvara
