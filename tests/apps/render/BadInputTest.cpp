// Hostile input refused with a message that names the file, option or input at fault, the value
// and what is allowed: composition files read directly (exact message with line and column), then
// the whole program for what needs the Slate plug-in and for the exit codes (2 for every mistake of
// the command line, a --set value or a composition), and the warning for frames outside a
// generated plate's clip.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ExpectThrowMessage.h"

#include <Vx/Render/CompositionFile.h>

#include "RenderProgram.h"

using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

/// A composition of one Slate node "S" with `inputs` (JSON members).
std::string slateWith(const std::string& inputs)
{
    return R"({"nodes": [{"name": "S", "tool": "Slate", "inputs": {)" + inputs + "}}]}";
}

struct Case
{
    std::string input; // a composition's text, or a --set value
    std::string message;
};

} // namespace

TEST(BadInput, CompositionTextsNameLineColumnAndWhatIsWrong)
{
    const std::string deep = R"({"nodes": [{"name": "S", "tool": "Slate", "stored": {"X": )" + std::string(70, '[') +
                             std::string(70, ']') + "}}]}";
    const Case cases[] = {
        {deep, "line 1, column 119: arrays and objects nest more than 64 levels deep"},
        {slateWith(R"("Box Margin": 1e309)"),
         "syntax error at line 1, column 68: the number 1e309 is too large (numbers run to about 1.8e308 in "
         "magnitude)"},
        {slateWith("\n  \"Box Margin\": NaN\n"),
         "syntax error at line 2, column 17: \"NaN\" is not a JSON value (numbers are written with digits, texts in "
         "double quotes; there is no NaN or Infinity)"},
        {slateWith("\"Text\": \"a\xff: b\""),
         "syntax error at line 1, column 64: a text holds the byte 0xFF, which is not UTF-8 (composition files are "
         "UTF-8)"},
        // A lead byte followed by a plain one: the parser stops on the plain one.
        {"{\"at\xf3ributes\": 1}",
         "syntax error at line 1, column 5: a text holds the byte 0xF3, which is not UTF-8 (composition files are "
         "UTF-8)"},
        {"{\"name\": \"a\x01\"}",
         "syntax error at line 1, column 12: invalid string: control character U+0001 (SOH) must be escaped to "
         "\\u0001"},
        {R"({"version": {"number": 4294967297}})",
         "\"number\" in \"version\" takes a whole number from -2147483648 to 2147483647, not 4294967297"},
        {R"({"range": {"first": 1, "last": 18446744073709551615}})",
         "\"last\" in \"range\" takes a whole number from -9223372036854775808 to 9223372036854775807, not "
         "18446744073709551615"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_THROW_MESSAGE(parseComposition(c.input, "comp.json"), CompositionFileError,
                             "Composition \"comp.json\": " + c.message);
    }
}

TEST(BadInput, CompositionsExitTwoNamingTheNodeInputAndValue)
{
    const ScratchFolder folder;
    const std::string prefix = "kestrin-render: Composition \"comp.json\": ";
    const Case cases[] = {
        {slateWith(R"("Resolution X": 4294967396)"),
         "node \"S\": \"Resolution X\" takes values in [0, 65536], not 4294967396"},
        {slateWith(R"("Text Style": 4294967297)"),
         "node \"S\": 4294967297 is not one of the choices of \"Text Style\": Regular (0), Bold (1), Italic (2), "
         "Bold Italic (3)"},
        {slateWith(R"("Offset.Y": {"keys": [[1001, 0], [1010, 5], [1001, 3]]})"),
         "node \"S\": \"Offset.Y\" has two keyframes at frame 1001"},
        {R"({"fps": "24000/1001", )" + slateWith(R"("Offset.Y": {"keys": [[1e308, 0]]})").substr(1),
         "node \"S\": \"Offset.Y\": the keyframe frame 1e+308 is too large for a time"},
        {slateWith(R"("Text": {"keys": [[1, "a"], [2, "b"]]})"),
         "node \"S\": \"Text\" does not animate: it takes one value for the whole range, not keyframes"},
        {slateWith(R"("Box Margin": 1e308)"),
         "node \"S\": \"Box Margin\" takes values in [0, 3.4028235e+38], not 1e+308"},
        {R"({"nodes": [{"name": "Plate", "tool": "Read"}]})",
         "the Read node \"Plate\" has no \"file\" (a sequence pattern such as \"plates/shot.####.exr\"; -i PATTERN "
         "gives the first Read node one)"},
        {R"({"nodes": [{"name": "A", "tool": "Slate"}, {"name": "B", "tool": "Slate"}],
             "connections": [{"from": "A", "to": "B"}, {"from": "B", "to": "A"}]})",
         "the connection from \"B\" to \"A\": Connecting \"B\" to \"A\" would make a cycle."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::ofstream(folder.file("comp.json")) << c.input;
        const RunResult result = runRender(folder, {"comp.json", "--null-output"});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, prefix + c.message + "\n");
    }
    const RunResult directory = runRender(folder, {".", "--null-output"});
    EXPECT_EQ(directory.exitCode, 2);
    EXPECT_EQ(directory.err, "kestrin-render: Composition \".\": is a folder, not a composition file\n");
}

TEST(BadInput, SetValuesExitTwoNamingTheInputTheValueAsTypedAndTheRange)
{
    const ScratchFolder folder;
    const Case cases[] = {
        {"Vertical Alignment=4294967296",
         "4294967296 is not one of the choices of \"Vertical Alignment\": Top (0), Center (1), Bottom (2)"},
        {"Text Style=-4294967295",
         "-4294967295 is not one of the choices of \"Text Style\": Regular (0), Bold (1), Italic (2), Bold Italic (3)"},
        {"Resolution X=99999999999999999999999",
         "\"Resolution X\" takes values in [0, 65536], not 99999999999999999999999"},
        {"Box Margin=1e308", "\"Box Margin\" takes values in [0, 3.4028235e+38], not 1e308"},
        {"Box Margin=-2", "\"Box Margin\" takes values of at least 0, not -2"},
        {"Drop Shadow Offset.X=-1e300", "\"Drop Shadow Offset.X\" takes values of at least -3.4028235e+38, not -1e300"},
        {"Offset.X=1e400",
         "\"Offset.X\" takes a number, not \"1e400\", which is too large (numbers run to about 1.8e308)"},
        {"Text Opacity=nan", "\"Text Opacity\" takes a number, not \"nan\""},
        {"Txt=1", "\"Txt\" is not an input of the node \"Slate\" (kestrin-render --describe lists the inputs)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const RunResult result = runRender(folder, {"--null-output", "-s", c.input});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "kestrin-render: --set \"" + c.input + "\": " + c.message + "\n");
    }
}

TEST(BadInput, FramesOutsideTheGeneratorClipAreWarnedAboutOnce)
{
    const ScratchFolder folder;
    // At 24 fps frames 1 and 2 start before 0.1 s, frames 5 to 8 at or after 0.2 s.
    const RunResult result = runRender(
        folder, {"--size", "32x18", "--null-output", "-q", "-f", "1-8", "-s", "In Time=0.1", "-s", "Out Time=0.2"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "kestrin-render: warning: frames 1-2, 5-8 render transparent: they lie outside the \"Slate\" "
                          "node's In Time (0.1 s) and Out Time (0.2 s)\n");
    const RunResult inside = runRender(folder, {"--size", "32x18", "--null-output", "-q", "-f", "1-8"});
    EXPECT_EQ(inside.exitCode, 0);
    EXPECT_EQ(inside.err, "");
}
