#pragma once

#include "fakes/simulated_client.h"
#include "logic/layout/skin_cells.h"
#include "window/main_window.h"

#include <QImage>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace kelvara::test {

// The client on the simulated platform with its window shown, on a screen of
// 1600 × 1000 (the executable's offscreen configuration).
class ShownWindow : public ::testing::Test {
protected:
    MainWindow& start(const QString& command = {}) {
        MainWindow& w = client.start(command);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
    MainWindow& window() { return client.window(); }
    QWindow* handle() { return client.window().windowHandle(); }

    // The mouse as the window system reports it, in window pixels.
    void move_to(QPoint pos) { QTest::mouseMove(handle(), pos); }
    void press_at(QPoint pos) { QTest::mousePress(handle(), Qt::LeftButton, {}, pos); }
    void release_at(QPoint pos) { QTest::mouseRelease(handle(), Qt::LeftButton, {}, pos); }
    void click(QWidget* control) {
        const QPoint centre = control->mapTo(&window(), control->rect().center());
        QTest::mouseClick(handle(), Qt::LeftButton, {}, centre);
    }
    QPoint centre_of(QWidget* control) {
        return control->mapTo(&window(), control->rect().center());
    }

    // True when a picture box shows that cell of the window's strips.
    bool shows(const PictureBox* box, const Cell& cell) {
        const QPixmap& strip = client.window().ppt[cell.strip];
        if (strip.isNull() || box->picture().isNull())
            return false;
        const QImage want = strip.toImage()
                                .copy(cell.x, cell.y, cell.w, cell.h)
                                .convertToFormat(QImage::Format_ARGB32);
        const QImage got = box->picture()
                               .toImage()
                               .copy(0, 0, cell.w, cell.h)
                               .convertToFormat(QImage::Format_ARGB32);
        return want == got;
    }

    SimulatedClient client;
};

} // namespace kelvara::test
