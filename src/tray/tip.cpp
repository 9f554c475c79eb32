#include "tray/tip.h"

#include "window/ba1.h"

#include <QMenu>

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

} // namespace

tip::tip(BA1& main) : QWidget(nullptr), main_(main) {
    setObjectName(QStringLiteral("tip"));
    setWindowTitle(QStringLiteral("帮助提示"));
    create_menus();
}

tip::~tip() = default;

void tip::create_menus() {
    r_m = menu(this, "r_m");
    shezhi = item(r_m, "shezhi", "软件设置");
    about = item(r_m, "about", "关于我们");
    guanf = item(r_m, "guanf", "官方主页");
    r_m->addSeparator()->setObjectName(QStringLiteral("aa12"));
    help = item(r_m, "help", "帮助提示");
    shengji = item(r_m, "shengji", "升级检测");
    r_m->addSeparator()->setObjectName(QStringLiteral("aa122"));
    qsoft = item(r_m, "qsoft", "退出软件");

    myMenu = menu(this, "myMenu");
    ht = item(myMenu, "ht", "后退");
    qj = item(myMenu, "qj", "前进");
    sx = item(myMenu, "sx", "刷新");
    myMenu->addSeparator()->setObjectName(QStringLiteral("sss"));
    fz = item(myMenu, "fz", "复制");
    zt = item(myMenu, "zt", "粘贴");
    zy = item(myMenu, "zy", "主页");

    guan = menu(this, "guan");
    kaiqi = item(guan, "kaiqi", "开启播放完自动关机");
    quxiao = item(guan, "quxiao", "取消播放完自动关机");
    kaiqi->setCheckable(true);
    quxiao->setCheckable(true);
    quxiao->setChecked(true);

    pifu = menu(this, "pifu");
    green = item(pifu, "green", "蓝色经典");
    blue = item(pifu, "blue", "灰色心情");

    webc = menu(this, "webc");
    c_f = item(webc, "c_f", "播放选定");
    c_shan = item(webc, "c_shan", "删除任务");
    webc->addSeparator()->setObjectName(QStringLiteral("ttbn"));
    c_shan2 = item(webc, "c_shan2", "删除下载");

    c_fie = menu(this, "c_fie");
    renwub = item(c_fie, "renwub", "删除任务列表");
    wenjianb = item(c_fie, "wenjianb", "管理下载文件");
}

void tip::popup(QMenu* m, QPoint window_pos) { popup_global(m, main_.mapToGlobal(window_pos)); }

void tip::popup_global(QMenu* m, QPoint global_pos) {
    last_popup_ = m;
    m->popup(global_pos);
}

} // namespace kelvara
