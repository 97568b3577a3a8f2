// PxColorSourceNode: a solid, premultiplied colour over the format's frame, at every resolution
// level, following the format and the resolution inputs above zero, and invalidated by changes of
// any input.
#include "PxTestSupport.h"

#include <Vx/Co/CoColor.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;
using FRect = GeRectangle<float>;
using Rgb = CoRgbColorTyped<float>;
using Rgba = CoRgbaColorTyped<float>;
using pxtest::makeConstant;
using pxtest::setConstant;

PxImageContext makeContext(const IRect& region, int level = 0, double time = 0.0)
{
    return PxImageContext{time, level, region};
}

/// How many pixels of the result differ from `expected`; -1 for an empty result.
int countPixelsOtherThan(const PxImageResult& result, const Rgba& expected)
{
    const IxReadGuard guard = result.getTileGuard();
    if (!guard.isValid())
        return -1;
    const IRect region = guard.getPixelRegion();
    int different = 0;
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            different += IxPixelUtil::getPixelColor(guard, x, y) != expected ? 1 : 0;
    return different;
}

const IRect kEverything{-1000, 1000, -1000, 1000};
// The colour (0.5, 0.25, 1) at alpha 0.5, premultiplied.
const Rgba kPremultiplied{0.25f, 0.125f, 0.5f, 0.5f};

class PxColorSourceNodeTest : public ::testing::Test
{
protected:
    PxColorSourceNodeTest() { rebuild(); }
    void rebuild()
    {
        source = pxCreateNode<PxColorSourceNode>(format, xResolution, yResolution, color, alpha, color2, alpha2);
    }
    PxImageResult render(const PxImageContext& ctx) const
    {
        PxRequestMgr::RenderScope scope;
        return source->getImage(ctx);
    }

    PxStrongHndl<PxImageFormatNode> format = pxCreateNode<PxImageFormatNode>(PxImageFormat{64, 32});
    PxStrongHndl<PxAnimValueNode<int>> xResolution = makeConstant(0);
    PxStrongHndl<PxAnimValueNode<int>> yResolution = makeConstant(0);
    PxStrongHndl<PxAnimValueNode<Rgb>> color = makeConstant(Rgb{0.5f, 0.25f, 1.0f});
    PxStrongHndl<PxAnimValueNode<double>> alpha = makeConstant(0.5);
    PxStrongHndl<PxAnimValueNode<Rgb>> color2 = makeConstant(Rgb{1.0f, 0.0f, 0.0f});
    PxStrongHndl<PxAnimValueNode<double>> alpha2 = makeConstant(1.0);
    PxStrongHndl<PxColorSourceNode> source;
};

TEST_F(PxColorSourceNodeTest, FillsTheRequestedRegionClippedToTheFrameOfTheLevel)
{
    const struct
    {
        IRect region;
        int level;
        IRect expected; // empty: an empty result
    } cases[] = {
        {{8, 24, 4, 12}, 0, {8, 24, 4, 12}},
        {{-10, 10, 20, 40}, 0, {0, 10, 20, 32}},
        {kEverything, 1, {0, 32, 0, 16}},
        {{20, 40, 0, 4}, 1, {20, 32, 0, 4}},
        {{64, 128, 0, 32}, 0, {}},
        {{}, 0, {}},
        {{40, 60, 0, 8}, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.region << " at level " << c.level);
        const PxImageResult result = render(makeContext(c.region, c.level));
        EXPECT_EQ(result.getPixelRegion(), c.expected);
        EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), c.expected.isEmpty() ? -1 : 0);
        EXPECT_EQ(result.getTile() && result.getTile()->isSolid(), !c.expected.isEmpty());
        EXPECT_EQ(result.getFillColor(), (Rgba{0, 0, 0, 0})); // transparent black outside the frame
    }
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 64, 0, 32}));
}

TEST_F(PxColorSourceNodeTest, AnimatedInputsLimitTheValidityToTheFrame)
{
    // A keyframed second colour does not show, but its frame still bounds the result.
    color2 = pxCreateNode<PxAnimValueNode<Rgb>>(
        std::vector<PxAnimValueNode<Rgb>::Key>{{0.0, Rgb{0, 0, 0}}, {1.0, Rgb{1, 1, 1}}}, Rational{24, 1});
    rebuild();
    const PxImageResult result = render(makeContext({0, 4, 0, 4}, 0, 0.5));
    EXPECT_EQ(result.getValidity(), (PxValidityInterval{12.0 / 24.0, 13.0 / 24.0}));
    EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), 0);
}

TEST_F(PxColorSourceNodeTest, ChangingAnyInputInvalidatesTheSourceAndOnlyTheFirstColourShows)
{
    const std::function<void()> changes[] = {
        [&] {
            setConstant(color, Rgb{0.0f, 1.0f, 0.0f});
        },
        [&] {
            setConstant(color2, Rgb{0.0f, 0.0f, 1.0f});
        },
        [&] { setConstant(xResolution, 10); },
        [&] { setConstant(yResolution, 10); },
        [&] {
            PxRequestMgr::getInstance().queueRequest(makeShared<PxImageFormatSetRequest>(
                RCShdPtr<PxImageFormatNode>(format.get()), PxImageFormat{32, 16, 2}));
            PxRequestMgr::getInstance().waitForIdle();
        },
    };
    std::uint64_t expected = source->getInvalidationCount();
    for (const auto& change : changes) {
        change();
        EXPECT_EQ(source->getInvalidationCount(), ++expected);
        EXPECT_TRUE(source->getLastInvalidation().isFull());
    }
    // Green at the first alpha, 0.5, premultiplied.
    EXPECT_EQ(countPixelsOtherThan(render(makeContext({0, 4, 0, 4})), Rgba{0.0f, 0.5f, 0.0f, 0.5f}), 0);
    EXPECT_EQ(format->getImageFormat(), (PxImageFormat{32, 16, 2}));
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 20, 0, 10})) << "resolution 10 x 10, aspect 2";
    // A resolution of zero or less leaves the format's size.
    setConstant(xResolution, -5);
    EXPECT_EQ(source->getImageFormat().width, 32);
    EXPECT_EQ(source->getImageFormat().height, 10);
}

} // namespace
} // namespace Vx
