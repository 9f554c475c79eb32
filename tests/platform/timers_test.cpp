#include "fakes/manual_clock.h"
#include "platform/timers.h"

#include <QString>
#include <gtest/gtest.h>

using namespace kelvara;
using kelvara::test::ManualClock;

TEST(Timer, EnablingAnEnabledTimerKeepsItsCountdown) {
    ManualClock clock;
    int ticks = 0;
    Timer t(clock, 2000, false, [&] { ++ticks; });
    t.set_enabled(true);
    clock.advance(1500);
    t.set_enabled(true);
    clock.advance(500);
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, DisablingAndEnablingRestartsTheCountdown) {
    ManualClock clock;
    int ticks = 0;
    Timer t(clock, 2000, true, [&] { ++ticks; });
    clock.advance(1500);
    t.set_enabled(false);
    t.set_enabled(true);
    clock.advance(1999);
    EXPECT_EQ(ticks, 0);
    clock.advance(1);
    EXPECT_EQ(ticks, 1);
    clock.advance(4000);
    EXPECT_EQ(ticks, 3);
}

TEST(Timer, OneShotByDisablingInItsTick) {
    ManualClock clock;
    int ticks = 0;
    Timer* self = nullptr;
    Timer t(clock, 10, true, [&] {
        ++ticks;
        self->set_enabled(false);
    });
    self = &t;
    clock.advance(1000);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(t.enabled());
}

TEST(Timer, TimersFireInOrderOfTheirEnds) {
    ManualClock clock;
    QString order;
    Timer a(clock, 2500, true, [&] { order += 'a'; });
    Timer b(clock, 1000, true, [&] { order += 'b'; });
    clock.advance(3000);
    EXPECT_EQ(order, "bbab");
    a.set_interval(500); // restarts a's countdown
    clock.advance(900);
    EXPECT_EQ(order, "bbaba");
}
