// Input values as kestrin-render reads them (--set text, composition JSON) on the Slate tool's own
// inputs: every spelling accepted, every refusal with its exact message, the value kept after a
// refusal, and --describe's lines. The Slate plug-in is loaded from the build's plug-in folder
// once for the executable, as kestrin-render loads it.
#include <Vx/Render/InputValues.h>
#include <Vx/Render/SceneBuilder.h>

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

using namespace Vx;
using namespace Vx::Render;
using json = nlohmann::ordered_json;

namespace {

const Rational kRate{24, 1};

/// A generator Slate node as kestrin-render builds it without a composition file.
class InputValuesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RenderOptions options;
        options.output = "out.####.exr";
        scene.build(mergeOptions(std::nullopt, options), "", options, 1);
    }

    PiNode& slate() { return *scene.getSlateNode(); }

    /// The content of `name` as a composition file stores it, "-" for no settable input.
    std::string stored(const std::string& name)
    {
        const RCShdPtr<PiInput> input = slate().getInput(name, false);
        if (!input || input->isImageInput() || input->getSocketType() == PiSocketType::Structured)
            return "-";
        return formatInputContent(*input, kRate).dump();
    }

    SceneBuilder scene;
};

struct Row
{
    std::string input;
    json value;
    std::string expected; ///< the content afterwards, or "error: " and the message
};

TEST_F(InputValuesTest, EverySpellingIsReadOrRefusedByNameWithWhatTheInputTakes)
{
    const std::string alignments = "Top (0), Center (1), Bottom (2)";
    const std::string onOff = "takes on/off, true/false, yes/no or 1/0, not ";
    const Row rows[] = {
        // Text as typed; numbers with spaces and exponents; the hard bounds, closed and open.
        {"Text", "<CompName> = v<VersionNo>", "\"<CompName> = v<VersionNo>\""},
        {"Text Size", " 1e3 ", "1000.0"},
        {"Text Size", "10000", "10000.0"},
        {"Text Size", "0", "0.0"},
        {"Text Size", "10000.5", "error: \"Text Size\" takes values in [0, 10000], not 10000.5"},
        {"Text Size", "-0.5", "error: \"Text Size\" takes values in [0, 10000], not -0.5"},
        {"Text Size", "large", "error: \"Text Size\" takes a number, not \"large\""},
        {"Text Size", "12px", "error: \"Text Size\" takes a number, not \"12px\""},
        {"Text Size", "", "error: \"Text Size\" takes a number, not \"\""},
        {"Text Size", "nan", "error: \"Text Size\" takes a number, not \"nan\""},
        {"Text Size", "1e999",
         "error: \"Text Size\" takes a number, not \"1e999\", which is too large (numbers run to about 1.8e308)"},
        {"Text Opacity", "1", "1.0"},
        {"Text Opacity", "1.5", "error: \"Text Opacity\" takes values in [0, 1], not 1.5"},
        {"Box Margin", "-2", "error: \"Box Margin\" takes values of at least 0, not -2"},
        {"Box Margin", "1e308", "error: \"Box Margin\" takes values in [0, 3.4028235e+38], not 1e308"},
        {"Drop Shadow Offset.X", "-1e300",
         "error: \"Drop Shadow Offset.X\" takes values of at least -3.4028235e+38, not -1e300"},
        // Switches in every spelling and case.
        {"Box", "on", "true"},
        {"Box", "OFF", "false"},
        {"Box", "True", "true"},
        {"Box", "false", "false"},
        {"Box", "yes", "true"},
        {"Box", "No", "false"},
        {"Box", "1", "true"},
        {"Box", " 0 ", "false"},
        {"Box", "maybe", "error: \"Box\" " + onOff + "\"maybe\""},
        {"Box", "2", "error: \"Box\" " + onOff + "\"2\""},
        // Enumerations by label in any case, or by code.
        {"Vertical Alignment", "bottom", "\"Bottom\""},
        {"Vertical Alignment", "TOP", "\"Top\""},
        {"Vertical Alignment", "1", "\"Center\""},
        {"Text Style", "bold italic", "\"Bold Italic\""},
        {"Vertical Alignment", "Middle",
         "error: \"Middle\" is not one of the choices of \"Vertical Alignment\": " + alignments},
        {"Vertical Alignment", "3", "error: 3 is not one of the choices of \"Vertical Alignment\": " + alignments},
        {"Text Style", "-4294967295",
         "error: -4294967295 is not one of the choices of \"Text Style\": Regular (0), Bold (1), Italic (2), Bold "
         "Italic (3)"},
        // Colours as r,g,b or a member alone; a bad member leaves all three as they were.
        {"Text Color", "0.5,0.25,1", "[0.5,0.25,1.0]"},
        {"Text Color.Green", "0.75", "0.75"},
        {"Text Color", "0.5, 0.25",
         "error: \"Text Color\" takes a colour as three numbers \"r,g,b\", not \"0.5, 0.25\""},
        {"Text Color", "0.1,x,0.3", "error: \"Text Color.Green\" takes a number, not \"x\""},
        // Structures member by member; whole numbers in base ten; image inputs are connected.
        {"Offset.X", "12.5", "12.5"},
        {"Offset", "1", "error: \"Offset\" is set member by member: Offset.X, Offset.Y"},
        {"Resolution X", "100", "100"},
        {"Resolution X", "19.5", "error: \"Resolution X\" takes a whole number, not \"19.5\""},
        {"Input", "x", "error: \"Input\" is an image input: it is connected, not set"},
        {"Txt", "hello",
         "error: \"Txt\" is not an input of the node \"Slate\" (kestrin-render --describe lists the inputs)"},
        // JSON values of a composition file.
        {"Text Size", 36, "36.0"},
        {"Box", true, "true"},
        {"Box", 1, "true"},
        {"Box", 2, "error: \"Box\" " + onOff + "2"},
        {"Text", 3, "error: \"Text\" takes a text, not 3"},
        {"Text Color", json::array({1, 0.5, 0}), "[1.0,0.5,0.0]"},
        {"Vertical Alignment", 2, "\"Bottom\""},
        {"Vertical Alignment", 4294967297,
         "error: 4294967297 is not one of the choices of \"Vertical Alignment\": " + alignments},
        // Keyframes at frame numbers: sorted, whole frames written back as integers.
        {"Offset.Y", json::parse(R"({"keys": [[1100, 120.0], [1001, 0.0], [1050.5, 7]]})"),
         R"({"keys":[[1001,0.0],[1050.5,7.0],[1100,120.0]]})"},
        {"Offset.Y", json::parse(R"({"keys": []})"),
         R"(error: "Offset.Y": keyframes are written {"keys": [[frame, value], ...]}, not {"keys":[]})"},
        {"Offset.Y", json::parse(R"({"keys": [[-1e13, 0]]})"),
         R"(error: "Offset.Y": the keyframe frame -10000000000000.0 is outside the frame numbers -999999999999 to 999999999999)"},
        {"Offset.Y", json::parse(R"({"keys": [[1]]})"),
         R"(error: "Offset.Y": a keyframe is written [frame, value], not [1])"},
        {"Offset.Y", json::parse(R"({"keys": [[1001, 0], [1010, 5], [1001, 3]]})"),
         "error: \"Offset.Y\" has two keyframes at frame 1001"},
        {"Text", json::parse(R"({"keys": [[1, "a"], [2, "b"]]})"),
         "error: \"Text\" does not animate: it takes one value for the whole range, not keyframes"},
        {"Text Size", json::parse(R"({"keys": [[1, 5], [2, 20000]]})"),
         "error: \"Text Size\" takes values in [0, 10000], not 20000"},
        {"Text Color", json::parse(R"({"keys": [[1, 5]]})"),
         "error: \"Text Color\": keyframes of a colour are set on its members (\"Text Color.Red\" ...)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input + " = " + row.value.dump());
        const std::string before = stored(row.input);
        try {
            assignInput(slate(), row.input, row.value, kRate);
            EXPECT_EQ(stored(row.input), row.expected);
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string("error: ") + e.what(), row.expected);
            EXPECT_EQ(stored(row.input), before) << "a refused value was written";
        }
    }
}

