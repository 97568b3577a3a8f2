// kestrin-render on a composition whose text would grow without bound: a composition error
// (exit 2) naming the node, reported before any frame is rendered, in bounded time and memory.
#include "RenderProgram.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace Vx::Render::test;

TEST(KestrinRenderLimits, TextGrowingPastTheBoundIsACompositionError)
{
    const ScratchFolder folder;
    // A 1 MB attribute referenced 200 times would make a 200 MB text.
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "<attr:big>";
    std::ofstream(folder.file("comp.json"))
        << R"({"name": "shot010", "range": {"first": 1, "last": 1}, "attributes": {"big": ")"
        << std::string(1000000, 'x') << R"("}, "nodes": [{"name": "Burn-in", "tool": "Slate", "inputs": {"Text": ")"
        << text << R"("}}], "output": "out.#.png"})";
    const RunResult result = runRender(folder, {"comp.json", "--size", "64x64"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "kestrin-render: The text of the Slate node \"Burn-in\" would be longer than 1048576 bytes "
                          "with its tokens and attribute references replaced; it is shown as typed.\n");
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{"comp.json"});
}
