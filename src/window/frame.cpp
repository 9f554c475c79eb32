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
#include "window/tray/menus_and_help.h"

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
        frame_button_clicked(kMaximiseButton);
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
    menus().popup_global(menus().main_menu, global_pos);
}

// ---- Buttons and tabs ----

void MainWindow::frame_button_clicked(FrameButton index) {
    p1->hide();
    jbi->set_fore_color(Qt::white);
    qk->set_fore_color(QColor(90, 90, 90));
    PictureBox* button = frame_buttons[index];
    switch (index) {
    case kMinimiseButton:
        release_capture();
        showMinimized();
        paint_frame_button(kMinimiseButton);
        break;
    case kMaximiseButton:
        if (isMaximized()) {
            showNormal();
            button->set_tip(kMaximise);
        } else {
            showMaximized();
            button->set_tip(kRestore);
        }
        paint_frame_button(kMaximiseButton);
        break;
    case kCloseButton:
        close_button();
        break;
    case kSkinButton:
        menus().popup(menus().skin_menu, button->pos() + QPoint(-15, 20));
        break;
    case kTopmostButton:
        topmost_chosen = !topmost_chosen;
        button->set_tip(topmost_chosen ? kTopmostOn : kTopmostOff);
        set_topmost(topmost_chosen ? 1 : 0);
        paint_frame_button(kTopmostButton);
        break;
    case kMainMenuButton:
        menus().popup(menus().main_menu, button->pos() + QPoint(-15, 20));
        break;
    case kSideBarGrip:
        side_bar_shown = !side_bar_shown;
        button->set_tip(side_bar_shown ? kSideBarShown : kSideBarHidden);
        l2->setVisible(side_bar_shown);
        layout_sidebar();
        qvod_Resize();
        break;
    case kSideBoxToggle:
        side_box_open = !side_box_open;
        button->set_tip(side_box_open ? kBoxOpen : kBoxCollapsed);
        layout_sidebox();
        break;
    case kLibraryTab:
    case kNowPlayingTab:
    case kOnlineTvTab:
    case kRecommendationsTab:
        header_tab(index);
        break;
    case kNetworkTasksTab:
    case kLocalListTab:
        history_tab(index);
        break;
    case kCompactButton:
        enter_compact();
        break;
    case kLogoButton:
        paint_frame_button(kLogoButton);
        menus().popup(menus().main_menu, button->pos() + QPoint(20, 25));
        break;
    default:
        break; // 10: the sub-tab bar itself
    }
}

void MainWindow::close_button() {
    paint_frame_button(kCloseButton);
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

void MainWindow::header_tab(FrameButton index) {
    const FrameButton previous = main_tab;
    main_tab = index;
    for (FrameButton tab : {kLibraryTab, kNowPlayingTab, kOnlineTvTab, kRecommendationsTab})
        paint_frame_button(tab);
    frame_buttons[previous]->setEnabled(true);
    frame_buttons[index]->setEnabled(false);

    const auto back_from_pages = [this] {
        if (!ying->isHidden()) {
            ying->hide();
            zz->show();
        }
    };
    switch (index) {
    case kLibraryTab:
        Pic1->show();
        Pic2->hide();
        qvod->hide();
        Pic5->hide();
        (local_list_shown() ? Pic4 : Pic3)->show();
        back_from_pages();
        break;
    case kNowPlayingTab:
        Pic1->hide();
        wait->hide();
        Pic3->hide();
        if (session().state().source == PlaySource::NetworkTask)
            frame_button_clicked(kNetworkTasksTab);
        else if (session().state().source == PlaySource::LocalFile)
            frame_button_clicked(kLocalListTab);
        else
            (local_list_shown() ? Pic4 : Pic5)->show();
        if (session().state().route == PlayRoute::WebPlayer) {
            qvod->hide();
            Pic2->show();
        } else {
            qvod->show();
            Pic2->hide();
            web_player_pane->navigate(QStringLiteral("about:blank"));
        }
        back_from_pages();
        break;
    default: { // 13 online TV, 14 recommendations
        const int page = index == kOnlineTvTab ? 1 : 2;
        if (tv_page != page)
            tv_pane->navigate(base_url() +
                              (page == 1 ? QStringLiteral("/tv") : QStringLiteral("/yy")));
        tv_page = page;
        if (page == 1) {
            const int state = QvodC->PlayState();
            if (state != kStateReady && state != kStateStopped)
                transport_button_clicked(kStopButton);
        }
        zz->hide();
        ying->show();
        break;
    }
    }
}

void MainWindow::history_tab(FrameButton index) {
    const bool local = index == kLocalListTab;
    local_list_active = local;
    if (local) {
        Pic4->show();
        Pic5->hide();
        Pic3->hide();
        qk->set_caption(QStringLiteral("∴ 清空列表"));
    } else {
        (main_tab == kNowPlayingTab ? Pic5 : Pic3)->show();
        Pic4->hide();
        qk->set_caption(QStringLiteral("∴ 管理任务"));
    }
    // The caption decides which sub-tab reads as selected.
    paint_frame_button(kNetworkTasksTab);
    paint_frame_button(kLocalListTab);
    frame_buttons[kNetworkTasksTab]->setEnabled(local);
    frame_buttons[kLocalListTab]->setEnabled(!local);
}

// ---- Compact mode ----

void MainWindow::enter_compact() {
    if (main_tab != kLibraryTab && main_tab != kNowPlayingTab)
        return;
    frame_button_clicked(kNowPlayingTab);
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
    for (int i = 0; i <= kCompactButton; ++i)
        frame_buttons[i]->hide();
    for (PictureBox* b : transport_buttons)
        b->hide();
    volume_track->hide();
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
    paint_frame_button(kCompactButton);
}

void MainWindow::jbi_Click() {
    compact_mode = 0;
    if (!topmost_chosen)
        set_topmost(0);
    ni_name->set_caption(kTitle);
    bo_name->show();
    ni_name->show();
    ni_bo1->hide();
    jbi->hide();
    l2->setVisible(side_bar_shown);
    for (int i = 0; i <= kCompactButton; ++i)
        frame_buttons[i]->show();
    for (PictureBox* b : transport_buttons)
        b->show();
    volume_track->show();

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
    if (!side_box_open && softad_failed != 1)
        frame_button_clicked(kSideBoxToggle);
    side_box_timer->set_enabled(false);
}

} // namespace kelvara
