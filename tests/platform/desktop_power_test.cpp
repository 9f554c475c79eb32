// The desktop's power-off runs the configured command instead of powering the
// machine off.

#include "desktop/desktop_services.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace kelvara;

TEST(DesktopPower, RunsTheConfiguredCommand) {
    QTemporaryDir dir;
    const QString marker = dir.filePath("powered off");
    const QByteArray command = "touch '" + QFile::encodeName(marker) + "'";
    qputenv("KELVARA_POWEROFF", command);
    // Never reach the real power-off from a test.
    ASSERT_EQ(qgetenv("KELVARA_POWEROFF"), command);

    DesktopPower power;
    EXPECT_TRUE(power.power_off());
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(marker) && t.elapsed() < 5000)
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(marker));
    qunsetenv("KELVARA_POWEROFF");
}
