// Text layout with a font whose metrics the test chooses: exact boxes and translations.
#include "SlateTestUtil.h"
#include "TextLayout.h"

#include <gtest/gtest.h>

using namespace Vx;
using Vx::test::TestFace;
using R = GeRectangle<int>;

namespace {

// 100 units per EM, ascent 80, descent -20: at pixel size 20, k = 0.2, the block reaches
// ceil(0.2 * (80 - 0.66666 * 20)) = 14 above the first baseline and ceil(20 * 0.2) = 4 below the
// last one.
FoFont makeFont()
{
    auto face = makeShared<TestFace>(80, -20, 100);
    face->setGlyph(L'A', R(0, 8, 0, 10), 10);
    face->setGlyph(L'B', R(1, 9, -2, 10), 10);
    face->setGlyph(L' ', R(), 5);
    face->setGlyph(L'o', R(1, 2, 0, 5), 3);   // x0 + x1 = 3
    face->setGlyph(L'n', R(-2, -1, 0, 5), 3); // x0 + x1 = -3
    face->setGlyph(L'W', R(-1, 12, 0, 10), 10);
    face->setGlyph(wchar_t(0xFFE9), R(0, 6, 0, 12), 7); // the byte 0xE9 as it arrives
    return FoFont(RCShdPtr<FoFont::Face>(face.get()));
}

const FoFont kFont = makeFont();
constexpr int kSize = 20;

TextLayout layout(const std::string& text, int hAlign = 0, int size = kSize)
{
    return layoutText(text, kFont, size, hAlign, size);
}

} // namespace

TEST(TextLayout, CarriageReturnIsSkippedAndLineFeedStartsALine)
{
    const TextLayout l = layout("A\r\nB");
    ASSERT_EQ(l.lines.size(), 2u);
    ASSERT_EQ(l.lines[0].glyphs.size(), 1u);
    ASSERT_EQ(l.lines[1].glyphs.size(), 1u);
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 8, 0, 10));
    // B is one line height lower, and left-aligned on its own box x0 of 1.
    EXPECT_EQ(l.lines[1].glyphs[0].box, R(0, 8, -22, -10));
    EXPECT_EQ(l.lines[1].glyphs[0].glyph.box, R(0, 8, -22, -10));
    EXPECT_EQ(l.lines[1].box, R(0, 8, -22, -10));
}

TEST(TextLayout, CarriageReturnInsideALineNeitherEndsItNorAdvances)
{
    const TextLayout l = layout("A\rA");
    ASSERT_EQ(l.lines.size(), 1u);
    ASSERT_EQ(l.lines[0].glyphs.size(), 2u);
    EXPECT_EQ(l.lines[0].glyphs[1].box, R(10, 18, 0, 10));
}

TEST(TextLayout, BlockHeightComesFromTheFontMetrics)
{
    const TextLayout l = layout("A");
    EXPECT_EQ(l.bounds, R(0, 8, -4, 14));
}

TEST(TextLayout, TrailingLineFeedAddsAnEmptyLineOneLineHeightLower)
{
    const TextLayout one = layout("A");
    const TextLayout two = layout("A\n");
    ASSERT_EQ(two.lines.size(), 2u);
    EXPECT_TRUE(two.lines[1].glyphs.empty());
    EXPECT_TRUE(two.lines[1].box.isEmpty());
    EXPECT_EQ(two.bounds.y0, one.bounds.y0 - kSize);
    EXPECT_EQ(two.bounds.y1, one.bounds.y1);
    EXPECT_EQ(two.bounds.x0, one.bounds.x0);
    EXPECT_EQ(two.bounds.x1, one.bounds.x1);
}

TEST(TextLayout, EmptyLineBetweenTwoLineFeedsAddsNoWidth)
{
    const TextLayout l = layout("A\n\nA", 1);
    ASSERT_EQ(l.lines.size(), 3u);
    EXPECT_TRUE(l.lines[1].glyphs.empty());
    EXPECT_TRUE(l.lines[1].box.isEmpty());
    EXPECT_EQ(l.lines[2].glyphs[0].box, R(-4, 4, -40, -30));
    EXPECT_EQ(l.bounds, R(-4, 4, -44, 14));
}

