// The Slate plug-in's package and build information.
//
// The library has no entry function: loading it runs its static initialisation (which builds the
// package object below) and unloading it runs the static destruction, and nothing else.
#include "slateVxtoolInit.h"

#include "SlateRegistration.h"
#include "slateController.h"

#include <Vx/In/InBuildInfo.h>
#include <Vx/In/InHostPackages.h>
#include <Vx/Msg/MsgFileGuard.h>

#include <memory>

namespace Vx {
namespace {

/// What the library reports about its build.
class LibraryBuildInfo : public InBuildInfo
{
public:
    const char* getProductString() const override { return "Orvane Kestrin Library"; }
    const char* getLibraryName() const override { return "libVxslateVxtool"; }
    const char* getReleaseName() const override { return "2013"; }
    const char* getVersionString() const override { return "8.0"; }
    /// Development builds (build code 3) carry "dev"; every other build none.
    const char* getVersionSuffix() const override { return getBuildCode() == 3 ? "dev" : ""; }
    int getMajorVersion() const override { return 8; }
    int getMinorVersion() const override { return 0; }
    int getBuildCode() const override { return 42; }
    const char* getBuildNumber() const override { return "2600"; }
    const char* getBuildDate() const override { return "Jun 12 2012"; }
    const char* getBuildConfiguration() const override { return "opt.x86_64.intel"; }
};

/// The flag the application gives every package.
bool s_packageFlag = false;

} // namespace

const std::type_info* InInit<VxInit::slateVxtool>::getType() noexcept
{
    return &typeid(InInit<VxInit::slateVxtool>);
}

InInit<VxInit::slateVxtool>::InInit() : InPackageInit("slateVxtool", typeid(InInit<VxInit::slateVxtool>))
{
    registerPackage();
    addDependency(InInit<VxInit::vxOm>::getType());
    addDependency(InInit<VxInit::vxFo>::getType());
    addDependency(InInit<VxInit::vxCm>::getType());
    addDependency(InInit<VxInit::vxSt>::getType());
    addDependency(InInit<VxInit::vxPx>::getType());
    addDependency(InInit<VxInit::vxIp>::getType());
    addDependency(InInit<VxInit::vxMsg>::getType());
    addDependency(InInit<VxInit::vxPi>::getType());
    addDependency(InInit<VxInit::vxIn>::getType());
}

InInit<VxInit::slateVxtool>::~InInit() = default;

void InInit<VxInit::slateVxtool>::initializePackage()
{
    // Owned here until the host takes it, so that a failure in between destroys it.
    auto info = std::make_unique<LibraryBuildInfo>();
    InBuildInfoUtil::registerInfo(OPtr<InBuildInfo>(info.release()));

    // The file only needs to be open while the tool subscribes to its messages; the server keeps
    // the subscribed texts after the guard closes it.
    const MsgFileGuard messages("slateTool.msg");
    SlateController::createStaticPolicies();
    SlateRegistration::registerTool();
}

void InInit<VxInit::slateVxtool>::terminatePackage()
{
    SlateController::releaseStaticPolicies();
}

void InInit<VxInit::slateVxtool>::setPackageFlag(bool flag)
{
    s_packageFlag = flag;
    InPackageInit::setPackageFlag(flag);
}

namespace {

// Built at library load, after the library's other constants, and destroyed at unload before
// them (this file is linked last).
InInit<VxInit::slateVxtool> s_package;

} // namespace

} // namespace Vx
