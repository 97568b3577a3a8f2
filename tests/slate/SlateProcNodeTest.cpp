// The Slate processing node on real fonts: validity, pass-through, fonts, shadows and
// tiling, each checked against another render of the same picture.
#include "SlateCompositing.h"
#include "SlateTestUtil.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Im/ImImage.h>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace Vx;
using namespace Vx::test;

namespace {

const PxImageFormat kHd; // 1920x1080, 24 fps

Frame renderWhole(const PxStrongHndl<SlateProcNode>& node, double time, int level = 0,
                  const PxImageFormat& format = kHd)
{
    const GeRectangle<int> region = frameRegion(format, level);
    return renderTiles(*node, time, level, region, region.getWidth(), region.getHeight());
}

// How many pixels differ from the plate.
int changedPixels(const Frame& f)
{
    int changed = 0;
    for (int y = f.region.y0; y < f.region.y1; ++y)
        for (int x = f.region.x0; x < f.region.x1; ++x) {
            const CoRgbaColorTyped<float> plate = GradientPlate::colorAt(x, y);
            const float* p = f.at(x, y);
            if (p[0] != plate.red || p[1] != plate.green || p[2] != plate.blue || p[3] != plate.alpha)
                ++changed;
        }
    return changed;
}

class SlateRender : public ::testing::Test
{
protected:
    PxNodePtr<PxImageProtocol const> plate{makePlate()};
};

} // namespace

TEST_F(SlateRender, TextWithoutFrameTokensHoldsOverTheCommonValidityOfItsInputs)
{
    const PxNodePtr<PxImageProtocol const> limited(makePlate(kHd, {1.0, 5.0}));
    std::vector<PxNodePtr<PxNode const>> v = makeValueNodes(SlateParams());
    v[2] = PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(48.0, {2.0, 8.0})));
    const auto node = makeSlateNode(limited, "No tokens <CurrentTime>", v);
    EXPECT_EQ(renderOnce(*node, 3.0, 0, frameRegion(kHd, 0)).getValidity(), PxValidityInterval({2.0, 5.0}));
    // Tokens the node does not replace render as written and do not narrow the validity.
    const auto written = makeSlateNode(plate, "<CurrentTime> <CurrentDate> < FrameNo > FrameNo", SlateParams());
    EXPECT_TRUE(renderOnce(*written, frameTime(5), 0, frameRegion(kHd, 0)).getValidity().isFull());
}

TEST(SlatePassThrough, NothingToDrawHandsOnTheInputTileItself)
{
    const GeRectangle<int> region(900, 1100, 500, 600);
    const auto source = pxCreateNode<FixedTileSource>(kHd, region, PxValidityInterval{0.0, 100.0});
    const PxNodePtr<PxImageProtocol const> input(source);
    SlateParams zeroSize, invisible, shadowWithoutOpacity, boxWithoutOpacity;
    zeroSize.size = invisible.textOpacity = shadowWithoutOpacity.textOpacity = boxWithoutOpacity.textOpacity = 0.0;
    std::tie(shadowWithoutOpacity.shadow, shadowWithoutOpacity.shadowOpacity, boxWithoutOpacity.box,
             boxWithoutOpacity.boxOpacity) = std::tuple(true, 0.0, true, 0.0);

    struct Case
    {
        const char* what;
        std::string text;
        SlateParams params;
    };
    for (const Case& c :
         {Case{"empty text", "", SlateParams()}, Case{"zero size", "Slate", zeroSize},
          Case{"invisible text", "Slate", invisible}, Case{"shadow at zero opacity", "Slate", shadowWithoutOpacity},
          Case{"box at zero opacity", "Slate", boxWithoutOpacity},
          Case{"frame token, zero size", "<FrameNo>", zeroSize}}) {
        SCOPED_TRACE(c.what);
        const auto node = makeSlateNode(input, c.text, c.params);
        const double t = frameTime(3);
        const PxImageResult r = renderOnce(*node, t, 0, region);
        EXPECT_EQ(r.getTile().get(), source->getTile().get());
        // The validity is still narrowed: to the input's, and to the frame when a token was replaced.
        const PxValidityInterval expected = c.text.find('<') == std::string::npos
                                                ? PxValidityInterval{0.0, 100.0}
                                                : PxValidityInterval::createFrameInterval(kHd.frameRate, t);
        EXPECT_EQ(r.getValidity(), expected);
    }

    // Something to draw: a tile of its own, same region and fill colour as the input's.
    const auto drawing = makeSlateNode(input, "Slate", SlateParams());
    const PxImageResult r = renderOnce(*drawing, 0.0, 0, region);
    EXPECT_NE(r.getTile().get(), source->getTile().get());
    EXPECT_EQ(r.getPixelRegion(), region);
    EXPECT_EQ(r.getFillColor(), source->getTile()->getFillColor());

    // Text opacity 0 but a visible shadow draws (the shadow alone).
    SlateParams shadowOnly = invisible;
    shadowOnly.shadow = true;
    shadowOnly.shadowOpacity = 0.5;
    EXPECT_NE(renderOnce(*makeSlateNode(input, "Slate", shadowOnly), 0.0, 0, region).getTile().get(),
              source->getTile().get());
}

