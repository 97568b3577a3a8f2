// The glyph raster cache: fills, least-recently-used evictions and the bound.
#include "Fo/FoGlyphCache.h"

#include <algorithm>
#include <utility>

namespace Vx {

FoGlyphCache::~FoGlyphCache() = default;

bool FoGlyphCache::insert(FoRasterSlot& slot, const RCShdPtr<ImImage>& image, std::size_t bytes)
{
    // Rasters let go of are released after the mutex, out of everybody's way.
    std::vector<RCShdPtr<ImImage>> released;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bytes > m_limit || slot.m_position != FoRasterSlot::kNotCached)
        return false;
    if (m_bytes + bytes > m_limit)
        evictLocked(std::min(m_limit - bytes, m_limit - m_limit / 8), released);
    RCShdPtr<ImImage> stored = image;
    slot.exchange(stored);
    slot.m_bytes = bytes;
    slot.m_position = m_slots.size();
    m_slots.push_back(&slot);
    m_bytes += bytes;
    const std::uint64_t stamp = m_clock.fetch_add(1, std::memory_order_relaxed) + 1;
    slot.m_lastUse.store(stamp, std::memory_order_relaxed);
    return true;
}

void FoGlyphCache::forget(FoRasterSlot& slot)
{
    std::vector<RCShdPtr<ImImage>> released;
    std::lock_guard<std::mutex> lock(m_mutex);
    removeLocked(slot, released);
}

void FoGlyphCache::setLimit(std::size_t bytes)
{
    std::vector<RCShdPtr<ImImage>> released;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limit = bytes;
    if (m_bytes > m_limit)
        evictLocked(m_limit, released);
}

std::size_t FoGlyphCache::getLimit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_limit;
}

std::size_t FoGlyphCache::getBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

std::size_t FoGlyphCache::getCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slots.size();
}

void FoGlyphCache::removeLocked(FoRasterSlot& slot, std::vector<RCShdPtr<ImImage>>& released)
{
    if (slot.m_position == FoRasterSlot::kNotCached)
        return;
    FoRasterSlot* last = m_slots.back();
    m_slots[slot.m_position] = last;
    last->m_position = slot.m_position;
    m_slots.pop_back();
    slot.m_position = FoRasterSlot::kNotCached;
    m_bytes -= slot.m_bytes;
    slot.m_bytes = 0;
    RCShdPtr<ImImage> image;
    slot.exchange(image);
    released.push_back(std::move(image));
}

void FoGlyphCache::evictLocked(std::size_t target, std::vector<RCShdPtr<ImImage>>& released)
{
    std::vector<std::pair<std::uint64_t, FoRasterSlot*>> byAge;
    byAge.reserve(m_slots.size());
    for (FoRasterSlot* slot : m_slots)
        byAge.emplace_back(slot->m_lastUse.load(std::memory_order_relaxed), slot);
    std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [stamp, slot] : byAge) {
        if (m_bytes <= target)
            break;
        removeLocked(*slot, released);
    }
}

} // namespace Vx
