// The cache of blurred soft-shadow coverage: lookup, making once per block, the bound.
#include "SlateShadowCache.h"

#include <atomic>
#include <utility>

namespace Vx {

namespace {

std::size_t mix(std::size_t h, std::size_t v)
{
    // The 64-bit variant of boost's hash_combine.
    return h ^ (v + 0x9e3779b97f4a7c15ull + (h << 12) + (h >> 4));
}

} // namespace

struct SlateShadowCache::Entry
{
    explicit Entry(Key k, std::size_t b) : key(std::move(k)), bytes(b) {}

    const Key key;
    const std::size_t bytes;
    std::mutex making; // held by the thread making the coverage
    std::atomic<bool> made{false};
    std::shared_ptr<Coverage> coverage; // written once under `making`, before `made`
};

bool SlateShadowCache::Key::operator==(const Key& o) const
{
    return font.get() == o.font.get() && radius == o.radius && glyphs == o.glyphs;
}

std::size_t SlateShadowCache::Key::hash() const
{
    std::size_t h = mix(std::size_t(reinterpret_cast<std::uintptr_t>(font.get())), std::size_t(radius));
    for (const Glyph& g : glyphs) {
        h = mix(h, std::size_t(reinterpret_cast<std::uintptr_t>(g.face)));
        h = mix(h, g.id);
        h = mix(h, std::size_t(std::uint32_t(g.box.x0)) | (std::size_t(std::uint32_t(g.box.y0)) << 32));
        h = mix(h, std::size_t(std::uint32_t(g.box.x1)) | (std::size_t(std::uint32_t(g.box.y1)) << 32));
    }
    return h;
}

SlateShadowCache& SlateShadowCache::getInstance()
{
    static SlateShadowCache instance;
    return instance;
}

std::shared_ptr<const SlateShadowCache::Coverage> SlateShadowCache::getCoverage(Key key, std::size_t coverageBytes,
                                                                                const Maker& make)
{
    const std::size_t bytes = coverageBytes + sizeof(Entry) + key.glyphs.size() * sizeof(Glyph);
    std::shared_ptr<Entry> entry;
    {
        // Blocks let go of are destroyed after the mutex, out of everybody's way.
        std::vector<std::shared_ptr<Entry>> released;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bytes > m_limit)
            return nullptr;
        const auto found = m_index.find(&key);
        if (found != m_index.end()) {
            m_recent.splice(m_recent.begin(), m_recent, found->second);
            entry = *found->second;
        } else {
            evictLocked(m_limit - bytes, kMaxEntries - 1, released);
            entry = std::make_shared<Entry>(std::move(key), bytes);
            m_recent.push_front(entry);
            m_index.emplace(&entry->key, m_recent.begin());
            m_bytes += bytes;
        }
    }
    if (!entry->made.load(std::memory_order_acquire)) {
        // A thread that finds the block being made does not wait for it: its caller draws its own
        // part without the block, as fast as before the cache, while the block is made once.
        std::unique_lock<std::mutex> lock(entry->making, std::try_to_lock);
        if (!lock.owns_lock())
            return nullptr;
        if (!entry->made.load(std::memory_order_relaxed)) {
            auto coverage = std::make_shared<Coverage>();
            make(entry->key, *coverage);
            entry->coverage = std::move(coverage);
            entry->made.store(true, std::memory_order_release);
            std::lock_guard<std::mutex> count(m_mutex);
            ++m_made;
        }
    }
    return entry->coverage;
}

void SlateShadowCache::evictLocked(std::size_t bytes, std::size_t count, std::vector<std::shared_ptr<Entry>>& released)
{
    while (!m_recent.empty() && (m_bytes > bytes || m_recent.size() > count)) {
        std::shared_ptr<Entry>& last = m_recent.back();
        m_index.erase(&last->key);
        m_bytes -= last->bytes;
        released.push_back(std::move(last));
        m_recent.pop_back();
    }
}

void SlateShadowCache::setLimit(std::size_t bytes)
{
    std::vector<std::shared_ptr<Entry>> released;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limit = bytes;
    evictLocked(m_limit, kMaxEntries, released);
}

std::size_t SlateShadowCache::getLimit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_limit;
}

std::size_t SlateShadowCache::getBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

std::size_t SlateShadowCache::getCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recent.size();
}

std::size_t SlateShadowCache::getMadeCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_made;
}

} // namespace Vx