TEST_F(SlateRender, EmptyInputPassesThroughEmpty)
{
    const PxNodePtr<PxImageProtocol const> empty(makePlate(kHd, PxValidityInterval::FULL, true));
    const auto node = makeSlateNode(empty, "Slate <FrameNo>", SlateParams());
    const PxImageResult r = renderOnce(*node, frameTime(7), 0, frameRegion(kHd, 0));
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(r.getValidity(), PxValidityInterval::createFrameInterval(kHd.frameRate, frameTime(7)));
}

TEST_F(SlateRender, UnknownFamilyRendersExactlyLikeTheDefaultFont)
{
    SlateParams unknown;
    unknown.font = "No Such Family Anywhere";
    SlateParams fallback;
    fallback.font = FoFontMgr::getInstance().getDefaultFontName();
    fallback.style = FoFontMgr::getInstance().getDefaultFontStyle();
    const Frame expected = renderWhole(makeSlateNode(plate, "Fallback 123", fallback), 0.0);
    EXPECT_EQ(renderWhole(makeSlateNode(plate, "Fallback 123", unknown), 0.0), expected);
    EXPECT_GT(changedPixels(expected), 100);
}

TEST_F(SlateRender, BoxAtPartialOpacityIsTheOverOperatorOnEveryPixelItCovers)
{
    SlateParams p;
    std::tie(p.box, p.boxOpacity, p.boxColor, p.textOpacity, p.boxMargin) =
        std::tuple(true, 0.375, CoRgbColorTyped<float>{0.25f, 0.5f, 1.0f}, 0.0, 30.0);
    const Frame f = renderWhole(makeSlateNode(plate, "Box", p), 0.0);
    const float a = 0.375f;
    const float keep = 1.0f - a;
    int covered = 0;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) {
            const CoRgbaColorTyped<float> under = GradientPlate::colorAt(x, y);
            const float* px = f.at(x, y);
            if (px[0] == under.red && px[1] == under.green && px[2] == under.blue && px[3] == under.alpha)
                continue;
            ++covered;
            ASSERT_EQ(px[0], 0.25f * a + under.red * keep) << x << ", " << y;
            ASSERT_EQ(px[1], 0.5f * a + under.green * keep) << x << ", " << y;
            ASSERT_EQ(px[2], 1.0f * a + under.blue * keep) << x << ", " << y;
            ASSERT_EQ(px[3], a + under.alpha * keep) << x << ", " << y;
        }
    // The text's block grown by 30 pixels on every side.
    EXPECT_GT(covered, 60 * 60);
}

