// Packages: the units of initialisation of the host and its plug-ins.
//
// A library (the host's own or a plug-in module) makes one package object at static
// initialisation time, registers it and declares the packages it depends on by their type
// identity:
//
//   namespace VxInit { struct exampleVxtool; }
//
//   class ExamplePackage : public InInit<VxInit::exampleVxtool>
//   {
//   public:
//       ExamplePackage() : InInit("exampleVxtool")
//       {
//           registerPackage();
//           addDependency(InInit<VxInit::messages>::getType());
//       }
//       void initializePackage() override;   // register build information, tools, messages
//       void terminatePackage() override;    // release what initializePackage made
//   };
//   ExamplePackage s_package;
//
// The package registry (InPackageRegistry) later initialises the packages in dependency order
// and terminates them in reverse. Registering never throws, so that nothing escapes a library's
// static initialisation; problems (a missing dependency, a cycle) are reported when the
// registry orders the packages. Packages are made, registered and driven on the main thread.
#pragma once

#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Vx {

class InPackageRegistry;

class InPackageInit
{
public:
    /// Leaves the registry it was registered with; a package is destroyed when its library is
    /// unloaded or the process ends.
    virtual ~InPackageInit();

    InPackageInit(const InPackageInit&) = delete;
    InPackageInit& operator=(const InPackageInit&) = delete;

    /// The package's name ("exampleVxtool"), used in messages and look-ups.
    const std::string& getName() const noexcept { return m_name; }
    /// The type identity by which other packages name this one as a dependency.
    const std::type_info& getIdentity() const noexcept { return m_identity; }

    /// Registers the package with the process-wide registry.
    void registerPackage();
    /// Registers the package with `registry` (which must outlive it); a package belongs to one
    /// registry at a time, registering again moves it.
    void registerPackage(InPackageRegistry& registry);

    /// Declares that this package needs the package whose identity is `dependency`
    /// (InInit<T>::getType() of its tag type) to be initialised first. A null dependency is
    /// ignored, as is one declared twice.
    void addDependency(const std::type_info* dependency);
    /// The declared dependencies, in declaration order.
    const std::vector<const std::type_info*>& getDependencies() const noexcept { return m_dependencies; }

    /// Called once by the registry, after every dependency has been initialised.
    virtual void initializePackage() {}
    /// Called once by the registry for an initialised package, before any of its dependencies
    /// is terminated.
    virtual void terminatePackage() {}
    /// Stores a flag that the application sets for every package (its meaning is the
    /// application's); false until set.
    virtual void setPackageFlag(bool flag) { m_flag = flag; }
    bool getPackageFlag() const noexcept { return m_flag; }

protected:
    /// A package named `name` whose identity is `identity`; not registered yet.
    InPackageInit(std::string name, const std::type_info& identity);

private:
    friend class InPackageRegistry;

    std::string m_name;
    const std::type_info& m_identity;
    std::vector<const std::type_info*> m_dependencies;
    InPackageRegistry* m_registry = nullptr;
    bool m_flag = false;
};

/// The package whose tag type is `Tag` (an empty struct in namespace VxInit that names the
/// package). Its identity is the type InInit<Tag>, whatever class derives from it.
template <class Tag> class InInit : public InPackageInit
{
public:
    /// The type identity of this package, for other packages' addDependency.
    static const std::type_info* getType() noexcept { return &typeid(InInit<Tag>); }

protected:
    explicit InInit(std::string name) : InPackageInit(std::move(name), typeid(InInit<Tag>)) {}
};

} // namespace Vx
