// The typography inputs end to end: a value out of range is refused, naming the input and its
// range, before any frame renders; a composition saved with them (one keyframed) renders the same
// frames when loaded back.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

TEST(TypographyInputs, OutOfRangeIsRefusedNamingTheInputAndRangeBeforeAnyFrame)
{
    const ScratchFolder folder;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Outline Width=100.5", "\"Outline Width\" takes values in [0, 100], not 100.5"},
        {"Drop Shadow Softness=201", "\"Drop Shadow Softness\" takes values in [0, 200], not 201"},
        {"Outline Opacity=1.5", "\"Outline Opacity\" takes values in [0, 1], not 1.5"},
    };
    for (const auto& [set, message] : cases) {
        const RunResult result = runRender(folder, {"--size", "64x36", "-f", "1", "-o", "out.####.png", "-s", set});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "kestrin-render: --set \"" + set + "\": " + message + "\n");
    }
    std::ofstream(folder.file("comp.json"))
        << R"({"nodes": [{"name": "S", "tool": "Slate", "inputs": {"Drop Shadow Softness": {"keys": [[1, 0], [2, 250]]}}}]})";
    const RunResult keyed = runRender(folder, {"comp.json", "-f", "1", "-o", "out.####.png"});
    EXPECT_EQ(keyed.exitCode, 2);
    EXPECT_EQ(keyed.err, "kestrin-render: Composition \"comp.json\": node \"S\": \"Drop Shadow Softness\" takes "
                         "values in [0, 200], not 250\n");
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{"comp.json"}); // no frame written
}

TEST(TypographyInputs, SavedCompositionRendersTheSameFramesWhenLoaded)
{
    const ScratchFolder folder;
    std::ofstream(folder.file("comp.json")) << R"({"range": {"first": 1, "last": 3}, "nodes": [{"name": "S",
        "tool": "Slate", "inputs": {"Text": "Typography 42", "Outline Width": {"keys": [[1, 1], [3, 6]]},
        "Outline Color": [1, 0, 0], "Outline Opacity": 0.5, "Drop Shadow": true, "Stable Layout": true}}]})";
    const RunResult saved = runRender(folder, {"comp.json", "--size", "320x180", "-o", "first.####.png", "-s",
                                               "Outline=on", "-s", "Drop Shadow Softness=6", "--save", "saved.json"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = runRender(folder, {"saved.json", "-o", "again.####.png"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    for (const std::string frame : {"0001", "0002", "0003"})
        EXPECT_EQ(contents(folder.file("first." + frame + ".png")), contents(folder.file("again." + frame + ".png")))
            << frame;
    // The keyframed width animates: frames 1 and 3 differ. Had the loaded composition lost an
    // input, its frames would differ from the first run's.
    EXPECT_NE(contents(folder.file("first.0001.png")), contents(folder.file("first.0003.png")));
}

} // namespace
