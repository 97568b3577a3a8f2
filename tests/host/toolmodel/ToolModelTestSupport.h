// Helpers shared by the tool-model tests: a small image tool of their own ("Gain": multiplies the
// colour of its primary input, or generates a solid image when nothing is connected), a fixture
// holding a composition with one graph, and handlers that count their calls.
//
// Everything runs on the test's main thread, which plays the host's main (graph) thread.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Ix/IxTile.h>
#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiImageRepeatNode.h>
#include <Vx/Pi/PiImageTimeOffsetNode.h>
#include <Vx/Pi/PiInputValue.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>
#include <Vx/St/StBufferManager.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Vx {
namespace pitest {

/// Multiplies the colour channels of its input by a gain value.
class GainProcNode : public PxImageNode
{
public:
    GainProcNode(const Init& init, const PxNodePtr<PxImageProtocol const>& input,
                 const PxNodePtr<PxAnimValueProtocol<double> const>& gain)
        : PxNode(init), PxImageNode(init, input), m_gain(gain)
    {
    }
    ~GainProcNode() override
    {
        unregisterChild(PxNodePtr<PxNode const>(getImageInput()));
        unregisterChild(PxNodePtr<PxNode const>(m_gain));
    }
    void init() override
    {
        registerChild(PxNodePtr<PxNode const>(getImageInput()));
        registerChild(PxNodePtr<PxNode const>(m_gain));
    }
    PxImageResult getImage(const PxImageContext& ctx) const override
    {
        const PxImageResult in = getImageInput()->getImage(ctx);
        const PxResult<double> gain = m_gain->getValue(ctx.time);
        PxValidityInterval validity = in.getValidity().intersected(gain.validity);
        if (in.isEmpty())
            return PxImageResult(RCShdPtr<IxTile>(), validity);
        RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {}, in.getPixelRegion());
        const IxWriteGuard out(tile.get());
        const IxReadGuard source = in.getTileGuard();
        const GeRectangle<int>& r = in.getPixelRegion();
        const float g = float(gain.value);
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) {
                CoRgbaColorTyped<float> c = IxPixelUtil::getPixelColor(source, x, y);
                IxPixelUtil::setPixelColor(out, x, y, {c.red * g, c.green * g, c.blue * g, c.alpha});
            }
        return PxImageResult(tile, validity);
    }

private:
    PxNodePtr<PxAnimValueProtocol<double> const> m_gain;
};

inline const std::string kGain = "Gain";
inline const std::string kLabel = "Label";
inline const std::string kNote = "Note";

/// Declares what the Gain tool itself describes: the primary image input, a stored note, a gain, a
/// label and the generator's inputs (a registered tool's protocol adds the output).
inline void describeGainInputs(PiImageModifier::Descriptor& descriptor)
{
    PiImageModifier::addSingleImageInput(descriptor, PiImageInputPolicy::createPrimary(3, 7, 1, 0, false),
                                         PiSocketType::Single);
    descriptor.stores(kNote, PiValueType::String);
    descriptor.requires(kGain, PiSocketType::Double, PiRangeInputPolicy<double>::create(0.0, 4.0, 1.0, true, false),
                        PiSocketType::Single);
    descriptor.requires(kLabel, PiSocketType::String, PiSocketType::Single);
    descriptor.setMaskingMode(PiImageModifierTypes::NoMasking);
    PiImageGeneratorImp::describeInputs(descriptor);
}

/// Declares the Gain tool: its inputs and the output.
inline void describeGainTool(PiImageModifier::Descriptor& descriptor)
{
    describeGainInputs(descriptor);
    descriptor.produces(PiImageModifier::getOutputName(), PiSocketType::Image);
}

/// The Gain tool's controller. Records the values the host tells it changed.
class GainController : public PiImageModifier, public PiValueChangeInterface
{
public:
    GainController() : GainController(true) {}

    /// `attachOwnPolicies` false: the policies come from elsewhere (a tool protocol).
    explicit GainController(bool attachOwnPolicies) : PiImageModifier("<ToolUiDir>/gain.xml")
    {
        if (!attachOwnPolicies)
            return;
        PiImageModifier::Descriptor descriptor;
        describeGainTool(descriptor);
        for (auto entry = descriptor.getPolicies(); !entry.atEnd(); ++entry)
            PiToolInterfaceManip::addInputPolicy(*this, entry->getName(), entry->getPtr());
    }

