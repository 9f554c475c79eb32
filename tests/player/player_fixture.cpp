#include "player/player_fixture.h"

#include "shared/gbk.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kelvara::test {

void PlayerTest::SetUp() {
    w = &client.start({}, false);
    player = &client.player();
    vb_move(w->qvod, 0, 0, 700, 480);
    vb_move(w->seek_track, 10, 400, 420, 10);
    vb_move(w->seek_knob, 0, 0, 20, 10);
    vb_move(w->download_bar, 0, 0, 0, 10);
    vb_move(w->volume_track, 600, 440, 110, 10);
    vb_move(w->volume_knob, 0, 0, 10, 10);
    vb_move(w->volume_fill, 0, 0, 0, 10);
    vb_move(w->times, 500, 4, 100, 16);
}

void PlayerTest::playing(const QString& url, int position, int duration) {
    player->url = url;
    player->state = kStatePlaying;
    player->position = position;
    player->duration = duration;
}

QStringList PlayerTest::balloon_texts() const {
    QStringList texts;
    for (const FakeTray::Balloon& b : client.tray.balloons)
        texts.append(b.text);
    return texts;
}

void PlayerTest::press(QWidget* control, int x, int y, Qt::MouseButton b) {
    const QPointF local(x, y);
    QMouseEvent e(QEvent::MouseButtonPress, local, control->mapToGlobal(local), b, b,
                  Qt::NoModifier);
    QApplication::sendEvent(control, &e);
}

void PlayerTest::drag(QWidget* control, int x, int y, Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent e(QEvent::MouseMove, local, control->mapToGlobal(local), Qt::NoButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(control, &e);
}

void PlayerTest::release(QWidget* control, int x, int y, Qt::MouseButton b) {
    const QPointF local(x, y);
    QMouseEvent e(QEvent::MouseButtonRelease, local, control->mapToGlobal(local), b, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(control, &e);
}

void PlayerTest::click(QWidget* control) {
    press(control, 2, 2);
    release(control, 2, 2);
}

void PlayerTest::key(QWidget* target, Qt::Key k) {
    QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, k, Qt::NoModifier);
    QApplication::sendEvent(target, &up);
}

QColor PlayerTest::picture_color(const PictureBox* button, int x, int y) {
    if (button->picture().isNull())
        return {};
    return button->picture().toImage().pixelColor(x, y);
}

QStringList PlayerTest::record(const char* file, int key_field, const QString& key) const {
    const QString text = from_gbk(client.read(QString::fromLatin1(file)));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const QStringList fields = line.split(u'|');
        if (fields.size() > key_field && fields.at(key_field) == key)
            return fields;
    }
    return {};
}

QPixmap cell_strip(int cell_width, int height, const std::vector<QColor>& colours) {
    QPixmap strip(cell_width * int(colours.size()), height);
    QPainter p(&strip);
    for (size_t i = 0; i < colours.size(); ++i)
        p.fillRect(int(i) * cell_width, 0, cell_width, height, colours[i]);
    return strip;
}

} // namespace kelvara::test
