// Glyph loading, rendering and caching of a sized FreeType face.
#include "Fo/FoFtFace.h"

#include FT_GLYPH_H

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Vx {

namespace {

constexpr std::uint32_t kCodePointCount = 0x110000;

// C0 and C1 controls: not characters to draw, so never looked up in the fallback fonts.
bool isControl(std::uint32_t code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

// An 8-bit coverage copy of a rendered bitmap, top row first, packed. Outline glyphs render to
// 256-level gray; a bitmap-only font may give 1-bit bitmaps, whose set bits become full coverage.
RCShdPtr<ImImage> makeCoverage(const FT_Bitmap& bitmap, const std::string& what)
{
    const int width = static_cast<int>(bitmap.width);
    const int height = static_cast<int>(bitmap.rows);
    // A negative pitch means the rows are stored bottom-up, the buffer pointing at the bottom row.
    const unsigned char* top = bitmap.buffer;
    if (bitmap.pitch < 0)
        top -= static_cast<std::ptrdiff_t>(bitmap.pitch) * (height - 1);

    std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = top + static_cast<std::ptrdiff_t>(bitmap.pitch) * y;
        std::uint8_t* out = bytes.data() + std::size_t(y) * std::size_t(width);
        switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_GRAY:
            if (bitmap.num_grays == 256) {
                std::copy(row, row + width, out);
            } else {
                const int maxLevel = bitmap.num_grays - 1;
                for (int x = 0; x < width; ++x)
                    out[x] = static_cast<std::uint8_t>((row[x] * 255 + maxLevel / 2) / maxLevel);
            }
            break;
        case FT_PIXEL_MODE_MONO:
            for (int x = 0; x < width; ++x)
                out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            break;
        default:
            throw std::runtime_error("The glyph " + what + " rendered to FreeType pixel mode " +
                                     std::to_string(int(bitmap.pixel_mode)) +
                                     ", which is not a coverage format the font service reads.");
        }
    }
    return makeShared<ImImage>(width, height, 1, width, std::move(bytes));
}

// Sole owner of an FT_Glyph; the stroker and the renderer replace the glyph they are given.
struct GlyphOwner
{
    FT_Glyph glyph = nullptr;
    GlyphOwner() = default;
    GlyphOwner(const GlyphOwner&) = delete;
    GlyphOwner& operator=(const GlyphOwner&) = delete;
    ~GlyphOwner()
    {
        if (glyph)
            FT_Done_Glyph(glyph);
    }
};

} // namespace

FoFtFace::FoFtFace(const RCShdPtr<FoFtLibrary>& library, const std::string& file, long index, int pixelWidth,
                   int pixelHeight, RCShdPtr<FoGlyphCache> cache, RCShdPtr<const FoFallbackList> fallbacks)
    : m_face(FoFtLibrary::openFace(library, file, index)), m_byChar(kCodePointCount),
      m_byGlyph(static_cast<std::uint32_t>(m_face->num_glyphs > 0 ? m_face->num_glyphs : 0)),
      m_cache(cache ? std::move(cache) : makeShared<FoGlyphCache>()),
      m_library(fallbacks ? library : RCShdPtr<FoFtLibrary>()), m_source{file, index}, m_pixelWidth(pixelWidth),
      m_pixelHeight(pixelHeight), m_fallbacks(std::move(fallbacks))
{
    const FT_Face face = m_face.get();
    const std::string name = std::string(face->family_name ? face->family_name : file) +
                             (face->style_name ? std::string(" ") + face->style_name : std::string());

    // Most faces select a Unicode character map on opening; ask for it explicitly for the few
    // whose first map is another one. A face without Unicode map keeps its own.
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    const FT_UInt width = static_cast<FT_UInt>(pixelWidth < 1 ? 1 : pixelWidth);
    const FT_UInt height = static_cast<FT_UInt>(pixelHeight < 1 ? 1 : pixelHeight);
    // FreeType would silently clamp larger sizes, and the face then not be the size it says.
    constexpr FT_UInt kLargest = 0xFFFF;
    if (width > kLargest || height > kLargest)
        throw std::invalid_argument("The pixel size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " asked of the font " + name + " exceeds FreeType's largest, " +
                                    std::to_string(kLargest) + " px.");
    if (const FT_Error error = FT_Set_Pixel_Sizes(face, width, height))
        throw std::runtime_error("FreeType could not size the font " + name + " (file '" + file + "') to " +
                                 std::to_string(width) + "x" + std::to_string(height) +
                                 " px: " + describeFtError(error) + ".");

    m_loadFlags = FT_LOAD_TARGET_LIGHT | (FT_IS_SCALABLE(face) ? FT_LOAD_NO_BITMAP : 0);
    m_ascent = face->ascender;
    m_descent = face->descender;
    m_unitsPerEM = face->units_per_EM;
    m_description = name + " " + std::to_string(width) + "x" + std::to_string(height) + " px";
}

