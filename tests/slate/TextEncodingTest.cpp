// Text in any language on the Slate node: UTF-8 decoded (other bytes as Latin-1), characters the
// font lacks drawn from its fallback font, the missing-glyph box. (Tab stops: the layout table.) Each picture is
// checked against the same picture reached another way.
#include "SlateTestUtil.h"
#include "TextLayout.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Vx;
using namespace Vx::test;
using R = GeRectangle<int>;

namespace {

const PxImageFormat kFormat = smallFormat(); // 320x180

// A character only "DejaVu Math TeX Gyre" has among the DejaVu fonts: MATHEMATICAL SCRIPT CAPITAL A.
const char* const kScriptA = "\xF0\x9D\x92\x9C";
constexpr wchar_t kScriptACode = 0x1D49C;
const std::string kMathFamily = "DejaVu Math TeX Gyre";

Frame render(const PxNodePtr<PxImageProtocol const>& plate, const std::string& text, const SlateParams& p, int tile = 0,
             const SlateProcNode::StyleNodes& style = {})
{
    const R region = frameRegion(kFormat, 0);
    return renderTiles(*makeSlateNode(plate, text, p, style), 0.0, 0, region, tile ? tile : region.getWidth(),
                       tile ? tile : region.getHeight());
}

// The smallest rectangle holding every pixel where `f` differs from `plain`.
R inkBox(const Frame& f, const Frame& plain)
{
    R box;
    for (int y = f.region.y0; y < f.region.y1; ++y)
        for (int x = f.region.x0; x < f.region.x1; ++x)
            if (!std::equal(f.at(x, y), f.at(x, y) + 4, plain.at(x, y)))
                box = box.united(R(x, x + 1, y, y + 1));
    return box;
}

SlateParams params(const std::string& font, int hAlign = 1)
{
    SlateParams p;
    p.font = font;
    p.size = 40.0;
    p.hAlign = hAlign;
    return p;
}

} // namespace

TEST(SlateTextEncoding, TextsThatReadAsTheSameCharactersRenderTheSamePixels)
{
    const PxNodePtr<PxImageProtocol const> plate(makePlate(kFormat));
    struct Case
    {
        const char* what;
        std::string font;
        std::string text;
        std::string same; // the same characters written another way
        bool equal;
    };
    const std::string sans = "DejaVu Sans";
    const Case cases[] = {
        {"UTF-8 e acute is the byte 0xE9", sans, "Caf\xC3\xA9 Z\xC3\xBCrich", "Caf\xE9 Z\xFCrich", true},
        {"UTF-8 is not read byte by byte", sans, "Caf\xC3\xA9", "Caf\xC3\x83\xC2\xA9", false},
        {"truncated sequence is read byte by byte", sans,
         "\xE2\x82"
         "A",
         "\xC3\xA2\xC2\x82"
         "A",
         true},
        {"two characters no font has draw the same box", sans, "\xEE\x80\x80", "\xF3\xB0\x80\x80", true},
        {"a character no font has is drawn", sans, "\xEE\x80\x80", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SlateParams p = params(c.font, 0);
        EXPECT_EQ(render(plate, c.text, p) == render(plate, c.same, p), c.equal);
    }
}

// A character the family lacks is drawn exactly as the font fontconfig falls back to draws it, at
// the same size, on the same baseline.
TEST(SlateTextEncoding, FallbackCharacterIsDrawnAsItsFontDrawsIt)
{
    const PxNodePtr<PxImageProtocol const> plate(makeSolidPlate(kFormat, {0.2f, 0.3f, 0.4f}));
    const Frame plain = render(plate, "", params("DejaVu Sans"));
    // Plain, and outlined over a soft shadow: the stroke and the shadow come from the same font.
    SlateParams shadowed = params("DejaVu Sans");
    shadowed.shadow = true;
    const SlateProcNode::StyleNodes outlined{constant(true), constant(3.0), constant(CoRgbColorTyped<float>{1, 0, 0}),
                                             constant(1.0),  constant(4.0), constant(false)};
    for (const bool styled : {false, true}) {
        SlateParams p = styled ? shadowed : params("DejaVu Sans");
        const SlateProcNode::StyleNodes style = styled ? outlined : SlateProcNode::StyleNodes{};
        const Frame inSans = render(plate, kScriptA, p, 0, style);
        p.font = kMathFamily;
        const Frame inMath = render(plate, kScriptA, p, 0, style);
        const R sansInk = inkBox(inSans, plain);
        const R mathInk = inkBox(inMath, plain);
        ASSERT_GT(sansInk.getWidth() * sansInk.getHeight(), 100);
        ASSERT_EQ(sansInk.getWidth(), mathInk.getWidth()) << styled;
        ASSERT_EQ(sansInk.getHeight(), mathInk.getHeight()) << styled;
        EXPECT_EQ(inSans.cropped(sansInk).pixels, inMath.cropped(mathInk).pixels) << styled;
    }

    // On the family's baseline, after the pen advance of the characters before it.
    FoFontMgr& fonts = FoFontMgr::getInstance();
    const FoFont sans = fonts.getFont("DejaVu Sans", FoFontMgr::Regular, 40, 40);
    const FoFont math = fonts.getFont(kMathFamily, FoFontMgr::Regular, 40, 40);
    const TextLayout l = layoutText(std::string("H") + kScriptA, sans, 40, 0, 40);
    ASSERT_EQ(l.lines.size(), 1u);
    ASSERT_EQ(l.lines[0].glyphs.size(), 2u);
    const int dx = l.lines[0].glyphs[0].box.x0 - sans.getChar(L'H').box.x0;
    EXPECT_EQ(l.lines[0].glyphs[1].box, math.getChar(kScriptACode).box.translated(sans.getChar(L'H').advanceX + dx, 0));
}
