// The end of a package as the host announces it (InPackageRegistry's end listeners), which is how
// a plug-in's tools leave the tool registry with their package: after termination, after a failed
// initialisation, and when an initialised package leaves the registry because its library goes.
#include <Vx/In/InHostPackages.h>
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

/// Records the names of the packages that end while it lives.
class EndLog
{
public:
    EndLog()
        : m_key(InPackageRegistry::addEndListener(
              [this](const InPackageInit& package) { names.push_back(package.getName()); }))
    {
    }
    ~EndLog() { InPackageRegistry::removeEndListener(m_key); }
    EndLog(const EndLog&) = delete;
    EndLog& operator=(const EndLog&) = delete;

    std::vector<std::string> names;

private:
    std::size_t m_key;
};

bool isRegistered()
{
    return PiToolRegistry::getInstance().findTool("End Test Tool") != nullptr;
}

TEST(PackageEnd, TerminationEndsThePackageAndItsTools)
{
    InPackageRegistry registry;
    ToolPackage package;
    package.registerPackage(registry);
    EndLog log;
    registry.initializeAll();
    EXPECT_TRUE(isRegistered());
    EXPECT_TRUE(log.names.empty());

    registry.terminateAll();
    EXPECT_EQ(log.names, std::vector<std::string>{"endTestPackage"});
    EXPECT_FALSE(isRegistered());
}

TEST(PackageEnd, FailedInitialisationEndsThePackage)
{
    InPackageRegistry registry;
    ToolPackage package;
    package.failInitialize = true;
    package.registerPackage(registry);
    EndLog log;
    EXPECT_THROW(registry.initializeAll(), InExPackage);
    EXPECT_EQ(log.names, std::vector<std::string>{"endTestPackage"});
    EXPECT_FALSE(isRegistered()) << "The tool of a failed initialisation stayed registered.";
}

TEST(PackageEnd, LeavingTheRegistryEndsOnlyAnInitialisedPackage)
{
    InPackageRegistry registry;
    EndLog log;
    {
        ToolPackage never;
        never.registerPackage(registry);
    }
    EXPECT_TRUE(log.names.empty());

    ToolPackage package;
    package.registerPackage(registry);
    registry.initializeAll();
    registry.remove(package);
    EXPECT_EQ(log.names, std::vector<std::string>{"endTestPackage"});
    EXPECT_FALSE(isRegistered());
    registry.remove(package);
    EXPECT_EQ(log.names.size(), 1u) << "A package ended twice.";
}

TEST(PackageEnd, RemovedListenerIsNotToldAndAnEmptyOneIsRefused)
{
    InPackageRegistry registry;
    ToolPackage package;
    package.registerPackage(registry);
    std::vector<std::string> names;
    const std::size_t key =
        InPackageRegistry::addEndListener([&](const InPackageInit& ended) { names.push_back(ended.getName()); });
    InPackageRegistry::removeEndListener(key);
    InPackageRegistry::removeEndListener(key);
    registry.initializeAll();
    registry.terminateAll();
    EXPECT_TRUE(names.empty());

    try {
        InPackageRegistry::addEndListener(InPackageRegistry::EndListener());
        FAIL() << "An empty listener was added.";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "A package end listener cannot be added without a function to call.");
    }
}

TEST(PackageEnd, HostPackagesAreRegisteredWithTheHostLibrary)
{
    const InPackageRegistry& registry = InPackageRegistry::getInstance();
    const std::vector<std::string> names = {"vxOm", "vxFo", "vxCm", "vxSt", "vxPx", "vxIp", "vxMsg", "vxPi", "vxIn"};
    const std::vector<const std::type_info*> types = InHostPackages::getTypes();
    ASSERT_EQ(types.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const InPackageInit* package = registry.findPackage(*types[i]);
        ASSERT_NE(package, nullptr) << names[i];
        EXPECT_EQ(package->getName(), names[i]);
    }
    EXPECT_NO_THROW(registry.getInitializationOrder());
}

} // namespace
} // namespace Vx::test
