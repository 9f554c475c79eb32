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
// small help window (the old form `tip`). Its menu items forward to the main window.
class MenusAndHelp : public QWidget {
    Q_OBJECT
public:
    explicit MenusAndHelp(MainWindow& main);
    ~MenusAndHelp() override;

    // The menus (the old form `tip`'s `r_m`, `myMenu`, `guan`, `pifu`, `webc`,
    // `c_fie`).
    QMenu* main_menu = nullptr;      // tray and title bar
    QMenu* home_menu = nullptr;      // the catalogue pane's context menu
    QMenu* shutdown_menu = nullptr;  // scheduled shutdown
    QMenu* skin_menu = nullptr;      // skins
    QMenu* task_row_menu = nullptr;  // a network-task history row
    QMenu* task_list_menu = nullptr; // the task list

    // Their items, in menu order; the old names in the comments.
    QAction* settings_item = nullptr;  // `shezhi` 软件设置
    QAction* about_item = nullptr;     // `about` 关于我们
    QAction* home_page_item = nullptr; // `guanf` 官方主页
    QAction* help_item = nullptr;      // `help` 帮助提示
    QAction* update_item = nullptr;    // `shengji` 升级检测
    QAction* quit_item = nullptr;      // `qsoft` 退出软件

    QAction* back_item = nullptr;    // `ht` 后退
    QAction* forward_item = nullptr; // `qj` 前进
    QAction* refresh_item = nullptr; // `sx` 刷新
    QAction* copy_item = nullptr;    // `fz` 复制
    QAction* paste_item = nullptr;   // `zt` 粘贴
    QAction* home_item = nullptr;    // `zy` 主页

    QAction* arm_shutdown_item = nullptr;    // `kaiqi` 开启播放完自动关机
    QAction* disarm_shutdown_item = nullptr; // `quxiao` 取消播放完自动关机

    QAction* blue_classic_skin_item = nullptr; // `green` 蓝色经典
    QAction* grey_mood_skin_item = nullptr;    // `blue` 灰色心情

    QAction* play_row_item = nullptr;                  // `c_f` 播放选定
    QAction* delete_row_item = nullptr;                // `c_shan` 删除任务
    QAction* delete_row_with_downloads_item = nullptr; // `c_shan2` 删除下载

    QAction* clear_task_list_item = nullptr;  // `renwub` 删除任务列表
    QAction* manage_downloads_item = nullptr; // `wenjianb` 管理下载文件

    // Pops a menu up at a point in the main window's pixels.
    void popup(QMenu* menu, QPoint window_pos);
    // Pops a menu up at a point of the screen.
    void popup_global(QMenu* menu, QPoint global_pos);
    // The menu last popped up (tests and the hover code look at it).
    QMenu* last_popup() const { return last_popup_; }

    // ---- The help window (window/tray/menus_and_help.cpp) ----
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
    // The maker's home page the home-page item opens.
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
