// Pixel measures far beyond any frame: the layout and the compositing saturate at the int range
// instead of overflowing, and the picture is exactly what the saturated geometry says (a box that
// covers every pixel, or a slate pushed off the frame that leaves the plate untouched).
#include "SlateCompositing.h"
#include "SlateTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using namespace Vx;
using namespace Vx::test;
using R = GeRectangle<int>;

namespace {

// Glyphs placed near the ends of the int range: 'Z' advances 2e9 pixels, 'X' lies at 2e9.
FoFont makeWideFont()
{
    auto face = makeShared<TestFace>(80, -20, 100);
    face->setGlyph(L'A', R(0, 8, 0, 10), 10);
    face->setGlyph(L'Z', R(0, 8, 0, 10), 2000000000);
    face->setGlyph(L'X', R(2000000000, 2100000000, 0, 10), 10);
    return FoFont(RCShdPtr<FoFont::Face>(face.get()));
}

struct LayoutCase
{
    const char* what;
    std::string text;
    int hAlign;
    int size; // pixel size and line height
    std::size_t line;
    std::size_t glyph;
    R expected;
};

} // namespace

TEST(SlateLayoutLimits, CoordinatesSaturateAtTheIntRange)
{
    const FoFont font = makeWideFont();
    const LayoutCase cases[] = {
        {"second line one huge line height down", "A\nA\nA", 0, INT_MAX, 1, 0, R(0, 8, -INT_MAX, -INT_MAX + 10)},
        {"third line stops at the lowest int", "A\nA\nA", 0, INT_MAX, 2, 0, R(0, 8, INT_MIN, INT_MIN + 10)},
        {"pen stops at the largest int", "ZZZ", 0, 20, 0, 2, R(INT_MAX, INT_MAX, 0, 10)},
        {"centre of a line far right, in 64 bits", "X", 1, 20, 0, 0, R(-50000000, 50000000, 0, 10)},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TextLayout layout = layoutText(c.text, font, c.size, c.hAlign, c.size);
        ASSERT_GT(layout.lines.size(), c.line);
        ASSERT_GT(layout.lines[c.line].glyphs.size(), c.glyph);
        EXPECT_EQ(layout.lines[c.line].glyphs[c.glyph].glyph.box, c.expected);
    }
    // The block of three huge lines reaches down to the lowest int.
    EXPECT_EQ(layoutText("A\nA\nA", font, INT_MAX, 0, INT_MAX).bounds.y0, INT_MIN);
}

namespace {

enum class Outcome
{
    Plate,         ///< the slate is off the frame: every pixel is the plate's
    BoxEverywhere, ///< the opaque box (alone: no text, no shadow) covers every pixel
};

struct HugeCase
{
    const char* what;
    std::function<void(SlateParams&)> set;
    Outcome outcome;
};

} // namespace

TEST(SlateLayoutLimits, HugeMeasuresRenderWhereSaturationPutsThem)
{
    const PxImageFormat format = smallFormat();
    const PxStrongHndl<GradientPlate> plate = makePlate(format);
    const GeRectangle<int> region = frameRegion(format, 0);
    const Frame plain = renderTiles(*plate, 0.0, 0, region, 64, 64);
    const CoRgbColorTyped<float> boxColor{0.25f, 0.5f, 0.75f};

    const HugeCase cases[] = {
        {"box margin 1e30", [](SlateParams& p) { p.boxMargin = 1e30; }, Outcome::BoxEverywhere},
        {"huge box moved by a huge offset still covers",
         [](SlateParams& p) {
             p.boxMargin = 1e30;
             p.offsetX = 1e38;
         },
         Outcome::BoxEverywhere},
        {"offset X 1e38", [](SlateParams& p) { p.offsetX = 1e38; }, Outcome::Plate},
        {"offset Y beyond the float range", [](SlateParams& p) { p.offsetY = 1e300; }, Outcome::Plate},
        {"shadow alone moved 1e38 right",
         [](SlateParams& p) {
             p.box = false;
             p.textOpacity = 0.0;
             p.shadowX = 1e38;
         },
         Outcome::Plate},
    };
    for (const HugeCase& c : cases) {
        SCOPED_TRACE(c.what);
        SlateParams p;
        p.box = true;
        p.boxOpacity = 1.0;
        p.boxColor = boxColor;
        p.boxMargin = 8.0;
        p.shadow = true;
        p.shadowOpacity = 1.0;
        c.set(p);
        if (c.outcome == Outcome::BoxEverywhere) {
            p.textOpacity = 0.0; // the box alone
            p.shadow = false;
        }
        const Frame f = renderTiles(*makeSlateNode(PxNodePtr<PxImageProtocol const>(plate), "Slate 1001", p), 0.0, 0,
                                    region, 64, 64);
        if (c.outcome == Outcome::Plate) {
            EXPECT_EQ(f, plain);
            continue;
        }
        int covered = 0;
        for (int y = region.y0; y < region.y1; ++y)
            for (int x = region.x0; x < region.x1; ++x) {
                const float* px = f.at(x, y);
                covered += px[0] == boxColor.red && px[1] == boxColor.green && px[2] == boxColor.blue && px[3] == 1.0f;
            }
        EXPECT_EQ(covered, region.getWidth() * region.getHeight());
    }
}
