// The end of a package as the host announces it (InPackageRegistry's end listeners), which is how
// a plug-in's tools leave the tool registry with their package: after termination, after a failed
// initialisation, and when an initialised package leaves the registry because its library goes.
#include "common/ExpectThrowMessage.h"

#include <Vx/In/InPackageInit.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiToolProtocol.h>
#include <Vx/Pi/PiToolRegistry.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace VxInit {
struct endTestPackage;
} // namespace VxInit

namespace Vx::test {
namespace {

/// A tool with nothing to describe, registered by the package below.
class EmptyTool : public PiToolProtocolImp
{
public:
    EmptyTool()
        : PiToolProtocolImp("End Test Tool", getImageGenerationCategory(), "Test", "Test", "1", 1, "Registers nothing.",
                            ToolVisibility::Public, ToolStructure::Simple)
    {
    }
    std::string getPrimaryInput() const override { return {}; }
    void describe(PiToolDescriptor&) const override {}
    OPtr<PiNodeController> createController() const override { return {}; }
};

/// Registers its tool when initialised, then fails when asked to.
class ToolPackage : public InInit<VxInit::endTestPackage>
{
public:
    ToolPackage() : InInit("endTestPackage") {}
    void initializePackage() override
    {
        PiImageModifier::registerTool(OPtr<PiToolProtocol>(new EmptyTool));
        if (failInitialize)
            throw std::runtime_error("asked to fail");
    }
    bool failInitialize = false;
};

bool isRegistered()
{
    return PiToolRegistry::getInstance().findTool("End Test Tool") != nullptr;
}

// Each way a package ends: its end listeners are told once, and its tool leaves the registry.
TEST(PackageEnd, TerminationFailedInitialisationAndLeavingTheRegistryEndThePackageOnce)
{
    enum class Way
    {
        Terminate,
        FailInitialise,
        Remove
    };
    std::vector<std::string> ended;
    for (const Way way : {Way::Terminate, Way::FailInitialise, Way::Remove}) {
        SCOPED_TRACE(int(way));
        InPackageRegistry registry;
        ended.clear();
        const std::size_t key =
            InPackageRegistry::addEndListener([&](const InPackageInit& p) { ended.push_back(p.getName()); });
        {
            ToolPackage never; // registered but never initialised: leaving does not end it
            never.registerPackage(registry);
        }
        ToolPackage package;
        package.failInitialize = way == Way::FailInitialise;
        package.registerPackage(registry);
        if (way == Way::FailInitialise) {
            EXPECT_THROW(registry.initializeAll(), InExPackage);
        } else {
            registry.initializeAll();
            EXPECT_TRUE(isRegistered());
            EXPECT_TRUE(ended.empty());
            if (way == Way::Terminate)
                registry.terminateAll();
            else
                registry.remove(package);
            registry.remove(package);
        }
        EXPECT_EQ(ended, std::vector<std::string>{"endTestPackage"});
        EXPECT_FALSE(isRegistered());
        InPackageRegistry::removeEndListener(key);
        InPackageRegistry::removeEndListener(key);
    }
    // A removed listener is not told.
    InPackageRegistry registry;
    ToolPackage package;
    package.registerPackage(registry);
    registry.initializeAll();
    registry.terminateAll();
    EXPECT_EQ(ended.size(), 1u);
    EXPECT_THROW_MESSAGE(InPackageRegistry::addEndListener(InPackageRegistry::EndListener()), std::invalid_argument,
                         "A package end listener cannot be added without a function to call.");
}

} // namespace
} // namespace Vx::test
