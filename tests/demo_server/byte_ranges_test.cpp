#include "demo_server/byte_ranges.h"

#include <gtest/gtest.h>

using namespace kelvara::demo;

namespace {

void expect_answer(const std::string& header, int status, std::int64_t offset,
                   std::int64_t length) {
    const RangeAnswer a = answer_range(header, 1000);
    EXPECT_EQ(a.status, status) << header;
    if (status != 416) {
        EXPECT_EQ(a.offset, offset) << header;
        EXPECT_EQ(a.length, length) << header;
    }
}

} // namespace

TEST(DemoByteRanges, SingleRangesOfEveryForm) {
    expect_answer("bytes=0-99", 206, 0, 100);
    expect_answer("bytes=500-500", 206, 500, 1);
    expect_answer("bytes=990-", 206, 990, 10);
    expect_answer("bytes=0-", 206, 0, 1000);
    expect_answer("bytes=-10", 206, 990, 10);
    expect_answer(" bytes=10-19 ", 206, 10, 10);
}

TEST(DemoByteRanges, EndPastTheBodyIsCut) {
    expect_answer("bytes=900-5000", 206, 900, 100);
    expect_answer("bytes=-5000", 206, 0, 1000);
}

TEST(DemoByteRanges, UnsatisfiableStarts) {
    expect_answer("bytes=1000-", 416, 0, 0);
    expect_answer("bytes=1000-1999", 416, 0, 0);
    expect_answer("bytes=-0", 416, 0, 0);
    EXPECT_EQ(content_range(answer_range("bytes=2000-", 1000), 1000), "bytes */1000");
}

TEST(DemoByteRanges, OtherHeadersGetTheWholeBody) {
    expect_answer("", 200, 0, 1000);
    expect_answer("items=0-10", 200, 0, 1000);
    expect_answer("bytes=0-10,20-30", 200, 0, 1000);
    expect_answer("bytes=abc-", 200, 0, 1000);
    expect_answer("bytes=50-10", 200, 0, 1000);
}

TEST(DemoByteRanges, ContentRangeNamesFirstLastAndSize) {
    EXPECT_EQ(content_range(answer_range("bytes=100-199", 1000), 1000), "bytes 100-199/1000");
    EXPECT_EQ(content_range(answer_range("bytes=-1", 1000), 1000), "bytes 999-999/1000");
}
