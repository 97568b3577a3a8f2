#include <Vx/In/InPackageInit.h>

#include <Vx/In/InPackageRegistry.h>

#include <algorithm>
#include <typeindex>
#include <utility>

namespace Vx {

InPackageInit::InPackageInit(std::string name, const std::type_info& identity)
    : m_name(std::move(name)), m_identity(identity)
{
}

InPackageInit::~InPackageInit()
{
    if (m_registry)
        m_registry->remove(*this);
}

void InPackageInit::registerPackage()
{
    registerPackage(InPackageRegistry::getInstance());
}

void InPackageInit::registerPackage(InPackageRegistry& registry)
{
    if (m_registry == &registry)
        return;
    if (m_registry)
        m_registry->remove(*this);
    registry.add(*this);
}

void InPackageInit::addDependency(const std::type_info* dependency)
{
    if (!dependency)
        return;
    // Identities are compared as types, not as addresses: each library has its own copy of a
    // template's type information.
    const bool known = std::any_of(m_dependencies.begin(), m_dependencies.end(),
                                   [&](const std::type_info* d) { return *d == *dependency; });
    if (!known)
        m_dependencies.push_back(dependency);
}

} // namespace Vx
