// The font service: families and styles installed on the system (fontconfig) and sized faces
// rendered with FreeType.
//
// getInstance() is the process-wide manager. Every operation is safe to call from several threads
// at once; lookups of a font already asked for are a hash-table hit, and each (family, style,
// size) face is loaded once and shared.
//
// Memory is bounded two ways. The manager keeps at most getSizedFaceLimit() sized faces (64 by
// default), dropping the one asked for least recently when a new size comes (a text whose size is
// animated makes a face per size); a face dropped stays usable by whoever holds it. The glyph
// rasters of every face share one cache of at most getGlyphCacheLimit() bytes of pixels (256 MiB
// by default), the least recently used evicted first and rendered again when asked for. Faces
// still held when the manager is destroyed at exit stay usable until their last holder lets go.
//
// Families are matched without regard to case ("dejavu sans" is "DejaVu Sans"), otherwise
// exactly. The installed fonts are read once, when the manager is made.
//
// A font draws a character its family lacks from the installed font fontconfig ranks first for
// that family and style that has it (FcFontSort), at the same pixel size; fontconfig is asked for
// that order the first time a face of the family meets such a character, never for a text the
// family covers.
#pragma once

#include <Vx/Fo/FoFont.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Vx {

class FoFontMgr
{
public:
    /// The four styles a family may have.
    enum FontStyle : int
    {
        Regular = 0,
        Bold = 1,
        Italic = 2,
        BoldItalic = 3,
    };

    /// A family and style: what a font is asked for by, before it is given a size.
    struct FontDesc
    {
        std::string family;
        int style = Regular;
    };

    static FoFontMgr& getInstance();

    /// "Regular", "Bold", "Italic", "Bold Italic"; an empty string for any other code.
    static std::string getFontStyleName(int style);

    /// Every family installed, as fontconfig names them, sorted and without repeats.
    std::vector<std::string> getFontFamilies() const;
    /// The style codes `family` really has, in increasing order; empty for an unknown family. A
    /// style is served by the family's face of that weight (bold from DemiBold up) and slant
    /// (italic or oblique) closest to the usual one: normal width, Book to Medium or Bold weight,
    /// so condensed or extra-light faces listed under the same family never stand in for its usual
    /// faces, but do serve a family made of such faces only.
    std::vector<int> getFontStyles(const std::string& family) const;

    /// "DejaVu Sans" where installed, else the first family fontconfig offers for "sans-serif".
    std::string getDefaultFontName() const;
    int getDefaultFontStyle() const { return Regular; }
    /// The default family and style together.
    FontDesc getDefaultFont() const { return {getDefaultFontName(), getDefaultFontStyle()}; }

    /// The font of `family` in `style` at a pixel width and height (each at least 1). Invalid
    /// (isValid() false) when the family is not installed or lacks the style (any code other than
    /// the four included): no substitute is chosen here, the caller decides what to fall back to.
    /// Throws std::invalid_argument for a pixel size above 65535, std::runtime_error when
    /// FreeType cannot open or size the font file.
    FoFont getFont(const std::string& family, int style, int pixelWidth, int pixelHeight) const;
    /// The same, from a family and style together.
    FoFont getFont(const FontDesc& desc, int pixelWidth, int pixelHeight) const
    {
        return getFont(desc.family, desc.style, pixelWidth, pixelHeight);
    }

    /// The bound of the glyph raster cache, in bytes of 8-bit coverage; setting it evicts down to
    /// it at once. A raster larger than the bound is rendered on every request, never cached.
    void setGlyphCacheLimit(std::size_t bytes);
    std::size_t getGlyphCacheLimit() const;
    /// The bytes of glyph rasters cached now, and how many rasters that is.
    std::size_t getGlyphCacheBytes() const;
    std::size_t getGlyphCacheCount() const;

    /// The most sized faces the manager keeps (at least 1); setting it drops the excess, least
    /// recently asked for first.
    void setSizedFaceLimit(std::size_t count);
    std::size_t getSizedFaceLimit() const;
    /// The sized faces the manager keeps now.
    std::size_t getSizedFaceCount() const;

    FoFontMgr(const FoFontMgr&) = delete;
    FoFontMgr& operator=(const FoFontMgr&) = delete;

private:
    FoFontMgr();
    ~FoFontMgr();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Vx
