// The font manager: resolves families and styles through fontconfig once, and shares one sized
// FreeType face per font file, face index and pixel size.
//
// Two tables serve getFont. `m_families`, keyed by the family name exactly as asked for, holds
// the style faces fontconfig chose and, per style, the sized faces already handed out; a request
// seen before is two hash look-ups under a shared lock. A request not seen before takes the load
// mutex, so that one thread at a time queries fontconfig and opens faces while the others keep
// reading; `m_faces`, keyed by file, face index and size, makes different spellings of a family
// ("DejaVu Sans", "dejavu sans") share their faces.
//
// Bounds: `m_faces` holds at most m_faceLimit faces. Every entry of the sized tables is stamped
// with the face clock when it is found (a relaxed store, only when the stamp changes); the clock
// advances when a face is loaded, and a load beyond the limit drops the faces with the oldest
// stamps from both tables. The glyph rasters of all faces live in one FoGlyphCache.
//
// Fallback: each family entry holds, per style, the fallback list its faces draw the characters
// they lack from (FoFallbackList); a face shared by several spellings of a family keeps the list of
// the spelling that opened it, which names the same fonts.
//
// Lifetime: the manager is a function-local static, destroyed at exit like any other. Faces hold
// the FreeType library by reference, so a face still held elsewhere at that moment (by another
// static object) stays usable and releases the library itself when it goes.
#include <Vx/Fo/FoFontMgr.h>

#include "Fo/FoFallbackList.h"
#include "Fo/FoFontConfig.h"
#include "Fo/FoFtFace.h"
#include "Fo/FoFtLibrary.h"
#include "Fo/FoGlyphCache.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace Vx {

namespace {

constexpr int kStyleCount = 4;
constexpr std::size_t kDefaultSizedFaceLimit = 64;
const char* const kDefaultFamily = "DejaVu Sans";

std::uint64_t sizeKey(int pixelWidth, int pixelHeight)
{
    return (std::uint64_t(std::uint32_t(pixelWidth)) << 32) | std::uint32_t(pixelHeight);
}

} // namespace

struct FoFontMgr::Impl
{
    struct SizedFace
    {
        explicit SizedFace(RCShdPtr<FoFont::Face> f, std::uint64_t stamp) : face(std::move(f)), lastUse(stamp) {}
        RCShdPtr<FoFont::Face> face;
        mutable std::atomic<std::uint64_t> lastUse;
    };
    struct FamilyFonts
    {
        FoStyleFaces sources;                                              // fixed once the entry is in m_families
        std::array<RCShdPtr<const FoFallbackList>, kStyleCount> fallbacks; // likewise
        std::array<std::unordered_map<std::uint64_t, SizedFace>, kStyleCount> sized;
    };
    using FaceKey = std::tuple<std::string, long, int, int>;

    // Shared with the fallback lists, which sort the fonts on first need, maybe after the manager.
    std::shared_ptr<FoFontConfig> m_config = std::make_shared<FoFontConfig>();
    RCShdPtr<FoFtLibrary> m_library = makeShared<FoFtLibrary>();

    // Every change to m_families is made by a thread holding m_loadMutex, which takes
    // m_familiesMutex exclusively for the change itself; threads without m_loadMutex read under
    // m_familiesMutex shared, threads with it read without further locking.
    mutable std::mutex m_loadMutex;
    mutable std::shared_mutex m_familiesMutex;
    std::unordered_map<std::string, FamilyFonts> m_families;
    std::map<FaceKey, RCShdPtr<FoFont::Face>> m_faces; // under m_loadMutex
    std::optional<std::string> m_defaultFamily;        // under m_loadMutex
    std::size_t m_faceLimit = kDefaultSizedFaceLimit;  // under m_loadMutex
    std::atomic<std::uint64_t> m_faceClock{1};
    RCShdPtr<FoGlyphCache> m_cache = makeShared<FoGlyphCache>();

