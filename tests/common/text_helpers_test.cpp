#include "common/format_time.h"
#include "common/text_helpers.h"

#include <gtest/gtest.h>

using namespace kelvara;

TEST(FormatTime, MinutesAndHours) {
    EXPECT_EQ(format_time(59), "00:59");
    EXPECT_EQ(format_time(3599), "59:59");
    EXPECT_EQ(format_time(3600), "1:00:00");
}
