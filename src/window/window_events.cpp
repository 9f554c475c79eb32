// The main window's own events and the wiring of its controls to the
// handlers of the frame, the layout and the hover art.

#include "logic/layout/layout_formulas.h"
#include "window/main_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace kelvara {

namespace {

// The reload sign of the home area's error panel.
QPixmap reload_picture() {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 130, 200), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(9, 9, 30, 30), 60 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 130, 200));
    p.drawPolygon(QPolygonF{QPointF(30, 4), QPointF(41, 12), QPointF(29, 18)});
    return pm;
}

} // namespace

void MainWindow::setup_frame() {
    setFocusPolicy(Qt::StrongFocus);
    for (PictureBox* button : frame_buttons) {
        connect(button, &PictureBox::clicked, this,
                [this](int index) { frame_button_clicked(FrameButton(index)); });
        connect(button, &PictureBox::mouse_move, this,
                [this](int index, Qt::MouseButtons b, int x, int y) {
                    frame_button_mouse_move(FrameButton(index), b, x, y);
                });
    }
    for (PictureBox* b : transport_buttons) {
        connect(b, &PictureBox::mouse_move, this,
                [this](int index, Qt::MouseButtons bs, int x, int y) {
                    transport_button_mouse_move(TransportIndex(index), bs, x, y);
                });
    }
    connect(jbi, &Label::clicked, this, [this] { jbi_Click(); });
    connect(jbi, &Label::mouse_move, this, [this] { jbi_MouseMove(); });
    connect(qk, &Label::mouse_move, this, [this] { qk_MouseMove(); });
    connect(shan, &PictureBox::mouse_move, this, [this] { shan_MouseMove(); });
    connect(bo_ad, &PictureBox::mouse_move, this, [this] { bo_ad_MouseMove(); });
    connect(zz, &PictureBox::mouse_move, this, [this] { zz_MouseMove(); });
    connect(u_k, &PictureBox::mouse_move, this, [this] { u_k_MouseMove(); });
    connect(qvod, &PictureBox::resized, this, [this] { qvod_Resize(); });
    bo_ad->raise(); // the advertisement panel covers the video

    // Captions and colours; sizes the layout leaves to the controls.
    QFont title = ni_name->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() + 2);
    ni_name->setFont(title);
    for (Label* l : {ni_name, bo_name, ni_bo1, jbi, next_s})
        l->set_fore_color(Qt::white);
    for (Label* l : {ni_name, bo_name, jbi, qk, times, status_label, webe, next_s, bo_tip})
        l->set_auto_size(true);
    QFont bold = jbi->font();
    bold.setBold(true);
    jbi->setFont(bold);
    jbi->set_auto_size(true);
    ni_bo1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ni_bo1->setGeometry(13, 5, 200, 15);
    qk->set_fore_color(QColor(90, 90, 90));
    for (Label* l : {times, status_label})
        l->set_fore_color(QColor(200, 206, 214));
    for (Label* l : Lab2) {
        l->set_fore_color(QColor(255, 196, 80));
        l->set_auto_size(true);
    }
    webe->set_fore_color(QColor(60, 70, 90));
    bo_tip->set_fore_color(Qt::black);
    bo_tip->setContentsMargins(3, 1, 3, 1);

    l3->set_back_color(QColor(246, 248, 251));
    shan->set_back_color(QColor(234, 239, 245));
    shan->resize(162, 20);
    Line1->setGeometry(0, 0, 162, 1);
    Line1->setAutoFillBackground(true);
    QPalette line = Line1->palette();
    line.setColor(QPalette::Window, QColor(200, 210, 222));
    Line1->setPalette(line);
    wait->set_back_color(Qt::white);
    jia->resize(48, 48);
    jia->set_picture(reload_picture());
    qvod->set_back_color(Qt::black);
    bo_ad->set_back_color(Qt::black);
    bo_zt->set_back_color(QColor(24, 26, 30));
    bo_zt->resize(bo_zt->width(), 22);
    seek_track->set_back_color(QColor(58, 62, 70));
    seek_track->resize(seek_track->width(), 6);
    download_bar->set_back_color(QColor(104, 112, 124));
    download_bar->setGeometry(0, 0, 0, 6);
    seek_knob->set_back_color(QColor(120, 200, 255));
    seek_knob->setGeometry(0, 0, 6, 6);
    adp->resize(300, 160);
    volume_knob->setGeometry(35, 7, 10, 10);
    volume_fill->setGeometry(0, 0, 0, 0);
    p1->resize(40, 20);
}

void MainWindow::resizeEvent(QResizeEvent*) {
    // The size hook's tracking limits, then the layout.
    if (!isMaximized() && !isMinimized() && !max_track_.isEmpty()) {
        // A work area smaller than the window's minimum gives way to it.
        const QSize most = max_track_.expandedTo(raised_to_minimum({1, 1}, compact_mode == 1));
        const QSize capped = size().boundedTo(most).expandedTo(min_track_);
        if (capped != size()) {
            resize(capped);
            return;
        }
    }
    Form_Resize();
}

void MainWindow::paintEvent(QPaintEvent*) {
    if (frame_picture.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, frame_picture);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    system_move_started_ = false;
    manual_drag_.reset();
    press_origin_ = event->globalPosition().toPoint();
    const QPoint pos = event->position().toPoint();
    Form_MouseDown(event->button(), pos.x(), pos.y());
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) &&
        continue_manual_drag(event->globalPosition().toPoint()))
        return;
    const QPoint pos = event->position().toPoint();
    Form_MouseMove(event->buttons(), pos.x(), pos.y());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    manual_drag_.reset();
    const QPoint pos = event->position().toPoint();
    Form_MouseUp(event->button(), pos.x(), pos.y());
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Form_DblClick();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        release_capture();
        return;
    }
    // Restoring from the taskbar may keep the size and send no resize.
    Form_Resize();
}

// Hidden to the tray, the film no longer keeps the screen on.
void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    update_media_session();
}

void MainWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    update_media_session();
}

void MainWindow::begin_manual_drag(Qt::Edges edges, QPoint global_pos) {
    manual_drag_ = edges;
    drag_origin_ = global_pos;
    drag_geometry_ = geometry();
}

bool MainWindow::continue_manual_drag(QPoint global_pos) {
    if (!manual_drag_)
        return false;
    const QPoint d = global_pos - drag_origin_;
    const Qt::Edges edges = *manual_drag_;
    QRect g = drag_geometry_;
    if (edges == Qt::Edges{}) {
        move(g.topLeft() + d);
        return true;
    }
    const QSize min = raised_to_minimum(QSize(1, 1), compact_mode == 1);
    if (edges & Qt::LeftEdge)
        g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - min.width()));
    if (edges & Qt::RightEdge)
        g.setRight(std::max(g.right() + d.x(), g.left() + min.width() - 1));
    if (edges & Qt::TopEdge)
        g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - min.height()));
    if (edges & Qt::BottomEdge)
        g.setBottom(std::max(g.bottom() + d.y(), g.top() + min.height() - 1));
    setGeometry(g);
    return true;
}

void MainWindow::set_window_flag_live(Qt::WindowType flag, bool on) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(flag, on);
    if (flags == windowFlags())
        return;
    // Changing the flags of a shown widget would hide it; tell the window
    // itself instead.
    if (QWindow* w = windowHandle()) {
        overrideWindowFlags(flags);
        w->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

} // namespace kelvara