FoFtFace::~FoFtFace()
{
    // The cache lists the slots of this face's records; they must leave it before they die.
    for (GlyphRecord& record : m_records)
        m_cache->forget(record.raster);
    for (StrokeRecord& record : m_strokes)
        m_cache->forget(record.raster);
}

std::uint32_t FoFtFace::toCodePoint(wchar_t c)
{
    const auto value = static_cast<std::int64_t>(c);
    if (value < 0 || value >= kCodePointCount)
        return kNoCodePoint;
    return static_cast<std::uint32_t>(value);
}

const FoFont::Glyph& FoFtFace::getChar(wchar_t c) const
{
    const std::uint32_t code = toCodePoint(c);
    if (code == kNoCodePoint) {
        // Not a character at all: the missing glyph, as for a character the font lacks.
        if (const GlyphRecord* record = m_byGlyph.find(0))
            return record->metrics;
        std::lock_guard<std::mutex> lock(m_mutex);
        return loadGlyphLocked(0).metrics;
    }
    if (const FoFont::Glyph* glyph = m_byChar.find(code))
        return *glyph;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (const FoFont::Glyph* glyph = m_byChar.find(code))
        return *glyph; // another thread loaded it while we waited
    const FT_UInt id = FT_Get_Char_Index(m_face.get(), code);
    if (id == 0 && m_fallbacks && !isControl(code)) {
        if (const FoFont::Glyph* fallback = findFallbackLocked(code)) {
            m_byChar.insert(code, fallback);
            return *fallback;
        }
    }
    const GlyphRecord& record = loadGlyphLocked(id);
    m_byChar.insert(code, &record.metrics);
    return record.metrics;
}

const FoFont::Glyph* FoFtFace::findFallbackLocked(std::uint32_t code) const
{
    for (const FoFaceSource& source : m_fallbacks->findFonts(code)) {
        if (source == m_source)
            continue; // this face's own file: its character map already said no
        const auto key = std::make_pair(source.file, source.index);
        auto it = m_fallbackFaces.find(key);
        if (it == m_fallbackFaces.end()) {
            RCShdPtr<FoFtFace> face;
            try {
                face = makeShared<FoFtFace>(m_library, source.file, source.index, m_pixelWidth, m_pixelHeight, m_cache);
            } catch (const std::runtime_error&) {
                // A font file that no longer opens: the next font in the list may have the character.
            }
            it = m_fallbackFaces.emplace(key, std::move(face)).first;
        }
        if (!it->second)
            continue;
        // The fallback face has no fallback list of its own, so this never comes back here.
        const FoFont::Glyph& glyph = it->second->getChar(static_cast<wchar_t>(code));
        if (glyph.id != 0)
            return &glyph;
    }
    return nullptr;
}

FoFont::Glyph FoFtFace::rasterizeGlyph(std::uint32_t id) const
{
    if (const GlyphRecord* record = m_byGlyph.find(id)) {
        FoFont::Glyph glyph = record->metrics;
        if (glyph.box.isEmpty())
            return glyph; // draws nothing: no raster to make
        glyph.image = record->raster.acquire(m_cache->now());
        if (!glyph.image.isNull())
            return glyph;
    }
    if (id >= getGlyphCount())
        throw std::out_of_range("The glyph index " + std::to_string(id) + " is out of range for the font " +
                                m_description + ", which has " + std::to_string(getGlyphCount()) + " glyphs.");
    std::lock_guard<std::mutex> lock(m_mutex);
    const GlyphRecord& record = loadGlyphLocked(id);
    FoFont::Glyph glyph = record.metrics;
    if (glyph.box.isEmpty())
        return glyph;
    // Another thread may have rendered it while this one waited.
    glyph.image = record.raster.acquire(m_cache->now());
    if (glyph.image.isNull()) {
        glyph.image = renderGlyphLocked(record);
        m_cache->insert(record.raster, glyph.image,
                        std::size_t(glyph.image->getWidth()) * std::size_t(glyph.image->getHeight()));
    }
    return glyph;
}

