#include <Vx/In/InBuildInfo.h>

#include <Vx/In/InPackageRegistry.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace Vx {

namespace {

struct Entry
{
    std::unique_ptr<InBuildInfo> info;
    const InPackageInit* package;
};

struct Store
{
    std::mutex mutex;
    std::vector<Entry> entries;
};

Store& getStore()
{
    // Never destroyed, like the package registry that releases its entries.
    static Store* store = new Store;
    return *store;
}

} // namespace

InBuildInfo::~InBuildInfo() = default;

const InBuildInfo& InBuildInfoUtil::registerInfo(OPtr<InBuildInfo> info)
{
    if (!info)
        throw std::invalid_argument("Build information cannot be registered: the pointer given is empty.");
    Store& store = getStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.entries.push_back(
        Entry{std::unique_ptr<InBuildInfo>(info.release()), InPackageRegistry::getInitializingPackage()});
    return *store.entries.back().info;
}

std::vector<const InBuildInfo*> InBuildInfoUtil::getInfos()
{
    Store& store = getStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::vector<const InBuildInfo*> infos;
    for (const Entry& entry : store.entries)
        infos.push_back(entry.info.get());
    return infos;
}

const InBuildInfo* InBuildInfoUtil::findInfo(const std::string& libraryName)
{
    Store& store = getStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    for (const Entry& entry : store.entries)
        if (libraryName == entry.info->getLibraryName())
            return entry.info.get();
    return nullptr;
}

std::vector<std::pair<std::string, std::string>> InBuildInfoUtil::getFields(const InBuildInfo& info)
{
    return {{"Product", info.getProductString()},
            {"Library", info.getLibraryName()},
            {"Release", info.getReleaseName()},
            {"Version", info.getVersionString()},
            {"Version suffix", info.getVersionSuffix()},
            {"Major version", std::to_string(info.getMajorVersion())},
            {"Minor version", std::to_string(info.getMinorVersion())},
            {"Build code", std::to_string(info.getBuildCode())},
            {"Build number", info.getBuildNumber()},
            {"Build date", info.getBuildDate()},
            {"Build configuration", info.getBuildConfiguration()}};
}

void InBuildInfoUtil::releaseInfos(const InPackageInit& package)
{
    std::vector<std::unique_ptr<InBuildInfo>> released;
    {
        Store& store = getStore();
        std::lock_guard<std::mutex> lock(store.mutex);
        for (Entry& entry : store.entries)
            if (entry.package == &package)
                released.push_back(std::move(entry.info));
        store.entries.erase(
            std::remove_if(store.entries.begin(), store.entries.end(), [](const Entry& entry) { return !entry.info; }),
            store.entries.end());
    }
    // Destroyed outside the lock: a destructor is the library's code and may look at the store.
}

} // namespace Vx
