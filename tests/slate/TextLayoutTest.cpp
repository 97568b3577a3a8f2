// Text layout with a font whose metrics the test chooses: exact boxes and translations.
#include "TextLayout.h"
#include "SlateTestUtil.h"

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
    face->setGlyph(wchar_t(0xE9), R(0, 6, 0, 12), 7); // the byte 0xE9 read as Latin-1
    return FoFont(RCShdPtr<FoFont::Face>(face.get()));
}

const FoFont kFont = makeFont();
constexpr int kSize = 20;

TextLayout layout(const std::string& text, int hAlign = 0, int size = kSize)
{
    return layoutText(text, kFont, size, hAlign, size);
}

} // namespace

// One box of a layout: the block's bounds (line -1), a line's box (glyph -1) or a glyph's box.
// An empty expected box asks for an empty box, whatever its corners.
struct BoxCase
{
    const char* what;
    std::string text;
    int hAlign;
    int size;
    std::size_t lines;
    int line;
    int glyph;
    R expected;
};

TEST(TextLayout, Boxes)
{
    const BoxCase cases[] = {
        {"CR skipped, LF starts a line", "A\r\nB", 0, kSize, 2, 0, 0, R(0, 8, 0, 10)},
        {"second line one line height lower", "A\r\nB", 0, kSize, 2, 1, 0, R(0, 8, -22, -10)},
        {"line box of the second line", "A\r\nB", 0, kSize, 2, 1, -1, R(0, 8, -22, -10)},
        {"CR inside a line does not advance", "A\rA", 0, kSize, 1, 0, 1, R(10, 18, 0, 10)},
        {"block height from the font metrics", "A", 0, kSize, 1, -1, -1, R(0, 8, -4, 14)},
        {"trailing LF adds an empty line", "A\n", 0, kSize, 2, 1, -1, R()},
        {"trailing LF lowers the bounds by a line", "A\n", 0, kSize, 2, -1, -1, R(0, 8, -24, 14)},
        {"empty middle line", "A\n\nA", 1, kSize, 3, 1, -1, R()},
        {"line after an empty line", "A\n\nA", 1, kSize, 3, 2, 0, R(-4, 4, -40, -30)},
        {"empty middle line adds no width", "A\n\nA", 1, kSize, 3, -1, -1, R(-4, 4, -44, 14)},
        {"blank-only line is one pixel tall at its baseline", "A\n   ", 0, kSize, 2, 1, -1, R(0, 15, -20, -19)},
        {"blank glyph has no box", "A\n   ", 0, kSize, 2, 1, 2, R()},
        {"trailing blanks widen a right-aligned line", "A  ", 2, kSize, 1, 0, -1, R(-20, 0, 0, 10)},
        {"trailing blanks shift right-aligned text", "A  ", 2, kSize, 1, 0, 0, R(-20, -12, 0, 10)},
        {"trailing blanks shift centred text", "A  ", 1, kSize, 1, 0, 0, R(-10, -2, 0, 10)},
        {"leading blanks count from the pen origin", "  W", 0, kSize, 1, 0, -1, R(0, 22, 0, 10)},
        {"glyph after leading blanks", "  W", 0, kSize, 1, 0, 2, R(9, 22, 0, 10)},
        {"visible first glyph starts at its own x0", "W", 0, kSize, 1, 0, 0, R(0, 13, 0, 10)},
        {"odd centre sum 3 moves by -1", "o", 1, kSize, 1, 0, -1, R(0, 1, 0, 5)},
        {"odd centre sum -3 moves by 1", "n", 1, kSize, 1, 0, -1, R(-1, 0, 0, 5)},
        {"byte that is not UTF-8 reaches the font as Latin-1", "\xE9", 0, kSize, 1, 0, 0, R(0, 6, 0, 12)},
        {"zero size: first line", "A\nB", 0, 0, 2, 0, 0, R(0, 8, 0, 10)},
        {"zero size: same baseline", "A\nB", 0, 0, 2, 1, 0, R(0, 8, -2, 10)},
        {"zero size: no extent", "A\nB", 0, 0, 2, -1, -1, R(0, 8, -2, 10)},
        {"empty text", "", 0, kSize, 0, -1, -1, R()},
        {"alignment out of range leaves the origin", "A", 7, kSize, 1, 0, 0, R(0, 8, 0, 10)},
        // Tab stops every eight space advances (40 pixels), counted from each line's start.
        {"tab at the line start", "\tA", 0, kSize, 1, 0, 1, R(40, 48, 0, 10)},
        {"a tab draws nothing", "\tA", 0, kSize, 1, 0, 0, R()},
        {"tab after one glyph", "A\tA", 0, kSize, 1, 0, 2, R(40, 48, 0, 10)},
        {"tab exactly at a stop", "AAAA\tA", 0, kSize, 1, 0, 5, R(80, 88, 0, 10)},
        {"two tabs", "AAA\t\tA", 0, kSize, 1, 0, 5, R(80, 88, 0, 10)},
        {"tabs count from each line's start", "AAAAA\nA\tA", 0, kSize, 2, 1, 2, R(40, 48, -20, -10)},
        {"a tab-only line reaches the stop", "\t", 0, kSize, 1, 0, -1, R(0, 40, 0, 1)},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TextLayout l = layout(c.text, c.hAlign, c.size);
        ASSERT_EQ(l.lines.size(), c.lines);
        const R box = c.line < 0    ? l.bounds
                      : c.glyph < 0 ? l.lines.at(std::size_t(c.line)).box
                                    : l.lines.at(std::size_t(c.line)).glyphs.at(std::size_t(c.glyph)).box;
        if (c.expected.isEmpty())
            EXPECT_TRUE(box.isEmpty()) << box;
        else
            EXPECT_EQ(box, c.expected);
    }
}

