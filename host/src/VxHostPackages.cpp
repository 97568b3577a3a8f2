// The host library's packages, registered when the library is loaded (see Vx/In/InHostPackages.h).
//
// This file belongs to the host library as a whole rather than to one module: it is where the
// modules join the package system, so it may know all of them. In particular it connects the tool
// registry to the end of packages, which the package module cannot do without depending on the
// tool model.
#include <Vx/In/InHostPackages.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Pi/PiToolRegistry.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <typeinfo>
#include <utility>

namespace Vx {
namespace {

/// A host package: no hooks of its own, dependencies on the host packages below it.
template <class Tag> class HostPackage : public InInit<Tag>
{
public:
    HostPackage(std::string name, std::initializer_list<const std::type_info*> dependencies)
        : InInit<Tag>(std::move(name))
    {
        this->registerPackage();
        for (const std::type_info* dependency : dependencies)
            this->addDependency(dependency);
    }
};

/// The tool model's package: besides being a dependency, it makes the tools of every package
/// leave the tool registry when that package ends, for as long as the host library is loaded.
class ToolModelPackage : public HostPackage<VxInit::vxPi>
{
public:
    ToolModelPackage(std::initializer_list<const std::type_info*> dependencies)
        : HostPackage("vxPi", dependencies),
          m_listener(InPackageRegistry::addEndListener(
              [](const InPackageInit& package) { PiToolRegistry::getInstance().releaseTools(package); }))
    {
    }
    ~ToolModelPackage() override { InPackageRegistry::removeEndListener(m_listener); }

private:
    std::size_t m_listener;
};

template <class Tag> const std::type_info* type()
{
    return InInit<Tag>::getType();
}

// In dependency order, so that a listing of the registry reads bottom up. Constructed in this
// order and destroyed in reverse when the host library is unloaded.
HostPackage<VxInit::vxIn> s_in("vxIn", {});
HostPackage<VxInit::vxMsg> s_msg("vxMsg", {type<VxInit::vxIn>()});
HostPackage<VxInit::vxIp> s_ip("vxIp", {type<VxInit::vxIn>()});
HostPackage<VxInit::vxSt> s_st("vxSt", {type<VxInit::vxIn>()});
HostPackage<VxInit::vxCm> s_cm("vxCm", {type<VxInit::vxIn>()});
HostPackage<VxInit::vxFo> s_fo("vxFo", {type<VxInit::vxIp>(), type<VxInit::vxIn>()});
HostPackage<VxInit::vxPx> s_px("vxPx", {type<VxInit::vxIp>(), type<VxInit::vxFo>(), type<VxInit::vxIn>()});
HostPackage<VxInit::vxOm> s_om("vxOm", {type<VxInit::vxCm>(), type<VxInit::vxIn>()});
ToolModelPackage s_pi({type<VxInit::vxOm>(), type<VxInit::vxPx>(), type<VxInit::vxSt>(), type<VxInit::vxMsg>(),
                       type<VxInit::vxCm>(), type<VxInit::vxIn>()});

} // namespace
} // namespace Vx