TEST(TextLayout, BlankOnlyLineIsOnePixelTallAtItsBaseline)
{
    const TextLayout l = layout("A\n   ");
    ASSERT_EQ(l.lines.size(), 2u);
    EXPECT_EQ(l.lines[1].box, R(0, 15, -20, -19));
    ASSERT_EQ(l.lines[1].glyphs.size(), 3u);
    EXPECT_TRUE(l.lines[1].glyphs[2].box.isEmpty());
}

TEST(TextLayout, SingleBlankLineIsAtLeastOnePixelWide)
{
    auto face = makeShared<TestFace>(80, -20, 100);
    face->setGlyph(L' ', R(), 0);
    const TextLayout l = layoutText(" ", FoFont(RCShdPtr<FoFont::Face>(face.get())), kSize, 0, kSize);
    EXPECT_EQ(l.lines[0].box, R(0, 1, 0, 1));
}

TEST(TextLayout, TrailingBlanksWidenTheLineAndShiftRightAlignedText)
{
    const TextLayout l = layout("A  ", 2);
    EXPECT_EQ(l.lines[0].box, R(-20, 0, 0, 10));
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(-20, -12, 0, 10));
    const TextLayout centred = layout("A  ", 1);
    EXPECT_EQ(centred.lines[0].glyphs[0].box, R(-10, -2, 0, 10));
}

TEST(TextLayout, LeadingBlanksCountFromThePenOrigin)
{
    const TextLayout leading = layout("  W");
    EXPECT_EQ(leading.lines[0].box, R(0, 22, 0, 10));
    EXPECT_EQ(leading.lines[0].glyphs[2].box, R(9, 22, 0, 10));
    // A line starting with a visible glyph starts at that glyph's own x0 (here -1).
    const TextLayout visible = layout("W");
    EXPECT_EQ(visible.lines[0].glyphs[0].box, R(0, 13, 0, 10));
}

TEST(TextLayout, CentreOfAnOddSumTruncatesTowardZero)
{
    EXPECT_EQ(layout("o", 1).lines[0].box, R(0, 1, 0, 5));   // dx = -(3 / 2) = -1
    EXPECT_EQ(layout("n", 1).lines[0].box, R(-1, 0, 0, 5));  // dx = -(-3 / 2) = 1
}

TEST(TextLayout, HighBytesReachTheFontAsWideCharactersFromASignedChar)
{
    const TextLayout l = layout("\xE9");
    ASSERT_EQ(l.lines[0].glyphs.size(), 1u);
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 6, 0, 12));
}

TEST(TextLayout, ZeroPixelSizePutsEveryLineOnOneBaselineWithNoExtent)
{
    const TextLayout l = layout("A\nB", 0, 0);
    ASSERT_EQ(l.lines.size(), 2u);
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 8, 0, 10));
    EXPECT_EQ(l.lines[1].glyphs[0].box, R(0, 8, -2, 10));
    EXPECT_EQ(l.bounds, R(0, 8, -2, 10));
}

TEST(TextLayout, EmptyTextHasNoLineAndEmptyBounds)
{
    const TextLayout l = layout("");
    EXPECT_TRUE(l.lines.empty());
    EXPECT_TRUE(l.bounds.isEmpty());
}

// Placement in a 1920x1080 frame.
namespace {
const R kFrame(0, 1920, 0, 1080);
const std::pair<float, float> kNoOffset{0.0f, 0.0f};

std::pair<int, int> place(TextLayout& l, int hAlign, int vAlign, float s = 1.0f, const R& frame = kFrame,
                          std::pair<float, float> offset = kNoOffset, bool box = false, float margin = 0.0f,
                          bool shadow = false, std::pair<float, float> shadowOffset = {0.0f, 0.0f})
{
    return placeTextBlock(frame, s, hAlign, vAlign, shadow, shadowOffset, box, margin, l, offset);
}
} // namespace

TEST(TextPlacement, LeftEdgeIsTenPixelsInAtFullResolutionAndFiveAtLevelOne)
{
    TextLayout l = layout("W");
    const auto [dx, dy] = place(l, 0, 0);
    EXPECT_EQ(l.bounds.x0 + dx, 10);
    EXPECT_EQ(l.bounds.y1 + dy, 1070);

    TextLayout half = layout("W", 0, 10);
    const auto [hx, hy] = place(half, 0, 0, 0.5f, R(0, 960, 0, 540));
    EXPECT_EQ(half.bounds.x0 + hx, 5);
    EXPECT_EQ(half.bounds.y1 + hy, 535);
}

