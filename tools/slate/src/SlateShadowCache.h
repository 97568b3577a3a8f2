// The cache of blurred soft-shadow coverage: the shadow of a whole text block, blurred once and
// shared by every tile (and every frame) that draws the same block.
//
// A block is named by what decides its blurred coverage and nothing else: the font (the sized face
// the text was laid out in, whose fallback faces it keeps), the blur radius in pixels of the level,
// and each drawn glyph's face, index and box relative to the block's ink (the union of the glyph
// boxes). Where the block lands in the frame (alignment, offset, shadow offset) is not part of it:
// the same text moved draws the same coverage, moved.
//
// getCoverage hands out the coverage by shared ownership, so an entry evicted while a tile still
// composites from it stays alive for that tile. The cache holds at most getLimit() bytes (coverage
// and names together, 64 MiB by default) and at most kMaxEntries blocks, the least recently used
// let go first; a block larger than the bound is not cached (the caller blurs per tile instead).
//
// Threads: every operation may be called from several worker threads at once. The first thread to
// ask for a block makes it, under that block's own mutex; a thread asking for the same block
// meanwhile is told to do without it (getCoverage gives null) rather than wait or make it again,
// and threads asking for other blocks are not held up (the cache's mutex is held only to find,
// insert and evict entries, never while a block is made).
#pragma once

#include <Vx/Fo/FoFont.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Vx {

class SlateShadowCache
{
public:
    /// 64 MiB.
    static constexpr std::size_t kDefaultLimit = std::size_t(64) << 20;
    /// The most blocks kept at once, whatever their bytes: each keeps its font's face alive.
    static constexpr std::size_t kMaxEntries = 256;

    /// One drawn glyph of a block.
    struct Glyph
    {
        const FoFont::Face* face = nullptr; ///< as FoFont::Glyph::face: null for the font's own face
        std::uint32_t id = 0;               ///< the face's glyph index
        GeRectangle<int> box;               ///< pixels relative to the block's ink origin, y up; not empty

        bool operator==(const Glyph& o) const { return face == o.face && id == o.id && box == o.box; }
    };

    /// What decides a block's blurred coverage.
    struct Key
    {
        RCShdPtr<FoFont::Face> font; ///< held, so that no other face may take its address while cached
        int radius = 0;              ///< the blur's, pixels of the level
        std::vector<Glyph> glyphs;   ///< in drawing order

        bool operator==(const Key& o) const;
        /// A hash of every member.
        std::size_t hash() const;
    };

    /// A block's blurred coverage: `width` x `height` values, 65535 full, rows bottom to top.
    struct Coverage
    {
        int width = 0;
        int height = 0;
        std::vector<std::uint16_t> values;
    };

    /// Fills a Coverage from the key alone.
    using Maker = std::function<void(const Key&, Coverage&)>;

    static SlateShadowCache& getInstance();

    explicit SlateShadowCache(std::size_t limit = kDefaultLimit) : m_limit(limit) {}
    SlateShadowCache(const SlateShadowCache&) = delete;
    SlateShadowCache& operator=(const SlateShadowCache&) = delete;

    /// The coverage of `key`, which holds `coverageBytes` bytes once made: the cached one, or one
    /// `make` fills now on this thread (an exception from it reaches this caller and leaves the
    /// block to be made by the next). Null, without calling `make`, when the block alone exceeds
    /// the bound or another thread is making it now: the caller then draws without it.
    std::shared_ptr<const Coverage> getCoverage(Key key, std::size_t coverageBytes, const Maker& make);

    /// Sets the bound in bytes and evicts down to it now.
    void setLimit(std::size_t bytes);
    std::size_t getLimit() const;
    /// The bytes held now (coverage and names, made or being made), and the number of blocks.
    std::size_t getBytes() const;
    std::size_t getCount() const;
    /// How many blocks were made since the cache was created.
    std::size_t getMadeCount() const;

private:
    struct Entry;
    using EntryList = std::list<std::shared_ptr<Entry>>;
    struct KeyHash
    {
        std::size_t operator()(const Key* k) const { return k->hash(); }
    };
    struct KeyEqual
    {
        bool operator()(const Key* a, const Key* b) const { return *a == *b; }
    };

    void evictLocked(std::size_t bytes, std::size_t count, std::vector<std::shared_ptr<Entry>>& released);

    mutable std::mutex m_mutex;
    std::size_t m_limit;
    std::size_t m_bytes = 0;
    std::size_t m_made = 0;
    EntryList m_recent;                                                             // most recently used first
    std::unordered_map<const Key*, EntryList::iterator, KeyHash, KeyEqual> m_index; // keys owned by the entries
};

} // namespace Vx
