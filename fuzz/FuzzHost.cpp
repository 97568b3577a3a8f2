#include "FuzzHost.h"

#include "SlateRegistration.h"
#include "slateController.h"

#include <Vx/In/InPackageRegistry.h>
#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/St/StBufferManager.h>

#include <cstdio>
#include <cstdlib>

namespace Vx::Fuzz {

void initializeSlateHost()
{
    static const bool initialized = [] {
        StBufferManager::initialize();
        InPackageRegistry::getInstance().initializeAll();
        // The Slate package's own initialisation, without loading the module: the tool is linked in.
        const MsgFileGuard messages(std::string(SLATE_RESOURCE_DIR) + "/slateTool.msg");
        SlateController::createStaticPolicies();
        SlateRegistration::registerTool();
        Render::registerReadTool();
        return true;
    }();
    (void)initialized;
}

void check(bool condition, const std::string& what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

} // namespace Vx::Fuzz
