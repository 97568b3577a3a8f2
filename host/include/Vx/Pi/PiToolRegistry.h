// The tools the host knows: every tool protocol registered by the host or by a plug-in, by name.
//
// A package registers its tools from its initialisation hook (InPackageInit::initializePackage),
// usually through PiImageModifier::registerTool. The registry owns each protocol object from then
// on, and remembers the package whose initialisation was running when it was registered
// (InPackageRegistry::getInitializingPackage; none for tools registered outside a package's
// initialisation). A plug-in's protocol objects are code of its library, so they must be gone
// before the library is unloaded: the host's tool-model package listens for the end of every
// package (terminated, failed to initialise, or unloaded) and calls releaseTools(package) then,
// after the package's build information is released; clear() ends every registration. Nodes already made keep their
// controllers: a controller does not refer to the protocol that made it.
//
// The process-wide registry (getInstance) is never destroyed, so that nothing of an unloaded
// library is run at exit; separate registries can be made for tests. Main thread only.
#pragma once

#include <Vx/Pi/PiToolProtocol.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Vx {

class InPackageInit;
class PiNodeController;

class PiToolRegistry
{
public:
    /// The registry PiImageModifier::registerTool registers with.
    static PiToolRegistry& getInstance();

    PiToolRegistry();
    /// Destroys the protocol objects still registered.
    ~PiToolRegistry();
    PiToolRegistry(const PiToolRegistry&) = delete;
    PiToolRegistry& operator=(const PiToolRegistry&) = delete;

    /// Takes `tool` and registers it under its short tool name, after the tools registered so far,
    /// on behalf of the package being initialised (if any). Throws std::invalid_argument for a
    /// null tool, an empty name or a name already registered; the tool is then destroyed.
    const PiToolProtocol& registerTool(OPtr<PiToolProtocol> tool);
    /// Destroys the tool named `name`; returns whether there was one.
    bool unregisterTool(const std::string& name);
    /// Destroys every tool registered on behalf of `package`; returns how many there were.
    std::size_t releaseTools(const InPackageInit& package);
    /// Destroys every registered tool, last registered first.
    void clear();

    /// The registered tools, in registration order.
    std::vector<const PiToolProtocol*> getTools() const;
    std::size_t getToolCount() const { return m_tools.size(); }
    /// The tool registered under `name`, or null.
    const PiToolProtocol* findTool(const std::string& name) const;
    /// The package on whose behalf the tool `name` was registered; null for none or no such tool.
    const InPackageInit* findPackage(const std::string& name) const;

    /// A new controller of the tool registered under `name`, for PiGraph::createNode. Throws
    /// std::invalid_argument naming a tool that is not registered.
    OPtr<PiNodeController> createController(const std::string& name) const;

private:
    struct Entry
    {
        std::unique_ptr<PiToolProtocol> tool;
        const InPackageInit* package;
    };
    const Entry* findEntry(const std::string& name) const;
    /// Destroys the tools of `entries` (removed from the list beforehand), last first.
    static void destroy(std::vector<Entry>& entries);

    std::vector<Entry> m_tools;
};

} // namespace Vx
