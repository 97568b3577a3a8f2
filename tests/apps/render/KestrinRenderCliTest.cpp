// kestrin-render end to end: the built program run as a user runs it, with its plug-ins from the
// build's plug-in folder, on small frames (320x180) written to a scratch folder.
//
// What needs the whole program: an empty text gives the input's pixels, channels and metadata back
// bit for bit; a saved composition renders the same frames when loaded back; a failed frame keeps
// the frames before it. (Bad values reaching the user: the bad-input tests.)
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

/// Runs and expects success, showing the errors when it fails.
void renderOk(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    const RunResult result = runRender(folder, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
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

    // What the document holds is the scene's own test; here the attribute given on the command line
    // reached it.
    EXPECT_NE(contents(folder.file("saved.json")).find("\"ACME Films\""), std::string::npos);
}

// Errors ------------------------------------------------------------------------------------------

TEST(KestrinRender, MissingInputFrameNamesTheFileAndKeepsEarlierFrames)
{
    ScratchFolder folder;
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

} // namespace
