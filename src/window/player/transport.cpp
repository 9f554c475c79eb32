// The nine transport buttons below the video. The playback session acts on
// play/pause, stop, mute, open file and the two episode buttons; full screen,
// the shutdown menu and the side-bar button are the window's own.

#include "logic/history/history_files.h"
#include "logic/playback/playback_session.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "window/main_window.h"
#include "window/player/player_view.h"
#include "window/tray/menus_and_help.h"

#include <QCursor>

namespace kelvara {

namespace {

void full_screen(MainWindow& w) {
    if (w.QvodC->PlayState() != kStatePlaying)
        return;
    w.frame_button_clicked(kNowPlayingTab);
    w.QvodC->setFullScreen(-1);
    w.transport_buttons[kFullScreenButton]->paint_cell(w.ppt[16], 50, 0, 25, 24);
    w.transport_buttons[kFullScreenButton]->update();
}

// The open-file button shows itself pressed and the tip panel goes before
// the dialog opens.
void press_open_file(MainWindow& w) {
    w.transport_buttons[kOpenFileButton]->paint_cell(w.ppt[16], 25, 0, 25, 24);
    w.transport_buttons[kOpenFileButton]->update();
    w.p1->hide();
}

} // namespace

void MainWindow::transport_button_clicked(TransportIndex index) {
    switch (index) {
    case kPlayPauseButton:
        return session().press(TransportButton::PlayPause);
    case kStopButton:
        return session().press(TransportButton::Stop);
    case kMuteButton:
        return session().press(TransportButton::Mute);
    case kOpenFileButton:
        press_open_file(*this);
        return session().press(TransportButton::OpenFile);
    case kPreviousEpisodeButton:
        return session().press(TransportButton::PreviousEpisode);
    case kNextEpisodeButton:
        return session().press(TransportButton::NextEpisode);
    case kFullScreenButton:
        full_screen(*this);
        break;
    case kShutdownButton:
        menus().popup_global(menus().shutdown_menu, QCursor::pos());
        break;
    case kSideBarButton:
        frame_button_clicked(kSideBarGrip);
        break;
    default:
        break;
    }
    update_media_session();
}

// In compact mode the title line shows what plays; it wraps when it would
// run into the restore label.
void MainWindow::show_compact_title() {
    if (compact_mode != 1)
        return;
    ni_name->set_caption(bo_name->caption());
    ni_bo1->set_caption(bo_name->caption());
    const int room = jbi->x() - 50;
    if (room < ni_name->width()) {
        ni_bo1->set_auto_size(false);
        ni_bo1->set_word_wrap(true);
        vb_move(ni_bo1, ni_bo1->x(), ni_bo1->y(), room);
    } else {
        ni_bo1->set_auto_size(true);
        ni_bo1->set_word_wrap(false);
    }
}

} // namespace kelvara
