// kestrin-render end to end: the built program run as a user runs it, with its plug-ins from the
// build's plug-in folder, on small frames (320x180) written to a scratch folder.
//
// The strongest checks are differential: a text with tokens renders pixel-identical to the
// literal text it stands for; one thread and two threads with other tiles give identical files;
// an empty text gives the input's pixels back bit for bit; a saved composition renders the same
// frames when loaded back. Each bad input gives its message and a non-zero exit.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "RenderTestUtil.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

struct RunResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// Runs kestrin-render with `args` in `folder`; its output and errors are captured.
RunResult runRender(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    std::string command = "cd " + shellQuoted(folder.path()) + " && " + shellQuoted(KESTRIN_RENDER_PATH);
    for (const std::string& arg : args)
        command += " " + shellQuoted(arg);
    const std::string outFile = folder.file(".run.out");
    const std::string errFile = folder.file(".run.err");
    command += " >" + shellQuoted(outFile) + " 2>" + shellQuoted(errFile);
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = contents(outFile);
    result.err = contents(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return result;
}

/// Runs and expects success, showing the errors when it fails.
void renderOk(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    const RunResult result = runRender(folder, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

std::vector<std::string> generatorArgs(const std::string& output, const std::string& text)
{
    return {"-q",
            "--size",
            "320x180",
            "-o",
            output,
            "-s",
            "Text=" + text,
            "-s",
            "Text Size=40",
            "-s",
            "Box=on",
            "-s",
            "Box Color=0.2,0.1,0"};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// A plate sequence of float RGBA EXR frames with an extra depth channel and metadata; every
/// frame has its own pixels.
void writePlates(const ScratchFolder& folder, int first, int last)
{
    for (int frame = first; frame <= last; ++frame) {
        OIIO::ImageSpec spec(320, 180, 5, OIIO::TypeFloat);
        spec.channelnames = {"R", "G", "B", "A", "Z"};
        spec.alpha_channel = 3;
        spec.z_channel = 4;
        spec.attribute("Note", "plate " + std::to_string(frame));
        const TestImage image = makeImage(320, 180, 5, [frame](int x, int y, int c) {
            if (c == 3)
                return 1.0f;
            if (c == 4)
                return 100.0f + float(x) / 7.0f;
            // Values that are not round in binary, so that any conversion on the way shows.
            return float((x * 31 + y * 17 + c * 101 + frame * 7) % 997) / 997.0f + 1.0f / 3.0f;
        });
        char name[64];
        std::snprintf(name, sizeof name, "plate.%04d.exr", frame);
        writeImage(folder.file(name), image, spec);
    }
}

void expectSamePixels(const std::string& a, const std::string& b)
{
    const TestImage imageA = readImage(a);
    const TestImage imageB = readImage(b);
    ASSERT_EQ(imageA.width, imageB.width);
    ASSERT_EQ(imageA.height, imageB.height);
    ASSERT_EQ(imageA.channels, imageB.channels);
    EXPECT_TRUE(imageA.pixels == imageB.pixels) << a << " and " << b << " differ";
}

bool samePixels(const std::string& a, const std::string& b)
{
    return readImage(a).pixels == readImage(b).pixels;
}

// Tokens against the literal text they stand for ------------------------------------------------

TEST(KestrinRender, TokensRenderLikeTheLiteralTextTheyStandFor)
{
    struct Case
    {
        std::string text;
        std::string literal;
        std::vector<std::string> options; // the last one is the four-digit frame rendered
    };
    const Case cases[] = {
        {"<FrameNo>", "1001", {"--fps", "24000/1001", "--range", "1001-1010", "-f", "1001"}},
        {"<CompName> v<VersionNo>", "shot010 v3", {"--comp-name", "shot010", "--version-number", "3", "-f", "1001"}},
        {"<CompLength> frames", "100 frames", {"--range", "1001-1100", "-f", "1050"}},
        {"for <attr:client>", "for ACME", {"--attr", "client=ACME", "-f", "1007"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScratchFolder folder;
        renderOk(folder, concat(generatorArgs("token.####.exr", c.text), c.options));
        renderOk(folder, concat(generatorArgs("literal.####.exr", c.literal), c.options));
        renderOk(folder, concat(generatorArgs("empty.####.exr", ""), c.options));
        const std::string frame = c.options.back();
        expectSamePixels(folder.file("token." + frame + ".exr"), folder.file("literal." + frame + ".exr"));
        // The text really was drawn.
        EXPECT_FALSE(samePixels(folder.file("token." + frame + ".exr"), folder.file("empty." + frame + ".exr")));
    }
    ScratchFolder folder;
    renderOk(folder, concat(generatorArgs("f.####.exr", "<FrameNo>"), {"--range", "1-2"}));
    EXPECT_FALSE(samePixels(folder.file("f.0001.exr"), folder.file("f.0002.exr")));
}

// Threads and tiles -------------------------------------------------------------------------------

TEST(KestrinRender, ThreadsAndTileSizesGiveIdenticalFiles)
{
    ScratchFolder folder;
    writePlates(folder, 1001, 1003);
    const std::vector<std::string> common = {
        "-q",     "-i", "plate.####.exr", "-s", "Text=<FrameNo> <Timecode>", "-s", "Drop Shadow=on", "-s",
        "Box=on", "-s", "Box Opacity=0.5"};
    renderOk(folder, concat(common, {"-o", "one.####.exr", "--threads", "1", "--tile-size", "16"}));
    renderOk(folder, concat(common, {"-o", "two.####.exr", "--threads", "2", "--tile-size", "100"}));
    for (const std::string frame : {"1001", "1002", "1003"}) {
        const std::string one = contents(folder.file("one." + frame + ".exr"));
        ASSERT_FALSE(one.empty());
        EXPECT_TRUE(one == contents(folder.file("two." + frame + ".exr"))) << "frame " << frame;
    }
    EXPECT_FALSE(samePixels(folder.file("one.1001.exr"), folder.file("plate.1001.exr")));
}

// Pass-through ------------------------------------------------------------------------------------

TEST(KestrinRender, EmptyTextPassesEveryInputValueThrough)
{
    ScratchFolder folder;
    writePlates(folder, 1, 2);
    renderOk(folder, {"-q", "-i", "plate.####.exr", "-o", "out.####.exr", "-s", "Text="});
    for (const std::string frame : {"0001", "0002"}) {
        OIIO::ImageSpec inSpec;
        OIIO::ImageSpec outSpec;
        const TestImage in = readImage(folder.file("plate." + frame + ".exr"), &inSpec);
        const TestImage out = readImage(folder.file("out." + frame + ".exr"), &outSpec);
        EXPECT_EQ(outSpec.channelnames, inSpec.channelnames);
        EXPECT_EQ(outSpec.format, OIIO::TypeFloat);
        EXPECT_EQ(outSpec.get_string_attribute("Note"), "plate " + std::to_string(std::stoi(frame)));
        ASSERT_EQ(out.pixels.size(), in.pixels.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < in.pixels.size(); ++i)
            if (std::memcmp(&in.pixels[i], &out.pixels[i], sizeof(float)) != 0)
                ++differing;
        EXPECT_EQ(differing, 0u) << "frame " << frame;
    }
}

// Saving and loading back -------------------------------------------------------------------------

TEST(KestrinRender, SavedCompositionRendersTheSameFrames)
{
    ScratchFolder folder;
    writePlates(folder, 1001, 1003);
    {
        std::ofstream json(folder.file("shot.json"));
        json << R"({
  "name": "shot010", "version": {"name": "comp", "number": 4}, "fps": "25",
  "range": {"first": 1001, "last": 1003}, "attributes": {"client": "ACME"},
  "nodes": [
    {"name": "Plate", "tool": "Read", "file": "plate.####.exr"},
    {"name": "Burn-in", "tool": "Slate",
     "inputs": {"Text": "<CompName> <VersionName> v<VersionNo> <attr:client> <FrameNo>", "Text Size": 30,
                "Text Color": [1, 0.8, 0.2], "Vertical Alignment": "Bottom",
                "Offset.Y": {"keys": [[1001, 0.0], [1003, 60.0]]}}}
  ],
  "connections": [{"from": "Plate", "to": "Burn-in", "input": "Input"}]
})";
    }
    renderOk(folder, {"-q", "shot.json", "-o", "first.####.exr", "-s", "Box=on", "--attr", "client=ACME Films",
                      "--save", "saved.json"});
    renderOk(folder, {"-q", "saved.json", "-o", "again.####.exr"});
    for (const std::string frame : {"1001", "1002", "1003"})
        expectSamePixels(folder.file("first." + frame + ".exr"), folder.file("again." + frame + ".exr"));
    // The keyframed offset moves the text: frames differ beyond their plates.
    EXPECT_FALSE(samePixels(folder.file("first.1001.exr"), folder.file("first.1003.exr")));

    const nlohmann::json saved = nlohmann::json::parse(contents(folder.file("saved.json")));
    const nlohmann::json& burnIn = saved["nodes"][1];
    EXPECT_EQ(burnIn["stored"]["Substituted Text"], "shot010 comp v4 ACME Films <FrameNo>");
    EXPECT_EQ(burnIn["inputs"]["Box"], true);
    EXPECT_EQ(burnIn["inputs"]["Vertical Alignment"], "Bottom");
    EXPECT_EQ(burnIn["inputs"]["Offset.Y"]["keys"][1][0], 1003);
    EXPECT_EQ(saved["attributes"]["client"], "ACME Films");
    EXPECT_EQ(saved["nodes"][0]["file"], "plate.####.exr");
}

// Errors ------------------------------------------------------------------------------------------

class RenderErrors : public ::testing::Test
{
protected:
    /// Runs, expects a non-zero exit with `message` among the errors, and no frame written.
    void expectError(const std::vector<std::string>& args, const std::string& message)
    {
        const RunResult result = runRender(folder, args);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.err.find(message), std::string::npos) << "errors were:\n" << result.err;
        EXPECT_FALSE(fs::exists(folder.file("out.0001.exr")));
    }

    ScratchFolder folder;
};

TEST_F(RenderErrors, BadValuesAndCompositionsAreNamed)
{
    struct Case
    {
        const char* composition; // written to comp.json when not null
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {nullptr,
         {"-o", "out.####.exr", "-s", "Txt=hello"},
         "--set \"Txt=hello\": \"Txt\" is not an input of the node \"Slate\""},
        {nullptr,
         {"-o", "out.####.exr", "-s", "Text Opacity=1.5"},
         "--set \"Text Opacity=1.5\": \"Text Opacity\" takes values in [0, 1], not 1.5"},
        {nullptr, {"-o", "out.####.exr", "-s", "Box Margin=-2"}, "\"Box Margin\" takes values of at least 0, not -2"},
        {nullptr, {"-o", "out.####.exr", "-s", "Text Size=large"}, "\"Text Size\" takes a number, not \"large\""},
        {nullptr,
         {"-o", "out.####.exr", "-s", "Vertical Alignment=Middle"},
         "\"Middle\" is not one of the choices of \"Vertical Alignment\": Top (0), Center (1), Bottom (2)"},
        {R"({"nodes": [{"name": "Card", "tool": "Slate", "inputs": {"Text Opacity": 3}}]})",
         {"comp.json", "-o", "out.####.exr"},
         "Composition \"comp.json\": node \"Card\": \"Text Opacity\" takes values in [0, 1], not 3"},
        {"{\n  \"name\": \"shot\",\n  \"fps\": 24,,\n}\n",
         {"comp.json", "-o", "out.####.exr"},
         "Composition \"comp.json\": syntax error at line 3, column 13"},
        {R"({"nodes": [{"name": "Soft", "tool": "Blur"}]})",
         {"comp.json", "-o", "out.####.exr"},
         "Composition \"comp.json\": the node \"Soft\" uses the tool \"Blur\", which no plug-in registers"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.composition)
            std::ofstream(folder.file("comp.json")) << c.composition;
        expectError(c.args, c.message);
    }
}

TEST_F(RenderErrors, UnwritableOutputFolderBeforeRendering)
{
    expectError({"--size", "320x180", "-o", "missing/out.####.exr", "-s", "Text=x"},
                "Output folder \"missing\" does not exist");
    std::ofstream(folder.file("notafolder")) << "a file";
    const RunResult result = runRender(folder, {"--size", "320x180", "-o", "notafolder/out.####.exr"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("notafolder"), std::string::npos) << result.err;
}

TEST_F(RenderErrors, OutputOverInputFrames)
{
    writePlates(folder, 1, 1);
    const std::string before = contents(folder.file("plate.0001.exr"));
    expectError({"-i", "plate.####.exr", "-o", "plate.####.exr"}, "would overwrite frames of input pattern");
    EXPECT_TRUE(contents(folder.file("plate.0001.exr")) == before);
}

TEST_F(RenderErrors, MissingInputFrameNamesTheFileAndKeepsEarlierFrames)
{
    writePlates(folder, 1, 2);
    const RunResult result =
        runRender(folder, {"-q", "-i", "plate.####.exr", "-o", "out.####.exr", "-f", "1-4", "-s", "Text=<FrameNo>"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("frame 3: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("\"plate.0003.exr\""), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(folder.file("out.0001.exr")));
    EXPECT_TRUE(fs::exists(folder.file("out.0002.exr")));
    EXPECT_FALSE(fs::exists(folder.file("out.0003.exr")));
    // No temporary file of the failed frame is left behind.
    for (const std::string& name : folder.listNames())
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// Describing the tool -----------------------------------------------------------------------------

TEST(KestrinRender, DescribeListsTheInputsWithRangesChoicesAndDefaults)
{
    ScratchFolder folder;
    const RunResult result = runRender(folder, {"--describe"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const std::string line : {"Text Opacity             number       range [0, 1]; default 1",
                                   "choices Top (0), Center (1), Bottom (2); default \"Center\"",
                                   "Text Color               colour r,g,b default 1,1,1", "Offset.X", "Box Margin",
                                   "at least 0", "Resolution X", "Repeat Mode", "Fill Color",
                                   // only inputs that animate say so; times say their unit
                                   "Text                     text         default \"\"\n",
                                   "In Time                  number       seconds; default 0; animatable\n"})
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\nin:\n" << result.out;
}

} // namespace
