// A FreeType face at one pixel size, with its glyph caches: what FoFont handles point at.
//
// The font manager makes one FoFtFace per font file, face index and pixel size and shares it with
// every caller. Worker threads read it concurrently: metrics are fixed at construction, and glyphs
// are found in two lock-free tables (by character and by glyph index). A glyph not yet seen is
// loaded once, under the face's mutex, because an FT_Face serves one thread at a time. Loading
// gives its metrics only (FreeType presets the box its rendering will cover, without rendering):
// a layout of a huge text costs no raster. A raster is rendered when rasterizeGlyph first asks
// for it, and kept in the glyph cache shared by the faces (FoGlyphCache), which may evict it; it is
// then rendered again, to the same pixels.
//
// A character the face lacks is looked up, once, in the fallback list of the family and style the
// face was opened for (FoFallbackList): the first listed font that has it is opened at the same
// pixel size, as a face of this face's own (kept while this face lives, itself without fallback),
// and its glyph is what getChar returns for the character from then on, the glyph's `face`
// naming it. Control characters (U+0000 to U+001F, U+007F to U+009F) are never looked up: they
// keep the face's own glyph. Only the first miss of a character pays for the lookup; afterwards it
// is the same table hit as any other character.
//
// Glyphs are loaded with FT_LOAD_TARGET_LIGHT (plus FT_LOAD_NO_BITMAP for scalable fonts) and
// rendered with FT_RENDER_MODE_NORMAL: light hinting snaps outlines to the pixel grid vertically
// only, which keeps baselines and x-heights crisp while glyph shapes and widths stay close to the
// design, the same way for TrueType, CFF and Type 1 fonts; embedded bitmaps are skipped so that
// every size is antialiased alike.
//
// Stroked glyphs (strokeGlyph) are the glyph's hinted outline with FreeType's stroker run along its
// outer border (round joins and caps), filled: the glyph grown by the radius. They are made once
// per glyph and radius under the face's mutex, found afterwards in a lock-free table per radius,
// and their rasters live in the same glyph cache as the glyphs'.
#pragma once

#include "Fo/FoFallbackList.h"
#include "Fo/FoFtLibrary.h"
#include "Fo/FoGlyphCache.h"
#include "Fo/FoGlyphTable.h"

#include <Vx/Fo/FoFont.h>

#include FT_STROKER_H

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <type_traits>
#include <utility>

namespace Vx {

class FoFtFace final : public FoFont::Face
{
public:
    /// Opens face `index` of `file` at `pixelWidth` x `pixelHeight` pixels (each at least 1),
    /// keeping its rasters in `cache` (a cache of its own, with the default bound, when null) and
    /// drawing the characters it lacks from the fonts of `fallbacks` (none when null).
    /// Throws std::runtime_error naming the file when FreeType cannot open the face or give it
    /// that size, std::invalid_argument for a size above 65535 px.
    FoFtFace(const RCShdPtr<FoFtLibrary>& library, const std::string& file, long index, int pixelWidth, int pixelHeight,
             RCShdPtr<FoGlyphCache> cache = {}, RCShdPtr<const FoFallbackList> fallbacks = {});
    ~FoFtFace() override;

    int getAscent() const override { return m_ascent; }
    int getDescent() const override { return m_descent; }
    int getUnitsPerEM() const override { return m_unitsPerEM; }
    const FoFont::Glyph& getChar(wchar_t c) const override;
    FoFont::Glyph rasterizeGlyph(std::uint32_t id) const override;
    FoFont::Glyph strokeGlyph(std::uint32_t id, int radius) const override;
    std::string describe() const override { return m_description; }

    /// The number of glyphs in the face: valid indices for rasterizeGlyph are 0 to this - 1.
    std::uint32_t getGlyphCount() const { return m_byGlyph.getSize(); }

    /// The code point getChar looks up for `c`: `c` itself, or kNoCodePoint for a value that is
    /// no Unicode code point (negative, above U+10FFFF).
    static std::uint32_t toCodePoint(wchar_t c);
    static constexpr std::uint32_t kNoCodePoint = 0xFFFFFFFFu;

private:
    // A glyph's metrics (what getChar returns, no raster), and its raster while cached.
    struct GlyphRecord
    {
        FoFont::Glyph metrics;
        mutable FoRasterSlot raster;
    };

    // A stroked glyph's box (no raster when it draws nothing), and its raster while cached.
    struct StrokeRecord
    {
        GeRectangle<int> box;
        mutable FoRasterSlot raster;
    };
    struct StrokerDone
    {
        void operator()(FT_Stroker stroker) const { FT_Stroker_Done(stroker); }
    };

    const GlyphRecord& loadGlyphLocked(std::uint32_t id) const;
    /// The glyph of `code` in the first fallback font that has it, or null. Under m_mutex.
    const FoFont::Glyph* findFallbackLocked(std::uint32_t code) const;
    RCShdPtr<ImImage> renderGlyphLocked(const GlyphRecord& record) const;
    /// Strokes glyph `id` at `radius` (1/64 px) and sets `box` to its raster's box. Null raster
    /// for a glyph that draws nothing or has no outline.
    RCShdPtr<ImImage> renderStrokeLocked(std::uint32_t id, int radius, GeRectangle<int>& box) const;
    /// The table of stroked glyphs at `radius`, made when `create`; null otherwise when none.
    FoGlyphTable<const StrokeRecord>* strokeTable(int radius, bool create) const;

    FoFtFaceHandle m_face;
    FT_Int32 m_loadFlags = 0;
    int m_ascent = 0;
    int m_descent = 0;
    int m_unitsPerEM = 0;
    std::string m_description;

    mutable std::mutex m_mutex; // serialises every use of m_face after construction, and the writers below
    mutable FoGlyphTable<const FoFont::Glyph> m_byChar;
    mutable FoGlyphTable<const GlyphRecord> m_byGlyph;
    mutable std::deque<GlyphRecord> m_records; // stable addresses: the tables and the cache point into it
    RCShdPtr<FoGlyphCache> m_cache;

    mutable std::unique_ptr<std::remove_pointer_t<FT_Stroker>, StrokerDone> m_stroker; // under m_mutex
    mutable std::shared_mutex m_strokeTablesMutex; // guards the map; the tables find lock-free
    mutable std::map<int, std::unique_ptr<FoGlyphTable<const StrokeRecord>>> m_strokeTables;
    mutable std::deque<StrokeRecord> m_strokes; // under m_mutex; stable addresses

    RCShdPtr<FoFtLibrary> m_library; // to open the fallback faces; null without a fallback list
    FoFaceSource m_source;
    int m_pixelWidth = 1;
    int m_pixelHeight = 1;
    RCShdPtr<const FoFallbackList> m_fallbacks;
    mutable std::map<std::pair<std::string, long>, RCShdPtr<FoFtFace>> m_fallbackFaces; // under m_mutex
};

} // namespace Vx