    void valueChanged(const RCShdPtr<PiValue>& value) override { changedValues.push_back(value->getName()); }
    void inputConnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>&) override
    {
        if (input->isPrimary())
            forceCreateProcNodes();
    }
    void inputDisconnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>&) override
    {
        if (input->isPrimary())
            forceCreateProcNodes();
    }

    PxNodePtr<PxImageProtocol const> createModifierProcNode(OutputPublisher& publisher,
                                                            const PxNodePtr<PxImageProtocol const>& inputNode) override
    {
        publisher.beginOutput();
        const auto gain = pxDownCast<PxAnimValueProtocol<double> const>(publisher.getInputNode(kGain));
        if (getPrimaryInput()->isConnected())
            return PxNodePtr<PxImageProtocol const>(pxCreateNode<GainProcNode>(inputNode, gain));
        using G = PiImageGenerator;
        RCShdPtr<PiNode> node = getNode();
        const PxImageFormat format =
            PiImageFormatValueConst(RCShdPtr<const PiValue>(node->getStoredValue(G::getFormatValueName(), true).get()))
                .getValue();
        auto formatNode = pxCreateNode<PxImageFormatNode>(format);
        auto source = pxCreateNode<PxColorSourceNode>(
            PxNodePtr<PxImageFormatProtocol const>(formatNode),
            pxDownCast<PxAnimValueProtocol<int> const>(publisher.getInputNode(G::getXResolutionInputName())),
            pxDownCast<PxAnimValueProtocol<int> const>(publisher.getInputNode(G::getYResolutionInputName())),
            PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(
                pxCreateNode<PiColorProcNode>(publisher, node->getInput(G::getFillColorInputName(), true))),
            pxDownCast<PxAnimValueProtocol<double> const>(publisher.getInputNode(G::getFillAlphaInputName())),
            PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(
                pxCreateNode<PxAnimValueNode<CoRgbColorTyped<float>>>(
                    PxResult<CoRgbColorTyped<float>>(CoRgbColorTyped<float>::ZERO, PxValidityInterval::FULL))),
            PxNodePtr<PxAnimValueProtocol<double> const>(
                pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(0.0, PxValidityInterval::FULL))));
        auto gained = pxCreateNode<GainProcNode>(PxNodePtr<PxImageProtocol const>(source), gain);
        auto repeat = pxCreateNode<PiImageRepeatNode>(
            PxNodePtr<PxImageProtocol const>(gained), publisher.getInputNode(G::getInTimeInputName()),
            publisher.getInputNode(G::getOutTimeInputName()), publisher.getInputNode(G::getRepeatModeInputName()),
            publisher.getInputNode(G::getLockDurationInputName()));
        return PxNodePtr<PxImageProtocol const>(pxCreateNode<PiImageTimeOffsetNode>(
            PxNodePtr<PxImageProtocol const>(repeat), publisher.getInputNode(G::getTimeOffsetInputName())));
    }

    std::vector<std::string> changedValues;
};

/// A handler that runs a function; counts its calls.
class FunctionHandler : public CbHandler<void>
{
public:
    explicit FunctionHandler(std::function<void()> function = {}) : m_function(std::move(function)) {}
    void call() const override
    {
        ++m_calls;
        if (m_function)
            m_function();
    }
    int getCalls() const { return m_calls; }

private:
    std::function<void()> m_function;
    mutable int m_calls = 0;
};

/// A composition "shot010" at 24 frames a second with one graph "v001" over frames [1, 100).
class ToolModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StBufferManager::initialize();
        composition = PiComposition::create("shot010");
        graph = composition->createGraph("v001", 1, 100);
    }
    void TearDown() override
    {
        composition->close();
        PxRequestMgr::getInstance().waitForIdle();
        StBufferManager::shutdown();
    }

    /// A new Gain node; `controller` receives its controller.
    RCShdPtr<PiNode> makeGainNode(const std::string& name, GainController** controller = nullptr)
    {
        auto* made = new GainController;
        if (controller)
            *controller = made;
        return graph->createNode(name, OPtr<PiNodeController>(made));
    }

    RCShdPtr<PiComposition> composition;
    RCShdPtr<PiGraph> graph;
};

/// Renders the pixel (x, y) of `node` at `time` (seconds), full resolution.
inline CoRgbaColorTyped<float> renderPixel(const PxNodePtr<PxImageProtocol const>& node, double time, int x, int y,
                                           PxValidityInterval* validity = nullptr)
{
    PxRequestMgr::getInstance().waitForIdle();
    PxImageContext ctx;
    ctx.time = time;
    ctx.region = {x, x + 1, y, y + 1};
    PxImageResult result;
    {
        PxRequestMgr::RenderScope scope;
        result = node->getImage(ctx);
    }
    if (validity)
        *validity = result.getValidity();
    if (result.isEmpty())
        return result.getFillColor();
    return IxPixelUtil::getPixelColor(result.getTileGuard(), x, y);
}

} // namespace pitest
} // namespace Vx