    /// The font of a sized entry found, stamped as used now.
    FoFont use(const SizedFace& sized) const
    {
        const std::uint64_t now = m_faceClock.load(std::memory_order_relaxed);
        if (sized.lastUse.load(std::memory_order_relaxed) != now)
            sized.lastUse.store(now, std::memory_order_relaxed);
        return FoFont(sized.face);
    }

    /// Drops the faces asked for least recently until at most m_faceLimit are kept. Under
    /// m_loadMutex.
    void trimFacesLocked()
    {
        if (m_faces.size() <= m_faceLimit)
            return;
        // A face may be listed under several spellings of its family: its latest use counts.
        std::unordered_map<const FoFont::Face*, std::uint64_t> latest;
        for (const auto& [name, fonts] : m_families)
            for (const auto& bySize : fonts.sized)
                for (const auto& [key, sized] : bySize) {
                    std::uint64_t& stamp = latest[sized.face.get()];
                    stamp = std::max(stamp, sized.lastUse.load(std::memory_order_relaxed));
                }
        std::vector<std::pair<std::uint64_t, FaceKey>> byAge;
        for (const auto& [key, face] : m_faces)
            byAge.emplace_back(latest[face.get()], key);
        std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

        std::vector<RCShdPtr<FoFont::Face>> dropped; // released after the lock
        std::unique_lock<std::shared_mutex> lock(m_familiesMutex);
        for (std::size_t i = 0; i + m_faceLimit < byAge.size(); ++i) {
            const auto face = m_faces.find(byAge[i].second);
            for (auto& [name, fonts] : m_families)
                for (auto& bySize : fonts.sized)
                    for (auto it = bySize.begin(); it != bySize.end();)
                        it = it->second.face == face->second ? bySize.erase(it) : std::next(it);
            dropped.push_back(std::move(face->second));
            m_faces.erase(face);
        }
        lock.unlock();
    }

    /// The entry of `family`, or null when it was not resolved yet. Takes the shared lock.
    const FamilyFonts* findFamily(const std::string& family) const
    {
        std::shared_lock<std::shared_mutex> lock(m_familiesMutex);
        const auto it = m_families.find(family);
        return it == m_families.end() ? nullptr : &it->second;
    }

    /// The entry of `family`, asking fontconfig when it is new. Under m_loadMutex. The address
    /// stays valid: entries are never erased and unordered_map nodes do not move.
    FamilyFonts& resolveFamily(const std::string& family)
    {
        const auto it = m_families.find(family);
        if (it != m_families.end())
            return it->second;
        FamilyFonts entry;
        entry.sources = m_config->findStyleFaces(family);
        for (int style = 0; style < kStyleCount; ++style)
            entry.fallbacks[std::size_t(style)] = makeShared<FoFallbackList>(m_config, family, style);
        std::unique_lock<std::shared_mutex> lock(m_familiesMutex);
        return m_families.emplace(family, std::move(entry)).first->second;
    }

    /// getFont for a request not found in the tables: resolves the family, opens the face if no
    /// other request opened it yet, and records both.
    FoFont loadFont(const std::string& family, int style, int pixelWidth, int pixelHeight)
    {
        std::lock_guard<std::mutex> load(m_loadMutex);
        FamilyFonts& entry = resolveFamily(family);
        const std::optional<FoFaceSource>& source = entry.sources[style];
        if (!source)
            return FoFont();

        // Another thread may have made this font while this one waited for the load mutex.
        const std::uint64_t key = sizeKey(pixelWidth, pixelHeight);
        const auto made = entry.sized[style].find(key);
        if (made != entry.sized[style].end())
            return use(made->second);

        const std::uint64_t stamp = m_faceClock.fetch_add(1, std::memory_order_relaxed) + 1;
        const FaceKey faceKey(source->file, source->index, pixelWidth, pixelHeight);
        auto shared = m_faces.find(faceKey);
        if (shared == m_faces.end()) {
            RCShdPtr<FoFont::Face> face =
                makeShared<FoFtFace>(m_library, source->file, source->index, pixelWidth, pixelHeight, m_cache,
                                     entry.fallbacks[std::size_t(style)]);
            shared = m_faces.emplace(faceKey, std::move(face)).first;
        }
        const FoFont font(shared->second);
        {
            std::unique_lock<std::shared_mutex> lock(m_familiesMutex);
            entry.sized[style].emplace(std::piecewise_construct, std::forward_as_tuple(key),
                                       std::forward_as_tuple(shared->second, stamp));
        }
        trimFacesLocked();
        return font;
    }
};

