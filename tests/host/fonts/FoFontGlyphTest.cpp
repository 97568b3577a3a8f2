// Glyphs of a sized face through FoFont: metrics, boxes, rasters and their orientation, the Latin-1
// reading of widened bytes. (Missing characters: the fallback test.)
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <string>

namespace Vx {
namespace {

using FoTest::countCovered;
using FoTest::kFamily;

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

// Boxes are relative to the pen on the baseline, y up; row 0 of a raster is the glyph's top (the
// bar of a 'T'); the box of a glyph's metrics is the size of its raster.
TEST_F(FoFontGlyph, BoxesSitOnTheBaselineAndRasterRowZeroIsTheTop)
{
    const FoFont::Glyph& t = raster(m_font48, L'T');
    ASSERT_FALSE(t.image.isNull());
    const int width = t.image->getWidth();
    EXPECT_GE(countCovered(t.image, 0), width * 8 / 10) << "the bar";
    EXPECT_LE(countCovered(t.image, t.image->getHeight() - 1), width / 4) << "the stem";
    EXPECT_EQ(t.box.y0, 0) << "flat bottom on the baseline";
    EXPECT_LT(m_font48.getChar(L'g').box.y0, 0) << "the descender";

    for (const FoFont& f : {m_font48, font(40, 24), font(13, 13, FoFontMgr::BoldItalic)}) {
        for (wchar_t c : std::wstring(L"AgQ,\u00e9")) {
            const FoFont::Glyph& metrics = f.getChar(c);
            const FoFont::Glyph& rasterised = f.rasterizeGlyph(metrics.id);
            EXPECT_TRUE(metrics.image.isNull()) << "getChar gives no raster";
            ASSERT_FALSE(rasterised.image.isNull()) << f.describe() << " U+" << std::hex << int(c);
            EXPECT_EQ(metrics.box, rasterised.box) << f.describe() << " U+" << std::hex << int(c);
            EXPECT_EQ(metrics.advanceX, rasterised.advanceX);
            EXPECT_EQ(rasterised.box.getWidth(), rasterised.image->getWidth()) << f.describe() << " " << int(c);
            EXPECT_EQ(rasterised.box.getHeight(), rasterised.image->getHeight()) << f.describe() << " " << int(c);
            EXPECT_EQ(rasterised.image->getYStride(), rasterised.image->getWidth());
        }
    }
}

} // namespace
} // namespace Vx
