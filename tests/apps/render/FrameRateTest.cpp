// Frame rates typed by users: whole, decimal, video and ratio rates, and the errors.
#include <Vx/Render/FrameRate.h>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "RenderTestUtil.h"

using Vx::Render::parseFrameRate;
using Vx::Render::test::errorOf;

TEST(FrameRate, Parse)
{
    struct Case
    {
        const char* text;
        long long num;
        long long den;
    };
    const Case cases[] = {
        {"24", 24, 1},
        {"25", 25, 1},
        {"30", 30, 1},
        {"60", 60, 1},
        {"24.0", 24, 1},
        {"23.976", 24000, 1001},
        {"23.98", 24000, 1001},
        {"29.97", 30000, 1001},
        {"47.952", 48000, 1001},
        {"59.94", 60000, 1001},
        {"119.88", 120000, 1001},
        {"24000/1001", 24000, 1001},
        {"30000/1001", 30000, 1001},
        {"48/2", 24, 1},
        {"12.5", 25, 2},
        {"7.5", 15, 2},
        {"1", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Vx::Rational rate = parseFrameRate(c.text);
        EXPECT_EQ(rate.num, c.num);
        EXPECT_EQ(rate.den, c.den);
    }
}

TEST(FrameRate, Errors)
{
    const std::string usage = " (use a number such as 24, 23.976 or 24000/1001)";
    struct Case
    {
        const char* text;
        std::string message;
    };
    const Case cases[] = {
        {"0", "Invalid frame rate \"0\": a frame rate must be above zero"},
        {"0.0", "Invalid frame rate \"0.0\": a frame rate must be above zero"},
        {"0/1", "Invalid frame rate \"0/1\": a frame rate must be above zero"},
        {"24/0", "Invalid frame rate \"24/0\": a frame rate must be above zero"},
        {"-24", "Invalid frame rate \"-24\": a frame rate must be above zero"},
        {"abc", "Invalid frame rate \"abc\"" + usage},
        {"", "Invalid frame rate \"\"" + usage},
        {"24fps", "Invalid frame rate \"24fps\"" + usage},
        {"24/", "Invalid frame rate \"24/\"" + usage},
        {"/1001", "Invalid frame rate \"/1001\"" + usage},
        {"23.976.1", "Invalid frame rate \"23.976.1\"" + usage},
        {"24000/1001.5", "Invalid frame rate \"24000/1001.5\"" + usage},
        {"1234567890123", "Invalid frame rate \"1234567890123\"" + usage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_THROW(parseFrameRate(c.text), std::invalid_argument);
        EXPECT_EQ(errorOf([&] { parseFrameRate(c.text); }), c.message);
    }
}
