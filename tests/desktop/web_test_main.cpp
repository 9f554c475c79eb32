// Runs the tests of the browser panes with a real Qt WebEngine under the
// offscreen platform (or Xvfb when QT_QPA_PLATFORM says so).

#include "desktop/web_engine_profile.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing but 127.0.0.1: no proxy lookups, no engine traffic of its own.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                " --no-proxy-server --disable-component-update --disable-domain-reliability");
    kelvara::prepare_web_engine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
