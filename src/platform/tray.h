#pragma once

#include <QPoint>
#include <QString>
#include <functional>

namespace kelvara {

// The notification-area icon.
class Tray {
public:
    virtual ~Tray() = default;
    virtual void add(const QString& tip) = 0;
    virtual void set_tip(const QString& tip) = 0;
    virtual void show_balloon(const QString& title, const QString& text) = 0;
    virtual void remove() = 0;
    virtual bool present() const = 0;

    // The icon strip of the notification area, for the dead-icon sweep.
    struct Strip {
        quintptr handle = 0; // 0: no strip found
        int width = 0;
        int height = 0;
    };
    virtual Strip find_strip() = 0;
    virtual void post_mouse_move(quintptr strip, int x, int y) = 0;

    std::function<void()> on_left_click;
    std::function<void(QPoint global_pos)> on_right_click;
};

} // namespace kelvara
