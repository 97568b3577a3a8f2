// Tools building processing nodes: the host's refusal of a connection that would make a cycle, and
// the time a looping repeat node asks of its input. (Switching forms on connection, edits reaching
// built nodes, and what a generator plays between its in and out times: the Slate graph's tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Pi/PiImageRepeatNode.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>

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

TEST(PiImageRepeatNode, LoopsBetweenInAndOut)
{
    const auto constant = [](auto value) {
        using T = decltype(value);
        return PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(value, PxValidityInterval::FULL)));
    };
    const auto source = pxCreateNode<PxColorSourceNode>(
        PxNodePtr<PxImageFormatProtocol const>(pxCreateNode<PxImageFormatNode>(PxImageFormat{})),
        PxNodePtr<PxAnimValueProtocol<int> const>(), PxNodePtr<PxAnimValueProtocol<int> const>(),
        PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(), PxNodePtr<PxAnimValueProtocol<double> const>(),
        PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(), PxNodePtr<PxAnimValueProtocol<double> const>());
    const auto repeat =
        pxCreateNode<PiImageRepeatNode>(PxNodePtr<PxImageProtocol const>(source), constant(1.0), constant(3.0),
                                        constant(int(PiImageGenerator::RepeatLoop)), PxNodePtr<PxNode const>());
    const struct
    {
        double time;
        double inputTime;
        PxValidityInterval validity;
    } cases[] = {{1.5, 1.5, {1.0, 3.0}}, {3.5, 1.5, {3.0, 5.0}}, {0.5, 2.5, {-1.0, 1.0}}, {6.0, 2.0, {5.0, 7.0}}};
    for (const auto& c : cases) {
        double inputTime = 0.0;
        PxValidityInterval validity;
        ASSERT_TRUE(repeat->mapTime(c.time, inputTime, validity)) << "at " << c.time;
        EXPECT_DOUBLE_EQ(inputTime, c.inputTime) << "at " << c.time;
        EXPECT_EQ(validity, c.validity) << "at " << c.time;
    }
}
