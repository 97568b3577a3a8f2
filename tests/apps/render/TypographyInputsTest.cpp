// The typography inputs end to end: a keyframed value out of range is refused, naming the input
// and its range, before any frame renders. (Saving them is the composition document's generic
// table: the program has no code of its own for them.)
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

// The ranges are the catalogue's table and the --set check the input values' table; a keyframe
// beyond the range is refused here, before any frame renders.
TEST(TypographyInputs, KeyframeOutOfRangeIsRefusedNamingTheInputAndRangeBeforeAnyFrame)
{
    const ScratchFolder folder;
    std::ofstream(folder.file("comp.json"))
        << R"({"nodes": [{"name": "S", "tool": "Slate", "inputs": {"Drop Shadow Softness": {"keys": [[1, 0], [2, 250]]}}}]})";
    const RunResult keyed = runRender(folder, {"comp.json", "-f", "1", "-o", "out.####.png"});
    EXPECT_EQ(keyed.exitCode, 2);
    EXPECT_EQ(keyed.err, "kestrin-render: Composition \"comp.json\": node \"S\": \"Drop Shadow Softness\" takes "
                         "values in [0, 200], not 250\n");
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{"comp.json"}); // no frame written
}

} // namespace
