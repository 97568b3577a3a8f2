// The font service's memory bounds: glyph rasters under a bound in bytes, least recently used
// evicted first and rendered again to the same pixels; sized faces under a bound in number.
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace Vx {
namespace {

using FoTest::kFamily;
using FoTest::sameGlyph;

/// Sets a bound for the life of a test and restores the manager's.
class FoGlyphCacheBound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_bytes = m_fonts.getGlyphCacheLimit();
        m_faces = m_fonts.getSizedFaceLimit();
    }
    void TearDown() override
    {
        m_fonts.setGlyphCacheLimit(m_bytes);
        m_fonts.setSizedFaceLimit(m_faces);
    }
    static std::size_t area(const FoFont::Glyph& g)
    {
        return std::size_t(g.box.getWidth()) * std::size_t(g.box.getHeight());
    }

    FoFontMgr& m_fonts = FoFontMgr::getInstance();
    std::size_t m_bytes = 0;
    std::size_t m_faces = 0;
};

TEST_F(FoGlyphCacheBound, RastersStayUnderTheBoundAndComeBackTheSame)
{
    constexpr std::size_t kLimit = std::size_t(512) << 10;
    m_fonts.setGlyphCacheLimit(kLimit);
    EXPECT_LE(m_fonts.getGlyphCacheBytes(), kLimit);
    const FoFont f = m_fonts.getFont(kFamily, FoFontMgr::Regular, 301, 301);
    const FoFont::Glyph held = f.rasterizeGlyph(f.getChar(L'A').id); // before evictions, kept by this handle
    const FoFont::Glyph heldCopy = held;
    const FoFont::Glyph used = f.rasterizeGlyph(f.getChar(L'B').id); // used again after every other glyph

    std::size_t rendered = 0;
    for (wchar_t c = L'C'; c <= L'z'; ++c) {
        rendered += area(f.rasterizeGlyph(f.getChar(c).id));
        EXPECT_LE(m_fonts.getGlyphCacheBytes(), kLimit) << "after " << char(c);
        EXPECT_EQ(f.rasterizeGlyph(used.id).image, used.image) << "the latest used is not evicted";
    }
    ASSERT_GT(rendered, 2 * kLimit) << "the glyphs overflow the bound twice";
    EXPECT_GT(m_fonts.getGlyphCacheCount(), 0u);

    const FoFont::Glyph again = f.rasterizeGlyph(held.id);
    EXPECT_NE(again.image, held.image) << "'A' was evicted and rendered anew";
    EXPECT_TRUE(sameGlyph(again, held));
    EXPECT_TRUE(sameGlyph(held, heldCopy));

    // A raster larger than the bound is drawn, not cached.
    const FoFont huge = m_fonts.getFont(kFamily, FoFontMgr::Regular, 2003, 2003);
    const std::size_t before = m_fonts.getGlyphCacheBytes();
    const FoFont::Glyph w = huge.rasterizeGlyph(huge.getChar(L'W').id);
    ASSERT_FALSE(w.image.isNull());
    EXPECT_GT(area(w), kLimit);
    EXPECT_EQ(m_fonts.getGlyphCacheBytes(), before);

    m_fonts.setGlyphCacheLimit(0);
    EXPECT_EQ(m_fonts.getGlyphCacheBytes(), 0u);
    EXPECT_EQ(m_fonts.getGlyphCacheCount(), 0u);
}

TEST_F(FoGlyphCacheBound, SizedFacesStayUnderTheBound)
{
    m_fonts.setSizedFaceLimit(3);
    EXPECT_LE(m_fonts.getSizedFaceCount(), 3u);
    const FoFont first = m_fonts.getFont(kFamily, FoFontMgr::Regular, 211, 211);
    const FoFont::Glyph firstG = first.rasterizeGlyph(first.getChar(L'g').id);
    for (int size = 212; size < 230; ++size) {
        m_fonts.getFont(kFamily, FoFontMgr::Regular, size, size);
        EXPECT_LE(m_fonts.getSizedFaceCount(), 3u) << size;
    }
    EXPECT_EQ(m_fonts.getSizedFaceCount(), 3u);
    // The face dropped stays usable by its holder, and a new one of its size draws the same.
    const FoFont fresh = m_fonts.getFont(kFamily, FoFontMgr::Regular, 211, 211);
    EXPECT_NE(fresh.getFace(), first.getFace());
    EXPECT_TRUE(sameGlyph(first.rasterizeGlyph(firstG.id), firstG));
    EXPECT_TRUE(sameGlyph(fresh.rasterizeGlyph(firstG.id), firstG));
    // The face asked for last is kept: asking again gives the same face.
    EXPECT_EQ(m_fonts.getFont(kFamily, FoFontMgr::Regular, 211, 211).getFace(), fresh.getFace());
}

} // namespace
} // namespace Vx
