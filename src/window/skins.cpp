// Skins and hover art: the strips of a skin, the frame and button pictures
// cut from them, and the hover cells shown while a button holds the mouse.

#include "logic/layout/layout_formulas.h"
#include "logic/layout/skin_cells.h"
#include "window/main_window.h"
#include "window/skin_strips.h"

#include <QPainter>

namespace kelvara {

namespace {

const QColor kLabelHover(128, 0, 0);
const QColor kQkNormal(90, 90, 90);

ButtonLook look_of(MainWindow& w) {
    ButtonLook look;
    look.maximised = w.isMaximized();
    look.topmost = w.npc[4]->tip() != QStringLiteral("置顶");
    look.box_open = w.npc[7]->tip().contains(QStringLiteral("关闭"));
    look.pause = w.bo_but[0]->tip() == QStringLiteral("暂停");
    look.muted = w.bo_but[2]->tip() != QStringLiteral("静音");
    return look;
}

// Copying a cell repaints the button.
void paint(PictureBox* box, const std::array<QPixmap, 21>& ppt, const Cell& cell) {
    if (cell.valid())
        box->paint_cell(ppt[cell.strip], cell.x, cell.y, cell.w, cell.h);
}

// Copies the pieces of the frame from the strips onto the window's picture.
void draw_pieces(QPixmap& picture, const std::array<QPixmap, 21>& ppt,
                 const std::vector<FramePiece>& pieces) {
    QPainter p(&picture);
    for (const FramePiece& piece : pieces) {
        const QPixmap& strip = ppt[piece.strip];
        if (!strip.isNull() && !piece.target.isEmpty())
            p.drawPixmap(piece.target, strip, piece.source);
    }
}

// The tool-tip panel: pale yellow with a thin border, sized to its text.
QPixmap tip_panel_picture(QSize size) {
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    pm.fill(QColor(255, 255, 231));
    QPainter p(&pm);
    p.setPen(QColor(118, 118, 118));
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    return pm;
}

// Whether the pointer is over the button. The button holds the mouse while it
// is, so that leaving it makes one more move event, and gives it back after.
bool track_hover(PictureBox* box, int x, int y) {
    const bool over = x >= 0 && x <= box->width() && y >= 0 && y <= box->height();
    if (over && QWidget::mouseGrabber() != box)
        box->grabMouse();
    else if (!over && QWidget::mouseGrabber() == box)
        box->releaseMouse();
    return over;
}

} // namespace

void MainWindow::apply_skin(int skin) {
    if (skin == 0)
        L1->set_back_color(QColor(0, 38, 81));
    else if (skin == 1)
        L1->set_back_color(QColor(51, 51, 51));
    // A skin without pictures leaves the strips as they are.
    for (int i = 0; i < skin_strip_count; ++i) {
        QPixmap strip = load_strip(skin, i);
        if (!strip.isNull())
            ppt[i] = std::move(strip);
    }
    if (skin_applied) {
        paint_frame();
        layout_sidebar();
        paint_npc(7);
        settings().set_skin(skin);
    }
    skin_applied = true;
    paint_buttons();
    if (local_list_shown())
        npc_Click(12);
    npc_Click(main_tab);
}

void MainWindow::paint_npc(int index, bool hover) {
    PictureBox* box = npc[index];
    switch (index) {
    case 6:
        paint(box, ppt, grip_cell(box->tip() == QStringLiteral("关闭侧栏")));
        break;
    case 8:
    case 9:
    case 13:
    case 14:
        paint(box, ppt, header_tab_cell(index, index == main_tab));
        break;
    case 10:
        box->stretch_cell(ppt[10], ppt[10].rect(), QRect(0, 0, 163, 25));
        break;
    case 11:
    case 12:
        paint(box, ppt, sub_tab_cell(index, (index == 12) == local_list_shown()));
        break;
    default:
        paint(box, ppt, npc_cell(index, hover, look_of(*this)));
        break;
    }
}

void MainWindow::paint_bo_but(int index, bool hover) {
    paint(bo_but[index], ppt, bo_but_cell(index, hover, look_of(*this)));
}

void MainWindow::paint_buttons() {
    const ButtonLook plain; // play and sound-on look
    for (int i : {2, 1, 0, 5, 3, 15, 4, 7, 16})
        paint_npc(i);
    for (int i : {9, 8, 13, 14})
        paint(npc[i], ppt, header_tab_cell(i, false));
    paint_npc(10);
    paint(npc[11], ppt, sub_tab_cell(11, true));
    paint(npc[12], ppt, sub_tab_cell(12, false));
    for (int i : {0, 1, 2, 8, 3, 4, 6, 5, 7})
        paint(bo_but[i], ppt, bo_but_cell(i, false, plain));
    yin->set_picture(ppt[15]);
    bo_v->set_picture(ppt[19]);
}

void MainWindow::paint_frame() {
    const int W = width();
    const int H = height();
    frame_picture = QPixmap(std::max(W, 1), std::max(H, 1));
    frame_picture.fill(Qt::transparent);
    draw_pieces(frame_picture, ppt, normal_frame_pieces(W, H, ppt[3].size()));
    apply_round_region();
    update();
}

void MainWindow::paint_compact_frame() {
    const int W = width();
    const int H = height();
    // Drawn over what is there: the picture only grows.
    if (frame_picture.width() < W || frame_picture.height() < H) {
        QPixmap grown(std::max(W, frame_picture.width()), std::max(H, frame_picture.height()));
        grown.fill(Qt::transparent);
        QPainter p(&grown);
        if (!frame_picture.isNull())
            p.drawPixmap(0, 0, frame_picture);
        p.end();
        frame_picture = grown;
    }
    draw_pieces(frame_picture, ppt, compact_frame_pieces(W, H));
    update();
    apply_round_region();
}

void MainWindow::release_capture() {
    QWidget* holder = QWidget::mouseGrabber();
    if (holder && (holder == this || isAncestorOf(holder)))
        holder->releaseMouse();
}

void MainWindow::npc_MouseMove(int index, Qt::MouseButtons, int x, int y) {
    setCursor(Qt::ArrowCursor);
    if (index >= 8 && index <= 14)
        return;
    PictureBox* box = npc[index];
    const bool over = track_hover(box, x, y);
    if (index != 6)
        paint_npc(index, over);
    if (!over) {
        p1->hide();
    } else if (index <= 5 || index == 15) {
        bo_tip->set_caption(box->tip());
        bo_tip->move(2, 2);
        p1->setGeometry(tip_panel_rect(box->geometry(), bo_tip->size()));
        p1->set_picture(tip_panel_picture(p1->size()));
        p1->show();
        p1->raise();
    }
}

void MainWindow::bo_but_MouseMove(int index, Qt::MouseButtons, int x, int y) {
    setCursor(Qt::ArrowCursor);
    const bool over = track_hover(bo_but[index], x, y);
    // The shutdown button keeps whatever its state painted.
    if (index != 6)
        paint_bo_but(index, over);
}

void MainWindow::jbi_MouseMove() {
    setCursor(Qt::ArrowCursor);
    jbi->set_fore_color(kLabelHover);
}

void MainWindow::qk_MouseMove() {
    setCursor(Qt::ArrowCursor);
    qk->set_fore_color(kLabelHover);
}

void MainWindow::shan_MouseMove() {
    setCursor(Qt::ArrowCursor);
    qk->set_fore_color(kQkNormal);
}

void MainWindow::bo_ad_MouseMove() {
    setCursor(Qt::ArrowCursor);
    jbi->set_fore_color(Qt::white);
}

void MainWindow::zz_MouseMove() {
    setCursor(Qt::ArrowCursor);
}

void MainWindow::u_k_MouseMove() {
    setCursor(Qt::ArrowCursor);
}

} // namespace kelvara