FoGlyphTable<const FoFtFace::StrokeRecord>* FoFtFace::strokeTable(int radius, bool create) const
{
    {
        std::shared_lock<std::shared_mutex> lock(m_strokeTablesMutex);
        const auto it = m_strokeTables.find(radius);
        if (it != m_strokeTables.end())
            return it->second.get();
    }
    if (!create)
        return nullptr;
    std::unique_lock<std::shared_mutex> lock(m_strokeTablesMutex);
    auto& table = m_strokeTables[radius];
    if (!table)
        table = std::make_unique<FoGlyphTable<const StrokeRecord>>(getGlyphCount());
    return table.get();
}

FoFont::Glyph FoFtFace::strokeGlyph(std::uint32_t id, int radius) const
{
    if (id >= getGlyphCount())
        throw std::out_of_range("The glyph index " + std::to_string(id) + " is out of range for the font " +
                                m_description + ", which has " + std::to_string(getGlyphCount()) + " glyphs.");
    if (radius < 0)
        throw std::invalid_argument("A glyph of the font " + m_description +
                                    " cannot be stroked at a negative radius (" + std::to_string(radius) + "/64 px).");
    // The stroke keeps the glyph's index and advance; only its box and raster are its own.
    FoFont::Glyph glyph;
    const GlyphRecord* record = m_byGlyph.find(id);
    if (const FoGlyphTable<const StrokeRecord>* table = record ? strokeTable(radius, false) : nullptr) {
        if (const StrokeRecord* stroke = table->find(id)) {
            glyph = record->metrics;
            glyph.box = stroke->box;
            if (stroke->box.isEmpty())
                return glyph;
            glyph.image = stroke->raster.acquire(m_cache->now());
            if (!glyph.image.isNull())
                return glyph;
        }
    }
    FoGlyphTable<const StrokeRecord>* table = strokeTable(radius, true);
    std::lock_guard<std::mutex> lock(m_mutex);
    glyph = loadGlyphLocked(id).metrics;
    const StrokeRecord* stroke = table->find(id);
    if (stroke) {
        // Another thread may have rendered it while this one waited.
        glyph.box = stroke->box;
        glyph.image = stroke->raster.acquire(m_cache->now());
        if (stroke->box.isEmpty() || !glyph.image.isNull())
            return glyph;
    }
    GeRectangle<int> box;
    glyph.image = renderStrokeLocked(id, radius, box);
    glyph.box = box;
    if (!stroke) {
        StrokeRecord& made = m_strokes.emplace_back();
        made.box = box;
        table->insert(id, &made);
        stroke = &made;
    }
    if (!glyph.image.isNull())
        m_cache->insert(stroke->raster, glyph.image,
                        std::size_t(glyph.image->getWidth()) * std::size_t(glyph.image->getHeight()));
    return glyph;
}

