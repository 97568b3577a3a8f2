// The Slate plug-in from load to unload, through the host's plug-in loader: the module
// "slateVxtool.vxtool" is loaded from the build's plug-in folder with dlopen, its package is
// initialised, the tool is listed and described, and terminating and unloading leave nothing of it
// behind (the AddressSanitizer build checks for leaks).
//
// The module keeps its own copies of the plug-in's code and constants; what the test reaches of it
// goes through the host's registries.
#include "SlateRegistration.h"
#include "slate/SlateTestUtil.h"

#include <Vx/In/InBuildInfo.h>
#include <Vx/In/InHostPackages.h>
#include <Vx/In/InModuleLoader.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Msg/MsgFileReader.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageModifierProtocol.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiToolRegistry.h>
#include <Vx/Pi/PiValue.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/St/StBufferManager.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace Vx::test {
namespace {

namespace fs = std::filesystem;
using G = PiImageGenerator;

const std::string kPluginDir = VX_PLUGIN_DIR;
const std::string kPluginFile = kPluginDir + "/slateVxtool.vxtool";
const std::string kToolName = "Slate";
const std::string kLibraryName = "libVxslateVxtool";

/// The four inputs whose policies the package makes once for every Slate node.
const std::vector<std::string> kPackagePolicyInputs = {"Text Font", "Text Style", "Horizontal Alignment",
                                                       "Vertical Alignment"};

/// Whether the system has the module loaded (by anyone).
bool isPluginLoaded()
{
    void* handle = ::dlopen(kPluginFile.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    ::dlclose(handle);
    return true;
}

class SlatePluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StBufferManager::initialize();
        // The message file must be found through the folder the loader adds, not by chance.
        MsgServer::getInstance().clearSearchDirectories();
    }

    void TearDown() override
    {
        loader.unloadAll();
        EXPECT_FALSE(isPluginLoaded()) << "The module stays loaded after unloading.";
        StBufferManager::shutdown();
    }

    /// Loads the module, expecting no error, and returns its package.
    InPackageInit* load()
    {
        const std::vector<InLoadError> errors = loader.loadModules({kPluginFile});
        for (const InLoadError& error : errors)
            ADD_FAILURE() << error.message;
        return registry().findPackage("slateVxtool");
    }

    /// Loads the module and initialises every package; returns the registered tool.
    const PiToolProtocol* loadAndInitialize()
    {
        if (!load())
            return nullptr;
        registry().initializeAll();
        return PiToolRegistry::getInstance().findTool(kToolName);
    }

    static InPackageRegistry& registry() { return InPackageRegistry::getInstance(); }

    InModuleLoader loader;
};

RCShdPtr<const PiInputPolicy> findEntryPolicy(Iterator<PiToolPolicyDescriptor::PolicyEntry> entry,
                                              const std::string& name)
{
    for (; !entry.atEnd(); ++entry)
        if (entry->getName() == name)
            return entry->getPtr();
    return {};
}

TEST_F(SlatePluginTest, LoadingRegistersThePackageInitialisingRegistersTheToolAndItsMessages)
{
    InPackageInit* package = load();
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(package->getDependencies().size(), InHostPackages::getTypes().size());
    // Loading alone registers nothing but the package.
    EXPECT_EQ(PiToolRegistry::getInstance().findTool(kToolName), nullptr);
    EXPECT_EQ(InBuildInfoUtil::findInfo(kLibraryName), nullptr);

    registry().initializeAll();
    const PiToolProtocol* tool = PiToolRegistry::getInstance().findTool(kToolName);
    ASSERT_NE(tool, nullptr);
    EXPECT_NE(InBuildInfoUtil::findInfo(kLibraryName), nullptr);
    EXPECT_EQ(tool->getDescription(), "Adds simple slate/overlay text.");
    const auto* modifier = dynamic_cast<const PiImageModifierProtocol*>(tool);
    ASSERT_NE(modifier, nullptr);
    EXPECT_EQ(modifier->getMaskingMode(), PiImageModifierTypes::NoMasking);
    EXPECT_FALSE(modifier->canBeDisplayModifier());

    // The message file was found next to the module, and the subscriptions keep its texts after
    // the package closed it.
    const auto texts = MsgFileReader::read(kPluginDir + "/slateTool.msg");
    const std::map<std::string, std::string> shipped(texts.begin(), texts.end());
    for (const std::string id : {"SLATETOOL_ERR_INVALID_FONT", "SLATETOOL_ERR_INVALID_STYLE"}) {
        ASSERT_EQ(shipped.count(id), 1u) << id;
        EXPECT_EQ(MsgServer::getInstance().getText(id), shipped.at(id)) << id;
    }
}

TEST_F(SlatePluginTest, TerminationReleasesThePoliciesTheToolAndTheBuildInformation)
{
    const PiToolProtocol* tool = loadAndInitialize();
    ASSERT_NE(tool, nullptr);
    const auto* protocol = dynamic_cast<const SlateToolProtocol*>(tool);
    ASSERT_NE(protocol, nullptr);
    tool->getPrimaryInput();
    std::vector<RCWeakPtr<const PiInputPolicy>> packagePolicies;
    for (const std::string& name : kPackagePolicyInputs) {
        const RCShdPtr<const PiInputPolicy> policy = findEntryPolicy(protocol->getCachedPolicies(), name);
        ASSERT_TRUE(policy) << name;
        packagePolicies.emplace_back(policy);
    }
    tool = nullptr;
    protocol = nullptr;

    InPackageInit* package = registry().findPackage("slateVxtool");
    ASSERT_NE(package, nullptr);
    registry().terminateAll();
    EXPECT_FALSE(registry().isInitialized(*package));
    EXPECT_EQ(PiToolRegistry::getInstance().findTool(kToolName), nullptr) << "The tool outlived its package.";
    EXPECT_EQ(InBuildInfoUtil::findInfo(kLibraryName), nullptr);
    // With the tool gone nothing but the package held the four policies.
    for (std::size_t i = 0; i < packagePolicies.size(); ++i)
        EXPECT_TRUE(packagePolicies[i].expired()) << kPackagePolicyInputs[i];

    loader.unloadAll(); // the fixture checks that the module is gone
    EXPECT_EQ(registry().findPackage("slateVxtool"), nullptr);
}

TEST_F(SlatePluginTest, PackageThatFailsToInitialiseIsReportedAndLeavesNothing)
{
    // A copy of the module without its message file beside it cannot initialise.
    // Named after the process: other builds of the tests may run this test at the same time.
    const fs::path folder = fs::path(::testing::TempDir()) / ("slate_plugin_nomessages_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string copy = (folder / "slateVxtool.vxtool").string();
    fs::copy_file(kPluginFile, copy);

    const std::vector<InLoadError> errors = loader.loadAndInitialize(folder.string());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].file, copy);
    EXPECT_EQ(errors[0].failure, InLoadFailure::InitializationFailed);
    EXPECT_EQ(errors[0].message.rfind(
                  "The plug-in \"" + copy + "\" cannot be used: The package \"slateVxtool\" failed to initialise: ", 0),
              0u)
        << errors[0].message;
    EXPECT_NE(errors[0].message.find("slateTool.msg"), std::string::npos) << errors[0].message;
    EXPECT_EQ(registry().findPackage("slateVxtool"), nullptr);
    EXPECT_EQ(InBuildInfoUtil::findInfo(kLibraryName), nullptr) << "The build information outlived the failure.";
    fs::remove_all(folder);
}

} // namespace
} // namespace Vx::test
