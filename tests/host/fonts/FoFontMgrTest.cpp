// The font manager: families, styles, the default font, and how sized faces are found and shared.
#include "common/ExpectThrowMessage.h"
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vx {
namespace {

using FoTest::kFamily;

FoFontMgr& mgr()
{
    return FoFontMgr::getInstance();
}

TEST(FoFontMgr, FamiliesAreSortedAndStylesMatchedWithoutRegardToCase)
{
    const std::vector<std::string> families = mgr().getFontFamilies();
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
    for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"})
        EXPECT_TRUE(std::binary_search(families.begin(), families.end(), std::string(family))) << family;
    // The oblique faces come with fonts-dejavu-extra; a prefix or another spacing is no family.
    const std::vector<int> all = {0, 1, 2, 3};
    for (const auto& [family, styles] : std::vector<std::pair<std::string, std::vector<int>>>{
             {kFamily, all}, {"dejavu sans", all}, {"DejaVuSans", {}}, {"", {}}, {"No Such Family 7f3a", {}}})
        EXPECT_EQ(mgr().getFontStyles(family), styles) << family;
    EXPECT_EQ(mgr().getDefaultFontName(), kFamily);
    EXPECT_EQ(mgr().getDefaultFontStyle(), FoFontMgr::Regular);
}

// The style faces are those of the family's usual width and weight, never its condensed or
// extra-light variants, which fontconfig lists under "DejaVu Sans" as well; pixel sizes below one
// are one; a style code outside the four is a style no family has (the caller falls back).
TEST(FoFontMgr, GetFontFindsTheFaceOfTheStyleAtThePixelSize)
{
    const struct
    {
        std::string family;
        int style, width, height;
        const char* face;
    } cases[] = {
        {kFamily, 0, 20, 20, "DejaVu Sans Book 20x20 px"},
        {kFamily, 1, 20, 20, "DejaVu Sans Bold 20x20 px"},
        {kFamily, 2, 20, 20, "DejaVu Sans Oblique 20x20 px"},
        {kFamily, 3, 20, 20, "DejaVu Sans Bold Oblique 20x20 px"},
        {"dejavu sans", 1, 30, 20, "DejaVu Sans Bold 30x20 px"},
        {kFamily, 0, 0, 0, "DejaVu Sans Book 1x1 px"},
        {kFamily, 0, 12, -3, "DejaVu Sans Book 12x1 px"},
        {kFamily, 4, 20, 20, "(no font)"},
        {"No Such Family 7f3a", 0, 32, 32, "(no font)"},
    };
    for (const auto& c : cases) {
        const FoFont font = mgr().getFont(c.family, c.style, c.width, c.height);
        EXPECT_EQ(font.describe(), c.face) << c.family << " style " << c.style;
        EXPECT_EQ(font.isValid(), std::string(c.face) != "(no font)");
    }
}

TEST(FoFontMgrGetFont, SameRequestGivesSameFaceAndOtherRequestsOtherFaces)
{
    const FoFont a = mgr().getFont(kFamily, FoFontMgr::Bold, 30, 30);
    const FoFont b = mgr().getFont(kFamily, FoFontMgr::Bold, 30, 30);
    ASSERT_TRUE(a.isValid());
    EXPECT_EQ(a.getFace().get(), b.getFace().get());
    // A spelling that differs in case names the same file, hence the same face.
    EXPECT_EQ(a.getFace().get(), mgr().getFont("dejavu sans", FoFontMgr::Bold, 30, 30).getFace().get());
    const FoFont base = mgr().getFont(kFamily, FoFontMgr::Regular, 30, 30);
    const FoFont other[] = {
        mgr().getFont(kFamily, FoFontMgr::Bold, 30, 30),
        mgr().getFont(kFamily, FoFontMgr::Regular, 31, 30),
        mgr().getFont(kFamily, FoFontMgr::Regular, 30, 31),
        mgr().getFont("DejaVu Serif", FoFontMgr::Regular, 30, 30),
    };
    for (const FoFont& font : other) {
        ASSERT_TRUE(font.isValid());
        EXPECT_NE(base.getFace().get(), font.getFace().get()) << font.describe();
    }
}

TEST(FoFontMgrGetFont, PixelSizesAboveFreeTypesLargestThrow)
{
    EXPECT_THROW_MESSAGE(mgr().getFont(kFamily, FoFontMgr::Regular, 70000, 20), std::invalid_argument,
                         "The pixel size 70000x20 asked of the font DejaVu Sans Book exceeds FreeType's largest, 65535 "
                         "px.");
    // Nothing was kept of the failed request.
    EXPECT_THROW(mgr().getFont(kFamily, FoFontMgr::Regular, 70000, 20), std::invalid_argument);
}

} // namespace
} // namespace Vx
