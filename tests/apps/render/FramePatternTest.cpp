// File patterns of image sequences: every token, negative frames, and the errors.
#include <Vx/Render/FramePattern.h>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "RenderTestUtil.h"

using Vx::Render::FramePattern;
using Vx::Render::FramePatternRole;
using Vx::Render::test::errorOf;

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
        {"plate.####.exr", 1, "plate.0001.exr", 4},
        {"plate.####.exr", 1001, "plate.1001.exr", 4},
        {"plate.####.exr", 123456, "plate.123456.exr", 4},
        {"plate.#.exr", 12, "plate.0012.exr", 4},
        {"plate.########.exr", 3, "plate.00000003.exr", 8},
        {"plate.##.exr", 3, "plate.03.exr", 2},
        {"plate.@.exr", 7, "plate.7.exr", 1},
        {"plate.@@@.exr", 7, "plate.007.exr", 3},
        {"plate.@@@@.exr", 1001, "plate.1001.exr", 4},
        {"plate.%04d.exr", 42, "plate.0042.exr", 4},
        {"plate.%06d.exr", 42, "plate.000042.exr", 6},
        {"plate.%d.exr", 42, "plate.42.exr", 1},
        {"plate_####", 5, "plate_0005", 4},
        {"####.dpx", 9, "0009.dpx", 4},
        {"/shots/sh010/v2.1/plate.####.exr", 1001, "/shots/sh010/v2.1/plate.1001.exr", 4},
        {"100%%/plate.%04d.exr", 1, "100%/plate.0001.exr", 4},
        // Negative frames are padded as printf pads them: the minus sign counts in the width.
        {"plate.####.exr", -5, "plate.-005.exr", 4},
        {"plate.%04d.exr", -12, "plate.-012.exr", 4},
        {"plate.@.exr", -3, "plate.-3.exr", 1},
        {"plate.####.exr", 0, "plate.0000.exr", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const FramePattern pattern(c.pattern);
        EXPECT_EQ(pattern.path(c.frame), c.path);
        EXPECT_EQ(pattern.padding(), c.padding);
        EXPECT_EQ(pattern.text(), c.pattern);
    }
}

TEST(FramePattern, PrefixAndSuffix)
{
    const FramePattern pattern("out/a%%b.@@@@.tif");
    EXPECT_EQ(pattern.prefix(), "out/a%b.");
    EXPECT_EQ(pattern.suffix(), ".tif");
}

TEST(FramePattern, Errors)
{
    struct Case
    {
        const char* pattern;
        FramePatternRole role;
        const char* message;
    };
    const Case cases[] = {
        {"a.exr", FramePatternRole::Output, "Output pattern \"a.exr\" has no frame number (use #### or %04d)"},
        {"a.exr", FramePatternRole::Input, "Input pattern \"a.exr\" has no frame number (use #### or %04d)"},
        {"", FramePatternRole::Output, "Output pattern \"\" has no frame number (use #### or %04d)"},
        {"100%%.exr", FramePatternRole::Output, "Output pattern \"100%%.exr\" has no frame number (use #### or %04d)"},
        {"a.####.#.exr", FramePatternRole::Output, "Output pattern \"a.####.#.exr\" has more than one frame number"},
        {"a.%04d.@@.exr", FramePatternRole::Input, "Input pattern \"a.%04d.@@.exr\" has more than one frame number"},
        {"a.#@.exr", FramePatternRole::Input, "Input pattern \"a.#@.exr\" has more than one frame number"},
        {"a.%5d.exr", FramePatternRole::Output,
         "Output pattern \"a.%5d.exr\" has an unsupported printf conversion at \"%5d\" (use %d or %04d)"},
        {"a.%s.exr", FramePatternRole::Output,
         "Output pattern \"a.%s.exr\" has an unsupported printf conversion at \"%s\" (use %d or %04d)"},
        {"a.%04x.exr", FramePatternRole::Input,
         "Input pattern \"a.%04x.exr\" has an unsupported printf conversion at \"%04x\" (use %d or %04d)"},
        {"a.%", FramePatternRole::Input,
         "Input pattern \"a.%\" has an unsupported printf conversion at \"%\" (use %d or %04d)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_THROW(FramePattern(c.pattern, c.role), std::invalid_argument);
        EXPECT_EQ(errorOf([&] { FramePattern(c.pattern, c.role); }), c.message);
    }
}
