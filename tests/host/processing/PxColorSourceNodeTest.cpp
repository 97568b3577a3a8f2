// PxColorSourceNode: a solid, premultiplied colour over the format's frame, at every resolution
// level, following the format and resolution inputs, and invalidated by changes of any input.
#include <Vx/Co/CoColor.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>
#include <Vx/Px/PxRequestMgr.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;
using FRect = GeRectangle<float>;
using Rgb = CoRgbColorTyped<float>;
using Rgba = CoRgbaColorTyped<float>;

template <class T> PxStrongHndl<PxAnimValueNode<T>> makeConstant(const T& value)
{
    return pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(value, PxValidityInterval::FULL));
}

PxImageFormat makeFormat(int width, int height, int aspectNum = 1, int aspectDen = 1)
{
    PxImageFormat format;
    format.width = width;
    format.height = height;
    format.pixelAspectNum = aspectNum;
    format.pixelAspectDen = aspectDen;
    return format;
}

PxImageContext makeContext(const IRect& region, int level = 0, double time = 0.0)
{
    PxImageContext ctx;
    ctx.time = time;
    ctx.level = level;
    ctx.region = region;
    return ctx;
}

/// How many pixels of the result differ from `expected` (all of them count for an empty result).
int countPixelsOtherThan(const PxImageResult& result, const Rgba& expected)
{
    const IxReadGuard guard = result.getTileGuard();
    if (!guard.isValid())
        return -1;
    const IRect region = guard.getPixelRegion();
    int different = 0;
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            if (IxPixelUtil::getPixelColor(guard, x, y) != expected)
                ++different;
    return different;
}

class PxColorSourceNodeTest : public ::testing::Test
{
protected:
    PxColorSourceNodeTest()
    {
        source = pxCreateNode<PxColorSourceNode>(format, xResolution, yResolution, color, alpha, color2, alpha2);
    }

    template <class T> void setConstant(const PxStrongHndl<PxAnimValueNode<T>>& node, const T& value)
    {
        using Request = PxSetRequest<PxAnimValueNode<T>, const PxResult<T>&>;
        PxRequestMgr::getInstance().queueRequest(
            makeShared<Request>(RCShdPtr<PxAnimValueNode<T>>(node.get()), &PxAnimValueNode<T>::setConstant,
                                PxResult<T>(value, PxValidityInterval::FULL), PxValidityInterval::FULL));
        PxRequestMgr::getInstance().waitForIdle();
    }

    PxImageResult render(const PxImageContext& ctx) const
    {
        PxRequestMgr::RenderScope scope;
        return source->getImage(ctx);
    }

    PxStrongHndl<PxImageFormatNode> format = pxCreateNode<PxImageFormatNode>(makeFormat(64, 32));
    PxStrongHndl<PxAnimValueNode<int>> xResolution = makeConstant(0);
    PxStrongHndl<PxAnimValueNode<int>> yResolution = makeConstant(0);
    PxStrongHndl<PxAnimValueNode<Rgb>> color = makeConstant(Rgb{0.5f, 0.25f, 1.0f});
    PxStrongHndl<PxAnimValueNode<double>> alpha = makeConstant(0.5);
    PxStrongHndl<PxAnimValueNode<Rgb>> color2 = makeConstant(Rgb{1.0f, 0.0f, 0.0f});
    PxStrongHndl<PxAnimValueNode<double>> alpha2 = makeConstant(1.0);
    PxStrongHndl<PxColorSourceNode> source;
};

// The colour (0.5, 0.25, 1) at alpha 0.5, premultiplied.
const Rgba kPremultiplied{0.25f, 0.125f, 0.5f, 0.5f};

TEST_F(PxColorSourceNodeTest, TileCoversTheRequestedRegionWithThePremultipliedColour)
{
    const PxImageResult result = render(makeContext({8, 24, 4, 12}));
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result.getPixelRegion(), (IRect{8, 24, 4, 12}));
    EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), 0);
    EXPECT_EQ(result.getFillColor(), (Rgba{0, 0, 0, 0})); // transparent black outside the frame
    EXPECT_TRUE(result.getValidity().isFull());
}

