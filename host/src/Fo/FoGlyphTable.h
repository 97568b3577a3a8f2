// A table from a dense key (a code point, a glyph index) to entries that live elsewhere, read
// without locking: the glyph caches of a sized face.
//
// Keys are split into a page number and a slot; a page is allocated the first time one of its
// keys is written. Readers call find() from any thread and pay two acquire loads. Writers call
// insert() one at a time (the face does so under its mutex). An entry, once published, never
// changes and the table never shrinks, so a pointer found stays valid while the table lives.
#pragma once

#include <Vx/RC/Assertions.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Vx {

template <class T> class FoGlyphTable
{
public:
    static constexpr unsigned kPageBits = 8;
    static constexpr std::uint32_t kPageSize = 1u << kPageBits;

    /// A table for the keys 0 to size - 1, all empty.
    explicit FoGlyphTable(std::uint32_t size)
        : m_size(size), m_pageCount((size + kPageSize - 1) / kPageSize), m_pages(new std::atomic<Page*>[m_pageCount])
    {
        for (std::uint32_t i = 0; i < m_pageCount; ++i)
            m_pages[i].store(nullptr, std::memory_order_relaxed);
    }

    FoGlyphTable(const FoGlyphTable&) = delete;
    FoGlyphTable& operator=(const FoGlyphTable&) = delete;

    /// The number of keys the table holds room for.
    std::uint32_t getSize() const { return m_size; }

    /// The entry of `key`, or null when none was inserted (or the key is out of range). Lock-free;
    /// callable from any thread, also while a writer inserts.
    T* find(std::uint32_t key) const noexcept
    {
        if (key >= m_size)
            return nullptr;
        const Page* page = m_pages[key >> kPageBits].load(std::memory_order_acquire);
        return page ? page->slots[key & (kPageSize - 1)].load(std::memory_order_acquire) : nullptr;
    }

    /// Publishes `entry` for `key`, which must be in range and still empty. One writer at a time;
    /// the entry must outlive the table.
    void insert(std::uint32_t key, T* entry)
    {
        VX_ASSERT(key < m_size);
        std::atomic<Page*>& slot = m_pages[key >> kPageBits];
        Page* page = slot.load(std::memory_order_relaxed);
        if (!page) {
            m_owned.push_back(std::make_unique<Page>());
            page = m_owned.back().get();
            slot.store(page, std::memory_order_release);
        }
        std::atomic<T*>& entrySlot = page->slots[key & (kPageSize - 1)];
        VX_ASSERT(entrySlot.load(std::memory_order_relaxed) == nullptr);
        entrySlot.store(entry, std::memory_order_release);
    }

private:
    struct Page
    {
        Page()
        {
            for (std::atomic<T*>& s : slots)
                s.store(nullptr, std::memory_order_relaxed);
        }
        std::array<std::atomic<T*>, kPageSize> slots;
    };

    std::uint32_t m_size;
    std::uint32_t m_pageCount;
    std::unique_ptr<std::atomic<Page*>[]> m_pages;
    std::vector<std::unique_ptr<Page>> m_owned; // written by the writer only
};

} // namespace Vx