// A space without advance: a blank line is still one pixel wide, and a tab advances nothing.
TEST(TextLayout, SingleBlankLineIsAtLeastOnePixelWideAndTabsNeedASpaceAdvance)
{
    auto face = makeShared<TestFace>(80, -20, 100);
    face->setGlyph(L' ', R(), 0);
    face->setGlyph(L'A', R(0, 8, 0, 10), 10);
    const FoFont font(RCShdPtr<FoFont::Face>(face.get()));
    EXPECT_EQ(layoutText(" ", font, kSize, 0, kSize).lines[0].box, R(0, 1, 0, 1));
    EXPECT_EQ(layoutText("A\tA", font, kSize, 0, kSize).lines[0].glyphs[2].box, R(10, 18, 0, 10));
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

TEST(TextPlacement, EdgeMarginIsTenPixelsAtLevelZeroAndFiveAtLevelOneAndCentreHasNone)
{
    TextLayout l = layout("W");
    const auto [dx, dy] = place(l, 0, 0);
    EXPECT_EQ(l.bounds.x0 + dx, 10);
    EXPECT_EQ(l.bounds.y1 + dy, 1070);

    TextLayout half = layout("W", 0, 10);
    const auto [hx, hy] = place(half, 0, 0, 0.5f, R(0, 960, 0, 540));
    EXPECT_EQ(half.bounds.x0 + hx, 5);
    EXPECT_EQ(half.bounds.y1 + hy, 535);

    TextLayout right = layout("W", 2);
    const auto [rx, ry] = place(right, 2, 2);
    EXPECT_EQ(right.bounds.x1 + rx, 1910);
    EXPECT_EQ(right.bounds.y0 + ry, 10);

    TextLayout centre = layout("A", 1);                       // bounds (-4, 4, -4, 14)
    EXPECT_EQ(place(centre, 1, 1), std::make_pair(960, 535)); // ((1920 - 8) / 2 + 4, (1080 - 18) / 2 + 4)

    TextLayout outOfRange = layout("A", 7);
    EXPECT_EQ(place(outOfRange, 7, -1), std::make_pair(0, 0));
}

TEST(TextPlacement, OffsetsRoundHalfUpAndAreScaled)
{
    struct Case
    {
        int align;
        float scale;
        std::pair<float, float> offset;
        std::pair<int, int> moved;
    };
    const R quarter(0, 480, 0, 270);
    for (const Case& c : {Case{0, 1.0f, {0.5f, 0.5f}, {1, 1}}, Case{0, 1.0f, {-0.5f, -0.5f}, {0, 0}},
                          Case{1, 0.25f, {40.0f, -10.0f}, {10, -2}}}) { // floor(0.5 - 2.5) = -2
        SCOPED_TRACE(c.offset.first);
        const R frame = c.scale == 1.0f ? kFrame : quarter;
        TextLayout a = layout("A");
        const auto base = place(a, c.align, c.align, c.scale, frame);
        TextLayout b = layout("A");
        const auto moved = place(b, c.align, c.align, c.scale, frame, c.offset);
        EXPECT_EQ(moved.first - base.first, c.moved.first);
        EXPECT_EQ(moved.second - base.second, c.moved.second);
    }
}

TEST(TextPlacement, BoxMarginGrowsTheBoundsAfterAlignmentScaledAndTruncated)
{
    TextLayout plain = layout("W");
    const auto p = place(plain, 0, 0);
    TextLayout boxed = layout("W");
    const auto b = place(boxed, 0, 0, 1.0f, kFrame, kNoOffset, true, 24.0f);
    EXPECT_EQ(p, b);
    EXPECT_EQ(boxed.bounds, R(plain.bounds.x0 - 24, plain.bounds.x1 + 24, plain.bounds.y0 - 24, plain.bounds.y1 + 24));
    EXPECT_EQ(boxed.bounds.x0 + b.first, -14); // past the edge margin

    TextLayout half = layout("A");                                     // bounds (0, 8, -4, 14)
    place(half, 0, 0, 0.5f, R(0, 960, 0, 540), kNoOffset, true, 5.0f); // m = 2.5
    EXPECT_EQ(half.bounds, R(-2, 10, -6, 16));
}

TEST(TextPlacement, ShadowGrowsCoverageBoxesOnlyAndTruncatesTowardZero)
{
    TextLayout l = layout("A\nB");
    const R bounds = l.bounds;
    place(l, 0, 0, 1.0f, kFrame, kNoOffset, false, 0.0f, true, {4.0f, -4.0f});
    EXPECT_EQ(l.bounds, bounds);
    EXPECT_EQ(l.lines[0].box, R(0, 12, -4, 10));
    EXPECT_EQ(l.lines[0].glyphs[0].box, R(0, 12, -4, 10));
    EXPECT_EQ(l.lines[0].glyphs[0].glyph.box, R(0, 8, 0, 10));
    EXPECT_EQ(l.lines[1].glyphs[0].box, R(0, 12, -26, -10));

    TextLayout small = layout("A");
    place(small, 0, 0, 0.25f, R(0, 480, 0, 270), kNoOffset, false, 0.0f, true, {3.0f, -3.0f});
    EXPECT_EQ(small.lines[0].glyphs[0].box, R(0, 8, 0, 10));
}