TEST_F(PxColorSourceNodeTest, TileIsClippedToTheFrame)
{
    const PxImageResult result = render(makeContext({-10, 10, 20, 40}));
    EXPECT_EQ(result.getPixelRegion(), (IRect{0, 10, 20, 32}));
    EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), 0);

    const PxImageResult all = render(makeContext({-100, 100, -100, 100}));
    EXPECT_EQ(all.getPixelRegion(), (IRect{0, 64, 0, 32}));
}

TEST_F(PxColorSourceNodeTest, EachLevelHalvesTheFrame)
{
    const struct
    {
        int level;
        IRect frame;
    } cases[] = {{0, {0, 64, 0, 32}}, {1, {0, 32, 0, 16}}, {2, {0, 16, 0, 8}}};
    for (const auto& c : cases) {
        const PxImageResult result = render(makeContext({-1000, 1000, -1000, 1000}, c.level));
        EXPECT_EQ(result.getPixelRegion(), c.frame) << "level " << c.level;
        EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), 0) << "level " << c.level;
    }
    // A region inside the frame is kept as asked at any level.
    EXPECT_EQ(render(makeContext({3, 9, 1, 5}, 1)).getPixelRegion(), (IRect{3, 9, 1, 5}));
    EXPECT_EQ(render(makeContext({20, 40, 0, 4}, 1)).getPixelRegion(), (IRect{20, 32, 0, 4}));
}

TEST_F(PxColorSourceNodeTest, RegionOutsideTheFrameGivesAnEmptyResult)
{
    for (const IRect& region : {IRect{64, 128, 0, 32}, IRect{0, 64, 32, 40}, IRect{-8, 0, 0, 32}, IRect{}}) {
        const PxImageResult result = render(makeContext(region));
        EXPECT_TRUE(result.isEmpty()) << region;
        EXPECT_FALSE(result.getTileGuard().isValid()) << region;
        EXPECT_TRUE(result.getPixelRegion().isEmpty()) << region;
    }
    // Inside the frame at level 0, outside it at level 1.
    EXPECT_TRUE(render(makeContext({40, 60, 0, 8}, 1)).isEmpty());
}

TEST_F(PxColorSourceNodeTest, RegionOfDefinitionIsTheNominalFrame)
{
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 64, 0, 32}));
    EXPECT_TRUE(source->getImageROD(makeContext({})).validity.isFull());
}

TEST_F(PxColorSourceNodeTest, PixelAspectWidensTheNominalFrameNotThePixels)
{
    format = pxCreateNode<PxImageFormatNode>(makeFormat(64, 32, 2, 1));
    source = pxCreateNode<PxColorSourceNode>(format, xResolution, yResolution, color, alpha, color2, alpha2);
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 128, 0, 32}));
    EXPECT_EQ(render(makeContext({-1000, 1000, -1000, 1000})).getPixelRegion(), (IRect{0, 64, 0, 32}));
    EXPECT_EQ(render(makeContext({-1000, 1000, -1000, 1000}, 1)).getPixelRegion(), (IRect{0, 32, 0, 16}));
}

TEST_F(PxColorSourceNodeTest, ResolutionInputsAboveZeroReplaceTheFormatsSize)
{
    setConstant(xResolution, 100);
    setConstant(yResolution, 50);
    const PxImageFormat reported = source->getImageFormat();
    EXPECT_EQ(reported.width, 100);
    EXPECT_EQ(reported.height, 50);
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 100, 0, 50}));
    EXPECT_EQ(render(makeContext({-1000, 1000, -1000, 1000})).getPixelRegion(), (IRect{0, 100, 0, 50}));

    setConstant(xResolution, -5);
    EXPECT_EQ(source->getImageFormat().width, 64);
    EXPECT_EQ(source->getImageFormat().height, 50);
}

