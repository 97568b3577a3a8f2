// The plug-ins of the build's plug-in folder, loaded and initialised once for a test executable
// (as kestrin-render loads them), with the Read tool registered; released and unloaded at its end.
// Linking this file into a test executable is what registers it.

#include <Vx/In/InModuleLoader.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Pi/PiToolRegistry.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/St/StBufferManager.h>

#include <gtest/gtest.h>

namespace Vx::Render::test {
namespace {

class SlatePluginEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        StBufferManager::initialize();
        for (const InLoadError& error : m_loader.loadDirectory(VX_PLUGIN_DIR))
            ADD_FAILURE() << error.message;
        InPackageRegistry::getInstance().initializeAll();
        registerReadTool();
    }
    void TearDown() override
    {
        for (InPackageInit* package : InPackageRegistry::getInstance().getPackages())
            PiToolRegistry::getInstance().releaseTools(*package);
        m_loader.unloadAll();
        StBufferManager::shutdown();
    }

private:
    InModuleLoader m_loader;
};

const ::testing::Environment* const kPlugins = ::testing::AddGlobalTestEnvironment(new SlatePluginEnvironment);

} // namespace
} // namespace Vx::Render::test
