// Which face of a family serves each style: weight, slant and width as fontconfig reports them.
// (DejaVu Sans as fontconfig lists it, with its condensed and extra-light faces: the manager's test.)
#include "Fo/FoFontConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Vx {
namespace {

FoFaceCandidate face(const std::string& file, int weight, int slant, int width = FC_WIDTH_NORMAL, long index = 0)
{
    FoFaceCandidate c;
    c.source = {file, index};
    c.weight = weight;
    c.slant = slant;
    c.width = width;
    return c;
}

// The chosen file of each style, "-" for a missing one.
std::vector<std::string> chosenFiles(const std::vector<FoFaceCandidate>& faces)
{
    std::vector<std::string> files;
    for (const auto& chosen : chooseStyleFaces(faces))
        files.push_back(chosen ? chosen->file : "-");
    return files;
}

struct Case
{
    const char* what;
    std::vector<FoFaceCandidate> faces;
    std::vector<std::string> expected; // Regular, Bold, Italic, Bold Italic
};

const std::vector<Case>& cases()
{
    static const std::vector<Case> table = {
        {"no faces", {}, {"-", "-", "-", "-"}},
        {"normal width before a condensed face whose file sorts first",
         {face("A-Condensed.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_CONDENSED),
          face("B-Expanded.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_EXPANDED),
          face("C-Normal.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN)},
         {"C-Normal.ttf", "-", "-", "-"}},
        {"regular and bold only",
         {face("R.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN), face("B.ttf", FC_WEIGHT_BOLD, FC_SLANT_ROMAN)},
         {"R.ttf", "B.ttf", "-", "-"}},
        {"condensed faces only",
         {face("C.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_CONDENSED),
          face("CI.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ITALIC, FC_WIDTH_CONDENSED)},
         {"C.ttf", "-", "CI.ttf", "-"}},
        {"a light family", {face("Light.ttf", FC_WEIGHT_EXTRALIGHT, FC_SLANT_ROMAN)}, {"Light.ttf", "-", "-", "-"}},
        {"regular nearest among book, regular and medium",
         {face("Medium.ttf", FC_WEIGHT_MEDIUM, FC_SLANT_ROMAN), face("Regular.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN),
          face("Book.ttf", FC_WEIGHT_BOOK, FC_SLANT_ROMAN)},
         {"Regular.ttf", "-", "-", "-"}},
        {"a usual weight before a usual width",
         {face("Light.ttf", FC_WEIGHT_LIGHT, FC_SLANT_ROMAN),
          face("Condensed.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_CONDENSED)},
         {"Condensed.ttf", "-", "-", "-"}},
        {"bold before semibold and black",
         {face("Semi.ttf", FC_WEIGHT_SEMIBOLD, FC_SLANT_ROMAN), face("Black.ttf", FC_WEIGHT_BLACK, FC_SLANT_ROMAN),
          face("Bold.ttf", FC_WEIGHT_BOLD, FC_SLANT_ROMAN)},
         {"-", "Bold.ttf", "-", "-"}},
        {"semibold stands for bold",
         {face("Regular.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN), face("Semi.ttf", FC_WEIGHT_SEMIBOLD, FC_SLANT_ROMAN)},
         {"Regular.ttf", "Semi.ttf", "-", "-"}},
        {"medium is not bold", {face("Medium.ttf", FC_WEIGHT_MEDIUM, FC_SLANT_ROMAN)}, {"Medium.ttf", "-", "-", "-"}},
        {"italic before oblique",
         {face("Oblique.ttf", FC_WEIGHT_REGULAR, FC_SLANT_OBLIQUE),
          face("Italic.ttf", FC_WEIGHT_REGULAR, FC_SLANT_ITALIC)},
         {"-", "-", "Italic.ttf", "-"}},
        {"equal faces: file name, then index",
         {face("b.ttc", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 0),
          face("a.ttc", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 2),
          face("a.ttc", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 1)},
         {"a.ttc", "-", "-", "-"}},
    };
    return table;
}

TEST(FoStyleChoice, Table)
{
    for (const Case& c : cases())
        EXPECT_EQ(chosenFiles(c.faces), c.expected) << c.what;
}

TEST(FoStyleChoice, ListingOrderDoesNotMatter)
{
    for (const Case& c : cases()) {
        std::vector<FoFaceCandidate> faces = c.faces;
        std::reverse(faces.begin(), faces.end());
        EXPECT_EQ(chosenFiles(faces), c.expected) << c.what;
        std::rotate(faces.begin(), faces.begin() + faces.size() / 2, faces.end());
        EXPECT_EQ(chosenFiles(faces), c.expected) << c.what;
    }
}

TEST(FoStyleChoice, IndexOfTheChosenFace)
{
    const FoStyleFaces chosen = chooseStyleFaces({face("a.ttc", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 2),
                                                  face("a.ttc", FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 1),
                                                  face("a.ttc", FC_WEIGHT_BOLD, FC_SLANT_ROMAN, FC_WIDTH_NORMAL, 3)});
    ASSERT_TRUE(chosen[0] && chosen[1]);
    EXPECT_EQ(chosen[0]->index, 1);
    EXPECT_EQ(chosen[1]->index, 3);
}

} // namespace
} // namespace Vx
