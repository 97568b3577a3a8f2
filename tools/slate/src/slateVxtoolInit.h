// The Slate plug-in's package, "slateVxtool".
//
// Loading the library builds the package object, which registers itself with the host's package
// registry and declares the nine host packages the plug-in uses (Vx/In/InHostPackages.h). When the
// host initialises the package, it registers the library's build information, opens the tool's
// message file "slateTool.msg", makes the package-wide input policies
// (SlateController::createStaticPolicies) and registers the Slate tool (SlateRegistration); when
// it terminates the package, the policies are released. Unloading the library destroys the
// package object, which leaves the registry. Main thread.
//
// Other packages name this one as a dependency by InInit<VxInit::slateVxtool>::getType(), which
// the library exports.
#pragma once

#include <Vx/In/InPackageInit.h>

#include <typeinfo>

namespace VxInit {
/// Names the Slate plug-in's package.
struct slateVxtool;
} // namespace VxInit

namespace Vx {

template <> class InInit<VxInit::slateVxtool> : public InPackageInit
{
public:
    /// The type identity of the package, for other packages' addDependency.
    static const std::type_info* getType() noexcept;

    /// Registers the package and declares its dependencies; made once, at library load.
    InInit();
    ~InInit() override;

    /// Build information, message file, policies and tool, in that order.
    void initializePackage() override;
    /// Releases the package-wide policies; the tool and the build information are the host's.
    void terminatePackage() override;
    /// Keeps `flag` for the package (and for the host's getPackageFlag).
    void setPackageFlag(bool flag) override;
};

} // namespace Vx