FoFontMgr::FoFontMgr() : m_impl(std::make_unique<Impl>()) {}

FoFontMgr::~FoFontMgr() = default;

FoFontMgr& FoFontMgr::getInstance()
{
    static FoFontMgr instance;
    return instance;
}

std::string FoFontMgr::getFontStyleName(int style)
{
    switch (style) {
    case Regular:
        return "Regular";
    case Bold:
        return "Bold";
    case Italic:
        return "Italic";
    case BoldItalic:
        return "Bold Italic";
    default:
        return {};
    }
}

std::vector<std::string> FoFontMgr::getFontFamilies() const
{
    return m_impl->m_config->listFamilies();
}

std::vector<int> FoFontMgr::getFontStyles(const std::string& family) const
{
    const Impl::FamilyFonts* entry = m_impl->findFamily(family);
    if (!entry) {
        std::lock_guard<std::mutex> load(m_impl->m_loadMutex);
        entry = &m_impl->resolveFamily(family);
    }
    // The sources never change once resolved, so they are read without the lock.
    std::vector<int> styles;
    for (int style = 0; style < kStyleCount; ++style) {
        if (entry->sources[style])
            styles.push_back(style);
    }
    return styles;
}

std::string FoFontMgr::getDefaultFontName() const
{
    if (!getFontStyles(kDefaultFamily).empty())
        return kDefaultFamily;
    std::lock_guard<std::mutex> load(m_impl->m_loadMutex);
    if (!m_impl->m_defaultFamily)
        m_impl->m_defaultFamily = m_impl->m_config->matchFamily("sans-serif");
    return *m_impl->m_defaultFamily;
}

FoFont FoFontMgr::getFont(const std::string& family, int style, int pixelWidth, int pixelHeight) const
{
    if (style < 0 || style >= kStyleCount)
        return FoFont(); // no family has such a style
    pixelWidth = std::max(pixelWidth, 1);
    pixelHeight = std::max(pixelHeight, 1);
    {
        std::shared_lock<std::shared_mutex> lock(m_impl->m_familiesMutex);
        const auto fonts = m_impl->m_families.find(family);
        if (fonts != m_impl->m_families.end()) {
            const Impl::FamilyFonts& entry = fonts->second;
            if (!entry.sources[style])
                return FoFont();
            const auto it = entry.sized[style].find(sizeKey(pixelWidth, pixelHeight));
            if (it != entry.sized[style].end())
                return m_impl->use(it->second);
        }
    }
    return m_impl->loadFont(family, style, pixelWidth, pixelHeight);
}

void FoFontMgr::setGlyphCacheLimit(std::size_t bytes)
{
    m_impl->m_cache->setLimit(bytes);
}

std::size_t FoFontMgr::getGlyphCacheLimit() const
{
    return m_impl->m_cache->getLimit();
}

std::size_t FoFontMgr::getGlyphCacheBytes() const
{
    return m_impl->m_cache->getBytes();
}

std::size_t FoFontMgr::getGlyphCacheCount() const
{
    return m_impl->m_cache->getCount();
}

void FoFontMgr::setSizedFaceLimit(std::size_t count)
{
    std::lock_guard<std::mutex> load(m_impl->m_loadMutex);
    m_impl->m_faceLimit = std::max<std::size_t>(count, 1);
    m_impl->trimFacesLocked();
}

std::size_t FoFontMgr::getSizedFaceLimit() const
{
    std::lock_guard<std::mutex> load(m_impl->m_loadMutex);
    return m_impl->m_faceLimit;
}

std::size_t FoFontMgr::getSizedFaceCount() const
{
    std::lock_guard<std::mutex> load(m_impl->m_loadMutex);
    return m_impl->m_faces.size();
}

} // namespace Vx
