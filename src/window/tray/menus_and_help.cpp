#include "window/tray/menus_and_help.h"

#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/web_pane.h"
#include "window/main_window.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

namespace kelvara {

namespace {

QAction* item(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu* menu(QWidget* owner, const char* name) {
    auto* m = new QMenu(owner);
    m->setObjectName(QString::fromLatin1(name));
    return m;
}

// A light bulb: the "did you know" sign at the top of the help window.
QPixmap bulb_picture() {
    QPixmap pm(29, 29);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(12.5, 9.5), 11);
    glow.setColorAt(0, QColor(255, 246, 170));
    glow.setColorAt(1, QColor(250, 196, 40));
    p.setPen(QPen(QColor(196, 138, 0), 1.2));
    p.setBrush(glow);
    QPainterPath glass;
    glass.addEllipse(QRectF(5.5, 1.5, 18, 18));
    glass.addRect(QRectF(10.5, 15, 8, 6));
    p.drawPath(glass.simplified());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 128, 140));
    p.drawRoundedRect(QRectF(10, 21, 9, 3), 1, 1);
    p.drawRoundedRect(QRectF(11, 24.5, 7, 2.5), 1, 1);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(9, 5, 8, 8), 100 * 16, 80 * 16);
    return pm;
}

// The open-file sign of the transport bar, as the first card names it.
QPixmap folder_picture() {
    QPixmap pm(17, 17);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(176, 120, 10), 1));
    p.setBrush(QColor(240, 190, 60));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(8, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 14.5);
    back.lineTo(1.5, 14.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(255, 215, 100));
    QPolygonF front;
    front << QPointF(3.5, 7.5) << QPointF(16, 7.5) << QPointF(14.5, 14.5) << QPointF(1.5, 14.5);
    p.drawPolygon(front);
    return pm;
}

QLabel* text_label(QWidget* parent, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->adjustSize();
    return l;
}

// Places widgets side by side on one line of a card.
void place_row(int y, std::initializer_list<QWidget*> widgets, int gap = 10) {
    int x = 8;
    for (QWidget* w : widgets) {
        w->move(x, y + (16 - w->height()) / 2);
        x += w->width() + gap;
    }
}

} // namespace