TEST_F(PxColorSourceNodeTest, AnimatedInputsLimitTheValidityToTheFrame)
{
    // A keyframed second colour does not show, but its frame still bounds the result.
    color2 = pxCreateNode<PxAnimValueNode<Rgb>>(
        std::vector<PxAnimValueNode<Rgb>::Key>{{0.0, Rgb{0, 0, 0}}, {1.0, Rgb{1, 1, 1}}}, Rational{24, 1});
    source = pxCreateNode<PxColorSourceNode>(format, xResolution, yResolution, color, alpha, color2, alpha2);
    const PxImageResult result = render(makeContext({0, 4, 0, 4}, 0, 0.5));
    EXPECT_EQ(result.getValidity(), (PxValidityInterval{12.0 / 24.0, 13.0 / 24.0}));
    EXPECT_EQ(countPixelsOtherThan(result, kPremultiplied), 0);
}

TEST_F(PxColorSourceNodeTest, ChangingAnyInputInvalidatesTheSource)
{
    std::uint64_t expected = source->getInvalidationCount();
    setConstant(color, Rgb{0.0f, 1.0f, 0.0f});
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    EXPECT_EQ(countPixelsOtherThan(render(makeContext({0, 4, 0, 4})), Rgba{0.0f, 0.5f, 0.0f, 0.5f}), 0);

    setConstant(alpha, 1.0);
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    EXPECT_EQ(countPixelsOtherThan(render(makeContext({0, 4, 0, 4})), Rgba{0.0f, 1.0f, 0.0f, 1.0f}), 0);

    setConstant(color2, Rgb{0.0f, 0.0f, 1.0f});
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    setConstant(alpha2, 0.0);
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    setConstant(xResolution, 10);
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    setConstant(yResolution, 10);
    EXPECT_EQ(source->getInvalidationCount(), ++expected);
    // Neither the second colour nor its alpha shows.
    EXPECT_EQ(countPixelsOtherThan(render(makeContext({0, 4, 0, 4})), Rgba{0.0f, 1.0f, 0.0f, 1.0f}), 0);
}

TEST_F(PxColorSourceNodeTest, FormatSetRequestChangesTheFormatAndInvalidates)
{
    const std::uint64_t before = source->getInvalidationCount();
    const PxImageFormat wide = makeFormat(32, 16, 2, 1);
    PxRequestMgr::getInstance().queueRequest(
        makeShared<PxImageFormatSetRequest>(RCShdPtr<PxImageFormatNode>(format.get()), wide));
    PxRequestMgr::getInstance().waitForIdle();

    EXPECT_EQ(format->getImageFormat(), wide);
    EXPECT_EQ(source->getImageFormat(), wide);
    EXPECT_EQ(source->getInvalidationCount(), before + 1);
    EXPECT_TRUE(source->getLastInvalidation().isFull());
    EXPECT_EQ(source->getImageROD(makeContext({})).getROD(), (FRect{0, 64, 0, 16}));
    EXPECT_EQ(render(makeContext({-1000, 1000, -1000, 1000})).getPixelRegion(), (IRect{0, 32, 0, 16}));
}

TEST_F(PxColorSourceNodeTest, RegistersWithItsInputsUntilItGoes)
{
    const PxNode* self = source.get();
    for (const PxNode* input : std::vector<const PxNode*>{format.get(), xResolution.get(), yResolution.get(),
                                                          color.get(), alpha.get(), color2.get(), alpha2.get()}) {
        EXPECT_EQ(input->getParents(), std::vector<const PxNode*>{self});
    }
    source.reset();
    for (const PxNode* input : std::vector<const PxNode*>{format.get(), xResolution.get(), yResolution.get(),
                                                          color.get(), alpha.get(), color2.get(), alpha2.get()}) {
        EXPECT_TRUE(input->getParents().empty());
    }
}

} // namespace
} // namespace Vx
