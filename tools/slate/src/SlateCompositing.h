// Tile compositing: draws the slate into one output tile.
//
// The input tile is copied into the output tile, then the box is blended over it and, line by
// line, each line's drop shadow and then its glyphs. Every drawn pixel is blended over what the
// output tile holds at that moment, so later layers cover earlier ones. Work is culled against
// the tile at three levels (block, line, glyph), so a tile the slate does not reach costs a
// layout and a copy (and the processing node passes such tiles on without the copy). Runs on the rendering thread;
// several tiles may be composited at once. An outline goes between each line's shadow and its text; a soft shadow
// (SlateSoftShadow.h) goes under all the text at once.
#pragma once

#include "TextLayout.h"

#include <Vx/Co/CoColor.h>
#include <Vx/Fo/FoFont.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Im/ImImage.h>
#include <Vx/Ix/IxTile.h>

#include <string>
#include <utility>

namespace Vx {

/// Whether both rectangles are non-empty and share at least one pixel.
bool rectanglesOverlap(const GeRectangle<int>& a, const GeRectangle<int>& b);

/// Blends colour `c` (straight, its alpha the opacity) over the output tile's part of `r`.
void fillBox(const IxWriteGuard& writeGuard, const GeRectangle<int>& r, const CoRgbaColorTyped<float>& c);

/// Blends a glyph raster in colour `c` into the output tile with the raster's bottom-left pixel at
/// `p`; coverage times c.alpha is the source alpha of each pixel, pixels with none are untouched.
void blendGlyph(const IxWriteGuard& writeGuard, const ImReadGuard& raster, const std::pair<int, int>& p,
                const CoRgbaColorTyped<float>& c);

/// The typography on top of the slate's basic drawing: an outline around the glyphs, a soft
/// shadow and the stable layout. The defaults draw exactly what the slate draws without them.
struct SlateStyle
{
    /// The largest outline width and shadow softness drawn, in full-resolution pixels (larger
    /// values draw as these).
    static constexpr float kMaxOutlineWidth = 100.0f;
    static constexpr float kMaxShadowSoftness = 200.0f;

    bool outlineOn = false;                 ///< a stroke around every glyph, over the shadow, under the text
    CoRgbaColorTyped<float> outlineColor{}; ///< straight, its alpha the opacity
    float outlineWidth = 0.0f;              ///< how far the stroke reaches out, in full-resolution pixels
    float shadowSoftness = 0.0f;            ///< blur radius of the drop shadow, full-resolution pixels
    bool stableLayout = false;              ///< see layoutText
};

/// The text of a slate laid out and placed in the frame, and every pixel its drawing reaches:
/// what a tile needs to know whether the slate reaches it, and to draw it.
struct SlatePlacement
{
    TextLayout layout; ///< lines and glyphs, at the origin (translate by dx, dy)
    int dx = 0;        ///< where the block goes in the frame
    int dy = 0;
    int sx = 0; ///< the drop shadow's offset, pixels at this level
    int sy = 0;
    int outlineRadius = 0;  ///< 1/64 pixel
    bool outlineOn = false; ///< the outline is drawn (wide and opaque enough)
    int blurRadius = 0;     ///< the soft shadow's, in pixels; 0: a hard shadow
    GeRectangle<int> block; ///< box, text, outline and shadows: tiles outside it are the input unchanged
};

/// Lays out and places the slate's text as compositeSlate does (same arguments).
SlatePlacement placeSlate(const GeRectangle<int>& frame, float s, const std::string& text, const FoFont& font,
                          float textSize, int hAlign, int vAlign, const std::pair<float, float>& offset, bool shadowOn,
                          const std::pair<float, float>& shadowOffset, bool boxOn, float boxMargin,
                          const SlateStyle& style = SlateStyle());

/// Draws a placed slate into the output tile over a copy of the input tile (compositeSlate's
/// second half; `placed` keeps the glyphs rasterised for the tile).
void drawSlate(const IxWriteGuard& writeGuard, const IxReadGuard& readGuard, const GeRectangle<int>& frame,
               SlatePlacement& placed, const FoFont& font, const CoRgbaColorTyped<float>& textColor, bool shadowOn,
               const CoRgbaColorTyped<float>& shadowColor, bool boxOn, const CoRgbaColorTyped<float>& boxColor,
               const SlateStyle& style = SlateStyle());

/// Draws the slate: `frame` is the frame's pixels at scale `s`; `text` the text to show;
/// `textSize`, `offset`, `shadowOffset` and `boxMargin` are in full-resolution pixels.
///
/// `style`: an outline whose width is 1/64 pixel or more at this level is drawn per line after
/// the line's shadow and before its text, the glyphs stroked by FoFont::strokeGlyph. A shadow
/// whose softness rounds to a radius of 1 pixel or more at this level is drawn once for the whole
/// text after the box (drawSoftShadow), instead of the hard shadow under each line; lines and
/// the block grow by the outline's and the blur's reach so that every tile they reach finds them.
void compositeSlate(const IxWriteGuard& writeGuard, const IxReadGuard& readGuard, const GeRectangle<int>& frame,
                    float s, const std::string& text, const FoFont& font, float textSize,
                    const CoRgbaColorTyped<float>& textColor, int hAlign, int vAlign,
                    const std::pair<float, float>& offset, bool shadowOn, const CoRgbaColorTyped<float>& shadowColor,
                    const std::pair<float, float>& shadowOffset, bool boxOn, const CoRgbaColorTyped<float>& boxColor,
                    float boxMargin, const SlateStyle& style = SlateStyle());

} // namespace Vx
