// The borderless window's frame: the edge band, dragging, the title-bar
// buttons and tabs, the side bar, compact mode and topmost.

#include "logic/layout/layout_formulas.h"
#include "logic/playback/playback_session.h"
#include "logic/settings/settings.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "platform/tray.h"
#include "platform/web_pane.h"
#include "window/main_window.h"
#include "window/tray/tip.h"

#include <QLoggingCategory>
#include <QMenu>
#include <QScreen>
#include <QWindow>

Q_LOGGING_CATEGORY(lcFrame, "kelvara.frame", QtWarningMsg)

namespace kelvara {

namespace {

const QString kMaximise = QStringLiteral("最大化");
const QString kRestore = QStringLiteral("还原");
const QString kTopmostOff = QStringLiteral("置顶");
const QString kTopmostOn = QStringLiteral("取消置顶");
const QString kSideBarShown = QStringLiteral("关闭侧栏");
const QString kSideBarHidden = QStringLiteral("显示侧栏");
const QString kBoxCollapsed = QStringLiteral("打开");
const QString kBoxOpen = QStringLiteral("关闭");
const QString kTitle = QStringLiteral("Kelvara 2.1");

Qt::CursorShape cursor_shape(EdgeCursor cursor) {
    switch (cursor) {
    case EdgeCursor::SizeHorizontal:
        return Qt::SizeHorCursor;
    case EdgeCursor::SizeVertical:
        return Qt::SizeVerCursor;
    case EdgeCursor::SizeNwSe:
        return Qt::SizeFDiagCursor;
    case EdgeCursor::SizeNeSw:
        return Qt::SizeBDiagCursor;
    case EdgeCursor::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

Qt::Edges hit_edges(int code) {
    switch (code) {
    case 10:
        return Qt::LeftEdge;
    case 11:
        return Qt::RightEdge;
    case 12:
        return Qt::TopEdge;
    case 13:
        return Qt::TopEdge | Qt::LeftEdge;
    case 14:
        return Qt::TopEdge | Qt::RightEdge;
    case 15:
        return Qt::BottomEdge;
    case 16:
        return Qt::BottomEdge | Qt::LeftEdge;
    case 17:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

} // namespace

// ---- Edge band and dragging ----

void MainWindow::border_hit(int mode, int x, int y) {
    setCursor(Qt::ArrowCursor);
    if (mode == 2) {
        // Taking the mouse back after the resize is left out: an X pointer
        // grab on the whole window would keep other programs from the mouse.
        if (border_resize_started && !over_interior)
            border_resize_started = false;
        return;
    }
    const BorderHit hit = border_hit_test(width(), height(), x, y);
    setCursor(cursor_shape(hit.cursor));
    if (mode != 1 || hit.code == 0)
        return;
    border_resize_started = true;
    release_capture();
    QWindow* w = windowHandle();
    if (!w || !w->startSystemResize(hit_edges(hit.code))) {
        qCDebug(lcFrame) << "no system resize; resizing by hand";
        begin_manual_drag(hit_edges(hit.code), mapToGlobal(QPoint(x, y)));
    }
}

void MainWindow::Form_MouseMove(Qt::MouseButtons buttons, int x, int y) {
    jbi->set_fore_color(Qt::white);
    qk->set_fore_color(QColor(90, 90, 90));
    const int W = width();
    const int H = height();
    const bool left = buttons & Qt::LeftButton;
    const bool outside = x < 0 || y < 0 || x > W || y > H;
    if (!left && !in_interior(W, H, x, y) && !outside) {
        border_hit(0, x, y);
        over_interior = false;
        return;
    }
    setCursor(Qt::ArrowCursor);
    over_interior = true;
    if (isMaximized() || !left || !(y > 3 && x > 3 && x < W - 3) || system_move_started_)
        return;
    release_capture();
    system_move_started_ = true;
    QWindow* w = windowHandle();
    if (!w || !w->startSystemMove()) {
        qCDebug(lcFrame) << "no system move; moving by hand";
        begin_manual_drag({}, press_origin_);
        continue_manual_drag(mapToGlobal(QPoint(x, y)));
    }
}

void MainWindow::Form_MouseDown(Qt::MouseButton, int x, int y) {
    if (isMaximized() || in_interior(width(), height(), x, y))
        return;
    border_hit(1, x, y);
    over_interior = false;
    write_size_settings();
}

void MainWindow::Form_MouseUp(Qt::MouseButton, int x, int y) {
    border_hit(2, x, y);
    over_interior = false;
}

void MainWindow::Form_DblClick() {
    if (compact_mode == 0)
        npc_Click(1);
}

void MainWindow::apply_round_region() {
    const int w = width();
    const int h = height();
    if (w <= 2 || h <= 2) {
        clearMask();
        return;
    }
    // A 4 × 4 corner ellipse takes one pixel off each corner.
    QRegion outline(0, 1, w, h - 2);
    outline += QRegion(1, 0, w - 2, h);
    setMask(outline);
}

void MainWindow::set_topmost(int mode) {
    set_window_flag_live(Qt::WindowStaysOnTopHint, mode == 1);
}

void MainWindow::popup_main_menu(QPoint global_pos) {
    menus().popup_global(menus().r_m, global_pos);
}

bool MainWindow::local_list_shown() const {
    return qk->caption().contains(QStringLiteral("列表"));
}

// ---- Buttons and tabs ----

void MainWindow::npc_Click(int index) {
    p1->hide();
    jbi->set_fore_color(Qt::white);
    qk->set_fore_color(QColor(90, 90, 90));
    PictureBox* button = npc[index];
    switch (index) {
    case 0:
        release_capture();
        showMinimized();
        paint_npc(0);
        break;
    case 1:
        if (isMaximized()) {
            showNormal();
            button->set_tip(kMaximise);
        } else {
            showMaximized();
            button->set_tip(kRestore);
        }
        paint_npc(1);
        break;
    case 2:
        close_button();
        break;
    case 3:
        menus().popup(menus().pifu, button->pos() + QPoint(-15, 20));
        break;
    case 4:
        if (button->tip() == kTopmostOff) {
            button->set_tip(kTopmostOn);
            set_topmost(1);
        } else {
            button->set_tip(kTopmostOff);
            set_topmost(0);
        }
        paint_npc(4);
        break;
    case 5:
        menus().popup(menus().r_m, button->pos() + QPoint(-15, 20));
        break;
    case 6:
        if (button->tip() == kSideBarShown) {
            button->set_tip(kSideBarHidden);
            l2->hide();
        } else {
            l2->show();
            button->set_tip(kSideBarShown);
        }
        layout_sidebar();
        qvod_Resize();
        break;
    case 7:
        button->set_tip(button->tip().contains(kBoxOpen) ? kBoxCollapsed : kBoxOpen);
        layout_sidebox();
        break;
    case 8:
    case 9:
    case 13:
    case 14:
        header_tab(index);
        break;
    case 11:
    case 12:
        history_tab(index);
        break;
    case 15:
        enter_compact();
        break;
    case 16:
        paint_npc(16);
        menus().popup(menus().r_m, button->pos() + QPoint(20, 25));
        break;
    default:
        break; // 10: the sub-tab bar itself
    }
}

void MainWindow::close_button() {
    paint_npc(2);
    const Settings stored = settings();
    const bool asks = stored.close_asks();
    const bool quits = stored.close_quits();
    if (!asks) {
        if (quits)
            quit_client();
        else
            hide_to_tray();
        return;
    }
    // The question is asked once; the answer decides from then on.
    stored.set_close_answered();
    const MsgAnswer answer = platform().dialogs.message_box(
        QStringLiteral("关闭 Kelvara 最小化到托盘吗？"), QStringLiteral("提示："),
        MsgButtons::YesNo, MsgIcon::Question);
    if (answer == MsgAnswer::Yes) {
        stored.set_close_quits(false);
        hide_to_tray();
    } else {
        stored.set_close_quits(true);
        quit_client();
    }
}

void MainWindow::hide_to_tray() {
    release_capture();
    // Without a notification area to come back from (a desktop with no
    // tray), the window goes to the taskbar instead of out of reach.
    if (platform().tray.present())
        hide();
    else
        showMinimized();
}

void MainWindow::header_tab(int index) {
    const int previous = main_tab;
    main_tab = index;
    for (int tab : {8, 9, 13, 14})
        paint_npc(tab);
    npc[previous]->setEnabled(true);
    npc[index]->setEnabled(false);

    const auto back_from_pages = [this] {
        if (!ying->isHidden()) {
            ying->hide();
            zz->show();
        }
    };
    switch (index) {
    case 8:
        Pic1->show();
        Pic2->hide();
        qvod->hide();
        Pic5->hide();
        (local_list_shown() ? Pic4 : Pic3)->show();
        back_from_pages();
        break;
    case 9:
        Pic1->hide();
        wait->hide();
        Pic3->hide();
        if (session().state().source == PlaySource::NetworkTask)
            npc_Click(11);
        else if (session().state().source == PlaySource::LocalFile)
            npc_Click(12);
        else
            (local_list_shown() ? Pic4 : Pic5)->show();
        if (session().state().route == PlayRoute::WebPlayer) {
            qvod->hide();
            Pic2->show();
        } else {
            qvod->show();
            Pic2->hide();
            Web2->navigate(QStringLiteral("about:blank"));
        }
        back_from_pages();
        break;
    default: { // 13 online TV, 14 recommendations
        const int page = index == 13 ? 1 : 2;
        if (tv_page != page)
            Web9->navigate(base_url() +
                           (page == 1 ? QStringLiteral("/tv") : QStringLiteral("/yy")));
        tv_page = page;
        if (page == 1) {
            const int state = QvodC->PlayState();
            if (state != kStateReady && state != kStateStopped)
                bo_but_Click(1);
        }
        zz->hide();
        ying->show();
        break;
    }
    }
}

void MainWindow::history_tab(int index) {
    const bool local = index == 12;
    if (local) {
        Pic4->show();
        Pic5->hide();
        Pic3->hide();
        qk->set_caption(QStringLiteral("∴ 清空列表"));
    } else {
        (main_tab == 9 ? Pic5 : Pic3)->show();
        Pic4->hide();
        qk->set_caption(QStringLiteral("∴ 管理任务"));
    }
    // The caption decides which sub-tab reads as selected.
    paint_npc(11);
    paint_npc(12);
    npc[11]->setEnabled(local);
    npc[12]->setEnabled(!local);
}

// ---- Compact mode ----

void MainWindow::enter_compact() {
    if (main_tab != 8 && main_tab != 9)
        return;
    npc_Click(9);
    if (isMaximized())
        showNormal();
    set_topmost(1);
    compact_mode = 1;
    bo_name->hide();
    ni_name->hide();
    ni_bo1->show();
    l2->hide();
    jbi->show();
    jbi->raise();
    for (int i = 0; i <= 15; ++i)
        npc[i]->hide();
    for (PictureBox* b : bo_but)
        b->hide();
    yin->hide();
    if (text_ad_timer->enabled()) {
        text_ad_timer->set_enabled(false);
        const int shown = Lab0.toInt();
        if (shown >= 0 && shown < 4)
            Lab2[shown]->hide();
    }
    const QSize before = size();
    const QSize compact = compact_size_twips();
    set_size_twips(compact.width(), compact.height());
    if (size() == before)
        Form_Resize(); // no resize event comes for an unchanged size
    paint_npc(15);
}

void MainWindow::jbi_Click() {
    compact_mode = 0;
    if (npc[4]->tip() == kTopmostOff)
        set_topmost(0);
    ni_name->set_caption(kTitle);
    bo_name->show();
    ni_name->show();
    ni_bo1->hide();
    jbi->hide();
    l2->setVisible(npc[6]->tip() == kSideBarShown);
    for (int i = 0; i <= 15; ++i)
        npc[i]->show();
    for (PictureBox* b : bo_but)
        b->show();
    yin->show();

    saved_width = settings().saved_width();
    saved_height = settings().saved_height();
    const QSize before = size();
    if (saved_width > 0 && saved_height > 0)
        set_size_twips(saved_width, saved_height);
    if (size() == before)
        Form_Resize();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    if (to_number(text_ad_switch) == 1)
        text_ad_timer->set_enabled(true);
}

void MainWindow::open_side_box_once() {
    if (npc[7]->tip() == kBoxCollapsed && softad_failed != 1)
        npc_Click(7);
    side_box_timer->set_enabled(false);
}

} // namespace kelvara
