// Hostile input through the whole program, for the exit codes: 2 for every mistake of the command
// line, a --set value or a composition, with the message naming the file, option or input at fault
// (the messages themselves: the tables of the composition file and of the input values); and the
// warning for frames outside a generated plate's clip.
#include <sys/wait.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

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
    std::vector<std::string> options = {"--null-output"}; // after the composition's name
};

} // namespace

TEST(BadInput, CompositionsExitTwoNamingTheNodeInputAndValue)
{
    const ScratchFolder folder;
    const std::string prefix = "kestrin-render: Composition \"comp.json\": ";
    const std::string config =
        std::filesystem::path(KESTRIN_RENDER_PATH).parent_path().parent_path() / "share/ocio/config.ocio";
    const Case cases[] = {
        {slateWith(R"("Resolution X": 4294967396)"),
         "node \"S\": \"Resolution X\" takes values in [0, 65536], not 4294967396"},
        {R"({"fps": "24000/1001", )" + slateWith(R"("Offset.Y": {"keys": [[1e308, 0]]})").substr(1),
         "node \"S\": \"Offset.Y\": the keyframe frame 1e+308 is outside the frame numbers -999999999999 to "
         "999999999999"},
        {R"({"nodes": [{"name": "Plate", "tool": "Read"}]})",
         "the Read node \"Plate\" has no \"file\" (a sequence pattern such as \"plates/shot.####.exr\"; -i PATTERN "
         "gives the first Read node one)"},
        {R"({"nodes": [{"name": "A", "tool": "Slate"}, {"name": "B", "tool": "Slate"}],
             "connections": [{"from": "A", "to": "B"}, {"from": "B", "to": "A"}]})",
         "the connection from \"B\" to \"A\": Connecting \"B\" to \"A\" would make a cycle."},
        {R"({"movie": {"codec": "vp9"}})", "\"movie\": \"codec\" is \"vp9\": use prores, prores4444, h264 or dnxhr"},
        {R"({"movie": {"crf": 52}})", "\"movie\": \"crf\" is 52: use 0 (lossless) to 51 (smallest), default 18"},
        {R"({"output": "out.mp4", "movie": {"codec": "prores"}})",
         "\"movie\" \"codec\" prores: a .mp4 movie cannot hold it (\"out.mp4\"); .mp4 takes h264",
         {}},
        {R"({"colour": {"out": "sRGB", "view": "Standard"}})",
         "\"colour\": \"out\" and \"display\"/\"view\" both choose the output's colour: keep one or the other"},
        {R"({"colour": {"ocio": ")" + config + R"(", "display": "DCI"}})",
         "\"colour\" \"display\": unknown display \"DCI\" in \"" + config + "\"; known: \"sRGB\", \"Rec.709\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::ofstream(folder.file("comp.json")) << c.input;
        const RunResult result = runRender(folder, with({"comp.json"}, c.options));
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
        {"Resolution X=99999999999999999999999",
         "\"Resolution X\" takes values in [0, 65536], not 99999999999999999999999"},
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
