// Image plumbing of the processing graph: nominal to pixel rectangles at resolution levels and
// pixel aspects, image buffers and results, and the one-input image node base.
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxImageFormatNode.h>

#include <gtest/gtest.h>

#include <string>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;
using FRect = GeRectangle<float>;

TEST(PxImageContext, ScaleHalvesWithEachLevel)
{
    const struct
    {
        int level;
        float scale;
    } cases[] = {{0, 1.0f}, {1, 0.5f}, {2, 0.25f}, {3, 0.125f}};
    for (const auto& c : cases) {
        PxImageContext ctx;
        ctx.level = c.level;
        EXPECT_EQ(ctx.getScale(), c.scale) << "level " << c.level;
    }
}

struct PixelizeCase
{
    FRect nominal;
    float pixelAspect;
    int level;
    IRect expected;
};

TEST(PxImageProtocol, NominalToPixelized)
{
    const PixelizeCase cases[] = {
        // An HD frame of square pixels at levels 0, 1 and 2.
        {{0, 1920, 0, 1080}, 1.0f, 0, {0, 1920, 0, 1080}},
        {{0, 1920, 0, 1080}, 1.0f, 1, {0, 960, 0, 540}},
        {{0, 1920, 0, 1080}, 1.0f, 2, {0, 480, 0, 270}},
        // Pixels twice as wide as high: the nominal frame of 1920 pixels is 3840 wide.
        {{0, 3840, 0, 1080}, 2.0f, 0, {0, 1920, 0, 1080}},
        {{0, 3840, 0, 1080}, 2.0f, 1, {0, 960, 0, 540}},
        {{0, 3840, 0, 1080}, 2.0f, 2, {0, 480, 0, 270}},
        // Partial pixels round outward.
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 0, {0, 11, 0, 11}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 1, {0, 6, 0, 6}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 2, {0, 3, 0, 3}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 2.0f, 0, {0, 6, 0, 11}},
        {{0, 1919, 0, 1079}, 1.0f, 1, {0, 960, 0, 540}},
        {{-3, 5, -3, 5}, 1.0f, 1, {-2, 3, -2, 3}},
        {{100, 300, 50, 90}, 2.0f, 1, {25, 75, 25, 45}},
        // Nothing stays nothing.
        {{10, 10, 0, 5}, 1.0f, 0, {}},
    };
    for (const PixelizeCase& c : cases) {
        PxImageContext ctx;
        ctx.level = c.level;
        EXPECT_EQ(PxImageProtocol::nominalToPixelized(c.nominal, c.pixelAspect, ctx.getScale()), c.expected)
            << c.nominal << " aspect " << c.pixelAspect << " level " << c.level;
    }
}

TEST(PxImageFormat, NominalFrameIsWidthTimesPixelAspect)
{
    PxImageFormat format;
    EXPECT_EQ(format.getNominalFrame(), (FRect{0, 1920, 0, 1080}));
    format.width = 960;
    format.height = 720;
    format.pixelAspectNum = 4;
    format.pixelAspectDen = 2;
    EXPECT_EQ(format.getPixelAspectRatio(), 2.0f);
    EXPECT_EQ(format.getNominalFrame(), (FRect{0, 1920, 0, 720}));
}

TEST(PxImageResult, EmptyResultHasNoPixels)
{
    const PxImageResult empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.getPixelRegion().isEmpty());
    EXPECT_FALSE(empty.getTileGuard().isValid());
    EXPECT_EQ(empty.getFillColor(), (CoRgbaColorTyped<float>{0, 0, 0, 0}));
    EXPECT_TRUE(empty.getValidity().isFull());
}

TEST(PxImageResult, CarriesTheTileItsFillAndValidity)
{
    PxImageContext ctx;
    const CoRgbaColorTyped<float> fill{0.25f, 0.5f, 0.0f, 0.5f};
    RCShdPtr<IxTile> tile = PxImageProtocol::allocateImageBuffer(ctx, fill, {4, 8, 2, 5});
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->getPixelRegion(), (IRect{4, 8, 2, 5}));
    EXPECT_EQ(tile->getFillColor(), fill);

    PxImageResult result(tile, {1.0, 2.0});
    EXPECT_FALSE(result.isEmpty());
    EXPECT_EQ(result.getPixelRegion(), (IRect{4, 8, 2, 5}));
    EXPECT_EQ(result.getFillColor(), fill);
    EXPECT_EQ(result.getValidity(), (PxValidityInterval{1.0, 2.0}));
    EXPECT_TRUE(result.getTileGuard().isValid());
    EXPECT_EQ(result.getTileGuard().getPixelRegion(), (IRect{4, 8, 2, 5}));

    const PxImageResult copy = result; // copies share the tile
    EXPECT_EQ(copy.getTile().get(), tile.get());
    result.setValidity(PxValidityInterval::FULL);
    EXPECT_TRUE(result.getValidity().isFull());
    EXPECT_EQ(copy.getValidity(), (PxValidityInterval{1.0, 2.0}));
}

/// A pass-through image node: the image node base with nothing of its own but pixels.
class PassThroughNode : public PxImageNode
{
public:
    PassThroughNode(const Init& init, const PxNodePtr<PxImageProtocol const>& input)
        : PxNode(init), PxImageNode(init, input)
    {
    }
    PxImageResult getImage(const PxImageContext& ctx) const override { return getImageInput()->getImage(ctx); }
};

/// An image source of fixed format and region of definition, with no pixels.
class FixedSourceNode : public PxImageProtocol
{
public:
    explicit FixedSourceNode(const Init& init) : PxNode(init) {}
    PxImageFormat getImageFormat() const override
    {
        PxImageFormat format;
        format.width = 320;
        format.height = 240;
        return format;
    }
    PxRODResult getImageROD(const PxImageContext&) const override { return {{-8, 328, -4, 244}, {0.0, 1.0}}; }
    PxImageResult getImage(const PxImageContext&) const override { return {}; }
};

TEST(PxImageNode, FormatAndRegionOfDefinitionAreTheInputs)
{
    PxStrongHndl<FixedSourceNode> source = pxCreateNode<FixedSourceNode>();
    PxStrongHndl<PassThroughNode> node = pxCreateNode<PassThroughNode>(PxNodePtr<PxImageProtocol const>(source));
    EXPECT_EQ(node->getImageFormat().width, 320);
    EXPECT_EQ(node->getImageFormat().height, 240);
    const PxRODResult rod = node->getImageROD(PxImageContext{});
    EXPECT_EQ(rod.getROD(), (FRect{-8, 328, -4, 244}));
    EXPECT_EQ(rod.validity, (PxValidityInterval{0.0, 1.0}));
}

TEST(PxImageNode, WithoutAnInputRaisesNullPointer)
{
    PxStrongHndl<PassThroughNode> node = pxCreateNode<PassThroughNode>(PxNodePtr<PxImageProtocol const>());
    EXPECT_THROW(node->getImageFormat(), RCExNullPtr);
    EXPECT_THROW(node->getImageROD(PxImageContext{}), RCExNullPtr);
}

} // namespace
} // namespace Vx
