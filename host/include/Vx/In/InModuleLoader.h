// Loading plug-in modules: the "*.vxtool" libraries in the plug-in folders.
//
//   InModuleLoader loader;
//   for (const InLoadError& error : loader.loadAndInitialize("/opt/kestrin/plugins:~/.kestrin/plugins"))
//       std::cerr << error.message << '\n';
//   ...
//   loader.unloadAll(); // terminates the packages, then unloads last loaded first
//
// loadAndInitialize is loadSearchPath followed by InPackageRegistry::initializeAll, where a
// plug-in whose package fails to initialise is reported and unloaded too, and the others are
// initialised all the same.
//
// What makes a plug-in: a library is a plug-in when loading it registered at least one package
// (InPackageInit::registerPackage in its static initialisation). Each file is loaded on its own
// and a file that fails is reported and unloaded while the others go on:
//
// - MissingFile: the file does not exist (or is not a regular file);
// - NotALibrary: the system cannot load it (not a library, or a library it needs is missing);
// - NotAPlugin: it loaded but registered no package;
// - MissingDependency: one of its packages depends on a package that nobody registers (after
//   every file of the same call has been loaded, so plug-ins may depend on each other in any
//   file order); unloading it may in turn leave others without a dependency;
// - DuplicatePackage: one of its packages has the identity of a package already registered;
// - InitializationFailed (loadAndInitialize only): one of its packages failed to initialise.
//
// A module already loaded by this loader is not loaded twice.
//
// Resources next to the module: a plug-in ships its message file beside its module and opens it
// by its bare name while its package initialises (MsgFileGuard("exampleTool.msg")). The loader
// therefore adds the folder of every module it keeps to the message server's search folders
// (MsgServer::addSearchDirectory), once per folder, before any of its packages is initialised.
// The folder stays there after the module is unloaded: a folder is only a place to look.
//
// Unloading: the registry ends the packages of a module before its library goes (their build
// information and everything else registered for them is released, see InPackageRegistry). The
// nodes made by a plug-in's tools run its code: the application closes them before unloading.
// Main thread.
#pragma once

#include <Vx/In/InPackageRegistry.h>

#include <memory>
#include <string>
#include <vector>

namespace Vx {

/// Why a plug-in file was not loaded.
enum class InLoadFailure
{
    MissingFile,
    NotALibrary,
    NotAPlugin,
    MissingDependency,
    DuplicatePackage,
    InitializationFailed
};

/// One file that could not be loaded: the file as given, the reason and a full-sentence message
/// that names both.
struct InLoadError
{
    std::string file;
    InLoadFailure failure = InLoadFailure::MissingFile;
    std::string message;
};

class InModuleLoader
{
public:
    /// The file suffix of plug-in modules.
    static constexpr const char* kModuleSuffix = ".vxtool";

    /// A loader whose modules register their packages with `registry` (the registry that
    /// InPackageInit::registerPackage() uses).
    explicit InModuleLoader(InPackageRegistry& registry = InPackageRegistry::getInstance());
    /// unloadAll(); a termination failure is not raised from here.
    ~InModuleLoader();
    InModuleLoader(const InModuleLoader&) = delete;
    InModuleLoader& operator=(const InModuleLoader&) = delete;

    /// Loads the modules of every folder of `searchPath` (folders separated by ':'; empty
    /// entries are skipped), folder by folder. A folder that does not exist is reported as a
    /// MissingFile error.
    std::vector<InLoadError> loadSearchPath(const std::string& searchPath);
    /// Loads every "*.vxtool" file of `directory`, in name order.
    std::vector<InLoadError> loadDirectory(const std::string& directory);
    /// Loads the given module files; returns one error per file that was not loaded.
    std::vector<InLoadError> loadModules(const std::vector<std::string>& paths);

    /// loadSearchPath(searchPath), then initialises every package not initialised yet. A package
    /// of a module of this loader that fails to initialise gets its module unloaded and reported
    /// (InitializationFailed, with the package's reason), and the remaining packages are
    /// initialised all the same. Raises the registry's InExPackage when a package that belongs to
    /// no module of this loader fails.
    std::vector<InLoadError> loadAndInitialize(const std::string& searchPath);

    /// The files of the modules loaded, in load order.
    std::vector<std::string> getLoadedModules() const;

    /// Terminates every initialised package of the registry (InPackageRegistry::terminateAll),
    /// then unloads the modules, last loaded first. Raises the registry's InExPackage when a
    /// package fails to terminate; the modules are unloaded all the same.
    void unloadAll();

private:
    struct Module;
    using Modules = std::vector<std::unique_ptr<Module>>;

    /// Unloads the modules of `modules` one of whose packages lacks a dependency or repeats an
    /// identity, until none does, and reports each.
    void dropUnusableModules(Modules& modules, std::vector<InLoadError>& errors);

    InPackageRegistry& m_registry;
    Modules m_modules;
};

} // namespace Vx
