#pragma once

#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace kelvara {

class MainWindow;

// The form that owns every pop-up menu of the client and, when shown, is the
// small help window. Its menu items forward to the main window.
class tip : public QWidget {
    Q_OBJECT
public:
    explicit tip(MainWindow& main);
    ~tip() override;

    // Menus, as their names.
    QMenu* r_m = nullptr;    // tray and main menu
    QMenu* myMenu = nullptr; // home pane's context menu
    QMenu* guan = nullptr;   // scheduled shutdown
    QMenu* pifu = nullptr;   // skins
    QMenu* webc = nullptr;   // a network-task history row
    QMenu* c_fie = nullptr;  // the task list

    QAction *shezhi = nullptr, *about = nullptr, *guanf = nullptr, *help = nullptr,
            *offer_update_on_demand = nullptr, *qsoft = nullptr;
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

    // ---- The help window (window/tray/tip.cpp) ----
    QLabel* Label1 = nullptr;        // "你知道吗"
    QLabel* Image1 = nullptr;        // 29 × 29 picture at the top right
    QLabel* Image2 = nullptr;        // 17 × 17 picture on the first card
    std::array<QWidget*, 5> Pi{};    // the cards
    std::array<QLabel*, 24> La{};    // card texts; 21-23 the counter
    QPushButton* cmdclose = nullptr; // "关闭(&C)"
    QPushButton* cmdnext = nullptr;  // "下一条(&N)"
    int card = 0;                    // index of the card shown

    void Form_Load();
    void cmdnext_Click();
    void cmdclose_Click();
    // The help window, owned by the main window, on card 1.
    void show_help();
    // The maker's home page opened by `guanf`.
    QString home_page() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void create_menus();
    void connect_menus();
    void create_help();
    // Shows a window of the main window's (the settings dialog or this help
    // window) with the main window visible and topmost dropped meanwhile.
    void open_over_main(const std::function<void()>& show_window);

    MainWindow& main_;
    QMenu* last_popup_ = nullptr;
};

} // namespace kelvara
