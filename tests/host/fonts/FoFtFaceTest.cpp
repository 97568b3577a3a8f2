// The FreeType face itself: opening errors, the code points characters are read as, glyphs equal
// to those of the manager's shared faces, and a face outliving the handle to its library.
#include "common/ExpectThrowMessage.h"
#include "host/fonts/FoTestSupport.h"

#include "Fo/FoFontConfig.h"
#include "Fo/FoFtFace.h"
#include "Fo/FoFtLibrary.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace Vx {
namespace {

using FoTest::kFamily;
using FoTest::sameGlyph;

// The file of DejaVu Sans Book, as fontconfig names it.
std::string regularFile()
{
    static const FoFontConfig config;
    const FoStyleFaces faces = config.findStyleFaces(kFamily);
    if (!faces[0])
        throw std::runtime_error("DejaVu Sans has no regular face on this machine.");
    return faces[0]->file;
}

TEST(FoFtFace, OpeningErrorsNameTheFileAndTheFace)
{
    const std::string notAFont = ::testing::TempDir() + "FoFtFaceTest-not-a-font.ttf";
    std::ofstream(notAFont) << "This is a text file, not a font.\n";
    const struct
    {
        std::string file;
        long index;
        std::string reason;
    } cases[] = {
        {"/no/such/dir/font.ttf", 0, "cannot open resource"},
        {notAFont, 0, "unknown file format"},
        {regularFile(), 3, "invalid argument"},
    };
    const auto library = makeShared<FoFtLibrary>();
    for (const auto& c : cases) {
        EXPECT_THROW_MESSAGE(FoFtFace(library, c.file, c.index, 12, 12), std::runtime_error,
                             "FreeType could not open face " + std::to_string(c.index) + " of the font file '" +
                                 c.file + "': " + c.reason + ".");
    }
    std::remove(notAFont.c_str());
}

TEST(FoFtFace, CodePoints)
{
    struct Case
    {
        wchar_t c;
        std::uint32_t code;
    };
    const Case cases[] = {
        {L'A', 0x41},
        {wchar_t(0xE9), 0xE9},
        {wchar_t(0xFF7F), 0xFF7F},
        {wchar_t(0xFF80), 0xFF80},
        {wchar_t(0xFFFF), 0xFFFF},
        {wchar_t(0x10000), 0x10000},
        {wchar_t(0x10FFFF), 0x10FFFF},
        {wchar_t(0x110000), FoFtFace::kNoCodePoint},
        {wchar_t(-1), FoFtFace::kNoCodePoint},
        {wchar_t(-23), FoFtFace::kNoCodePoint},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FoFtFace::toCodePoint(c.c), c.code) << std::hex << static_cast<long>(c.c);
}

// Advances are the design advances scaled to the pixel width and rounded to whole pixels: light
// hinting leaves widths alone.
TEST(FoFtFace, AdvancesAreRoundedDesignAdvances)
{
    const auto library = makeShared<FoFtLibrary>();
    const std::string file = regularFile();
    const FoFtFaceHandle unscaled = FoFtLibrary::openFace(library, file, 0);
    const double unitsPerEM = unscaled->units_per_EM;
    for (int size : {11, 24, 48, 97}) {
        const FoFtFace face(library, file, 0, size, size);
        for (wchar_t c : std::wstring(L"AMmWil .0\u00e9%")) {
            const FoFont::Glyph& glyph = face.getChar(c);
            ASSERT_EQ(FT_Load_Glyph(unscaled.get(), glyph.id, FT_LOAD_NO_SCALE), 0);
            const double design = double(unscaled->glyph->advance.x) * size / unitsPerEM;
            EXPECT_NEAR(glyph.advanceX, design, 0.5 + 1.0 / 64) << size << " px U+" << std::hex << int(c);
        }
    }
}

TEST(FoFtFace, GlyphCountBoundsTheIndices)
{
    const auto library = makeShared<FoFtLibrary>();
    const FoFtFace face(library, regularFile(), 0, 10, 10);
    ASSERT_GT(face.getGlyphCount(), 1000u);
    EXPECT_NO_THROW(face.rasterizeGlyph(face.getGlyphCount() - 1));
    const std::string count = std::to_string(face.getGlyphCount());
    EXPECT_THROW_MESSAGE_START(face.rasterizeGlyph(face.getGlyphCount()), std::out_of_range,
                               "The glyph index " + count +
                                   " is out of range for the font DejaVu Sans Book 10x10 px, "
                                   "which has " +
                                   count);
}

// A face keeps its library alive: it works, and is released cleanly, after the last other handle
// to the library is gone (as a face held by a static object does after the manager died).
TEST(FoFtFace, OutlivesTheLibraryHandle)
{
    auto library = makeShared<FoFtLibrary>();
    const RCShdPtr<FoFtFace> face = makeShared<FoFtFace>(library, regularFile(), 0, 20, 20);
    EXPECT_EQ(library->getRefCount(), 2);
    library.reset();
    const FoFont::Glyph& a = face->rasterizeGlyph(face->getChar(L'a').id);
    EXPECT_FALSE(a.image.isNull());
}

} // namespace
} // namespace Vx
