// Helpers shared by the tool-model tests: a small image tool of their own ("Gain": a primary input,
// a stored note, a gain, a label and the generator's inputs; its processing hands the input on), a
// fixture holding a composition with one graph, and handlers that count their calls.
//
// Everything runs on the test's main thread, which plays the host's main (graph) thread.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Ix/IxTile.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiInputValue.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>
#include <Vx/St/StBufferManager.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Vx {
namespace pitest {

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

/// The Gain tool's controller.
class GainController : public PiImageModifier
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

    /// The tool-model tests render nothing: the input is handed on.
    PxNodePtr<PxImageProtocol const> createModifierProcNode(OutputPublisher& publisher,
                                                            const PxNodePtr<PxImageProtocol const>& inputNode) override
    {
        publisher.beginOutput();
        return inputNode;
    }
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

} // namespace pitest
} // namespace Vx
