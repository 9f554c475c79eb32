// Runs tests of the whole desktop client in this process: real panes, the
// real player and QVOD terminal, the demo server. Needs an X display (Xvfb)
// for the player's video.

#include "platform/desktop/desktop_client.h"

#include <QApplication>
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
    kelvara::prepare_client_process();
    QApplication app(argc, argv);
    kelvara::set_up_application();
    return RUN_ALL_TESTS();
}
