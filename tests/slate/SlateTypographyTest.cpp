// Outline, soft shadow and stable layout, each checked against another render of the same picture:
// the whole frame against its tiles, level 1 against a half-size frame, the defaults against a
// node without these inputs; the blur and the union of shadows by exact values.
#include "SlateCompositing.h"
#include "SlateSoftShadow.h"
#include "SlateTestUtil.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Vx;
using namespace Vx::test;

namespace {

struct Typography
{
    bool outline = false;
    double width = 2.0;
    CoRgbColorTyped<float> color{0.0f, 0.0f, 0.0f};
    double opacity = 1.0;
    double softness = 0.0;
    bool stable = false;
};

SlateProcNode::StyleNodes styleNodes(const Typography& t)
{
    return {constant(t.outline), constant(t.width),    constant(t.color),
            constant(t.opacity), constant(t.softness), constant(t.stable)};
}

Frame whole(const PxStrongHndl<SlateProcNode>& node, const PxImageFormat& format, int level = 0, double time = 0.0)
{
    const GeRectangle<int> region = frameRegion(format, level);
    return renderTiles(*node, time, level, region, region.getWidth(), region.getHeight());
}

// Shadow on and far (it reaches tiles the text misses), a box.
SlateParams shadowed()
{
    SlateParams p;
    std::tie(p.size, p.shadow, p.shadowX, p.shadowY, p.box, p.boxMargin, p.hAlign) =
        std::tuple(40.0, true, 9.0, -37.0, true, 6.0, 0);
    return p;
}

// Two lines with descenders, a character from a fallback font and one no font has (its box).
const char* const kText = "Outlined 1042 \xF0\x9D\x92\x9C \xEE\x80\x80\ngjpqy <>";

} // namespace

TEST(SlateTypography, TilesCutGlyphsOutlinesAndBlurredShadowsAsTheWholeFrameDoes)
{
    const PxImageFormat f{400, 240};
    const PxNodePtr<PxImageProtocol const> plate(makePlate(f));
    const Frame plain = whole(makeSlateNode(plate, kText, shadowed()), f);
    const Typography cases[] = {
        {}, // the hard shadow and the box alone
        {true, 3.0, {1.0f, 0.2f, 0.0f}, 1.0, 0.0, false},
        {false, 2.0, {}, 1.0, 12.0, false},
        {true, 1.5, {0.0f, 0.0f, 1.0f}, 0.6, 5.0, true},
    };
    for (const Typography& t : cases) {
        const auto node = makeSlateNode(plate, kText, shadowed(), styleNodes(t));
        for (const int level : {0, 1}) {
            const Frame frame = whole(node, f, level);
            EXPECT_EQ(frame == plain, level == 0 && !t.outline && t.softness == 0.0);
            const GeRectangle<int> region = frameRegion(f, level);
            for (const auto& [w, h] : {std::pair<int, int>{17, 13}, {1, 64}, {64, 1}, {100, 100}})
                EXPECT_EQ(renderTiles(*node, 0.0, level, region, w, h), frame)
                    << w << "x" << h << " level " << level << " softness " << t.softness;
        }
    }
}

TEST(SlateTypography, LevelOneIsTheHalfSizeFrame)
{
    // Size, outline width, softness, shadow offset and box margin halve at level 1 (centred: the
    // edge margin does not halve with the frame).
    const auto params = [](double k) {
        SlateParams p = shadowed();
        std::tie(p.hAlign, p.size, p.shadowX, p.shadowY, p.boxMargin) = std::tuple(1, 48 * k, 8 * k, -8 * k, 20 * k);
        return p;
    };
    const auto typography = [](double k) { return Typography{true, 4 * k, {0.9f, 0.1f, 0.1f}, 0.8, 8 * k, true}; };
    const PxImageFormat big{640, 360};
    const PxImageFormat small{320, 180};
    const PxNodePtr<PxImageProtocol const> smallPlate = makeSolidPlate(small, kFill);
    for (const bool styled : {true, false}) {
        const auto style = [&](double k) { return styled ? styleNodes(typography(k)) : SlateProcNode::StyleNodes{}; };
        const Frame half = whole(makeSlateNode(smallPlate, kText, params(0.5), style(0.5)), small);
        EXPECT_EQ(whole(makeSlateNode(makeSolidPlate(big, kFill), kText, params(1), style(1)), big, 1), half);
        EXPECT_EQ(half == whole(makeSlateNode(smallPlate, kText, params(0.5)), small), !styled);
    }
}

TEST(SlateTypography, DefaultsAndInertValuesDrawWhatTheNodeWithoutThemDraws)
{
    const PxImageFormat f{400, 240};
    const PxNodePtr<PxImageProtocol const> plate(makePlate(f));
    const SlateParams p = shadowed();
    const Frame before = whole(makeSlateNode(plate, kText, p), f);
    const Typography cases[] = {
        {},                                                 // the defaults
        {false, 50.0, {1.0f, 0.0f, 0.0f}, 1.0, 0.0, false}, // outline off
        {true, 2.0, {1.0f, 0.0f, 0.0f}, 0.0, 0.0, false},   // outline transparent
        {true, 0.0, {1.0f, 0.0f, 0.0f}, 1.0, 0.0, false},   // outline of no width
        {false, 2.0, {}, 1.0, 0.4, false},                  // softness rounding to no blur
    };
    for (const Typography& t : cases)
        EXPECT_EQ(whole(makeSlateNode(plate, kText, p, styleNodes(t)), f), before) << t.outline << " " << t.width;
}

