// The registry of tools.
#include <Vx/Pi/PiToolRegistry.h>

#include <Vx/In/InPackageRegistry.h>
#include <Vx/Pi/PiNodeController.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Vx {

PiToolRegistry& PiToolRegistry::getInstance()
{
    // Never destroyed: tools of libraries still loaded at exit must not be run after their code
    // may be gone.
    static PiToolRegistry* registry = new PiToolRegistry;
    return *registry;
}

PiToolRegistry::PiToolRegistry() = default;

PiToolRegistry::~PiToolRegistry()
{
    clear();
}

const PiToolProtocol& PiToolRegistry::registerTool(OPtr<PiToolProtocol> tool)
{
    if (!tool)
        throw std::invalid_argument("A tool registration was given no tool protocol.");
    const std::string& name = tool->getShortToolName();
    if (name.empty())
        throw std::invalid_argument("A tool cannot be registered without a name.");
    if (findEntry(name))
        throw std::invalid_argument("A tool named \"" + name + "\" is registered already.");
    m_tools.push_back(
        Entry{std::unique_ptr<PiToolProtocol>(tool.release()), InPackageRegistry::getInitializingPackage()});
    return *m_tools.back().tool;
}

bool PiToolRegistry::unregisterTool(const std::string& name)
{
    auto found = std::find_if(m_tools.begin(), m_tools.end(),
                              [&](const Entry& entry) { return entry.tool->getShortToolName() == name; });
    if (found == m_tools.end())
        return false;
    std::vector<Entry> removed;
    removed.push_back(std::move(*found));
    m_tools.erase(found);
    destroy(removed);
    return true;
}

std::size_t PiToolRegistry::releaseTools(const InPackageInit& package)
{
    std::vector<Entry> removed;
    std::vector<Entry> kept;
    for (Entry& entry : m_tools)
        (entry.package == &package ? removed : kept).push_back(std::move(entry));
    m_tools = std::move(kept);
    const std::size_t count = removed.size();
    destroy(removed);
    return count;
}

void PiToolRegistry::clear()
{
    std::vector<Entry> removed;
    removed.swap(m_tools);
    destroy(removed);
}

std::vector<const PiToolProtocol*> PiToolRegistry::getTools() const
{
    std::vector<const PiToolProtocol*> tools;
    tools.reserve(m_tools.size());
    for (const Entry& entry : m_tools)
        tools.push_back(entry.tool.get());
    return tools;
}

const PiToolProtocol* PiToolRegistry::findTool(const std::string& name) const
{
    const Entry* entry = findEntry(name);
    return entry ? entry->tool.get() : nullptr;
}

const InPackageInit* PiToolRegistry::findPackage(const std::string& name) const
{
    const Entry* entry = findEntry(name);
    return entry ? entry->package : nullptr;
}

OPtr<PiNodeController> PiToolRegistry::createController(const std::string& name) const
{
    const PiToolProtocol* tool = findTool(name);
    if (!tool)
        throw std::invalid_argument("No tool named \"" + name + "\" is registered.");
    return tool->createController();
}

const PiToolRegistry::Entry* PiToolRegistry::findEntry(const std::string& name) const
{
    for (const Entry& entry : m_tools)
        if (entry.tool->getShortToolName() == name)
            return &entry;
    return nullptr;
}

void PiToolRegistry::destroy(std::vector<Entry>& entries)
{
    // Taken out of the list before any destructor runs, so that a protocol's destructor finds the
    // registry consistent; destroyed in the reverse order of registration.
    while (!entries.empty()) {
        entries.back().tool.reset();
        entries.pop_back();
    }
}

} // namespace Vx