TEST(TextPlacement, RightAndBottomKeepTheEdgeMargin)
{
    TextLayout l = layout("W", 2);
    const auto [dx, dy] = place(l, 2, 2);
    EXPECT_EQ(l.bounds.x1 + dx, 1910);
    EXPECT_EQ(l.bounds.y0 + dy, 10);
}

TEST(TextPlacement, CentreUsesNoMargin)
{
    TextLayout l = layout("A", 1); // bounds (-4, 4, -4, 14)
    const auto [dx, dy] = place(l, 1, 1);
    EXPECT_EQ(dx, 960);                   // (1920 - 8) * 0.5 + 4
    EXPECT_EQ(dy, 535);                   // (1080 - 18) * 0.5 + 4
}

TEST(TextPlacement, HalfPixelOffsetsRoundHalfUp)
{
    TextLayout a = layout("A");
    const auto base = place(a, 0, 0);
    TextLayout b = layout("A");
    const auto plus = place(b, 0, 0, 1.0f, kFrame, {0.5f, 0.5f});
    TextLayout c = layout("A");
    const auto minus = place(c, 0, 0, 1.0f, kFrame, {-0.5f, -0.5f});
    EXPECT_EQ(plus.first, base.first + 1);
    EXPECT_EQ(plus.second, base.second + 1);
    EXPECT_EQ(minus.first, base.first);
    EXPECT_EQ(minus.second, base.second);
}

TEST(TextPlacement, OffsetIsScaledAtLowerLevels)
{
    TextLayout a = layout("A");
    const auto base = place(a, 1, 1, 0.25f, R(0, 480, 0, 270));
    TextLayout b = layout("A");
    const auto moved = place(b, 1, 1, 0.25f, R(0, 480, 0, 270), {40.0f, -10.0f});
    EXPECT_EQ(moved.first, base.first + 10);
    EXPECT_EQ(moved.second, base.second - 2); // floor(0.5 - 2.5) = -2
}

TEST(TextPlacement, BoxMarginGrowsTheBoundsAfterAlignment)
{
    TextLayout plain = layout("W");
    const auto p = place(plain, 0, 0);
    TextLayout boxed = layout("W");
    const auto b = place(boxed, 0, 0, 1.0f, kFrame, kNoOffset, true, 24.0f);
    EXPECT_EQ(p, b);
    EXPECT_EQ(boxed.bounds, R(plain.bounds.x0 - 24, plain.bounds.x1 + 24, plain.bounds.y0 - 24, plain.bounds.y1 + 24));
    // The box reaches past the edge margin.
    EXPECT_EQ(boxed.bounds.x0 + b.first, -14);
}

TEST(TextPlacement, BoxMarginIsScaledAndTruncated)
{
    TextLayout l = layout("A"); // bounds (0, 8, -4, 14)
    place(l, 0, 0, 0.5f, R(0, 960, 0, 540), kNoOffset, true, 5.0f); // m = 2.5
    EXPECT_EQ(l.bounds, R(-2, 10, -6, 16));
}

TEST(TextPlacement, ShadowGrowsCoverageBoxesOnly)
{
    TextLayout l = layout("A\nB");
    const R bounds = l.bounds;
    place(l, 0, 0, 1.0f, kFrame, kNoOffset, false, 0.0f, true, {4.0f, -4.0f});
    EXPECT_EQ(l.bounds, bounds);
    EXPECT_EQ(l.lines[0].box, R(0, 12, -4, 10));
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 12, -4, 10));
    EXPECT_EQ(l.lines[0].glyphs[0].glyph.box, R(0, 8, 0, 10));
    EXPECT_EQ(l.lines[1].glyphs[0].box, R(0, 12, -26, -10));
}

TEST(TextPlacement, ShadowOffsetTruncatesTowardZeroAtLevelTwo)
{
    TextLayout l = layout("A");
    place(l, 0, 0, 0.25f, R(0, 480, 0, 270), kNoOffset, false, 0.0f, true, {3.0f, -3.0f});
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 8, 0, 10));
}

TEST(TextPlacement, AlignmentsOutsideTheirRangeLeaveTheBlockAtTheOrigin)
{
    TextLayout l = layout("A", 7);
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 8, 0, 10));
    EXPECT_EQ(place(l, 7, -1), std::make_pair(0, 0));
}
