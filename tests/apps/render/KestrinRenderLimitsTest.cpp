// kestrin-render on a composition whose text would grow without bound: a composition error
// (exit 2) naming the node, reported before any frame is rendered, in bounded time and memory.
#include "RenderTestUtil.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
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
    const std::string command =
        "cd '" + folder.path() + "' && '" KESTRIN_RENDER_PATH "' comp.json --size 64x64 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ostringstream err;
    err << std::ifstream(folder.file("err.txt")).rdbuf();
    EXPECT_EQ(err.str(), "kestrin-render: The text of the Slate node \"Burn-in\" would be longer than 1048576 bytes "
                         "with its tokens and attribute references replaced; it is shown as typed.\n");
    EXPECT_EQ(folder.listNames(), (std::vector<std::string>{"comp.json", "err.txt"}));
}
