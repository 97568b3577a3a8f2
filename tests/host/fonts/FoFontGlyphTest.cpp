// Glyphs of a sized face through FoFont: metrics, boxes, rasters and their orientation, the Latin-1
// reading of widened bytes, and missing characters.
#include "common/ExpectThrowMessage.h"
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Vx {
namespace {

using FoTest::countCovered;
using FoTest::kFamily;
using FoTest::sameGlyph;

class FoFontGlyph : public ::testing::Test
{
protected:
    static FoFont font(int width, int height, int style = FoFontMgr::Regular)
    {
        FoFont f = FoFontMgr::getInstance().getFont(kFamily, style, width, height);
        EXPECT_TRUE(f.isValid());
        return f;
    }
    /// The rasterised glyph of character `c`.
    static FoFont::Glyph raster(const FoFont& f, wchar_t c) { return f.rasterizeGlyph(f.getChar(c).id); }

    FoFont m_font48 = font(48, 48);
};

// Row 0 of a raster is the glyph's top: the bar of a 'T' is at the top, the foot of an 'L' at the
// bottom.
TEST_F(FoFontGlyph, RasterRowZeroIsTheTop)
{
    const FoFont::Glyph& t = raster(m_font48, L'T');
    ASSERT_FALSE(t.image.isNull());
    const int width = t.image->getWidth();
    const int height = t.image->getHeight();
    ASSERT_GE(height, 20);
    EXPECT_GE(countCovered(t.image, 0), width * 8 / 10) << "the bar";
    EXPECT_GE(countCovered(t.image, 1), width * 8 / 10) << "the bar";
    EXPECT_GT(countCovered(t.image, height - 1), 0) << "the stem";
    EXPECT_LE(countCovered(t.image, height - 1), width / 4) << "the stem";
    EXPECT_LE(countCovered(t.image, height / 2), width / 4) << "the stem";

    const FoFont::Glyph& l = raster(m_font48, L'L');
    ASSERT_FALSE(l.image.isNull());
    EXPECT_GE(countCovered(l.image, l.image->getHeight() - 1), l.image->getWidth() * 8 / 10) << "the foot";
    EXPECT_LE(countCovered(l.image, 0), l.image->getWidth() / 3) << "the stem";
}

// Boxes are relative to the pen on the baseline, y up.
TEST_F(FoFontGlyph, BoxesSitOnTheBaseline)
{
    const FoFont::Glyph& h = m_font48.getChar(L'H');
    EXPECT_EQ(h.box.y0, 0) << "flat bottom on the baseline";
    EXPECT_GT(h.box.y1, 48 / 2);
    EXPECT_LT(h.box.y1, 48);
    EXPECT_GE(h.box.x0, 0);
    EXPECT_LE(h.box.x1, h.advanceX + 1);

    const FoFont::Glyph& g = m_font48.getChar(L'g');
    EXPECT_LT(g.box.y0, 0) << "the descender";
    EXPECT_LT(g.box.y1, h.box.y1) << "x-height below cap height";

    const FoFont::Glyph& quote = m_font48.getChar(L'\'');
    EXPECT_GT(quote.box.y0, h.box.y1 / 2) << "an apostrophe sits high";
}

TEST_F(FoFontGlyph, BoxMatchesRasterSize)
{
    for (const FoFont& f : {m_font48, font(13, 13), font(40, 24), font(48, 48, FoFontMgr::BoldItalic)}) {
        for (wchar_t c : std::wstring(L"AgjQ|,.Wl\u00e9\u20ac")) {
            const FoFont::Glyph& metrics = f.getChar(c);
            const FoFont::Glyph& rasterised = f.rasterizeGlyph(metrics.id);
            EXPECT_TRUE(metrics.image.isNull()) << "getChar gives no raster";
            ASSERT_FALSE(rasterised.image.isNull()) << f.describe() << " U+" << std::hex << int(c);
            EXPECT_EQ(metrics.box, rasterised.box) << f.describe() << " U+" << std::hex << int(c);
            EXPECT_EQ(metrics.advanceX, rasterised.advanceX);
            EXPECT_EQ(rasterised.box.getWidth(), rasterised.image->getWidth()) << f.describe() << " " << int(c);
            EXPECT_EQ(rasterised.box.getHeight(), rasterised.image->getHeight()) << f.describe() << " " << int(c);
            EXPECT_EQ(rasterised.image->getXStride(), 1);
            EXPECT_EQ(rasterised.image->getYStride(), rasterised.image->getWidth());
        }
    }
}

TEST_F(FoFontGlyph, MissingCharacterIsGlyphZero)
{
    const FoFont::Glyph& notdef = m_font48.rasterizeGlyph(0);
    for (wchar_t c : {wchar_t(0x4E00), wchar_t(0x10FFFD), wchar_t(-5), wchar_t(0x110000)}) {
        const FoFont::Glyph& glyph = m_font48.getChar(c);
        EXPECT_EQ(glyph.id, 0u) << int(c);
        EXPECT_EQ(glyph.box, notdef.box) << int(c);
        EXPECT_EQ(glyph.advanceX, notdef.advanceX) << int(c);
        EXPECT_TRUE(glyph.image.isNull());
    }
    EXPECT_FALSE(notdef.box.isEmpty()) << "DejaVu's missing glyph is a drawn box";
}

} // namespace
} // namespace Vx
