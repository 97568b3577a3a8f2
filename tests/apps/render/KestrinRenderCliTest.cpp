// kestrin-render end to end: the built program run as a user runs it, with its plug-ins from the
// build's plug-in folder, on small frames (320x180) written to a scratch folder.
//
// What needs the whole program: a saved composition renders the same frames when loaded back.
// (Pass-through: the Slate node hands on its input tile and the writer keeps an EXR input's
// channels and metadata. Bad values: the bad-input tests. A failed frame: the image sequence's,
// the scheduler's and the full-disk tests.)
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

/// A plate sequence of float RGBA EXR frames; every frame has its own pixels.
void writePlates(const ScratchFolder& folder, int first, int last)
{
    for (int frame = first; frame <= last; ++frame) {
        const OIIO::ImageSpec spec(320, 180, 4, OIIO::TypeFloat);
        const TestImage image = makeImage(320, 180, 4, [frame](int x, int y, int c) {
            if (c == 3)
                return 1.0f;
            // Values that are not round in binary, so that any conversion on the way shows.
            return float((x * 31 + y * 17 + c * 101 + frame * 7) % 997) / 997.0f + 1.0f / 3.0f;
        });
        char name[64];
        std::snprintf(name, sizeof name, "plate.%04d.exr", frame);
        writeImage(folder.file(name), image, spec);
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
        EXPECT_EQ(pixelsOf(folder, "first." + frame + ".exr"), pixelsOf(folder, "again." + frame + ".exr")) << frame;
    // The keyframed offset moves the text: frames differ beyond their plates.
    EXPECT_NE(pixelsOf(folder, "first.1001.exr"), pixelsOf(folder, "first.1003.exr"));

    // What the document holds is the scene's own test; here the attribute given on the command line
    // reached it.
    EXPECT_NE(contents(folder.file("saved.json")).find("\"ACME Films\""), std::string::npos);
}

} // namespace
