// The soft drop shadow: the union of the glyphs' shadow coverage, blurred, composited once per
// pixel, so that where glyph shadows overlap they do not darken each other.
//
// The coverage of the whole text block, over its shadow's ink grown by the blur's reach, is blurred
// once and kept in SlateShadowCache; every tile the block reaches composites its own pixels from
// it. A block too large for the cache, or being made by another thread at the time, is blurred
// per tile: the tile computes the coverage over itself and as far around it as the blur reaches
// (no further than the shadow's ink, grown by that reach). The blur of a pixel only reads coverage
// within the reach, so both ways give every tile exactly the pixels of the whole frame. Integer
// arithmetic throughout, until the coverage becomes an alpha. Runs on the rendering thread;
// several tiles may draw at once.
#pragma once

#include "TextLayout.h"

#include <Vx/Co/CoColor.h>
#include <Vx/Fo/FoFont.h>
#include <Vx/Ix/IxTile.h>

#include <array>
#include <cstdint>
#include <vector>

namespace Vx {

/// The half-widths of the three box blurs run along each axis; they add up to `radius` (pixels of
/// this level), which is how far the blur reaches. Three boxes make a close, smooth approximation
/// of a gaussian.
std::array<int, 3> softShadowBoxes(int radius);

/// Blurs `coverage` (`width` x `height` values, row by row) in place by the three boxes of
/// softShadowBoxes(radius) along the rows, then the same along the columns; values outside the
/// image count as 0. Each box gives the mean of its 2b + 1 values, rounded half up.
void blurCoverage(std::vector<std::uint16_t>& coverage, int width, int height, int radius);

/// Draws the soft shadow of `layout`'s glyphs into the output tile: their rasters moved by
/// (dx + sx, dy + sy), united (the larger coverage wins), blurred by blurCoverage with `radius`
/// and blended in `color`, coverage times color.alpha being each pixel's source alpha. The
/// blurred coverage of the whole block comes from SlateShadowCache::getInstance(), made there
/// when missing. A block the cache cannot hold, that another thread is making, or that lies
/// mostly outside `frame` (the frame's pixels at this level: less than half of the block on it,
/// not worth blurring whole) is blurred over the tile and the radius around it, reading only the
/// lines whose coverage box (moved by (dx, dy)) meets that area.
void drawSoftShadow(const IxWriteGuard& writeGuard, const GeRectangle<int>& frame, const TextLayout& layout,
                    const FoFont& font, int dx, int dy, int sx, int sy, int radius,
                    const CoRgbaColorTyped<float>& color);

} // namespace Vx
