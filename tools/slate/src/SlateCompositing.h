// Tile compositing: draws the slate into one output tile.
//
// The input tile is copied into the output tile, then the box is blended over it and, line by
// line, each line's drop shadow and then its glyphs. Every drawn pixel is blended over what the
// output tile holds at that moment, so later layers cover earlier ones. Work is culled against
// the tile at three levels (block, line, glyph), so a tile the slate does not reach costs a
// layout and a copy. Runs on the rendering thread; several tiles may be composited at once.
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

/// Draws the slate: `frame` is the frame's pixels at scale `s`; `text` the text to show;
/// `textSize`, `offset`, `shadowOffset` and `boxMargin` are in full-resolution pixels.
void compositeSlate(const IxWriteGuard& writeGuard, const IxReadGuard& readGuard, const GeRectangle<int>& frame,
                    float s, const std::string& text, const FoFont& font, float textSize,
                    const CoRgbaColorTyped<float>& textColor, int hAlign, int vAlign,
                    const std::pair<float, float>& offset, bool shadowOn, const CoRgbaColorTyped<float>& shadowColor,
                    const std::pair<float, float>& shadowOffset, bool boxOn, const CoRgbaColorTyped<float>& boxColor,
                    float boxMargin);

} // namespace Vx