MenusAndHelp::MenusAndHelp(MainWindow& main) : QWidget(nullptr), main_(main) {
    setObjectName(QStringLiteral("tip"));
    setWindowTitle(QStringLiteral("帮助提示"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    create_menus();
    connect_menus();
    create_help();
}

MenusAndHelp::~MenusAndHelp() = default;

void MenusAndHelp::create_menus() {
    main_menu = menu(this, "main_menu");
    settings_item = item(main_menu, "settings_item", "软件设置");
    about_item = item(main_menu, "about_item", "关于我们");
    home_page_item = item(main_menu, "home_page_item", "官方主页");
    main_menu->addSeparator()->setObjectName(QStringLiteral("aa12"));
    help_item = item(main_menu, "help_item", "帮助提示");
    update_item = item(main_menu, "update_item", "升级检测");
    main_menu->addSeparator()->setObjectName(QStringLiteral("aa122"));
    quit_item = item(main_menu, "quit_item", "退出软件");

    home_menu = menu(this, "home_menu");
    back_item = item(home_menu, "back_item", "后退");
    forward_item = item(home_menu, "forward_item", "前进");
    refresh_item = item(home_menu, "refresh_item", "刷新");
    home_menu->addSeparator()->setObjectName(QStringLiteral("sss"));
    copy_item = item(home_menu, "copy_item", "复制");
    paste_item = item(home_menu, "paste_item", "粘贴");
    home_item = item(home_menu, "home_item", "主页");

    shutdown_menu = menu(this, "shutdown_menu");
    arm_shutdown_item = item(shutdown_menu, "arm_shutdown_item", "开启播放完自动关机");
    disarm_shutdown_item = item(shutdown_menu, "disarm_shutdown_item", "取消播放完自动关机");
    arm_shutdown_item->setCheckable(true);
    disarm_shutdown_item->setCheckable(true);
    disarm_shutdown_item->setChecked(true);

    skin_menu = menu(this, "skin_menu");
    blue_classic_skin_item = item(skin_menu, "blue_classic_skin_item", "蓝色经典");
    grey_mood_skin_item = item(skin_menu, "grey_mood_skin_item", "灰色心情");

    task_row_menu = menu(this, "task_row_menu");
    play_row_item = item(task_row_menu, "play_row_item", "播放选定");
    delete_row_item = item(task_row_menu, "delete_row_item", "删除任务");
    task_row_menu->addSeparator()->setObjectName(QStringLiteral("ttbn"));
    delete_row_with_downloads_item =
        item(task_row_menu, "delete_row_with_downloads_item", "删除下载");

    task_list_menu = menu(this, "task_list_menu");
    clear_task_list_item = item(task_list_menu, "clear_task_list_item", "删除任务列表");
    manage_downloads_item = item(task_list_menu, "manage_downloads_item", "管理下载文件");
}

void MenusAndHelp::connect_menus() {
    const auto on = [this](QAction* action, std::function<void()> run) {
        connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    };
    MainWindow& m = main_;
    on(settings_item, [this] { open_over_main([this] { main_.open_settings(1); }); });
    on(about_item, [this] { open_over_main([this] { main_.open_settings(0); }); });
    on(home_page_item, [this] {
        const QString page = home_page();
        if (is_web_address(page))
            main_.platform().shell.open_url(page);
    });
    on(help_item, [this] { open_over_main([this] { show_help(); }); });
    on(update_item, [&m] { m.offer_update_on_demand(); });
    on(quit_item, [&m] { m.quit_client(); });

    on(back_item, [&m] { m.catalogue_pane->go_back(); });
    on(forward_item, [&m] { m.catalogue_pane->go_forward(); });
    on(refresh_item, [&m] { m.catalogue_pane->refresh(); });
    on(copy_item, [&m] { m.catalogue_pane->copy(); });
    on(paste_item, [&m] { m.catalogue_pane->paste(); });
    on(home_item, [&m] { m.catalogue_pane->navigate(m.base_url()); });

    // The check marks follow the armed state, which the shutdown code keeps.
    on(arm_shutdown_item, [&m] { m.arm_shutdown(); });
    on(disarm_shutdown_item, [&m] { m.disarm_shutdown(); });

    on(blue_classic_skin_item, [&m] { m.apply_skin(0); });
    on(grey_mood_skin_item, [&m] { m.apply_skin(1); });
    // The history menus (task_row_menu, task_list_menu) are wired with the history actions.
}

void MenusAndHelp::popup(QMenu* m, QPoint window_pos) {
    popup_global(m, main_.mapToGlobal(window_pos));
}

void MenusAndHelp::popup_global(QMenu* m, QPoint global_pos) {
    last_popup_ = m;
    m->popup(global_pos);
}

QString MenusAndHelp::home_page() const {
    // The operator's site: the root of the content server.
    return QUrl(main_.base_url()).resolved(QUrl(QStringLiteral("/"))).toString();
}

void MenusAndHelp::open_over_main(const std::function<void()>& show_window) {
    // A hovered button still holding the mouse would eat the first click
    // meant for the window about to open.
    main_.release_capture();
    // A topmost main window would cover the window about to open.
    const bool was_topmost = main_.topmost_chosen;
    if (was_topmost)
        main_.set_topmost(0);
    if (main_.isHidden())
        main_.show();
    // Out of the minimised state, keeping a maximised window maximised.
    if (main_.isMinimized())
        main_.setWindowState(main_.windowState() & ~Qt::WindowMinimized);
    show_window();
    if (was_topmost)
        main_.set_topmost(1);
}

// ---- The help window ----

void MenusAndHelp::create_help() {
    setFixedSize(365, 177);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(247, 250, 253));
    setPalette(pal);
    setAutoFillBackground(true);

    Label1 = new QLabel(QStringLiteral("你知道吗"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.25);
    Label1->setFont(heading);
    Label1->setStyleSheet(QStringLiteral("color: rgb(20, 80, 150);"));
    Label1->adjustSize();
    Label1->move(14, 16);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(bulb_picture());
    Image1->setGeometry(365 - 29 - 12, 9, 29, 29);

    for (int i = 0; i < 5; ++i) {
        Pi[i] = new QWidget(this);
        Pi[i]->setObjectName(QStringLiteral("Pi(%1)").arg(i));
        Pi[i]->setStyleSheet(QStringLiteral("QWidget#Pi\\(%1\\) { background: white; border: 1px "
                                            "solid rgb(196, 210, 228); }")
                                 .arg(i));
        Pi[i]->setAttribute(Qt::WA_StyledBackground);
        Pi[i]->setVisible(i == 0);
    }
    int n = 0;
    const auto text = [&](int card, const char* caption) {
        La[n] = text_label(Pi[card], caption);
        La[n]->setObjectName(QStringLiteral("La(%1)").arg(n));
        return La[n++];
    };

    Image2 = new QLabel(Pi[0]);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(folder_picture());
    Image2->resize(17, 17);
    place_row(6, {text(0, "Kelvara可以播放本机影音文件了")});
    QLabel* before = text(0, "点击播放器下方的");
    QLabel* after = text(0, "打开本地电脑上的文件就可以播放");
    place_row(28, {before, Image2, after}, 2);
    place_row(50, {text(0, "播放过的文件保存在[本地列表]中，方便下次观看")});

    place_row(6, {text(1, "影片播放时，可以用键盘方向键来调整影片进度和音量")});
    QLabel* forward = text(1, "方向键→ 影片快进");
    place_row(28, {forward, text(1, "方向键← 影片快退")}, 24);
    QLabel* up = text(1, "方向键↑增大音量");
    QLabel* down = text(1, "方向键↓减小音量");
    place_row(50, {up, down, text(1, "空格键暂停/播放")}, 14);

    place_row(6, {text(2, "鼠标放到软件边框上,按住鼠标左键,可以拉伸调整界面大小")});
    place_row(28, {text(2, "你可以在软件设置中选择退出时是否保存软件界面大小")});
    place_row(50, {text(2, "下次打开软件时，界面大小就是你保存的大小")});

    place_row(6, {text(3, "右侧网络任务列表中是你观看过的网络影片列表")});
    place_row(28, {text(3, "软件列表中的影片保存了你上次观看的集数和进度条")});
    place_row(50, {text(3, "点击列表中的影片会直接从你上次退出时保存的进度播放")});

    place_row(6, {text(4, "Kelvara是以快播(Qvod)为核心的播放软件")});
    place_row(28, {text(4, "快播是边看边下的方式，影片缓存位置可以在软件设置中修改")});
    place_row(50, {text(4, "记得定时删除你下载过的影片。以免硬盘不足，影响观看。")});

    const char* counter[3] = {"第", "1", "条"};
    int x = 14;
    for (int i = 0; i < 3; ++i) {
        La[21 + i] = new QLabel(QString::fromUtf8(counter[i]), this);
        La[21 + i]->setObjectName(QStringLiteral("La(%1)").arg(21 + i));
        La[21 + i]->setAlignment(Qt::AlignCenter);
        La[21 + i]->setGeometry(x, 142, 14, 20);
        x += 15;
    }

    cmdnext = new QPushButton(QStringLiteral("下一条(&N)"), this);
    cmdnext->setObjectName(QStringLiteral("cmdnext"));
    cmdnext->setGeometry(186, 138, 84, 27);
    cmdclose = new QPushButton(QStringLiteral("关闭(&C)"), this);
    cmdclose->setObjectName(QStringLiteral("cmdclose"));
    cmdclose->setGeometry(276, 138, 78, 27);
    connect(cmdnext, &QPushButton::clicked, this, [this] { cmdnext_Click(); });
    connect(cmdclose, &QPushButton::clicked, this, [this] { cmdclose_Click(); });
}

void MenusAndHelp::resizeEvent(QResizeEvent*) {
    for (QWidget* card : Pi)
        card->setGeometry(8, 48, 337, 73);
}

void MenusAndHelp::Form_Load() {
    setWindowIcon(main_.windowIcon());
    card = 0;
    for (int i = 0; i < 5; ++i)
        Pi[i]->setVisible(i == 0);
    La[22]->setText(QStringLiteral("1"));
}

void MenusAndHelp::cmdnext_Click() {
    for (QWidget* c : Pi)
        c->hide();
    if (card > 3)
        card = -1;
    ++card;
    Pi[card]->show();
    La[22]->setText(QString::number(card + 1));
}

void MenusAndHelp::cmdclose_Click() {
    hide();
}

void MenusAndHelp::show_help() {
    // A closed help window starts again from its first card.
    if (!isVisible()) {
        Form_Load();
        // Over the middle of the main window.
        move(main_.geometry().center() - QPoint(width() / 2, height() / 2));
    }
    winId();
    if (QWindow* own = windowHandle())
        own->setTransientParent(main_.windowHandle());
    show();
    raise();
    activateWindow();
}

} // namespace kelvara
