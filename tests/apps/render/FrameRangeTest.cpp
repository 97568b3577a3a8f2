// Frame ranges: the forms users type, and the errors with their messages.
#include <Vx/Render/FrameRange.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderTestUtil.h"

using Vx::Render::FrameRange;
using Vx::Render::test::errorOf;

TEST(FrameRange, Parse)
{
    struct Case
    {
        const char* text;
        std::vector<int> frames;
    };
    const Case cases[] = {
        {"1001-1005", {1001, 1002, 1003, 1004, 1005}},
        {"1-5x2", {1, 3, 5}},
        {"1-10x3", {1, 4, 7, 10}},
        {"1-9x3", {1, 4, 7}},
        {"1001-1100x50", {1001, 1051}},
        {"7", {7}},
        {"0", {0}},
        {"5-5", {5}},
        {"1,5,10-12", {1, 5, 10, 11, 12}},
        {"10-12,1", {10, 11, 12, 1}},
        {" 1 , 3 ", {1, 3}},
        {"-5--1", {-5, -4, -3, -2, -1}},
        {"-2-2", {-2, -1, 0, 1, 2}},
        {"-10--4x3", {-10, -7, -4}},
        {"-7", {-7}},
        {"3,-3", {3, -3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FrameRange range = FrameRange::parse(c.text);
        EXPECT_EQ(range.frames(), c.frames);
        EXPECT_EQ(range.size(), c.frames.size());
        EXPECT_EQ(range.first(), c.frames.front());
        EXPECT_EQ(range.last(), c.frames.back());
        EXPECT_EQ(range.text(), c.text);
    }
}

TEST(FrameRange, LongRange)
{
    const FrameRange range = FrameRange::parse("1-100000");
    ASSERT_EQ(range.size(), 100000u);
    EXPECT_EQ(range.frames()[99999], 100000);
}

TEST(FrameRange, Errors)
{
    struct Case
    {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"1-x", "Invalid range \"1-x\""},
        {"x", "Invalid range \"x\""},
        {"1-5x", "Invalid range \"1-5x\""},
        {"1x2", "Invalid range \"1x2\""},
        {"1-2-3", "Invalid range \"1-2-3\""},
        {"1.5", "Invalid range \"1.5\""},
        {"--1", "Invalid range \"--1\""},
        {"99999999999", "Invalid range \"99999999999\""},
        {"", "Invalid range \"\": no frames given"},
        {"  ", "Invalid range \"  \": no frames given"},
        {"1,2-y", "Invalid range \"2-y\" in \"1,2-y\""},
        {"1,,3", "Invalid range \"\" in \"1,,3\""},
        {"1,", "Invalid range \"\" in \"1,\""},
        {"10-1", "Invalid range \"10-1\": the last frame comes before the first"},
        {"-1--5", "Invalid range \"-1--5\": the last frame comes before the first"},
        {"1-10x0", "Invalid range \"1-10x0\": the step must be 1 or more"},
        {"1-10x-2", "Invalid range \"1-10x-2\": the step must be 1 or more"},
        {"1-20000000", "Invalid range \"1-20000000\": more than 10000000 frames"},
        {"1-9000000,1-9000000", "Invalid range \"1-9000000\" in \"1-9000000,1-9000000\": more than 10000000 frames"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_THROW(FrameRange::parse(c.text), std::invalid_argument);
        EXPECT_EQ(errorOf([&] { FrameRange::parse(c.text); }), c.message);
    }
}
