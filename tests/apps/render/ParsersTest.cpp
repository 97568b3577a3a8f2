// The parsers of what users type: file patterns of image sequences, frame ranges and frame rates,
// each with its errors and their messages.
#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameRate.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ExpectThrowMessage.h"

using namespace Vx::Render;

TEST(FramePattern, PathOfFrame)
{
    struct Case
    {
        const char* pattern;
        long long frame;
        const char* path;
        int padding;
    };
    const Case cases[] = {
        {"plate.####.exr", 1001, "plate.1001.exr", 4},
        {"plate.####.exr", 123456, "plate.123456.exr", 4},
        {"plate.#.exr", 12, "plate.0012.exr", 4},
        {"plate.@.exr", 7, "plate.7.exr", 1},
        {"plate.@@@.exr", 7, "plate.007.exr", 3},
        {"plate.%04d.exr", 42, "plate.0042.exr", 4},
        {"plate.%d.exr", 42, "plate.42.exr", 1},
        {"/shots/sh010/v2.1/plate.####.exr", 1001, "/shots/sh010/v2.1/plate.1001.exr", 4},
        {"100%%/plate.%04d.exr", 1, "100%/plate.0001.exr", 4},
        // Negative frames are padded as printf pads them: the minus sign counts in the width.
        {"plate.####.exr", -5, "plate.-005.exr", 4},
        {"plate.@.exr", -3, "plate.-3.exr", 1},
        // Frame numbers past 32 bits are never cut.
        {"f.%04d.exr", 2147483648, "f.2147483648.exr", 4},
        {"f.#.exr", -2147483649, "f.-2147483649.exr", 4},
        {"f.@@@@@@@@@@@@@.exr", 999999999999, "f.0999999999999.exr", 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const FramePattern pattern(c.pattern);
        EXPECT_EQ(pattern.path(c.frame), c.path);
        EXPECT_EQ(pattern.padding(), c.padding);
        EXPECT_EQ(pattern.text(), c.pattern);
    }
    const FramePattern pattern("out/a%%b.@@@@.tif");
    EXPECT_EQ(pattern.prefix(), "out/a%b.");
    EXPECT_EQ(pattern.suffix(), ".tif");
}

TEST(FramePattern, Errors)
{
    const std::string none = "\" has no frame number (use #### or %04d)";
    const std::string printf = " (use %d or %04d)";
    struct Case
    {
        const char* pattern;
        FramePatternRole role;
        std::string message;
    };
    const Case cases[] = {
        {"a.exr", FramePatternRole::Output, "Output pattern \"a.exr" + none},
        {"a.exr", FramePatternRole::Input, "Input pattern \"a.exr" + none},
        {"", FramePatternRole::Output, "Output pattern \"" + none},
        {"100%%.exr", FramePatternRole::Output, "Output pattern \"100%%.exr" + none},
        {"a.####.#.exr", FramePatternRole::Output, "Output pattern \"a.####.#.exr\" has more than one frame number"},
        {"a.%04d.@@.exr", FramePatternRole::Input, "Input pattern \"a.%04d.@@.exr\" has more than one frame number"},
        {"a.#@.exr", FramePatternRole::Input, "Input pattern \"a.#@.exr\" has more than one frame number"},
        {"a.%5d.exr", FramePatternRole::Output,
         "Output pattern \"a.%5d.exr\" has an unsupported printf conversion at \"%5d\"" + printf},
        {"a.%s.exr", FramePatternRole::Output,
         "Output pattern \"a.%s.exr\" has an unsupported printf conversion at \"%s\"" + printf},
        {"a.%", FramePatternRole::Input,
         "Input pattern \"a.%\" has an unsupported printf conversion at \"%\"" + printf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_THROW_MESSAGE(FramePattern(c.pattern, c.role), std::invalid_argument, c.message);
    }
}

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
        {"7", {7}},
        {"5-5", {5}},
        {"1,5,10-12", {1, 5, 10, 11, 12}},
        {"10-12,1", {10, 11, 12, 1}},
        {" 1 , 3 ", {1, 3}},
        {"-5--1", {-5, -4, -3, -2, -1}},
        {"-2-2", {-2, -1, 0, 1, 2}},
        {"-10--4x3", {-10, -7, -4}},
        {"3,-3", {3, -3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FrameRange range = FrameRange::parse(c.text);
        std::vector<int> frames;
        for (std::uint64_t i = 0; i < range.size(); ++i)
            frames.push_back(int(range.at(i)));
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(range.size(), c.frames.size());
        EXPECT_EQ(range.first(), c.frames.front());
        EXPECT_EQ(range.last(), c.frames.back());
        EXPECT_EQ(range.text(), c.text);
    }
    const FrameRange range = FrameRange::parse("1-100000");
    ASSERT_EQ(range.size(), 100000u);
    EXPECT_EQ(range.at(99999), 100000);
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
        {"1-5x", "Invalid range \"1-5x\""},
        {"1x2", "Invalid range \"1x2\""},
        {"1-2-3", "Invalid range \"1-2-3\""},
        {"1.5", "Invalid range \"1.5\""},
        {"--1", "Invalid range \"--1\""},
        {"9999999999999", "Invalid range \"9999999999999\": frame numbers go from -999999999999 to 999999999999"},
        {"", "Invalid range \"\": no frames given"},
        {"  ", "Invalid range \"  \": no frames given"},
        {"1,2-y", "Invalid range \"2-y\" in \"1,2-y\""},
        {"1,,3", "Invalid range \"\" in \"1,,3\""},
        {"10-1", "Invalid range \"10-1\": the last frame comes before the first"},
        {"-1--5", "Invalid range \"-1--5\": the last frame comes before the first"},
        {"1-10x0", "Invalid range \"1-10x0\": the step must be 1 or more"},
        {"1-10x-2", "Invalid range \"1-10x-2\": the step must be 1 or more"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_THROW_MESSAGE(FrameRange::parse(c.text), std::invalid_argument, c.message);
    }
}

TEST(FrameRate, Parse)
{
    struct Case
    {
        const char* text;
        long long num;
        long long den;
    };
    const Case cases[] = {
        {"24", 24, 1},          {"24.0", 24, 1},        {"23.976", 24000, 1001},  {"23.98", 24000, 1001},
        {"29.97", 30000, 1001}, {"59.94", 60000, 1001}, {"119.88", 120000, 1001}, {"24000/1001", 24000, 1001},
        {"48/2", 24, 1},        {"12.5", 25, 2},
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
    const std::string usage = "\" (use a number such as 24, 23.976 or 24000/1001)";
    const std::string notAbove = "\": a frame rate must be above zero";
    for (const std::pair<std::string, std::string>& c : std::vector<std::pair<std::string, std::string>>{
             {"0", "Invalid frame rate \"0" + notAbove},
             {"0/1", "Invalid frame rate \"0/1" + notAbove},
             {"24/0", "Invalid frame rate \"24/0" + notAbove},
             {"-24", "Invalid frame rate \"-24" + notAbove},
             {"abc", "Invalid frame rate \"abc" + usage},
             {"", "Invalid frame rate \"" + usage},
             {"24fps", "Invalid frame rate \"24fps" + usage},
             {"24/", "Invalid frame rate \"24/" + usage},
             {"/1001", "Invalid frame rate \"/1001" + usage},
             {"23.976.1", "Invalid frame rate \"23.976.1" + usage},
             {"24000/1001.5", "Invalid frame rate \"24000/1001.5" + usage},
             {"1234567890123", "Invalid frame rate \"1234567890123" + usage},
         }) {
        SCOPED_TRACE(c.first);
        EXPECT_THROW_MESSAGE(parseFrameRate(c.first), std::invalid_argument, c.second);
    }
}
