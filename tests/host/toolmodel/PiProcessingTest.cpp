// Tools building processing nodes: the Gain test tool's generator chain, whose in and out times,
// repeat mode (none, hold, loop) and time offset decide what plays; the refusal of a cycle.
// (Switching forms and edits reaching built nodes: the Slate graph's tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

using namespace Vx;
using namespace Vx::pitest;

namespace {
constexpr float kTolerance = 1e-6f;

void expectColor(const CoRgbaColorTyped<float>& actual, const CoRgbaColorTyped<float>& expected)
{
    EXPECT_NEAR(actual.red, expected.red, kTolerance);
    EXPECT_NEAR(actual.green, expected.green, kTolerance);
    EXPECT_NEAR(actual.blue, expected.blue, kTolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, kTolerance);
}
} // namespace

class PiProcessingTest : public ToolModelTest
{
protected:
    /// A Gain node generating an 8 x 8 image of colour (0.5, 0.25, 1.0) at alpha `alpha`.
    RCShdPtr<PiNode> makeGenerator(const std::string& name, double alpha, GainController** controller = nullptr)
    {
        RCShdPtr<PiNode> node = makeGainNode(name, controller);
        node->getInput(PiImageGenerator::getXResolutionInputName(), true)->setVariant(8);
        node->getInput(PiImageGenerator::getYResolutionInputName(), true)->setVariant(8);
        node->getInput("Fill Color.Red", true)->setVariant(0.5);
        node->getInput("Fill Color.Green", true)->setVariant(0.25);
        node->getInput("Fill Color.Blue", true)->setVariant(1.0);
        node->getInput(PiImageGenerator::getFillAlphaInputName(), true)->setVariant(alpha);
        return node;
    }
};

// Switching forms on connection is the Slate graph's test; here the host's refusal of a cycle.
TEST_F(PiProcessingTest, AConnectionThatWouldMakeACycleIsRefused)
{
    const RCShdPtr<PiNode> source = makeGenerator("source", 1.0);
    const RCShdPtr<PiNode> target = makeGainNode("target");
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_THROW_MESSAGE(graph->connect(target->getOutput("Output", true), source->getInput("Input", true)),
                         std::invalid_argument, "Connecting \"target\" to \"source\" would make a cycle.");
}

TEST_F(PiProcessingTest, InOutTimesRepeatModeAndOffsetDecideWhatPlays)
{
    using G = PiImageGenerator;
    const RCShdPtr<PiNode> node = makeGenerator("gen", 1.0);
    node->getInput(G::getInTimeInputName(), true)->setVariant(1.0);
    node->getInput(G::getOutTimeInputName(), true)->setVariant(2.0);
    const PxNodePtr<PxImageProtocol const> output = node->getProcNode();
    const CoRgbaColorTyped<float> fill{0.5f, 0.25f, 1.0f, 1.0f};
    const CoRgbaColorTyped<float> nothing{};
    PxValidityInterval validity;
    expectColor(renderPixel(output, 0.5, 0, 0, &validity), nothing);
    EXPECT_EQ(validity.end, 1.0) << "nothing plays until the in time";
    expectColor(renderPixel(output, 1.5, 0, 0), fill);
    expectColor(renderPixel(output, 2.0, 0, 0), nothing);
    node->getInput(G::getRepeatModeInputName(), true)->setVariant(int(G::RepeatHold));
    expectColor(renderPixel(output, 0.5, 0, 0), fill);
    expectColor(renderPixel(output, 7.0, 0, 0), fill);
    // A loop plays [in, out) again and again, one pass at a time.
    node->getInput(G::getRepeatModeInputName(), true)->setVariant(int(G::RepeatLoop));
    expectColor(renderPixel(output, 3.5, 0, 0, &validity), fill);
    EXPECT_EQ(validity, (PxValidityInterval{3.0, 4.0}));
    expectColor(renderPixel(output, 0.5, 0, 0, &validity), fill);
    EXPECT_EQ(validity, (PxValidityInterval{0.0, 1.0}));
    node->getInput(G::getTimeOffsetInputName(), true)->setVariant(10.0);
    node->getInput(G::getRepeatModeInputName(), true)->setVariant(int(G::RepeatNone));
    expectColor(renderPixel(output, 1.5, 0, 0), nothing);
    expectColor(renderPixel(output, 11.5, 0, 0, &validity), fill);
    EXPECT_EQ(validity, (PxValidityInterval{11.0, 12.0}));
}
