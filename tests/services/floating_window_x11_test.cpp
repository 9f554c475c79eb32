// The floating advertisement window as a real X11 window (run under Xvfb).

#include "fakes/simulated_client.h"
#include "window/main_window.h"
#include "window/services/adsb.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

TEST(FloatingWindowOnX11, AppearsAtTheBottomRightOfTheWorkAreaAndRises) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    SimulatedClient client;
    MainWindow& w = client.start({}, false);
    w.show_floating_ad();
    adsb* ad = w.floating_ad();
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ad));

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = ad->frameGeometry();
    EXPECT_EQ(ad->size(), QSize(268, 200));
    EXPECT_LE(frame.right(), area.right());
    EXPECT_LE(frame.bottom(), area.bottom());
    EXPECT_GT(frame.left(), area.center().x());
    EXPECT_GT(frame.top(), area.center().y());
    EXPECT_TRUE(ad->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Only the bottom row shows at first; every 10 ms three more rows.
    EXPECT_EQ(ad->mask().boundingRect(), QRect(0, 199, 268, 1));
    client.clock.advance(300);
    EXPECT_EQ(ad->mask().boundingRect(), QRect(0, 199 - 90, 268, 91));
    client.clock.advance(1000);
    EXPECT_EQ(ad->mask().boundingRect(), QRect(0, 0, 268, 200));
    ad->unload();
    EXPECT_TRUE(ad->isHidden());
}
