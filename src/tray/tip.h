#pragma once

#include <QWidget>

class QAction;
class QMenu;

namespace kelvara {

class BA1;

// The form that owns every pop-up menu of the client and, when shown, is the
// small help window. Its menu items forward to the main window.
class tip : public QWidget {
    Q_OBJECT
public:
    explicit tip(BA1& main);
    ~tip() override;

    // Menus, as their names.
    QMenu* r_m = nullptr;    // tray and main menu
    QMenu* myMenu = nullptr; // home pane's context menu
    QMenu* guan = nullptr;   // scheduled shutdown
    QMenu* pifu = nullptr;   // skins
    QMenu* webc = nullptr;   // a network-task history row
    QMenu* c_fie = nullptr;  // the task list

    QAction *shezhi = nullptr, *about = nullptr, *guanf = nullptr, *help = nullptr,
            *shengji = nullptr, *qsoft = nullptr;
    QAction *ht = nullptr, *qj = nullptr, *sx = nullptr, *fz = nullptr, *zt = nullptr,
            *zy = nullptr;
    QAction *kaiqi = nullptr, *quxiao = nullptr;
    QAction *green = nullptr, *blue = nullptr;
    QAction *c_f = nullptr, *c_shan = nullptr, *c_shan2 = nullptr;
    QAction *renwub = nullptr, *wenjianb = nullptr;

    // Pops a menu up at a point in the main window's pixels.
    void popup(QMenu* menu, QPoint window_pos);
    // Pops a menu up at a point of the screen.
    void popup_global(QMenu* menu, QPoint global_pos);
    // The menu last popped up (tests and the hover code look at it).
    QMenu* last_popup() const { return last_popup_; }

private:
    void create_menus();

    BA1& main_;
    QMenu* last_popup_ = nullptr;
};

} // namespace kelvara
