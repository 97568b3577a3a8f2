// The glyph raster cache: every sized face keeps its glyph rasters here, under one bound in bytes
// for the whole process, the rasters used least recently evicted first.
//
// A raster lives in a slot (FoRasterSlot) owned by its face's glyph record; the cache only lists
// the slots that hold a raster, with their sizes. Worker threads read slots while other threads
// fill and evict them:
//   - a read (FoRasterSlot::acquire) takes the slot's spin flag for the time of one handle copy,
//     so the raster handed out is referenced by the caller before an eviction can let go of it,
//     and stays alive while the caller uses it; it also stamps the slot with the cache's clock;
//   - a fill (insert) and an eviction take the cache's mutex, then the slot's flag. The clock
//     advances with every fill, so the slots with the oldest stamps are the ones least recently
//     used (to within the fills between two reads).
// An eviction brings the cached bytes down to seven eighths of the bound, so that its scan of the
// slots is paid once per many fills. A raster larger than the bound is never cached.
//
// A face removes its slots (forget) before it dies. Thread-safe throughout.
#pragma once

#include <Vx/Im/ImImage.h>
#include <Vx/RC/RCShdPtr.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Vx {

class FoGlyphCache;

class FoRasterSlot
{
public:
    FoRasterSlot() = default;
    FoRasterSlot(const FoRasterSlot&) = delete;
    FoRasterSlot& operator=(const FoRasterSlot&) = delete;

    /// The cached raster (a new reference), or null when none is cached; marks it used at `now`.
    RCShdPtr<ImImage> acquire(std::uint64_t now) const
    {
        if (m_lastUse.load(std::memory_order_relaxed) != now)
            m_lastUse.store(now, std::memory_order_relaxed);
        lock();
        RCShdPtr<ImImage> image = m_image;
        unlock();
        return image;
    }

private:
    friend class FoGlyphCache;

    void lock() const
    {
        while (m_busy.exchange(true, std::memory_order_acquire)) {
            while (m_busy.load(std::memory_order_relaxed)) {
            }
        }
    }
    void unlock() const { m_busy.store(false, std::memory_order_release); }
    /// Swaps `image` with the slot's.
    void exchange(RCShdPtr<ImImage>& image)
    {
        lock();
        std::swap(image, m_image);
        unlock();
    }

    mutable std::atomic<bool> m_busy{false};
    RCShdPtr<ImImage> m_image; // under m_busy
    mutable std::atomic<std::uint64_t> m_lastUse{0};
    std::size_t m_bytes = 0;             // under the cache's mutex
    std::size_t m_position = kNotCached; // in the cache's list, under its mutex
    static constexpr std::size_t kNotCached = ~std::size_t(0);
};

class FoGlyphCache : public RCObject
{
public:
    /// 256 MiB.
    static constexpr std::size_t kDefaultLimit = std::size_t(256) << 20;

    explicit FoGlyphCache(std::size_t limit = kDefaultLimit) : m_limit(limit) {}
    ~FoGlyphCache() override;

    /// The stamp reads give a slot now.
    std::uint64_t now() const { return m_clock.load(std::memory_order_relaxed); }

    /// Puts `image` (`bytes` of pixels) in the empty slot `slot`, evicting the least recently used
    /// rasters as needed. Returns false, leaving the slot empty, when the raster alone exceeds the
    /// bound.
    bool insert(FoRasterSlot& slot, const RCShdPtr<ImImage>& image, std::size_t bytes);
    /// Empties `slot` if it is cached. Its face calls it before the slot dies.
    void forget(FoRasterSlot& slot);

    /// Sets the bound in bytes and evicts down to it now.
    void setLimit(std::size_t bytes);
    std::size_t getLimit() const;
    /// The bytes of pixels cached now, and the number of rasters.
    std::size_t getBytes() const;
    std::size_t getCount() const;

private:
    void removeLocked(FoRasterSlot& slot, std::vector<RCShdPtr<ImImage>>& released);
    void evictLocked(std::size_t target, std::vector<RCShdPtr<ImImage>>& released);

    mutable std::mutex m_mutex;
    std::size_t m_limit;
    std::size_t m_bytes = 0;
    std::vector<FoRasterSlot*> m_slots;
    std::atomic<std::uint64_t> m_clock{1};
};

} // namespace Vx
