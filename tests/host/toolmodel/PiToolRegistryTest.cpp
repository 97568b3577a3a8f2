// Tool registration: protocol objects made from PiImageModifierInfo<Controller> are registered,
// describe their tool once and answer from that cache, create controllers with one policy per
// cached entry and nodes by tool name. (Tools leaving with their package: the package-end and
// plug-in tests.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Pi/PiImageModifierInfo.h>
#include <Vx/Pi/PiToolRegistry.h>

#include <functional>
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

using GainPolicyProtocol = PiToolPolicyProtocol<RegisteredGain, PiImageModifier::Descriptor>;

std::vector<std::string> namesOf(Iterator<PiToolPolicyDescriptor::PolicyEntry> entry)
{
    std::vector<std::string> names;
    for (; !entry.atEnd(); ++entry)
        names.push_back(entry->getName());
    return names;
}

/// The names a registered Gain tool declares: the modifier's stored values and output, then the
/// tool's own description.
std::vector<std::string> expectedGainNames()
{
    PiImageModifier::Descriptor own;
    describeGainInputs(own);
    std::vector<std::string> names{PiImageModifier::getMuteValueName(), PiImageModifier::getAffectValueName(),
                                   PiImageModifier::getOutputName()};
    for (const std::string& name : namesOf(own.getPolicies()))
        names.push_back(name);
    return names;
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

TEST_F(PiToolRegistryTest, EachQueryDescribesTheToolOnceAndAnswersFromTheCache)
{
    using Query = std::function<void(const PiImageModifierProtocol&)>;
    const std::pair<const char*, Query> queries[] = {
        {"getPrimaryInput", [](const PiImageModifierProtocol& t) { EXPECT_EQ(t.getPrimaryInput(), "Input"); }},
        {"canMute", [](const PiImageModifierProtocol& t) { EXPECT_TRUE(t.canMute()); }},
        {"canAffectColor", [](const PiImageModifierProtocol& t) { EXPECT_TRUE(t.canAffectColor()); }},
        {"canBeDisplayModifier", [](const PiImageModifierProtocol& t) { EXPECT_FALSE(t.canBeDisplayModifier()); }},
        {"getMaskingMode",
         [](const PiImageModifierProtocol& t) { EXPECT_EQ(t.getMaskingMode(), PiImageModifierTypes::NoMasking); }},
    };
    for (const auto& [name, query] : queries) {
        SCOPED_TRACE(name);
        PiToolRegistry::getInstance().clear();
        RegisteredGain::describeCalls = 0;
        const auto& tool = dynamic_cast<const PiImageModifierProtocol&>(registerGain());
        const auto& policies = dynamic_cast<const GainPolicyProtocol&>(tool);
        EXPECT_TRUE(policies.getCachedPolicies().isNull());
        query(tool);
        EXPECT_EQ(RegisteredGain::describeCalls, 1);
        query(tool);
        EXPECT_EQ(tool.getPrimaryInput(), PiImageInputPolicy::getPrimaryInputName());
        EXPECT_TRUE(tool.canAffect(PiImageModifierTypes::AffectColor | PiImageModifierTypes::AffectAlpha));
        EXPECT_EQ(RegisteredGain::describeCalls, 1) << "later queries answer from the cache";
        EXPECT_EQ(namesOf(policies.getCachedPolicies()), expectedGainNames());
    }
}

TEST_F(PiToolRegistryTest, ACreatedControllerGetsOnePolicyPerCachedEntryInOrder)
{
    const PiToolProtocol& tool = registerGain();
    const auto& policies = dynamic_cast<const GainPolicyProtocol&>(tool);
    OPtr<PiNodeController> controller = tool.createController();
    ASSERT_TRUE(controller);
    EXPECT_NE(dynamic_cast<RegisteredGain*>(controller.get()), nullptr);
    const PiNodeController::PolicyList& attached = controller->getInputPolicies();
    Iterator<PiToolPolicyDescriptor::PolicyEntry> entry = policies.getCachedPolicies();
    ASSERT_EQ(attached.size(), entry.getCount());
    for (const auto& [name, policy] : attached) {
        ASSERT_FALSE(entry.atEnd());
        EXPECT_EQ(name, entry->getName());
        EXPECT_EQ(policy, entry->getPtr()) << "the cached policy object itself is attached";
        ++entry;
    }
    EXPECT_FALSE(controller->findInputPolicy(PiImageModifier::getMaskInputName())) << "no masking with mode 0";

    OPtr<PiNodeController> another = PiToolRegistry::getInstance().createController(kToolName);
    EXPECT_EQ(another->getInputPolicies(), attached);
    EXPECT_EQ(RegisteredGain::describeCalls, 1);
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
    EXPECT_THROW_MESSAGE(PiToolRegistry::getInstance().createController("Nope"), std::invalid_argument,
                         "No tool named \"Nope\" is registered.");
}
