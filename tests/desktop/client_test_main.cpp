// Runs tests of the whole desktop client in this process: real panes, the
// real player and QVOD terminal, the demo server. Needs an X display (Xvfb)
// for the player's video.

#include "platform/desktop/desktop_client.h"
#include "platform/desktop/web_engine_profile.h"
#include "window/app_icon.h"

#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Quiet, and root needs the engine's sandbox off.
    qputenv("KELVARA_MPV_AO", "null");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Nothing but 127.0.0.1: no proxy lookups, no engine traffic of its own.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                " --no-proxy-server --disable-component-update --disable-domain-reliability");
    kelvara::bypass_proxies_for_loopback();
    kelvara::prepare_web_engine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(kelvara::app_icon());
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
