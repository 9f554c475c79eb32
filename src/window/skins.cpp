// Skins and hover art: the strips of a skin, the frame and button pictures
// cut from them, and the hover cells shown while a button holds the mouse.

#include "logic/layout/layout_formulas.h"
#include "logic/layout/skin_cells.h"
#include "logic/playback/playback_session.h"
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
    look.topmost = w.topmost_chosen;
    look.box_open = w.side_box_open;
    look.pause = w.session().state().play_button == PlayButton::OffersPause;
    look.muted = w.session().state().muted;
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
        paint_frame_button(kSideBoxToggle);
        settings().set_skin(skin);
    }
    skin_applied = true;
    paint_buttons();
    if (local_list_shown())
        frame_button_clicked(kLocalListTab);
    frame_button_clicked(main_tab);
}

void MainWindow::paint_frame_button(FrameButton index, bool hover) {
    PictureBox* box = frame_buttons[index];
    switch (index) {
    case kSideBarGrip:
        paint(box, ppt, grip_cell(side_bar_shown));
        break;
    case kLibraryTab:
    case kNowPlayingTab:
    case kOnlineTvTab:
    case kRecommendationsTab:
        paint(box, ppt, header_tab_cell(index, index == main_tab));
        break;
    case kSubTabBar:
        box->stretch_cell(ppt[10], ppt[10].rect(), QRect(0, 0, 163, 25));
        break;
    case kNetworkTasksTab:
    case kLocalListTab:
        paint(box, ppt, sub_tab_cell(index, (index == kLocalListTab) == local_list_shown()));
        break;
    default:
        paint(box, ppt, frame_button_cell(index, hover, look_of(*this)));
        break;
    }
}

void MainWindow::paint_transport_button(TransportIndex index, bool hover) {
    paint(transport_buttons[index], ppt, transport_button_cell(index, hover, look_of(*this)));
}

void MainWindow::paint_buttons() {
    const ButtonLook plain; // play and sound-on look
    for (FrameButton button :
         {kCloseButton, kMaximiseButton, kMinimiseButton, kMainMenuButton, kSkinButton,
          kCompactButton, kTopmostButton, kSideBoxToggle, kLogoButton})
        paint_frame_button(button);
    for (FrameButton tab : {kNowPlayingTab, kLibraryTab, kOnlineTvTab, kRecommendationsTab})
        paint(frame_buttons[tab], ppt, header_tab_cell(tab, false));
    paint_frame_button(kSubTabBar);
    paint(frame_buttons[kNetworkTasksTab], ppt, sub_tab_cell(kNetworkTasksTab, true));
    paint(frame_buttons[kLocalListTab], ppt, sub_tab_cell(kLocalListTab, false));
    for (TransportIndex button :
         {kPlayPauseButton, kStopButton, kMuteButton, kSideBarButton, kFullScreenButton,
          kOpenFileButton, kShutdownButton, kPreviousEpisodeButton, kNextEpisodeButton})
        paint(transport_buttons[button], ppt, transport_button_cell(button, false, plain));
    volume_track->set_picture(ppt[15]);
    volume_knob->set_picture(ppt[19]);
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

void MainWindow::frame_button_mouse_move(FrameButton index, Qt::MouseButtons, int x, int y) {
    setCursor(Qt::ArrowCursor);
    if (index >= kLibraryTab && index <= kRecommendationsTab)
        return;
    PictureBox* box = frame_buttons[index];
    const bool over = track_hover(box, x, y);
    if (index != kSideBarGrip)
        paint_frame_button(index, over);
    if (!over) {
        p1->hide();
    } else if (index <= kMainMenuButton || index == kCompactButton) {
        bo_tip->set_caption(box->tip());
        bo_tip->move(2, 2);
        p1->setGeometry(tip_panel_rect(box->geometry(), bo_tip->size()));
        p1->set_picture(tip_panel_picture(p1->size()));
        p1->show();
        p1->raise();
    }
}

void MainWindow::transport_button_mouse_move(TransportIndex index, Qt::MouseButtons, int x, int y) {
    setCursor(Qt::ArrowCursor);
    const bool over = track_hover(transport_buttons[index], x, y);
    // The shutdown button keeps whatever its state painted.
    if (index != 6)
        paint_transport_button(index, over);
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
