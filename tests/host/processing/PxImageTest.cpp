// Image plumbing of the processing graph: nominal to pixel rectangles at resolution levels and
// pixel aspects, and the one-input image node base.
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxImageFormatNode.h>

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
        {{0, 1920, 0, 1080}, 1.0f, 2, {0, 480, 0, 270}},
        {{0, 1920, 0, 1080}, 1.0f, 3, {0, 240, 0, 135}},
        // Pixels twice as wide as high: the nominal frame of 1920 pixels is 3840 wide.
        {{0, 3840, 0, 1080}, 2.0f, 0, {0, 1920, 0, 1080}},
        {{0, 3840, 0, 1080}, 2.0f, 2, {0, 480, 0, 270}},
        // Partial pixels round outward.
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 0, {0, 11, 0, 11}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 1.0f, 1, {0, 6, 0, 6}},
        {{0.5f, 10.5f, 0.5f, 10.5f}, 2.0f, 0, {0, 6, 0, 11}},
        {{0, 1919, 0, 1079}, 1.0f, 1, {0, 960, 0, 540}},
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
        return format;
    }
    PxRODResult getImageROD(const PxImageContext&) const override { return {{-8, 328, -4, 244}, {0.0, 1.0}}; }
    PxImageResult getImage(const PxImageContext&) const override { return {}; }
};

TEST(PxImageNode, FormatAndRegionOfDefinitionAreTheInputsAndNeedOne)
{
    PxStrongHndl<FixedSourceNode> source = pxCreateNode<FixedSourceNode>();
    PxStrongHndl<PassThroughNode> node = pxCreateNode<PassThroughNode>(PxNodePtr<PxImageProtocol const>(source));
    EXPECT_EQ(node->getImageFormat().width, 320);
    const PxRODResult rod = node->getImageROD(PxImageContext{});
    EXPECT_EQ(rod.getROD(), (FRect{-8, 328, -4, 244}));
    EXPECT_EQ(rod.validity, (PxValidityInterval{0.0, 1.0}));

    PxStrongHndl<PassThroughNode> orphan = pxCreateNode<PassThroughNode>(PxNodePtr<PxImageProtocol const>());
    EXPECT_THROW(orphan->getImageFormat(), RCExNullPtr);
    EXPECT_THROW(orphan->getImageROD(PxImageContext{}), RCExNullPtr);
}

} // namespace
} // namespace Vx
