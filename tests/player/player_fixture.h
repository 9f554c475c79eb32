#pragma once

#include "fakes/simulated_client.h"
#include "platform/player_control.h"
#include "window/main_window.h"

#include <QColor>
#include <QPixmap>
#include <gtest/gtest.h>

namespace kelvara::test {

// The main window on the simulated platform with the player area laid out:
// seek span 400 (track 420, knob 20), volume span 100 (track 110, knob 10).
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Moves the manual clock by one poll interval.
    void tick() { client.clock.advance(1000); }
    // A film that plays at `position` of `duration` seconds.
    void playing(const QString& url, int position, int duration);
    QStringList balloon_texts() const;

    // The mouse as a user drives it; x and y are inside `control`.
    static void press(QWidget* control, int x, int y = 3, Qt::MouseButton b = Qt::LeftButton);
    static void drag(QWidget* control, int x, int y = 3, Qt::MouseButtons held = Qt::LeftButton);
    static void release(QWidget* control, int x, int y = 3, Qt::MouseButton b = Qt::LeftButton);
    static void click(QWidget* control);
    // A key press and release sent to `target`, as the keyboard delivers it.
    static void key(QWidget* target, Qt::Key k);

    // Colour of the button's picture at (x, y).
    static QColor picture_color(const PictureBox* button, int x = 4, int y = 4);
    // Fields of the first record of a history file whose field `key_field`
    // equals `key`; empty when there is none.
    QStringList record(const char* file, int key_field, const QString& key) const;

    SimulatedClient client;
    MainWindow* w = nullptr;
    ScriptedPlayer* player = nullptr;
};

// A strip whose cells of `cell_width` pixels are filled with the colours in
// order, so that a copied cell is recognised by its colour.
QPixmap cell_strip(int cell_width, int height, const std::vector<QColor>& colours);

} // namespace kelvara::test
