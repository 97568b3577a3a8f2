// Image plumbing of the processing graph: nominal to pixel rectangles at resolution levels and
// pixel aspects. (The one-input image node base: every Slate render goes through it.)
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Px/PxImage.h>

#include <gtest/gtest.h>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;
using FRect = GeRectangle<float>;

TEST(PxImageProtocol, NominalToPixelizedScalesByLevelAndAspectAndRoundsOutward)
{
    const struct
    {
        FRect nominal;
        float pixelAspect;
        int level;
        IRect expected;
    } cases[] = {
        {{0, 1920, 0, 1080}, 1.0f, 0, {0, 1920, 0, 1080}},
        {{0, 1920, 0, 1080}, 1.0f, 1, {0, 960, 0, 540}},
        {{0, 1920, 0, 1080}, 1.0f, 3, {0, 240, 0, 135}},
        // Pixels twice as wide as high: the nominal frame of 1920 pixels is 3840 wide.
        {{0, 3840, 0, 1080}, 2.0f, 0, {0, 1920, 0, 1080}},
        {{0, 3840, 0, 1080}, 2.0f, 2, {0, 480, 0, 270}},
        // Partial pixels round outward.
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 0, {0, 11, 0, 11}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 2.0f, 0, {0, 6, 0, 11}},
        {{-3, 5, -3, 5}, 1.0f, 1, {-2, 3, -2, 3}},
        {{100, 300, 50, 90}, 2.0f, 1, {25, 75, 25, 45}},
        // Nothing stays nothing.
        {{10, 10, 0, 5}, 1.0f, 0, {}},
    };
    for (const auto& c : cases) {
        PxImageContext ctx;
        ctx.level = c.level;
        EXPECT_EQ(PxImageProtocol::nominalToPixelized(c.nominal, c.pixelAspect, ctx.getScale()), c.expected)
            << c.nominal << " aspect " << c.pixelAspect << " level " << c.level;
    }
}

} // namespace
} // namespace Vx
