// The font manager: families, styles, the default font, and how sized faces are found and shared.
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

TEST(FoFontMgrFamilies, SortedWithoutRepeatsIncludingDejaVu)
{
    const std::vector<std::string> families = mgr().getFontFamilies();
    ASSERT_FALSE(families.empty());
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
    for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"})
        EXPECT_TRUE(std::binary_search(families.begin(), families.end(), std::string(family))) << family;
}

TEST(FoFontMgrStyles, DejaVuSansHasFourStyles)
{
    EXPECT_EQ(mgr().getFontStyles(kFamily), (std::vector<int>{0, 1, 2, 3}))
        << "the oblique faces come with fonts-dejavu-extra";
}

TEST(FoFontMgrStyles, UnknownFamilyHasNone)
{
    EXPECT_TRUE(mgr().getFontStyles("No Such Family 7f3a").empty());
    EXPECT_TRUE(mgr().getFontStyles("").empty());
    const FoFont font = mgr().getFont("No Such Family 7f3a", FoFontMgr::Regular, 32, 32);
    EXPECT_FALSE(font.isValid());
    EXPECT_EQ(font.describe(), "(no font)");
}

TEST(FoFontMgrStyles, FamilyMatchingIgnoresCaseButNotBlanks)
{
    EXPECT_EQ(mgr().getFontStyles("dejavu sans"), mgr().getFontStyles(kFamily));
    EXPECT_EQ(mgr().getFontStyles("DEJAVU SANS"), mgr().getFontStyles(kFamily));
    EXPECT_TRUE(mgr().getFontStyles("DejaVuSans").empty());
    EXPECT_TRUE(mgr().getFontStyles("DejaVu").empty()) << "a prefix is no family";
    EXPECT_FALSE(mgr().getFont("DejaVuSans", FoFontMgr::Regular, 20, 20).isValid());
}

TEST(FoFontMgrDefault, DejaVuSansRegular)
{
    EXPECT_EQ(mgr().getDefaultFontName(), kFamily);
    EXPECT_EQ(mgr().getDefaultFontStyle(), FoFontMgr::Regular);
    const FoFontMgr::FontDesc desc = mgr().getDefaultFont();
    EXPECT_EQ(desc.family, kFamily);
    EXPECT_EQ(desc.style, FoFontMgr::Regular);
    EXPECT_TRUE(mgr().getFont(desc, 24, 24).isValid());
}

// getFont answers exactly what getFontStyles promises, for every DejaVu family installed. The DejaVu
// packages always leave some family short of a style (fonts-dejavu-core has no oblique faces, the
// extra package brings "DejaVu Math TeX Gyre" with a regular face only), so missing styles are met.
TEST(FoFontMgrGetFont, MissingStyleIsInvalidAndPresentStyleIsValid)
{
    int missing = 0;
    for (const std::string& family : mgr().getFontFamilies()) {
        if (family.rfind("DejaVu", 0) != 0)
            continue;
        const std::vector<int> styles = mgr().getFontStyles(family);
        for (int style = 0; style < 4; ++style) {
            const bool present = std::find(styles.begin(), styles.end(), style) != styles.end();
            EXPECT_EQ(mgr().getFont(family, style, 16, 16).isValid(), present) << family << " style " << style;
            missing += present ? 0 : 1;
        }
    }
    EXPECT_GT(missing, 0);
}

TEST(FoFontMgrGetFont, StyleOutsideTheFourIsAStyleNoFamilyHas)
{
    // Renders ask with whatever style code the input holds; a code no family has is a missing
    // style, which the caller answers with its fallback, not an error.
    for (int style : {-1, 4, 7})
        EXPECT_FALSE(mgr().getFont(kFamily, style, 20, 20).isValid()) << "style " << style;
    EXPECT_TRUE(mgr().getFont(kFamily, FoFontMgr::Regular, 20, 20).isValid());
}

TEST(FoFontMgrGetFont, SameRequestGivesSameFaceAndOtherRequestsOtherFaces)
{
    const FoFont a = mgr().getFont(kFamily, FoFontMgr::Bold, 30, 30);
    const FoFont b = mgr().getFont(kFamily, FoFontMgr::Bold, 30, 30);
    ASSERT_TRUE(a.isValid());
    EXPECT_EQ(a.getFace().get(), b.getFace().get());
    EXPECT_EQ(a.getFace().get(), mgr().getFont(FoFontMgr::FontDesc{kFamily, FoFontMgr::Bold}, 30, 30).getFace().get());
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
    // Width and height are not interchangeable.
    EXPECT_NE(mgr().getFont(kFamily, FoFontMgr::Regular, 20, 40).getFace().get(),
              mgr().getFont(kFamily, FoFontMgr::Regular, 40, 20).getFace().get());
}

TEST(FoFontMgrGetFont, PixelSizesBelowOneAreOne)
{
    const FoFont one = mgr().getFont(kFamily, FoFontMgr::Regular, 1, 1);
    ASSERT_TRUE(one.isValid());
    EXPECT_EQ(one.describe(), "DejaVu Sans Book 1x1 px");
    EXPECT_EQ(mgr().getFont(kFamily, FoFontMgr::Regular, 0, 0).getFace().get(), one.getFace().get());
    EXPECT_EQ(mgr().getFont(kFamily, FoFontMgr::Regular, -7, 1).getFace().get(), one.getFace().get());
    EXPECT_EQ(mgr().getFont(kFamily, FoFontMgr::Regular, 12, -3).describe(), "DejaVu Sans Book 12x1 px");
}

TEST(FoFontMgrGetFont, PixelSizesAboveFreeTypesLargestThrow)
{
    try {
        mgr().getFont(kFamily, FoFontMgr::Regular, 70000, 20);
        ADD_FAILURE() << "a width of 70000 px was accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The pixel size 70000x20 asked of the font DejaVu Sans Book exceeds FreeType's largest, 65535 px.");
    }
    // Nothing was kept of the failed request.
    EXPECT_THROW(mgr().getFont(kFamily, FoFontMgr::Regular, 70000, 20), std::invalid_argument);
}

// The style faces are those of the family's usual width and weight, never its condensed or
// extra-light variants, which fontconfig lists under "DejaVu Sans" as well.
TEST(FoFontMgrGetFont, StylesUseTheUsualFaces)
{
    const char* expected[] = {"DejaVu Sans Book", "DejaVu Sans Bold", "DejaVu Sans Oblique",
                              "DejaVu Sans Bold Oblique"};
    for (int style = 0; style < 4; ++style) {
        const FoFont font = mgr().getFont(kFamily, style, 20, 20);
        ASSERT_TRUE(font.isValid()) << style;
        EXPECT_EQ(font.describe(), std::string(expected[style]) + " 20x20 px");
    }
}

} // namespace
} // namespace Vx
