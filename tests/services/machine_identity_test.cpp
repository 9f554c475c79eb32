#include "fakes/fake_services.h"
#include "logic/services/machine_identity.h"

#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::FakeMachine;

TEST(MachineIdentity, HardwareAddressInUpperCaseGroups) {
    FakeMachine m;
    m.mac = "00:1a:2b:3c:4d:5e";
    EXPECT_EQ(mac_id(m), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(machine_identity(m), "00-1A-2B-3C-4D-5E");
}

TEST(MachineIdentity, ZeroDialUpAndMissingAddressesFallBackToTime) {
    FakeMachine m;
    for (const char* mac : {"", "00:00:00:00:00:00", "00:53:45:00:00:00"}) {
        m.mac = mac;
        EXPECT_EQ(mac_id(m), "") << mac;
        EXPECT_EQ(machine_identity(m), "2010109153025550") << mac;
    }
}

TEST(MachineIdentity, TimeIdentityWritesNumbersWithoutPadding) {
    FakeMachine m;
    m.now = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    m.fraction = 0.0;
    EXPECT_EQ(time_id(m), "202612345100");
    m.fraction = 0.9999;
    EXPECT_EQ(time_id(m), "202612345999");
    m.now = m.now.addSecs(1);
    EXPECT_NE(time_id(m), "202612345999");
}
