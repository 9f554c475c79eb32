// Runs tests of the whole desktop client in this process: real panes, the
// real player and QVOD terminal, the demo server. Needs an X display (Xvfb)
// for the player's video.

#include "app/desktop_client.h"
#include "desktop/client_driver.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kelvara::test::prepare_client_test_process();
    QApplication app(argc, argv);
    kelvara::set_up_application();
    return RUN_ALL_TESTS();
}
