// The processing chain the controller builds, in both forms, what the generator form plays when,
// and the hand-over of the substituted text and the generator's format by set-requests. Renders through the built chain
// are compared with renders of a SlateProcNode put together by hand from the same values.
#include "SlateControllerTestSupport.h"

#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageTimeOffsetNode.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxRequestMgr.h>

namespace Vx::test {
namespace {

using namespace SlateNames;
using G = PiImageGenerator;

class SlateGraphTest : public SlateControllerTest
{
protected:
    /// An image source upstream: a Slate node without text, generating a solid image of the small
    /// format.
    RCShdPtr<PiNode> makeSource()
    {
        const auto source = makeNode("source");
        setFormat(source, smallFormat());
        setColor(source, G::getFillColorInputName(), {0.5f, 0.25f, 0.125f});
        return source;
    }

    static void setFormat(const RCShdPtr<PiNode>& node, const PxImageFormat& format)
    {
        PiTypedValueUtil<PxImageFormat>(node->getStoredValue(G::getFormatValueName(), true), true)->setValue(format);
    }

    void connect(const RCShdPtr<PiNode>& source, const RCShdPtr<PiNode>& slate)
    {
        graph->connect(source->getOutput(PiImageModifier::getOutputName(), true), slate->getPrimaryInput());
    }

    static Frame render(const PxImageProtocol& node, int frame)
    {
        PxRequestMgr::getInstance().waitForIdle();
        return renderTiles(node, frameTime(frame), 0, frameRegion(smallFormat(), 0), 64, 64);
    }
};

TEST_F(SlateGraphTest, ConnectingThePrimaryInputSwitchesForms)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const auto source = makeSource();
    node->getProcNode();
    const int builds = node->getProcBuildCount();
    const PxStrongHndl<SlateProcNode> generatorSlate = controller->getSlateProcNode();

    connect(source, node);
    EXPECT_EQ(node->getProcBuildCount(), builds + 1);
    const PxNodePtr<PxImageProtocol const> modified = node->getProcNode();
    EXPECT_EQ(static_cast<const void*>(modified.get()),
              static_cast<const void*>(static_cast<const PxImageProtocol*>(controller->getSlateProcNode().get())));
    EXPECT_NE(controller->getSlateProcNode(), generatorSlate);
    EXPECT_FALSE(controller->getFormatNode());
    EXPECT_EQ(controller->getSlateProcNode()->getImageInput(), source->getProcNode());

    graph->disconnect(node->getPrimaryInput());
    EXPECT_EQ(node->getProcBuildCount(), builds + 2);
    EXPECT_NE(dynamic_cast<const PiImageTimeOffsetNode*>(node->getProcNode().get()), nullptr);
    EXPECT_TRUE(controller->getFormatNode());
    EXPECT_NE(dynamic_cast<const PxColorSourceNode*>(controller->getSlateProcNode()->getImageInput().get()), nullptr);

