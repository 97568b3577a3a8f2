// The package registry: which packages exist, and their initialisation and termination.
//
// Packages register themselves when their library is loaded (InPackageInit::registerPackage)
// and leave when it is unloaded. The application then calls initializeAll(), which initialises
// every package not initialised yet after the packages it depends on, and at the end
// terminateAll(), which terminates them in the reverse order of their initialisation. Calling
// initializeAll() again after loading more plug-ins initialises only the new packages.
//
// Ordering: among packages that do not depend on each other, registration order is kept. A
// dependency that no registered package provides, two packages with one identity, or packages
// that depend on each other in a cycle make initializeAll() raise InExPackage before any
// package is initialised.
//
// The end of a package: whatever a package registered with the host while it initialised (build
// information, tools, ...) is code of its library and must be gone before that library is
// unloaded. The registry therefore announces the end of every package that was initialising or
// initialised to the end listeners (addEndListener): after its terminatePackage(), when its
// initializePackage() failed, and when it leaves the registry while initialised (its library is
// being unloaded without termination). Modules that keep registrations per package subscribe
// there; the package module itself knows none of them (the tool model's registry is connected by
// the host's own package, see InHostPackages.h). The build information, which this module owns,
// is released at the same points before the listeners run.
//
// The process-wide registry (getInstance) is never destroyed, so that packages of libraries
// unloaded at exit can still leave it. Separate registries can be made for tests. Main thread.
#pragma once

#include <Vx/In/InPackageInit.h>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace Vx {

/// Raised when packages cannot be ordered, initialised or terminated.
class InExPackage : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class InPackageRegistry
{
public:
    /// The registry that InPackageInit::registerPackage() uses.
    static InPackageRegistry& getInstance();
    /// The package whose initializePackage() is running on this thread, or null.
    static const InPackageInit* getInitializingPackage() noexcept;

    /// Told that a package ended (see the overview); must not throw. Runs on the thread that
    /// terminates or removes the package, while its library is still loaded.
    using EndListener = std::function<void(const InPackageInit&)>;
    /// Adds `listener` for the packages of every registry, after the ones added so far; returns
    /// the key that removes it. An empty listener raises std::invalid_argument.
    static std::size_t addEndListener(EndListener listener);
    /// Removes the listener added under `key`; an unknown key is ignored.
    static void removeEndListener(std::size_t key) noexcept;

    InPackageRegistry();
    /// Lets its remaining packages go without terminating them.
    ~InPackageRegistry();
    InPackageRegistry(const InPackageRegistry&) = delete;
    InPackageRegistry& operator=(const InPackageRegistry&) = delete;

    /// Adds `package` after the ones registered so far; used by InPackageInit::registerPackage.
    void add(InPackageInit& package);
    /// Forgets `package` (registered or not), whether or not it was initialised; an initialised
    /// package ends (its build information is released and the end listeners are told).
    void remove(InPackageInit& package) noexcept;

    /// The registered packages, in registration order.
    std::vector<InPackageInit*> getPackages() const { return m_packages; }
    /// The first registered package with identity `identity`, or null.
    InPackageInit* findPackage(const std::type_info& identity) const;
    /// The first registered package named `name`, or null.
    InPackageInit* findPackage(const std::string& name) const;
    /// The dependencies of `package` that no registered package provides, in declaration order.
    std::vector<const std::type_info*> findMissingDependencies(const InPackageInit& package) const;

    /// Every registered package, each after its dependencies. Raises InExPackage for a missing
    /// dependency, a duplicate identity or a cycle.
    std::vector<InPackageInit*> getInitializationOrder() const;

    /// Initialises every package not initialised yet, in initialisation order. An exception from
    /// a package's initializePackage() stops there and is raised again as InExPackage naming the
    /// package; what that package registered before failing is released (it ends), and the
    /// packages initialised before it stay initialised.
    void initializeAll();
    /// Terminates every initialised package, last initialised first; each then ends (its build
    /// information is released and the end listeners are told). All are terminated even when one
    /// throws; the first failure is then raised as InExPackage naming its package.
    void terminateAll();

    bool isInitialized(const InPackageInit& package) const;
    /// The initialised packages, in the order they were initialised.
    std::vector<InPackageInit*> getInitializedPackages() const { return m_initialized; }

private:
    /// Releases what `package` registered while it initialised and tells the end listeners.
    static void endPackage(const InPackageInit& package) noexcept;

    std::vector<InPackageInit*> m_packages;
    std::vector<InPackageInit*> m_initialized;
};

} // namespace Vx
