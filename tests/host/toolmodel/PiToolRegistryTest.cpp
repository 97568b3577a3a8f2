// Tool registration: protocol objects made from PiImageModifierInfo<Controller> are registered,
// describe their tool once, create controllers with one policy per
// cached entry and nodes by tool name. (Tools leaving with their package: the package-end and
// plug-in tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Pi/PiImageModifierInfo.h>
#include <Vx/Pi/PiToolRegistry.h>

#include <stdexcept>

using namespace Vx;
using namespace Vx::pitest;

namespace {

const std::string kToolName = "Test Gain";
const std::string kToolDescription = "Multiplies the colour of its input.";

/// The Gain tool as a registered tool describes it: its policies come from the protocol, and every
/// description is counted.
class RegisteredGain : public GainController
{
public:
    RegisteredGain() : GainController(false) {}
    static void describe(PiImageModifier::Descriptor& descriptor)
    {
        ++describeCalls;
        describeGainInputs(descriptor);
        descriptor.setCanBeDisplayModifier(false);
    }
    static int describeCalls;
};
int RegisteredGain::describeCalls = 0;

/// A tool whose description the host must reject: a masking mode it does not know.
class UnknownMaskGain : public GainController
{
public:
    UnknownMaskGain() : GainController(false) {}
    static void describe(PiImageModifier::Descriptor& descriptor)
    {
        ++describeCalls;
        describeGainInputs(descriptor);
        descriptor.setMaskingMode(7);
    }
    static int describeCalls;
};
int UnknownMaskGain::describeCalls = 0;

/// Counts the destructions of protocol objects.
template <class Controller> class CountedInfo : public PiImageModifierInfo<Controller>
{
public:
    explicit CountedInfo(const std::string& name)
        : PiImageModifierInfo<Controller>(
              name, PiToolProtocol::getImageGenerationCategory(), PiOrvaneToolProtocol::getOrvaneProductName(),
              PiOrvaneToolProtocol::getOrvaneManufacturer(), PiOrvaneToolProtocol::getOrvaneVersionString(), 1,
              kToolDescription, PiToolProtocolImp::ToolVisibility::Public, PiToolProtocolImp::ToolStructure::Simple)
    {
    }
    ~CountedInfo() override { ++destroyed; }
    static int destroyed;
};
template <class Controller> int CountedInfo<Controller>::destroyed = 0;

template <class Controller> OPtr<PiToolProtocol> makeTool(const std::string& name = kToolName)
{
    return OPtr<PiToolProtocol>(new CountedInfo<Controller>(name));
}

} // namespace

class PiToolRegistryTest : public ToolModelTest
{
protected:
    void SetUp() override
    {
        ToolModelTest::SetUp();
        RegisteredGain::describeCalls = 0;
        UnknownMaskGain::describeCalls = 0;
        CountedInfo<RegisteredGain>::destroyed = 0;
    }
    void TearDown() override
    {
        ToolModelTest::TearDown();
        PiToolRegistry::getInstance().clear();
    }

    const PiToolProtocol& registerGain()
    {
        PiImageModifier::registerTool(makeTool<RegisteredGain>());
        const PiToolProtocol* tool = PiToolRegistry::getInstance().findTool(kToolName);
        if (!tool)
            throw std::logic_error("The test tool was not registered.");
        return *tool;
    }
};

TEST_F(PiToolRegistryTest, RegistrationRejectsMissingAndDuplicateTools)
{
    registerGain();
    EXPECT_THROW_MESSAGE(PiImageModifier::registerTool(makeTool<RegisteredGain>()), std::invalid_argument,
                         "A tool named \"Test Gain\" is registered already.");
    EXPECT_EQ(CountedInfo<RegisteredGain>::destroyed, 1) << "the rejected tool is destroyed";
    EXPECT_THROW_MESSAGE(PiImageModifier::registerTool(OPtr<PiToolProtocol>()), std::invalid_argument,
                         "A tool registration was given no tool protocol.");
    EXPECT_EQ(PiToolRegistry::getInstance().getToolCount(), 1u);
}

TEST_F(PiToolRegistryTest, ADescriptionTheHostRejectsIsNotCached)
{
    PiImageModifier::registerTool(makeTool<UnknownMaskGain>("Broken Gain"));
    const PiToolProtocol& tool = *PiToolRegistry::getInstance().findTool("Broken Gain");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_THROW_MESSAGE(
            tool.getPrimaryInput(), std::logic_error,
            "The image tool \"Broken Gain\" declares the masking mode 7, which is none of the host's (0 or 1).");
        EXPECT_EQ(UnknownMaskGain::describeCalls, attempt);
    }
    EXPECT_THROW(tool.createController(), std::logic_error);
}

TEST_F(PiToolRegistryTest, ANodeMadeFromTheToolsNameHasTheModifiersValues)
{
    registerGain();
    const RCShdPtr<PiNode> registered =
        graph->createNode("registered", PiToolRegistry::getInstance().createController(kToolName));
    EXPECT_TRUE(registered->getStoredValue(PiImageModifier::getMuteValueName(), true));
    EXPECT_TRUE(registered->getStoredValue(kNote, true));
    EXPECT_EQ(registered->getPrimaryInput()->getName(), "Input");
    EXPECT_FALSE(registered->getController()->findInputPolicy(PiImageModifier::getMaskInputName())) << "mode 0";
    PiToolRegistry::getInstance().createController(kToolName);
    EXPECT_EQ(RegisteredGain::describeCalls, 1) << "later uses answer from the cache";
    EXPECT_THROW_MESSAGE(PiToolRegistry::getInstance().createController("Nope"), std::invalid_argument,
                         "No tool named \"Nope\" is registered.");
}