    // Undoing the disconnection connects again.
    composition->getCommandStack()->undo();
    EXPECT_EQ(node->getProcBuildCount(), builds + 3);
    EXPECT_EQ(controller->getSlateProcNode()->getImageInput(), source->getProcNode());
}

TEST_F(SlateGraphTest, OtherInputsDoNotRebuild)
{
    const auto node = makeNode("slate");
    node->getProcNode();
    const int builds = node->getProcBuildCount();
    graph->disconnect(node->getInput(kBoxMargin, true));
    graph->disconnect(node->getInput(kText, true));
    EXPECT_EQ(node->getProcBuildCount(), builds);
    composition->getCommandStack()->undo();
    EXPECT_EQ(node->getProcBuildCount(), builds);
}

TEST_F(SlateGraphTest, GeneratorRenderMatchesAHandBuiltSlate)
{
    const SlateParams params = renderParams();
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    applyParams(node, params);
    setColor(node, G::getFillColorInputName(), kFill);
    setInput(node, kText, std::string("<CompName>\n<VersionName>"));
    const PxNodePtr<PxImageProtocol const> output = node->getProcNode();
    // The format changes after the build: it reaches the chain by request.
    setFormat(node, smallFormat());
    PxRequestMgr::getInstance().waitForIdle();
    EXPECT_EQ(controller->getFormatNode()->getImageFormat(), smallFormat());

    const auto expected = makeSlateNode(makeSolidPlate(smallFormat(), kFill), "shot010\nv001", params);
    const Frame built = render(*output, 12);
    EXPECT_EQ(built, render(*expected, 12));
    // The slate really drew: without text the same chain shows the plain background.
    const auto background = makeSlateNode(makeSolidPlate(smallFormat(), kFill), "", params);
    EXPECT_NE(built, render(*background, 12));
}

TEST_F(SlateGraphTest, ModifierRenderMatchesAHandBuiltSlate)
{
    const SlateParams params = renderParams();
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const auto source = makeSource();
    connect(source, node);
    setInput(node, kText, std::string("<CompName> <FrameNo>"));
    const PxNodePtr<PxImageProtocol const> output = node->getProcNode();
    // These values change after the build: they reach the chain through its value nodes.
    applyParams(node, params);

    const PxNodePtr<PxImageProtocol const> plate = source->getProcNode();
    const auto expected = makeSlateNode(plate, "shot010 <FrameNo>", params);
    const Frame built = render(*output, 7);
    EXPECT_EQ(built, render(*expected, 7));
    EXPECT_NE(built, render(*plate, 7));
    EXPECT_NE(built, render(*output, 8));
}

// The generator form's in and out times, repeat mode and time offset decide what plays, and for how
// long it holds. (The time a loop asks of its input: the repeat node's own test.)
TEST_F(SlateGraphTest, InOutTimesRepeatModeAndOffsetDecideWhatPlays)
{
    const auto node = makeSource();
    setInput(node, G::getInTimeInputName(), 1.0);
    setInput(node, G::getOutTimeInputName(), 2.0);
    const PxNodePtr<PxImageProtocol const> output = node->getProcNode();
    PxValidityInterval validity;
    const auto pixel = [&](double time) {
        PxRequestMgr::getInstance().waitForIdle();
        const PxImageResult result = renderOnce(*output, time, 0, {0, 1, 0, 1});
        validity = result.getValidity();
        return result.isEmpty() ? result.getFillColor() : IxPixelUtil::getPixelColor(result.getTileGuard(), 0, 0);
    };
    const CoRgbaColorTyped<float> fill{0.5f, 0.25f, 0.125f, 1.0f};
    const CoRgbaColorTyped<float> nothing{};
    EXPECT_EQ(pixel(0.5), nothing);
    EXPECT_EQ(validity.end, 1.0) << "nothing plays until the in time";
    EXPECT_EQ(pixel(1.5), fill);
    EXPECT_EQ(pixel(2.0), nothing);
    setInput(node, G::getRepeatModeInputName(), int(G::RepeatHold));
    EXPECT_EQ(pixel(0.5), fill);
    EXPECT_EQ(pixel(7.0), fill);
    setInput(node, G::getTimeOffsetInputName(), 10.0);
    setInput(node, G::getRepeatModeInputName(), int(G::RepeatNone));
    EXPECT_EQ(pixel(1.5), nothing);
    EXPECT_EQ(pixel(11.5), fill);
    EXPECT_EQ(validity, (PxValidityInterval{11.0, 12.0}));
}

TEST_F(SlateGraphTest, ChangedTextReachesTheNodeByOneRequest)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    PxRequestMgr& requests = PxRequestMgr::getInstance();
    requests.waitForIdle();
    // Before the build there is no node to send to: the text goes with the build.
    auto executedBefore = requests.getExecutedCount();
    setInput(node, kText, std::string("<VersionName>"));
    requests.waitForIdle();
    EXPECT_EQ(requests.getExecutedCount(), executedBefore);
    EXPECT_FALSE(controller->getSlateProcNode());
    node->getProcNode();
    requests.waitForIdle();
    const PxStrongHndl<SlateProcNode> slate = controller->getSlateProcNode();
    ASSERT_EQ(slate->getText(), "v001");
    executedBefore = requests.getExecutedCount();
    const auto invalidationsBefore = slate->getInvalidationCount();

    setInput(node, kText, std::string("<CompName> second"));
    requests.waitForIdle();
    EXPECT_EQ(requests.getExecutedCount(), executedBefore + 1);
    EXPECT_EQ(slate->getText(), "shot010 second");
    EXPECT_GT(slate->getInvalidationCount(), invalidationsBefore);
    EXPECT_TRUE(slate->getLastInvalidation().isFull());
    EXPECT_TRUE(requests.takeErrors().empty());
}

} // namespace
} // namespace Vx::test
