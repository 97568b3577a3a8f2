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

TEST(FuzzRegression, TextsThatAreNotUtf8SaveAsTheirLatin1Reading)
{
    // A text is bytes: one that is not part of a UTF-8 sequence (0xE9) reads as its Latin-1
    // character ("e acute") and is saved as that character's UTF-8.
    CompositionDoc doc;
    doc.attributes["client"] = "Caf\xe9";
    doc.nodes.push_back(NodeDoc{"Slate", "Slate", {}, {{"Text", "<C\xff>"}}, {}});
    const std::string text = formatComposition(doc);
    EXPECT_NE(text.find("\"client\": \"Caf\xc3\xa9\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"Text\": \"<C\xc3\xbf>\""), std::string::npos) << text;
    // Two names that read the same once saved cannot both be kept.
    CompositionDoc twins;
    twins.attributes = {{"caf\xe9", "1"}, {"caf\xc3\xa9", "2"}};
    EXPECT_THROW_MESSAGE(formatComposition(twins), CompositionFileError,
                         "two names read as \"caf\xc3\xa9\", one of them with bytes that are not UTF-8, and a "
                         "composition file holds each name once");
    // A file name is not text: written otherwise it would name another file.
    doc.nodes.push_back(NodeDoc{"Read", "Read", "plate\xe9.####.exr", {}, {}});
    EXPECT_THROW_MESSAGE(
        formatComposition(doc), CompositionFileError,
        "the file name at \"/nodes/1/file\" is not UTF-8, and a composition file holds UTF-8 text only");
}
