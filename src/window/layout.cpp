// Placing the main window's controls: the formulas of layout_formulas.h
// applied to the widgets on every resize and toggle.

#include "logic/layout/layout_formulas.h"
#include "platform/player_control.h"
#include "platform/web_pane.h"
#include "window/main_window.h"

namespace kelvara {

namespace {

void place(QWidget* w, const QRect& r) {
    vb_move(w, r.x(), r.y(), r.width(), r.height());
}
void place(QWidget* w, QPoint p) {
    vb_move(w, p.x(), p.y());
}
void place(WebPane* pane, const QRect& r) {
    if (pane)
        place(pane->widget(), r);
}

} // namespace

void MainWindow::Form_Resize() {
    if (isMinimized())
        return;
    if (compact_mode == 1) {
        layout_compact();
        return;
    }
    if (!isMaximized()) {
        const QSize least = raised_to_minimum(size(), false);
        if (least != size())
            resize(least); // lays the window out again, nested
    }
    // The size a border resize ended with: the system's resize runs after
    // the press that saved the size before it.
    if (border_resize_started && !isMaximized())
        write_size_settings();
    paint_frame();
    layout_main();
    layout_sidebar();
    layout_sidebox();
    place(ni_name, QPoint(40, 22));
    place(l3, QRect(0, 0, l2->width(), l2->height()));
    place(shan, QRect(0, l3->height() - 20, l3->width(), 20));
    place(qk, QPoint(shan->width() - 80, 6));
    place(Line1, QRect(Line1->x(), Line1->y(), shan->width() - Line1->x(), Line1->height()));
    qvod_Resize();
    for (Label* l : Lab2)
        place(l, QPoint((times->x() - 100) / 2, 3));
}

void MainWindow::write_size_settings() {
    if (compact_mode != 0)
        return;
    settings().save_size(Width(), Height());
}

void MainWindow::layout_main() {
    const MainLayout m = main_layout(width(), height());
    for (int i : {2, 1, 0, 5, 3, 15, 4, 7, 8, 9, 13, 14})
        place(frame_buttons[i], m.frame_buttons[i]);
    place(zz, m.zz);
    place(frame_buttons[kLogoButton], m.frame_buttons[kLogoButton]);
    for (int i = 0; i < 9; ++i)
        place(transport_buttons[i], m.transport_buttons[i]);
    place(volume_track, m.volume_track);
    place(bo_name, m.bo_name);
    place(ying, m.ying);
    place(tv_pane.get(), m.tv_pane);
}

void MainWindow::layout_sidebar() {
    const SidebarLayout s = sidebar_layout(zz->size(), side_bar_shown, jia->size());
    place(l2, s.l2);
    place(L1, s.L1);
    place(Pic1, s.Pic1);
    place(frame_buttons[kSideBarGrip], s.side_bar_grip);
    frame_buttons[kSideBarGrip]->raise(); // the grip lies over the side bar's edge
    paint_frame_button(kSideBarGrip);
    place(Pic2, s.Pic2);
    place(wait, s.Pic2);
    place(jia, s.jia);
    place(catalogue_pane.get(), s.catalogue_pane);
    place(web_player_pane.get(), s.catalogue_pane);
    place(webe, s.webe);
}

void MainWindow::layout_sidebox() {
    const SideboxLayout b = sidebox_layout(zz->size(), side_box_open, shan->height());
    place(u_k, b.u_k);
    place(software_ad_pane.get(), b.software_ad_pane);
    u_k->setVisible(b.u_k_visible);
    place(frame_buttons[kSubTabBar], b.sub_tab_bar);
    paint_frame_button(kSideBoxToggle);
    place(frame_buttons[kNetworkTasksTab], b.network_tasks_tab);
    place(frame_buttons[kLocalListTab], b.local_list_tab);
    place(l2, b.l2);
    place(l3, b.l3);
    for (PictureBox* list : {Pic3, Pic4, Pic5})
        place(list, b.Pic3);
    place(network_list_pane.get(), b.network_list_pane);
    place(local_list_pane.get(), b.local_list_pane);
    place(episode_pane.get(), b.local_list_pane);
}

void MainWindow::qvod_Resize() {
    if (isMinimized())
        return;
    PlayerSizes sizes;
    sizes.Pic2 = Pic2->size();
    sizes.seek_track_height = seek_track->height();
    sizes.bo_zt_height = bo_zt->height();
    sizes.adp = adp->size();
    sizes.times_width = times->width();
    const PlayerLayout p = player_layout(sizes);
    place(qvod, p.qvod);
    place(seek_track, p.seek_track);
    place(bo_zt, p.bo_zt);
    place(QvodC->widget(), p.QvodC);
    place(bo_ad, p.bo_ad);
    place(adp, p.adp);
    place(ad_huan, p.ad_huan);
    place(qvod_ad_pane.get(), p.qvod_ad_pane);
    place(next_s, p.next_s);
    if (compact_mode == 1) {
        status_label->set_auto_size(false);
        place(status_label, QRect(p.status_label, QSize(120, status_label->height())));
    } else {
        status_label->set_auto_size(true);
        place(status_label, p.status_label);
    }
    place(times, p.times);
    place(download_bar, QPoint(0, 0));
}

void MainWindow::layout_compact() {
    if (!isMaximized()) {
        const QSize least = raised_to_minimum(size(), true);
        if (least != size())
            resize(least);
    }
    paint_compact_frame();
    const CompactLayout c = compact_layout(width(), height(), jbi->width());
    place(jbi, c.jbi);
    if (!bo_name->caption().isEmpty())
        ni_name->set_caption(bo_name->caption());
    ni_bo1->set_caption(ni_name->caption());
    if (ni_name->width() > c.title_room) {
        // Too long for one line beside the close mark: wrap in the room left.
        ni_bo1->set_auto_size(false);
        ni_bo1->set_word_wrap(true);
        ni_bo1->resize(std::max(0, c.title_room), ni_bo1->height());
    } else {
        ni_bo1->set_auto_size(true);
        ni_bo1->set_word_wrap(false);
        place(ni_bo1, QPoint(13, 5));
    }
    place(zz, c.zz);
    place(L1, c.L1);
    place(Pic2, c.Pic2);
    place(web_player_pane.get(), c.web_player_pane);
    qvod_Resize();
}

} // namespace kelvara