TEST(SlateSoftShadow, ThreeBoxesReachTheRadiusAndRoundTheirMeans)
{
    for (const auto& [radius, boxes] : std::vector<std::pair<int, std::array<int, 3>>>{
             {0, {0, 0, 0}}, {1, {1, 0, 0}}, {8, {3, 3, 2}}, {200, {67, 67, 66}}})
        EXPECT_EQ(softShadowBoxes(radius), boxes) << radius;
    // One full pixel in the middle of 7 x 7, radius 1: a 3 x 3 box along the rows, then the
    // columns, each mean rounded half up: (65535 + 1) / 3 = 21845, (21845 + 1) / 3 = 7282.
    std::vector<std::uint16_t> c(49, 0);
    c[24] = 65535;
    blurCoverage(c, 7, 7, 1);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(c[std::size_t(y * 7 + x)], (x >= 2 && x <= 4 && y >= 2 && y <= 4) ? 7282 : 0) << x << "," << y;
}

TEST(SlateSoftShadow, OverlappingGlyphShadowsDoNotDarkenEachOther)
{
    // "aa" overlaps its two glyphs by half; "b" covers the same pixels once. Without text, their
    // soft shadows are the same pixels.
    auto face = makeShared<TestFace>(800, -200, 1000);
    face->setGlyph(L'a', GeRectangle<int>(0, 10, 0, 10), 5);
    face->setGlyph(L'b', GeRectangle<int>(0, 15, 0, 10), 15);
    const GeRectangle<int> frame(0, 64, 0, 48);
    const auto draw = [&](const std::string& text, float softness = 4.0f) {
        const RCShdPtr<IxTile> in = makeShared<IxTile>(frame);
        in->fill({0.5f, 0.5f, 0.5f, 1.0f});
        const RCShdPtr<IxTile> out = makeShared<IxTile>(frame);
        compositeSlate(IxWriteGuard(out.get()), IxReadGuard(in.get()), frame, 1.0f, text, FoFont(face), 10.0f,
                       {1.0f, 1.0f, 1.0f, 0.0f}, 1, 1, {0.0f, 0.0f}, true, {0.0f, 0.0f, 0.0f, 0.8f}, {3.0f, -3.0f},
                       false, {}, 0.0f, SlateStyle{false, {}, 0.0f, softness, false});
        const float* pixels = IxReadGuard(out.get()).getPixel(frame.x0, frame.y0); // packed rows
        return std::vector<float>(pixels, pixels + frame.getWidth() * frame.getHeight() * 4);
    };
    const std::vector<float> once = draw("b");
    EXPECT_EQ(draw("aa"), once);
    EXPECT_LT(*std::min_element(once.begin(), once.end()), 0.5f); // the shadow is there
    // The hard shadow, drawn glyph by glyph, darkens where they overlap.
    EXPECT_NE(draw("aa", 0.0f), draw("b", 0.0f));
}

TEST(SlateTypography, StableLayoutKeepsTheBoxOfARunningFrameNumberFixed)
{
    // The box is what differs from the plate: the text stays inside its margin.
    const PxImageFormat f{320, 120};
    const PxNodePtr<PxImageProtocol const> plate = makeSolidPlate(f, kFill);
    SlateParams p;
    std::tie(p.font, p.box, p.boxOpacity) = std::tuple("DejaVu Serif", true, 1.0);
    const auto boxOf = [&](bool stable, int frameNo) {
        const Frame frame = whole(makeSlateNode(plate, "<FrameNo>", p, styleNodes({false, 2.0, {}, 1.0, 0.0, stable})),
                                  f, 0, frameTime(frameNo));
        GeRectangle<int> box;
        for (int y = frame.region.y0; y < frame.region.y1; ++y)
            for (int x = frame.region.x0; x < frame.region.x1; ++x)
                if (frame.at(x, y)[0] != kFill.red)
                    box = box.united(GeRectangle<int>(x, x + 1, y, y + 1));
        return box;
    };
    const GeRectangle<int> first = boxOf(true, 1000);
    bool movesWithoutIt = false;
    for (int frameNo = 1000; frameNo <= 1100; ++frameNo) {
        EXPECT_EQ(boxOf(true, frameNo), first) << frameNo;
        movesWithoutIt = movesWithoutIt || boxOf(false, frameNo) != boxOf(false, 1000);
    }
    EXPECT_TRUE(movesWithoutIt) << "the ink-fitted box never moved: the test would not see a jitter";
}

// Each of the node's values, the typography's too, is its child: a change of any one invalidates
// the node over the interval that changed.
TEST(SlateTypography, EachValueInvalidatesTheNode)
{
    std::vector<PxNodePtr<PxNode const>> values = makeValueNodes(SlateParams());
    const SlateProcNode::StyleNodes s = styleNodes(Typography());
    const auto node = makeSlateNode(PxNodePtr<PxImageProtocol const>(makePlate()), "t", values, s);
    values.insert(values.end(),
                  {s.outline, s.outlineWidth, s.outlineColor, s.outlineOpacity, s.dropShadowSoftness, s.stableLayout});
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto count = node->getInvalidationCount();
        const_cast<PxNode*>(values[i].get())->invalidate({1.0, 2.0}, 0);
        EXPECT_EQ(node->getInvalidationCount(), count + 1) << "value " << i;
        EXPECT_EQ(node->getLastInvalidation(), PxValidityInterval({1.0, 2.0}));
    }
}
