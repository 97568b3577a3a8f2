#include <Vx/In/InModuleLoader.h>

#include "In/InLibraryHandle.h"
#include <Vx/Msg/MsgServer.h>
#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace Vx {

namespace fs = std::filesystem;

struct InModuleLoader::Module
{
    std::string file;
    std::string canonicalPath;
    InLibraryHandle library;
    std::vector<InPackageInit*> packages;
};

namespace {

std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

InLoadError makeError(const std::string& file, InLoadFailure failure, const std::string& message)
{
    return InLoadError{file, failure, message};
}

/// Makes the folder of `modulePath` a place where message files named without a folder are found.
void addMessageFolder(const std::string& modulePath)
{
    const std::string folder = fs::path(modulePath).parent_path().string();
    if (folder.empty())
        return;
    MsgServer& server = MsgServer::getInstance();
    const std::vector<std::string> folders = server.getSearchDirectories();
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        server.addSearchDirectory(folder);
}

} // namespace

InModuleLoader::InModuleLoader(InPackageRegistry& registry) : m_registry(registry) {}

InModuleLoader::~InModuleLoader()
{
    try {
        unloadAll();
    } catch (const std::exception&) {
        // unloadAll has unloaded the modules before raising; a destructor has no one to tell.
    }
}

std::vector<InLoadError> InModuleLoader::loadSearchPath(const std::string& searchPath)
{
    std::vector<InLoadError> errors;
    std::size_t begin = 0;
    while (begin <= searchPath.size()) {
        std::size_t end = searchPath.find(':', begin);
        if (end == std::string::npos)
            end = searchPath.size();
        const std::string directory = searchPath.substr(begin, end - begin);
        if (!directory.empty()) {
            std::vector<InLoadError> found = loadDirectory(directory);
            errors.insert(errors.end(), found.begin(), found.end());
        }
        begin = end + 1;
    }
    return errors;
}

std::vector<InLoadError> InModuleLoader::loadDirectory(const std::string& directory)
{
    std::error_code error;
    if (!fs::is_directory(directory, error))
        return {makeError(directory, InLoadFailure::MissingFile,
                          "The plug-in folder " + inQuotes(directory) + " does not exist or is not a folder.")};
    std::vector<std::string> paths;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == kModuleSuffix)
            paths.push_back(it->path().string());
    if (error)
        return {makeError(directory, InLoadFailure::MissingFile,
                          "The plug-in folder " + inQuotes(directory) + " cannot be listed: " + error.message() + ".")};
    std::sort(paths.begin(), paths.end());
    return loadModules(paths);
}

std::vector<InLoadError> InModuleLoader::loadModules(const std::vector<std::string>& paths)
{
    std::vector<InLoadError> errors;
    std::vector<std::unique_ptr<Module>> loaded;

    // First load every file, so that the dependency check below sees all their packages.
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
            errors.push_back(makeError(path, InLoadFailure::MissingFile,
                                       "The plug-in " + inQuotes(path) + " does not exist or is not a file."));
            continue;
        }
        const std::string canonicalPath = fs::canonical(path, error).string();
        auto sameFile = [&](const std::unique_ptr<Module>& module) { return module->canonicalPath == canonicalPath; };
        if (std::any_of(m_modules.begin(), m_modules.end(), sameFile) ||
            std::any_of(loaded.begin(), loaded.end(), sameFile))
            continue;

        const std::vector<InPackageInit*> before = m_registry.getPackages();
        auto module = std::make_unique<Module>();
        module->file = path;
        module->canonicalPath = canonicalPath;
        std::string reason;
        module->library = InLibraryHandle(path, reason);
        if (!module->library) {
            errors.push_back(
                makeError(path, InLoadFailure::NotALibrary,
                          "The plug-in " + inQuotes(path) + " cannot be loaded as a library: " + reason + "."));
            continue;
        }
        for (InPackageInit* package : m_registry.getPackages())
            if (std::find(before.begin(), before.end(), package) == before.end())
                module->packages.push_back(package);
        if (module->packages.empty()) {
            errors.push_back(
                makeError(path, InLoadFailure::NotAPlugin,
                          "The library " + inQuotes(path) + " is not a plug-in: loading it registered no package."));
            continue;
        }
        loaded.push_back(std::move(module));
    }

    dropUnusableModules(loaded, errors);
    for (std::unique_ptr<Module>& module : loaded) {
        addMessageFolder(module->canonicalPath);
        m_modules.push_back(std::move(module));
    }
    return errors;
}

void InModuleLoader::dropUnusableModules(Modules& modules, std::vector<InLoadError>& errors)
{
    // Unloading a module takes its packages out of the registry, which may leave another
    // module without a dependency: check again until nothing changes.
    for (bool changed = true; changed;) {
        changed = false;
        for (auto it = modules.begin(); it != modules.end() && !changed; ++it) {
            Module& module = **it;
            for (InPackageInit* package : module.packages) {
                InPackageInit* first = m_registry.findPackage(package->getIdentity());
                if (first != package) {
                    errors.push_back(makeError(module.file, InLoadFailure::DuplicatePackage,
                                               "The plug-in " + inQuotes(module.file) +
                                                   " cannot be used: its package " + inQuotes(package->getName()) +
                                                   " has the identity of the package " + inQuotes(first->getName()) +
                                                   ", which is already registered."));
                    changed = true;
                    break;
                }
                const std::vector<const std::type_info*> missing = m_registry.findMissingDependencies(*package);
                if (!missing.empty()) {
                    errors.push_back(makeError(module.file, InLoadFailure::MissingDependency,
                                               "The plug-in " + inQuotes(module.file) +
                                                   " cannot be used: its package " + inQuotes(package->getName()) +
                                                   " depends on " + RCExUtil::typeName(*missing.front()) +
                                                   ", which no registered package provides."));
                    changed = true;
                    break;
                }
            }
            if (changed)
                modules.erase(it);
        }
    }
}

std::vector<InLoadError> InModuleLoader::loadAndInitialize(const std::string& searchPath)
{
    std::vector<InLoadError> errors = loadSearchPath(searchPath);
    for (;;) {
        try {
            m_registry.initializeAll();
            return errors;
        } catch (const InExPackage& failure) {
            // initializeAll stops at the failing package: the first one in order that is not
            // initialised. Ordering problems (no package fails) are not a module's to answer for.
            const InPackageInit* failed = nullptr;
            for (InPackageInit* package : m_registry.getInitializationOrder())
                if (!m_registry.isInitialized(*package)) {
                    failed = package;
                    break;
                }
            auto owner = std::find_if(m_modules.begin(), m_modules.end(), [&](const std::unique_ptr<Module>& module) {
                return std::find(module->packages.begin(), module->packages.end(), failed) != module->packages.end();
            });
            if (!failed || owner == m_modules.end())
                throw;
            errors.push_back(
                makeError((*owner)->file, InLoadFailure::InitializationFailed,
                          "The plug-in " + inQuotes((*owner)->file) + " cannot be used: " + failure.what()));
            m_modules.erase(owner);
            dropUnusableModules(m_modules, errors);
        }
    }
}

std::vector<std::string> InModuleLoader::getLoadedModules() const
{
    std::vector<std::string> files;
    for (const std::unique_ptr<Module>& module : m_modules)
        files.push_back(module->file);
    return files;
}

void InModuleLoader::unloadAll()
{
    if (m_modules.empty())
        return;
    std::exception_ptr failure;
    try {
        m_registry.terminateAll();
    } catch (const InExPackage&) {
        failure = std::current_exception();
    }
    while (!m_modules.empty())
        m_modules.pop_back();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace Vx