RCShdPtr<ImImage> FoFtFace::renderStrokeLocked(std::uint32_t id, int radius, GeRectangle<int>& box) const
{
    const FT_Face face = m_face.get();
    const std::string what = std::to_string(id) + " of the font " + m_description;
    if (const FT_Error error = FT_Load_Glyph(face, id, m_loadFlags))
        throw std::runtime_error("FreeType could not load the glyph " + what + ": " + describeFtError(error) + ".");
    const FT_GlyphSlot slot = face->glyph;
    // A bitmap glyph has no outline to stroke, and an empty outline (a blank) draws nothing.
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0)
        return {};
    if (!m_stroker) {
        FT_Stroker stroker = nullptr;
        if (const FT_Error error = FT_Stroker_New(slot->library, &stroker))
            throw std::runtime_error("FreeType could not make a stroker for the font " + m_description + ": " +
                                     describeFtError(error) + ".");
        m_stroker.reset(stroker);
    }
    FT_Stroker_Set(m_stroker.get(), radius, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
    GlyphOwner owner;
    if (const FT_Error error = FT_Get_Glyph(slot, &owner.glyph))
        throw std::runtime_error("FreeType could not copy the glyph " + what + ": " + describeFtError(error) + ".");
    // The outer border of every contour, filled, is the glyph grown by the radius: what the
    // stroke covers outside the glyph and the glyph itself.
    if (const FT_Error error = FT_Glyph_StrokeBorder(&owner.glyph, m_stroker.get(), 0, 1))
        throw std::runtime_error("FreeType could not stroke the glyph " + what + ": " + describeFtError(error) + ".");
    if (const FT_Error error = FT_Glyph_To_Bitmap(&owner.glyph, FT_RENDER_MODE_NORMAL, nullptr, 1))
        throw std::runtime_error("FreeType could not render the stroked glyph " + what + ": " + describeFtError(error) +
                                 ".");
    const auto* bitmapGlyph = reinterpret_cast<const FT_BitmapGlyphRec*>(owner.glyph);
    const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0)
        return {};
    box = GeRectangle<int>(bitmapGlyph->left, bitmapGlyph->left + static_cast<int>(bitmap.width),
                           bitmapGlyph->top - static_cast<int>(bitmap.rows), bitmapGlyph->top);
    return makeCoverage(bitmap, "stroked glyph " + what);
}

const FoFtFace::GlyphRecord& FoFtFace::loadGlyphLocked(std::uint32_t id) const
{
    if (const GlyphRecord* record = m_byGlyph.find(id))
        return *record;

    const FT_Face face = m_face.get();
    if (const FT_Error error = FT_Load_Glyph(face, id, m_loadFlags))
        throw std::runtime_error("FreeType could not load the glyph " + std::to_string(id) + " of the font " +
                                 m_description + ": " + describeFtError(error) + ".");
    const FT_GlyphSlot slot = face->glyph;

    GlyphRecord& record = m_records.emplace_back();
    record.metrics.id = id;
    record.metrics.face = this;
    // 26.6 fixed point rounded to whole pixels.
    record.metrics.advanceX = static_cast<int>((slot->advance.x + 32) >> 6);
    record.metrics.advanceY = 0;
    // Loading an outline presets the bitmap's size and position to those its rendering will have
    // (a bitmap glyph has them as loaded), so the box is known without rendering.
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width > 0 && bitmap.rows > 0) {
        const int left = slot->bitmap_left;
        const int top = slot->bitmap_top;
        record.metrics.box =
            GeRectangle<int>(left, left + static_cast<int>(bitmap.width), top - static_cast<int>(bitmap.rows), top);
    }
    m_byGlyph.insert(id, &record);
    return record;
}

RCShdPtr<ImImage> FoFtFace::renderGlyphLocked(const GlyphRecord& record) const
{
    const std::uint32_t id = record.metrics.id;
    const FT_Face face = m_face.get();
    if (const FT_Error error = FT_Load_Glyph(face, id, m_loadFlags))
        throw std::runtime_error("FreeType could not load the glyph " + std::to_string(id) + " of the font " +
                                 m_description + ": " + describeFtError(error) + ".");
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
        if (const FT_Error error = FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL))
            throw std::runtime_error("FreeType could not render the glyph " + std::to_string(id) + " of the font " +
                                     m_description + ": " + describeFtError(error) + ".");
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    const GeRectangle<int>& box = record.metrics.box;
    if (slot->bitmap_left != box.x0 || slot->bitmap_top != box.y1 || int(bitmap.width) != box.getWidth() ||
        int(bitmap.rows) != box.getHeight())
        throw std::runtime_error("FreeType rendered the glyph " + std::to_string(id) + " of the font " + m_description +
                                 " over another box than its metrics give.");
    return makeCoverage(bitmap, std::to_string(id) + " of the font " + m_description);
}

} // namespace Vx
