// The seek bar and the volume slider by mouse, and the five keys of the
// player area. Both are plain picture boxes: a knob at left L stands for
// L / span of the film or L / span × 100 of the volume. The window moves the
// knobs; the playback session seeks, sets the volume and acts on the keys.

#include "logic/playback/playback_session.h"
#include "logic/playback/positions.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/player_control.h"
#include "window/main_window.h"
#include "window/player/player_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>
#include <optional>

namespace kelvara {

namespace {

enum WindowsKey { kSpace = 32, kLeft = 37, kUp = 38, kRight = 39, kDown = 40 };

// The Windows key code of a key: the five the window acts on, and letters and
// digits, whose codes are their upper-case characters. Other keys read 0;
// they only restart the poll.
int windows_key_code(int qt_key) {
    switch (qt_key) {
    case Qt::Key_Space:
        return kSpace;
    case Qt::Key_Left:
        return kLeft;
    case Qt::Key_Up:
        return kUp;
    case Qt::Key_Right:
        return kRight;
    case Qt::Key_Down:
        return kDown;
    default:
        break;
    }
    if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) ||
        (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
        return qt_key;
    return 0;
}

// A key typed while an editable field has the focus (a page's search box,
// a text box) belongs to the field. Browser panes and text boxes ask for the
// input method exactly while such a field has the focus; the focus widget is
// asked too, for keys the page left alone and sent on to the pane's parent.
bool typing_into_a_field(const QWidget& target) {
    const QWidget* focus = QApplication::focusWidget();
    return target.testAttribute(Qt::WA_InputMethodEnabled) ||
           (focus && focus->testAttribute(Qt::WA_InputMethodEnabled));
}

// Key preview: the window sees every key meant for it or one of its controls
// (browser panes included) before the control does; the control still gets
// the key afterwards. Keys typed into an editable field are left to it.
class KeyPreview : public QObject {
public:
    explicit KeyPreview(MainWindow& window) : QObject(&window), window_(window) {
        qApp->installEventFilter(this);
    }
    ~KeyPreview() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) {
            last_event_ = nullptr;
            return false;
        }
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        if (target != &window_ && !window_.isAncestorOf(target))
            return false;
        // A key the control leaves alone is offered to its parents as the
        // same event; the window acts on it once.
        if (event == last_event_ && last_target_ && target->isAncestorOf(last_target_))
            return false;
        last_event_ = event;
        last_target_ = target;
        if (typing_into_a_field(*target))
            return false;
        window_.Form_KeyDown(windows_key_code(static_cast<QKeyEvent*>(event)->key()));
        return false;
    }

private:
    MainWindow& window_;
    const QEvent* last_event_ = nullptr;
    QPointer<QWidget> last_target_;
};

// The knob's place as seconds of the film; nothing while the track has no
// span to divide by.
std::optional<double> knob_seconds(const MainWindow& w) {
    const int span = seek_span(w);
    if (span <= 0)
        return std::nullopt;
    return double(w.seek_knob->x()) / span * w.QvodC->Duration();
}

void move_knob(MainWindow& w, int left) {
    w.seek_knob->move(left, w.seek_knob->y());
}

PlayerKey player_key(int key_code) {
    switch (key_code) {
    case kSpace:
        return PlayerKey::PlayPause;
    case kLeft:
        return PlayerKey::Back;
    case kUp:
        return PlayerKey::VolumeUp;
    case kRight:
        return PlayerKey::Forward;
    case kDown:
        return PlayerKey::VolumeDown;
    default:
        return PlayerKey::Other;
    }
}

} // namespace

void MainWindow::wire_player_controls() {
    for (PictureBox* button : transport_buttons)
        connect(button, &PictureBox::clicked, this,
                [this](int index) { transport_button_clicked(TransportIndex(index)); });

    connect(seek_track, &PictureBox::mouse_down, this,
            [this](int, Qt::MouseButton button, int x, int) { seek_track_pressed(button, x); });
    connect(seek_track, &PictureBox::mouse_up, this, [this] { seek_track_released(); });
    connect(download_bar, &PictureBox::mouse_down, this,
            [this](int, Qt::MouseButton button, int x, int) { download_bar_pressed(button, x); });
    connect(download_bar, &PictureBox::mouse_up, this, [this] { download_bar_released(); });
    connect(seek_knob, &PictureBox::mouse_move, this,
            [this](int, Qt::MouseButtons buttons, int x, int) { seek_knob_dragged(buttons, x); });
    connect(seek_knob, &PictureBox::mouse_up, this, [this] { seek_knob_released(); });
    connect(volume_track, &PictureBox::mouse_down, this,
            [this](int, Qt::MouseButton button, int x, int) { volume_track_pressed(button, x); });
    connect(volume_fill, &PictureBox::mouse_down, this,
            [this](int, Qt::MouseButton button, int x, int) { volume_track_pressed(button, x); });
    connect(volume_knob, &PictureBox::mouse_move, this,
            [this](int, Qt::MouseButtons buttons, int x, int) { volume_knob_dragged(buttons, x); });

    new KeyPreview(*this);
}

void MainWindow::seek_track_pressed(Qt::MouseButton button, int x) {
    platform().events.do_events();
    if (button == Qt::LeftButton)
        move_knob(*this, x);
}

void MainWindow::seek_track_released() {
    platform().events.do_events();
    if (const std::optional<double> s = knob_seconds(*this))
        session().seek(*s);
}

void MainWindow::download_bar_pressed(Qt::MouseButton button, int x) {
    seek_track_pressed(button, x);
}

void MainWindow::download_bar_released() {
    platform().events.do_events();
    if (const std::optional<double> s = knob_seconds(*this))
        session().seek(*s - 2);
}

void MainWindow::seek_knob_dragged(Qt::MouseButtons buttons, int x) {
    platform().events.do_events();
    if (buttons & Qt::LeftButton)
        move_knob(*this, std::clamp(seek_knob->x() + x, 0, seek_span(*this)));
}

void MainWindow::seek_knob_released() {
    platform().events.do_events();
    if (const std::optional<double> s = knob_seconds(*this))
        session().seek(seek_knob->x() > 2 ? *s - 2 : *s);
}

void MainWindow::volume_track_pressed(Qt::MouseButton button, int x) {
    platform().events.do_events();
    if (button != Qt::LeftButton)
        return;
    const int span = volume_span(*this);
    const int left = std::clamp(x, 0, span);
    volume_knob->move(left, volume_knob->y());
    vb_move(volume_fill, volume_fill->x(), volume_fill->y(), left);
    // Without a span to divide by the sound goes on and the volume stays.
    session().drag_volume(span > 0 ? std::optional(static_cast<int>(double(left) / span * 100))
                                   : std::nullopt);
}

// A drag that would leave the track is ignored rather than clamped.
void MainWindow::volume_knob_dragged(Qt::MouseButtons buttons, int x) {
    platform().events.do_events();
    if (!(buttons & Qt::LeftButton))
        return;
    const int span = volume_span(*this);
    const int left = volume_knob->x() + x;
    if (left < 0 || left > span || span <= 0) {
        session().sound_on();
        return;
    }
    volume_knob->move(left, volume_knob->y());
    vb_move(volume_fill, volume_fill->x(), volume_fill->y(), left);
    const int percent = static_cast<int>(double(left) / span * 100);
    volume_knob->set_tip(QString::number(percent));
    session().drag_volume(percent);
}

void MainWindow::Form_KeyDown(int key_code) {
    // Only while the player area is shown.
    if (!qvod->isHidden())
        session().key(player_key(key_code));
}

} // namespace kelvara
