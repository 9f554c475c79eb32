#include "window/ba1.h"

#include "platform/web_pane.h"
#include "window/tray/tip.h"

#include <QAction>

namespace kelvara {

void BA1::connect_main_path() {
    Web1->before_navigate = [this](const QString& a, bool& c) { Web1_BeforeNavigate2(a, c); };
    Web2->before_navigate = [this](const QString& a, bool& c) { Web2_BeforeNavigate2(a, c); };
    Web3->before_navigate = [this](const QString& a, bool& c) { Web3_BeforeNavigate2(a, c); };
    Web4->before_navigate = [this](const QString& a, bool& c) { Web4_BeforeNavigate2(a, c); };
    Web5->before_navigate = [this](const QString& a, bool& c) { Web5_BeforeNavigate2(a, c); };
    Web3->context_menu = [this](QPoint p, const QString& href) { M_M3_oncontextmenu(p, href); };
    Web5->context_menu = [this](QPoint p, const QString& href) { M_M5_oncontextmenu(p, href); };

    tip& m = menus();
    connect(m.c_f, &QAction::triggered, this, [this] { CCC(); });
    connect(m.c_shan, &QAction::triggered, this, [this] { ddd(); });
    connect(m.c_shan2, &QAction::triggered, this, [this] { eee(); });
    connect(m.renwub, &QAction::triggered, this, [this] { qk_xl(); });
    connect(m.wenjianb, &QAction::triggered, this, [this] { qk_xw(); });
    connect(qk, &Label::clicked, this, [this] { qk_Click(); });
}

} // namespace kelvara