// The text alone and the shadow alone, white on black: the shadow image must be the text image
// moved by the scaled, truncated shadow offset (4 right and 4 down at level 0).
TEST(SlateShadow, IsTheTextMovedByTheScaledTruncatedOffset)
{
    const auto source = makeSolidPlate(kHd, CoRgbColorTyped<float>::ZERO);
    struct Case
    {
        int level;
        double offX, offY;
        int dx, dy;
    };
    for (const Case& c : {Case{0, 4.0, -4.0, 4, -4}, Case{1, 4.0, -4.0, 2, -2}, Case{2, 3.0, -3.0, 0, 0}}) {
        SCOPED_TRACE(c.level);
        SlateParams text;
        SlateParams shadow;
        std::tie(shadow.textOpacity, shadow.shadow, shadow.shadowOpacity, shadow.shadowColor, shadow.shadowX,
                 shadow.shadowY) = std::tuple(0.0, true, 1.0, CoRgbColorTyped<float>{1.0f, 1.0f, 1.0f}, c.offX, c.offY);
        const GeRectangle<int> region = frameRegion(kHd, c.level);
        const int w = region.getWidth();
        const int h = region.getHeight();
        const Frame t = renderTiles(*makeSlateNode(source, "Shadow Wg", text), 0.0, c.level, region, w, h);
        const Frame s = renderTiles(*makeSlateNode(source, "Shadow Wg", shadow), 0.0, c.level, region, w, h);
        int lit = 0;
        for (int y = region.y0 + 20; y < region.y1 - 20; ++y)
            for (int x = region.x0 + 20; x < region.x1 - 20; ++x) {
                ASSERT_EQ(s.at(x + c.dx, y + c.dy)[0], t.at(x, y)[0]) << "at " << x << ", " << y;
                lit += t.at(x, y)[0] > 0.0f;
            }
        EXPECT_GT(lit, 50);
    }
}

// One raster blended by hand-checkable rules: its bottom row on p.y, clipped to the tile, each
// coverage byte v giving alpha v * colour alpha / 255 "over" the pixel, 0 leaving it alone.
TEST(SlateBlendGlyph, CoverageTimesAlphaOverThePixelClippedToTheTile)
{
    // 3 x 2, top row first, every other byte used (x stride 2).
    const std::vector<std::uint8_t> bytes = {255, 9, 128, 9, 0, 9, 64, 9, 255, 9, 1, 9};
    const RCShdPtr<ImImage> raster(new ImImage(3, 2, 2, 6, bytes));
    const ImReadGuard guard(raster);
    const GeRectangle<int> region(10, 12, 20, 22); // the raster's third column falls outside
    const CoRgbaColorTyped<float> under{0.1f, 0.3f, 0.5f, 0.8f};
    for (const float alpha : {0.5f, 1.0f}) {
        SCOPED_TRACE(alpha);
        const RCShdPtr<IxTile> tile(new IxTile(region));
        tile->fill(under);
        const IxWriteGuard out(tile.get());
        const CoRgbaColorTyped<float> c{0.2f, 0.4f, 0.6f, alpha};
        blendGlyph(out, guard, {10, 20}, c);
        const auto expect = [&](int x, int y, int coverage) {
            const float a = float(coverage) * alpha / 255.0f;
            const float keep = 1.0f - a;
            const float* px = out.getPixel(x, y);
            if (a == 1.0f) {
                EXPECT_EQ(px[0], c.red);
                EXPECT_EQ(px[3], 1.0f);
                return;
            }
            EXPECT_EQ(px[0], c.red * a + under.red * keep) << x << ", " << y;
            EXPECT_EQ(px[1], c.green * a + under.green * keep) << x << ", " << y;
            EXPECT_EQ(px[2], c.blue * a + under.blue * keep) << x << ", " << y;
            EXPECT_EQ(px[3], a + under.alpha * keep) << x << ", " << y;
        };
        expect(10, 20, 64); // bottom row
        expect(11, 20, 255);
        expect(10, 21, 255); // top row
        expect(11, 21, 128);
    }
    // Zero coverage leaves the pixel exactly as it was.
    const RCShdPtr<IxTile> tile(new IxTile(GeRectangle<int>(12, 13, 21, 22)));
    tile->fill(under);
    const IxWriteGuard out(tile.get());
    blendGlyph(out, guard, {10, 20}, {1.0f, 1.0f, 1.0f, 1.0f});
    EXPECT_EQ(out.getPixel(12, 21)[0], under.red);
    EXPECT_EQ(out.getPixel(12, 21)[3], under.alpha);
}
