// Tools building processing nodes: the host's refusal of a connection that would make a cycle.
// (Switching forms on connection, edits reaching built nodes, and what a generator plays between
// its in and out times: the Slate graph's tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

using namespace Vx;
using namespace Vx::pitest;

using PiProcessingTest = ToolModelTest;

TEST_F(PiProcessingTest, AConnectionThatWouldMakeACycleIsRefused)
{
    const RCShdPtr<PiNode> source = makeGainNode("source");
    const RCShdPtr<PiNode> target = makeGainNode("target");
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_THROW_MESSAGE(graph->connect(target->getOutput("Output", true), source->getInput("Input", true)),
                         std::invalid_argument, "Connecting \"target\" to \"source\" would make a cycle.");
}
