#include <Vx/In/InBuildInfo.h>
#include <Vx/In/InModuleLoader.h>
#include <Vx/In/InPackageInit.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/RC/Assertions.h>

#include "host/packages/modules/TestPackages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Vx;

namespace {

/// The package of the executable that the good plug-in depends on, registered at static
/// initialisation like any library's package.
class HostBasePackage : public InInit<VxInit::testHostBase>
{
public:
    HostBasePackage() : InInit("testHostBase") { registerPackage(); }
};

HostBasePackage s_hostBase;

const std::string kModuleDir = VX_TEST_MODULE_DIR;

std::string modulePath(const std::string& name)
{
    return kModuleDir + "/" + name;
}

const InLoadError* findError(const std::vector<InLoadError>& errors, const std::string& file)
{
    auto found = std::find_if(errors.begin(), errors.end(), [&](const InLoadError& e) { return e.file == file; });
    return found == errors.end() ? nullptr : &*found;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

TEST(InModuleLoader, LoadsThePluginAndReportsEveryOtherFile)
{
    InPackageRegistry& registry = InPackageRegistry::getInstance();
    InModuleLoader loader;
    const std::vector<InLoadError> errors = loader.loadDirectory(kModuleDir);

    ASSERT_EQ(errors.size(), 3u);
    const InLoadError* notALibrary = findError(errors, modulePath("notALibrary.vxtool"));
    ASSERT_NE(notALibrary, nullptr);
    EXPECT_EQ(notALibrary->failure, InLoadFailure::NotALibrary);
    EXPECT_TRUE(startsWith(notALibrary->message,
                           "The plug-in \"" + modulePath("notALibrary.vxtool") + "\" cannot be loaded as a library: "))
        << notALibrary->message;

    const InLoadError* noPackage = findError(errors, modulePath("noPackageLibrary.vxtool"));
    ASSERT_NE(noPackage, nullptr);
    EXPECT_EQ(noPackage->failure, InLoadFailure::NotAPlugin);
    EXPECT_EQ(noPackage->message, "The library \"" + modulePath("noPackageLibrary.vxtool") +
                                      "\" is not a plug-in: loading it registered no package.");

    const InLoadError* missing = findError(errors, modulePath("missingDependencyPlugin.vxtool"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->failure, InLoadFailure::MissingDependency);
    EXPECT_EQ(missing->message, "The plug-in \"" + modulePath("missingDependencyPlugin.vxtool") +
                                    "\" cannot be used: its package \"testMissingDependency\" depends on " +
                                    RCExUtil::typeName(typeid(InInit<VxInit::testUnregistered>)) +
                                    ", which no registered package provides.");
    EXPECT_EQ(registry.findPackage("testMissingDependency"), nullptr) << "The failed plug-in is unloaded.";

    EXPECT_EQ(loader.getLoadedModules(), (std::vector<std::string>{modulePath("goodPlugin.vxtool")}));
    InPackageInit* good = registry.findPackage("testGoodPlugin");
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->getIdentity(), *InInit<VxInit::testGoodPlugin>::getType());

    // The plug-in's package joins the registry's order (the registry's own tests) and initialises.
    registry.initializeAll();
    EXPECT_TRUE(registry.isInitialized(*good));
    ASSERT_NE(InBuildInfoUtil::findInfo("libVxgoodPlugin"), nullptr);

    loader.unloadAll();
    EXPECT_TRUE(loader.getLoadedModules().empty());
    EXPECT_EQ(registry.findPackage("testGoodPlugin"), nullptr);
    EXPECT_FALSE(registry.isInitialized(s_hostBase)) << "Unloading terminates the packages first.";
    EXPECT_EQ(InBuildInfoUtil::findInfo("libVxgoodPlugin"), nullptr);
}

TEST(InModuleLoader, MissingFileAndFolderAreReported)
{
    InModuleLoader loader;
    const std::string absent = modulePath("absent.vxtool");
    std::vector<InLoadError> errors = loader.loadModules({absent});
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].file, absent);
    EXPECT_EQ(errors[0].failure, InLoadFailure::MissingFile);
    EXPECT_EQ(errors[0].message, "The plug-in \"" + absent + "\" does not exist or is not a file.");

    const std::string folder = kModuleDir + "/no-such-folder";
    errors = loader.loadDirectory(folder);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].file, folder);
    EXPECT_EQ(errors[0].failure, InLoadFailure::MissingFile);
    EXPECT_EQ(errors[0].message, "The plug-in folder \"" + folder + "\" does not exist or is not a folder.");
    EXPECT_TRUE(loader.getLoadedModules().empty());
}

TEST(InModuleLoader, SearchPathGoesOnPastABadFolderAndLoadsAModuleOnce)
{
    InModuleLoader loader;
    const std::string folder = kModuleDir + "/no-such-folder";
    const std::vector<InLoadError> errors = loader.loadSearchPath(folder + "::" + kModuleDir + ":" + kModuleDir);
    ASSERT_NE(findError(errors, folder), nullptr);
    EXPECT_EQ(findError(errors, folder)->failure, InLoadFailure::MissingFile);
    EXPECT_NE(findError(errors, modulePath("notALibrary.vxtool")), nullptr);
    EXPECT_EQ(loader.getLoadedModules(), (std::vector<std::string>{modulePath("goodPlugin.vxtool")}));
    EXPECT_NE(InPackageRegistry::getInstance().findPackage("testGoodPlugin"), nullptr);
}
