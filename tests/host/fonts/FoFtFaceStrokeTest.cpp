// Stroked glyphs: the glyph grown by the radius, covering the glyph, kept in the glyph cache per
// face and radius; a negative radius is an error.
#include "common/ExpectThrowMessage.h"
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace Vx {
namespace {

TEST(FoFtFaceStroke, GrowsTheGlyphByTheRadiusCoversItAndIsCachedPerRadius)
{
    const FoFont font = FoFontMgr::getInstance().getFont(FoTest::kFamily, 0, 48, 48);
    const std::uint32_t o = font.getChar(L'O').id;
    const FoFont::Glyph glyph = font.rasterizeGlyph(o);
    for (const int pixels : {1, 2, 5}) {
        SCOPED_TRACE(pixels);
        const FoFont::Glyph stroke = font.strokeGlyph(o, pixels * 64);
        ASSERT_FALSE(stroke.image.isNull());
        EXPECT_EQ(stroke.advanceX, glyph.advanceX);
        // An 'O' has no sharp corner: the stroke reaches out by the radius, give or take the
        // pixel its antialiased edge may spill into.
        for (const int grown : {glyph.box.x0 - stroke.box.x0, stroke.box.x1 - glyph.box.x1,
                                glyph.box.y0 - stroke.box.y0, stroke.box.y1 - glyph.box.y1})
            EXPECT_TRUE(grown >= pixels && grown <= pixels + 1) << grown;
        // Wherever the glyph is solid, so is its stroke.
        const auto at = [](const FoFont::Glyph& g, int x, int y) {
            return g.image->getData()[(g.box.y1 - 1 - y) * g.box.getWidth() + (x - g.box.x0)];
        };
        int solid = 0;
        for (int y = glyph.box.y0; y < glyph.box.y1; ++y)
            for (int x = glyph.box.x0; x < glyph.box.x1; ++x)
                if (at(glyph, x, y) == 255) {
                    ++solid;
                    ASSERT_EQ(at(stroke, x, y), 255) << x << "," << y;
                }
        EXPECT_GT(solid, 100);
        EXPECT_EQ(font.strokeGlyph(o, pixels * 64).image.get(), stroke.image.get()); // cached
    }
    EXPECT_TRUE(font.strokeGlyph(font.getChar(L' ').id, 128).image.isNull()); // a blank draws nothing
    EXPECT_THROW_MESSAGE(font.strokeGlyph(o, -1), std::invalid_argument,
                         "A glyph of the font DejaVu Sans Book 48x48 px cannot be stroked at a negative radius "
                         "(-1/64 px).");
}

} // namespace
} // namespace Vx
