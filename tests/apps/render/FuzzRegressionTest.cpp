// Inputs the fuzz targets (fuzz/) once crashed on or found wrong, each with the outcome it must
// have now: the equality of rates typed with many digits and texts JSON cannot hold. (What the
// composition file refuses: its own table.)
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRate.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <string>

#include <gtest/gtest.h>

#include "common/ExpectThrowMessage.h"

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;

TEST(FuzzRegression, RatesWithManyDigitsCompareExactly)
{
    // Cross products of these overflow 64 bits.
    const Rational typed = parseFrameRate("29923.976999999");
    EXPECT_EQ(typed, Rational(29923976999999, 1000000000));
    EXPECT_EQ(typed, Rational(2 * 29923976999999, 2000000000));
    EXPECT_NE(typed, Rational(29923976999998, 1000000000));
    EXPECT_NE(parseFrameRate("999999999999/999999999998"), parseFrameRate("999999999998/999999999997"));
    // Video rates come out in lowest terms too.
    const Rational video = parseFrameRate("27.97");
    EXPECT_EQ(video.num, 4000);
    EXPECT_EQ(video.den, 143);
    // The digits of a decimal rate are bounded so that the rate fits in 64 bits.
    EXPECT_EQ(parseFrameRate("2992299223.99999999000"), Rational(299229922399999999, 100000000));
    EXPECT_THROW_MESSAGE(
        parseFrameRate("2992299223.999999999"), std::invalid_argument,
        "Invalid frame rate \"2992299223.999999999\": a decimal frame rate has at most 18 significant digits");
    const DtTime start{1001, typed};
    const DtTime end{1100, typed};
    EXPECT_EQ((end - start).getFrameCount(), 99);
}

TEST(FuzzRegression, TextsThatAreNotUtf8AreNotSaved)
{
    // A text is bytes (0xE9 is Latin-1 "e acute"); JSON holds UTF-8 only.
    CompositionDoc doc;
    doc.attributes["client"] = "Caf\xe9";
    EXPECT_THROW_MESSAGE(
        formatComposition(doc), CompositionFileError,
        "the text at \"/attributes/client\" is not UTF-8, and a composition file holds UTF-8 text only");
    doc.attributes.clear();
    doc.nodes.push_back(NodeDoc{"Slate", "Slate", {}, {{"Text", "<C\xff>"}}, {}});
    EXPECT_THROW_MESSAGE(
        formatComposition(doc), CompositionFileError,
        "the text at \"/nodes/0/inputs/Text\" is not UTF-8, and a composition file holds UTF-8 text only");
}
