// The host's own packages: the tags that name the host modules as packages, so that plug-ins can
// declare what they depend on.
//
// The host library registers one package per tag when it is loaded (before any plug-in can be),
// each named after its tag ("vxOm", "vxFo", ...). A plug-in names the host modules it uses by the
// identity of their initialisers:
//
//   addDependency(InInit<VxInit::vxPi>::getType());
//
// What each package stands for:
//
//   vxOm   tool policy descriptors, object model, default settings, observers
//   vxFo   fonts and images
//   vxCm   command stack and callbacks
//   vxSt   buffer manager
//   vxPx   processing nodes, image formats, image-generator support
//   vxIp   colours, rectangles, pixel operations, image guards
//   vxMsg  messages, string substitution, timecodes
//   vxPi   tool model, policies, registration
//   vxIn   packages, build information, reference counting, dates and times
//
// The host packages declare their dependencies on each other, so that the registry initialises
// them in a sensible order before any plug-in. They keep no state of their own, except that the
// tool model's package (vxPi) connects the tool registry to the end of packages when the host
// library is loaded: the tools a package registered leave PiToolRegistry when the package is
// terminated, fails to initialise or is unloaded (see InPackageRegistry::addEndListener). That
// connection is made by the host library itself (src/VxHostPackages.cpp), the one place that knows
// every module, so that the package module does not depend on the tool model.
#pragma once

#include <Vx/In/InPackageInit.h>

#include <typeinfo>
#include <vector>

namespace VxInit {
struct vxOm;
struct vxFo;
struct vxCm;
struct vxSt;
struct vxPx;
struct vxIp;
struct vxMsg;
struct vxPi;
struct vxIn;
} // namespace VxInit

namespace Vx {

struct InHostPackages
{
    /// The identities of the nine host packages, in the order of the table above.
    static std::vector<const std::type_info*> getTypes()
    {
        return {InInit<VxInit::vxOm>::getType(),  InInit<VxInit::vxFo>::getType(), InInit<VxInit::vxCm>::getType(),
                InInit<VxInit::vxSt>::getType(),  InInit<VxInit::vxPx>::getType(), InInit<VxInit::vxIp>::getType(),
                InInit<VxInit::vxMsg>::getType(), InInit<VxInit::vxPi>::getType(), InInit<VxInit::vxIn>::getType()};
    }
};

} // namespace Vx