TEST_F(InputValuesTest, DefaultsAreRecognisedMemberByMember)
{
    EXPECT_TRUE(holdsDefault(*slate().getInput("Text Color", true)));
    assignInput(slate(), "Text Color.Blue", "0.5", kRate);
    EXPECT_FALSE(holdsDefault(*slate().getInput("Text Color", true)));
    assignInput(slate(), "Text Color.Blue", "1", kRate);
    EXPECT_TRUE(holdsDefault(*slate().getInput("Text Color", true)));
    assignInput(slate(), "Text Size", "48", kRate);
    EXPECT_TRUE(holdsDefault(*slate().getInput("Text Size", true)));
    // A colour with a keyframed member has no [r, g, b] form.
    assignInput(slate(), "Text Color.Red", json::parse(R"({"keys": [[1, 0.5]]})"), kRate);
    EXPECT_TRUE(formatInputContent(*slate().getInput("Text Color", true), kRate).is_null());
}

TEST_F(InputValuesTest, DescribeGivesTypeRangeChoicesAndDefaultOnOneLineAnInput)
{
    std::ostringstream out;
    describeInputs(slate(), out);
    const std::string text = out.str();
    for (const std::string line : {
             "  Text                     text         default \"\"\n",
             "  Text Size                number       range [0, 10000]; default 48; animatable\n",
             "  Text Opacity             number       range [0, 1]; default 1; animatable\n",
             "  Box Margin               number       at least 0; default 8; animatable\n",
             "  Box                      on/off       default false; animatable\n",
             "  Vertical Alignment       choice       choices Top (0), Center (1), Bottom (2); default \"Center\"; "
             "animatable\n",
             "  Text Color               colour r,g,b default 1,1,1; animatable member by member\n",
             "  Offset.X                 number       default 0; animatable\n",
             "  Input                    image        the plate drawn over (-i PATTERN); a generator without it\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << "in:\n" << text;
    // Colour members and structures are not listed apart.
    EXPECT_EQ(text.find("Text Color.Red"), std::string::npos);
    EXPECT_EQ(text.find("\n  Offset "), std::string::npos);
}

} // namespace
