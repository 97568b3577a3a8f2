// Fallback fonts: a character the family lacks is the glyph of the font fontconfig ranks first
// for the family that has it, at the same size; a character no installed font has is the family's
// own missing glyph. The tests rely on the DejaVu fonts of Debian 12 only: of them, only "DejaVu
// Math TeX Gyre" (fonts-dejavu-extra) has U+1D49C MATHEMATICAL SCRIPT CAPITAL A; "DejaVu Serif"
// Bold has U+1D400 MATHEMATICAL BOLD CAPITAL A too, and fontconfig ranks it after the math font
// for "DejaVu Sans" Regular but before it for "DejaVu Sans" Bold Italic; none has a private-use
// character.
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Vx;
using namespace Vx::FoTest;

namespace {

const std::string kMathFamily = "DejaVu Math TeX Gyre";
constexpr wchar_t kScriptA = 0x1D49C;
constexpr wchar_t kBoldA = 0x1D400;

FoFont font(const std::string& family, int size, int style = FoFontMgr::Regular)
{
    const FoFont f = FoFontMgr::getInstance().getFont(family, style, size, size);
    EXPECT_TRUE(f.isValid()) << family;
    return f;
}

} // namespace

TEST(FoFontFallback, CharacterTheFamilyLacksIsTheGlyphOfTheFallbackFontAtTheSameSize)
{
    for (const int size : {9, 48, 130}) {
        SCOPED_TRACE(size);
        struct Case
        {
            wchar_t c;
            int style;
            FoFont expected; // the font the character is drawn with directly
        };
        const Case cases[] = {
            {kScriptA, FoFontMgr::Regular, font(kMathFamily, size)},
            {kScriptA, FoFontMgr::BoldItalic, font(kMathFamily, size)},
            {kBoldA, FoFontMgr::Regular, font(kMathFamily, size)},
            {kBoldA, FoFontMgr::BoldItalic, font("DejaVu Serif", size, FoFontMgr::Bold)},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.c) + " " + std::to_string(c.style));
            const FoFont sans = font(kFamily, size, c.style);
            const FoFont::Glyph& fallback = sans.getChar(c.c);
            const FoFont::Glyph& direct = c.expected.getChar(c.c);
            ASSERT_NE(fallback.id, 0u);
            ASSERT_NE(fallback.face, nullptr);
            EXPECT_NE(fallback.face, sans.getFace().get());
            EXPECT_EQ(fallback.face->describe(), c.expected.describe());
            // The same glyph, box (relative to the same baseline), advance and raster.
            EXPECT_TRUE(sameGlyph(sans.rasterizeGlyph(fallback), c.expected.rasterizeGlyph(direct)));
            // Found once: the next look-up is the same entry.
            EXPECT_EQ(&sans.getChar(c.c), &fallback);
            // A character the family has is its own.
            EXPECT_EQ(sans.getChar(L'A').face, sans.getFace().get());
        }
    }
}

TEST(FoFontFallback, CharacterNoFontHasIsTheFamilysMissingGlyph)
{
    const FoFont sans = font(kFamily, 40);
    const FoFont::Glyph notdef = sans.rasterizeGlyph(0);
    ASSERT_FALSE(notdef.image.isNull());
    struct Case
    {
        const char* what;
        wchar_t c;
    };
    for (const Case& c : {Case{"private use", wchar_t(0xE000)}, Case{"supplementary private use", wchar_t(0x10FFFD)},
                          Case{"noncharacter", wchar_t(0xFFFF)}, Case{"control, never looked up", wchar_t(0x01)},
                          Case{"C1 control", wchar_t(0x85)}, Case{"above U+10FFFF", wchar_t(0x110000)},
                          Case{"negative", wchar_t(-2)}}) {
        SCOPED_TRACE(c.what);
        const FoFont::Glyph& glyph = sans.getChar(c.c);
        EXPECT_EQ(glyph.id, 0u);
        EXPECT_EQ(glyph.face, sans.getFace().get());
        EXPECT_TRUE(sameGlyph(sans.rasterizeGlyph(glyph), notdef));
    }
}

// Many threads meeting the same missing characters on a fresh face at once all get the one glyph
// a single thread gets.
TEST(FoFontFallback, FirstLookUpsFromManyThreadsAgree)
{
    const std::vector<wchar_t> chars = {kScriptA, wchar_t(0x1D4D0), wchar_t(0x1D504), wchar_t(0xE000), L'x'};
    const FoFont serial = font(kMathFamily, 23);
    const FoFont shared = font(kFamily, 23);
    constexpr int kThreads = 8;
    std::vector<std::vector<const FoFont::Glyph*>> seen(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            for (const wchar_t c : chars)
                seen[std::size_t(t)].push_back(&shared.getChar(c));
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(seen[std::size_t(t)], seen[0]);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(sameGlyph(shared.rasterizeGlyph(*seen[0][i]), serial.rasterizeGlyph(serial.getChar(chars[i]))));
    EXPECT_EQ(seen[0][3]->id, 0u);
}
