#include <Vx/In/InPackageRegistry.h>

#include <Vx/In/InBuildInfo.h>
#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace Vx {

namespace {

thread_local const InPackageInit* t_initializing = nullptr;

/// Marks the package whose hook runs, for InBuildInfoUtil::registerInfo, and unmarks it however
/// the hook ends.
class InitializingScope
{
public:
    explicit InitializingScope(const InPackageInit& package) : m_previous(t_initializing) { t_initializing = &package; }
    ~InitializingScope() { t_initializing = m_previous; }
    InitializingScope(const InitializingScope&) = delete;
    InitializingScope& operator=(const InitializingScope&) = delete;

private:
    const InPackageInit* m_previous;
};

std::string inQuotes(const InPackageInit& package)
{
    return "\"" + package.getName() + "\"";
}

enum class Visit
{
    InProgress,
    Done
};

struct EndListeners
{
    std::mutex mutex;
    std::size_t nextKey = 1;
    std::vector<std::pair<std::size_t, InPackageRegistry::EndListener>> listeners;
};

EndListeners& getEndListeners()
{
    // Never destroyed: packages of libraries still loaded at exit end from their own static
    // destructors, which may run after this file's.
    static EndListeners* listeners = new EndListeners;
    return *listeners;
}

} // namespace

std::size_t InPackageRegistry::addEndListener(EndListener listener)
{
    if (!listener)
        throw std::invalid_argument("A package end listener cannot be added without a function to call.");
    EndListeners& all = getEndListeners();
    std::lock_guard<std::mutex> lock(all.mutex);
    const std::size_t key = all.nextKey++;
    all.listeners.emplace_back(key, std::move(listener));
    return key;
}

void InPackageRegistry::removeEndListener(std::size_t key) noexcept
{
    EndListeners& all = getEndListeners();
    std::lock_guard<std::mutex> lock(all.mutex);
    all.listeners.erase(std::remove_if(all.listeners.begin(), all.listeners.end(),
                                       [&](const auto& entry) { return entry.first == key; }),
                        all.listeners.end());
}

void InPackageRegistry::endPackage(const InPackageInit& package) noexcept
{
    InBuildInfoUtil::releaseInfos(package);
    std::vector<EndListener> listeners;
    {
        // Called outside the lock, so that a listener may add or remove listeners.
        EndListeners& all = getEndListeners();
        std::lock_guard<std::mutex> lock(all.mutex);
        for (const auto& entry : all.listeners)
            listeners.push_back(entry.second);
    }
    for (const EndListener& listener : listeners)
        listener(package);
}

InPackageRegistry& InPackageRegistry::getInstance()
{
    // Never destroyed: packages of libraries still loaded at exit leave it from their own
    // static destructors, which may run after this file's.
    static InPackageRegistry* registry = new InPackageRegistry;
    return *registry;
}

const InPackageInit* InPackageRegistry::getInitializingPackage() noexcept
{
    return t_initializing;
}

InPackageRegistry::InPackageRegistry() = default;

InPackageRegistry::~InPackageRegistry()
{
    for (InPackageInit* package : m_packages)
        package->m_registry = nullptr;
}

void InPackageRegistry::add(InPackageInit& package)
{
    VX_ASSERT(package.m_registry == nullptr);
    m_packages.push_back(&package);
    package.m_registry = this;
}

void InPackageRegistry::remove(InPackageInit& package) noexcept
{
    if (package.m_registry != this)
        return;
    auto initialized = std::find(m_initialized.begin(), m_initialized.end(), &package);
    if (initialized != m_initialized.end()) {
        // Unloaded without termination: what it registered cannot outlive its code, which is
        // about to go.
        m_initialized.erase(initialized);
        endPackage(package);
    }
    m_packages.erase(std::remove(m_packages.begin(), m_packages.end(), &package), m_packages.end());
    package.m_registry = nullptr;
}

InPackageInit* InPackageRegistry::findPackage(const std::type_info& identity) const
{
    for (InPackageInit* package : m_packages)
        if (package->getIdentity() == identity)
            return package;
    return nullptr;
}

InPackageInit* InPackageRegistry::findPackage(const std::string& name) const
{
    for (InPackageInit* package : m_packages)
        if (package->getName() == name)
            return package;
    return nullptr;
}

std::vector<const std::type_info*> InPackageRegistry::findMissingDependencies(const InPackageInit& package) const
{
    std::vector<const std::type_info*> missing;
    for (const std::type_info* dependency : package.getDependencies())
        if (!findPackage(*dependency))
            missing.push_back(dependency);
    return missing;
}

std::vector<InPackageInit*> InPackageRegistry::getInitializationOrder() const
{
    for (InPackageInit* package : m_packages) {
        const InPackageInit* first = findPackage(package->getIdentity());
        if (first != package)
            throw InExPackage("The packages " + inQuotes(*first) + " and " + inQuotes(*package) +
                              " have the same identity " + RCExUtil::typeName(package->getIdentity()) +
                              "; only one package may use it.");
        std::vector<const std::type_info*> missing = findMissingDependencies(*package);
        if (!missing.empty())
            throw InExPackage("The package " + inQuotes(*package) + " depends on " +
                              RCExUtil::typeName(*missing.front()) + ", which no registered package provides.");
    }

    std::vector<InPackageInit*> order;
    std::map<const InPackageInit*, Visit> visits;
    std::vector<InPackageInit*> path;
    // Depth first, dependencies in declaration order: a package is appended once all it needs
    // is, and meeting a package that is still in progress closes a cycle.
    auto visit = [&](auto&& self, InPackageInit* package) -> void {
        auto found = visits.find(package);
        if (found != visits.end()) {
            if (found->second == Visit::Done)
                return;
            std::string cycle;
            for (auto it = std::find(path.begin(), path.end(), package); it != path.end(); ++it)
                cycle += inQuotes(**it) + " -> ";
            throw InExPackage("The packages depend on each other in a cycle: " + cycle + inQuotes(*package) + ".");
        }
        visits[package] = Visit::InProgress;
        path.push_back(package);
        for (const std::type_info* dependency : package->getDependencies())
            self(self, findPackage(*dependency));
        path.pop_back();
        visits[package] = Visit::Done;
        order.push_back(package);
    };
    for (InPackageInit* package : m_packages)
        visit(visit, package);
    return order;
}

void InPackageRegistry::initializeAll()
{
    for (InPackageInit* package : getInitializationOrder()) {
        if (isInitialized(*package))
            continue;
        try {
            InitializingScope scope(*package);
            package->initializePackage();
        } catch (const std::exception& error) {
            // Half an initialisation is not kept: the package will not be terminated, so what it
            // registered before the failure goes now.
            endPackage(*package);
            throw InExPackage("The package " + inQuotes(*package) + " failed to initialise: " + error.what());
        }
        m_initialized.push_back(package);
    }
}

void InPackageRegistry::terminateAll()
{
    std::string firstFailure;
    while (!m_initialized.empty()) {
        InPackageInit* package = m_initialized.back();
        m_initialized.pop_back();
        try {
            package->terminatePackage();
        } catch (const std::exception& error) {
            if (firstFailure.empty())
                firstFailure = "The package " + inQuotes(*package) + " failed to terminate: " + error.what();
        }
        endPackage(*package);
    }
    if (!firstFailure.empty())
        throw InExPackage(firstFailure);
}

bool InPackageRegistry::isInitialized(const InPackageInit& package) const
{
    return std::find(m_initialized.begin(), m_initialized.end(), &package) != m_initialized.end();
}

} // namespace Vx
