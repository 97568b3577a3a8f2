// A font at one pixel size: metrics, per-character glyphs and glyph rasters.
//
// FoFont is a small value (a handle to a shared sized face): copying and assigning it is cheap,
// and one face is shared by every render that asks for the same family, style and size. All
// operations are const and safe to call from several worker threads at once; glyph metrics are
// cached by the face for its life, so a layout per tile costs table look-ups. Metrics never
// render a glyph: only rasterizeGlyph does, and the font service keeps the rasters it made in a
// cache bounded in bytes (see FoFontMgr), so a raster is handed out by shared ownership: the
// caller's handle keeps it alive however the cache evicts. Stroked rasters (a glyph with an
// outline around it) are made and cached the same way, per radius.
//
// A character the font lacks is drawn from the font's fallback (the installed font fontconfig ranks
// first for the family that has it, at the same pixel size, on the same baseline): its glyph names
// the face it comes from, and rasterizeGlyph(const Glyph&) renders it there. Only a character no
// installed font has gives the font's own missing glyph (index 0).
//
// Glyph boxes are in pixels relative to the pen on the baseline, y up; rasters are 8-bit
// coverage images, top row first, exactly as wide and tall as the glyph box.
#pragma once

#include <Vx/Ge/GeRectangle.h>
#include <Vx/Im/ImImage.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstdint>
#include <string>

namespace Vx {

class FoFont
{
public:
    class Face;

    struct Glyph
    {
        std::uint32_t id = 0; ///< the face's glyph index, as rasterizeGlyph takes it
        GeRectangle<int> box; ///< pixels relative to the pen on the baseline, y up
        int advanceX = 0;     ///< pen advance in whole pixels
        int advanceY = 0;
        RCShdPtr<ImImage> image; ///< the coverage raster, when one was asked for; may be empty
        /// The face whose glyph index `id` is, kept alive by the font that gave the glyph; null
        /// for the font's own face.
        const Face* face = nullptr;
    };

    /// What a concrete face provides. The font service implements it over FreeType; tests may
    /// implement it with metrics of their choosing.
    class Face : public RCObject
    {
    public:
        virtual int getAscent() const = 0;  ///< font units, positive above the baseline
        virtual int getDescent() const = 0; ///< font units, negative below the baseline
        virtual int getUnitsPerEM() const = 0;
        /// The glyph of a character (a code point), without its raster.
        virtual const Glyph& getChar(wchar_t c) const = 0;
        /// The glyph of a glyph index, its raster in `image` (empty for a glyph that draws nothing).
        virtual Glyph rasterizeGlyph(std::uint32_t id) const = 0;
        /// A readable description ("DejaVu Sans Bold 48x48 px").
        virtual std::string describe() const = 0;
        /// The glyph of index `id` grown outward by `radius` (1/64 pixel): its box and the coverage
        /// raster of the glyph with a stroke of that radius around it. A face without outlines
        /// gives the glyph as rasterizeGlyph does, which is also this default.
        virtual Glyph strokeGlyph(std::uint32_t id, int /*radius*/) const { return rasterizeGlyph(id); }
    };

    FoFont() = default;
    explicit FoFont(RCShdPtr<Face> face) : m_face(std::move(face)) {}

    /// Whether the font was found. An invalid font must not be asked for metrics or glyphs.
    bool isValid() const { return !m_face.isNull(); }

    int getAscent() const { return m_face->getAscent(); }
    int getDescent() const { return m_face->getDescent(); }
    int getUnitsPerEM() const { return m_face->getUnitsPerEM(); }

    /// The glyph of the character `c`, a code point U+0000 to U+10FFFF, without its raster
    /// (`image` empty). A character the font lacks comes from its fallback font (`face` names
    /// it); a character no installed font has, or a value that is no code point, yields the
    /// font's "missing glyph" (index 0, `face` the font's own). The returned reference stays
    /// valid while the font's face lives.
    const Glyph& getChar(wchar_t c) const { return m_face->getChar(c); }

    /// The glyph of index `id` with its coverage raster in `image`, which the returned handle
    /// keeps alive. The font service's faces throw std::out_of_range for an index the face does
    /// not have.
    Glyph rasterizeGlyph(std::uint32_t id) const { return m_face->rasterizeGlyph(id); }
    /// The glyph `glyph` (as getChar gave it) with its raster, rendered by the face it comes from.
    Glyph rasterizeGlyph(const Glyph& glyph) const
    {
        return (glyph.face ? *glyph.face : *m_face).rasterizeGlyph(glyph.id);
    }

    /// The glyph of index `id` with a stroke of `radius` 1/64 pixels around it (round joins), as
    /// one coverage raster over its own box (pixels relative to the pen, y up); the advance is the
    /// glyph's. A glyph that draws nothing has an empty box and no raster. The font service keeps
    /// these rasters in its glyph cache, per face (so per size) and radius.
    Glyph strokeGlyph(std::uint32_t id, int radius) const { return m_face->strokeGlyph(id, radius); }
    /// The glyph `glyph` (as getChar gave it) stroked by the face it comes from.
    Glyph strokeGlyph(const Glyph& glyph, int radius) const
    {
        return (glyph.face ? *glyph.face : *m_face).strokeGlyph(glyph.id, radius);
    }

    const RCShdPtr<Face>& getFace() const { return m_face; }
    std::string describe() const { return isValid() ? m_face->describe() : std::string("(no font)"); }

private:
    RCShdPtr<Face> m_face;
};

} // namespace Vx
