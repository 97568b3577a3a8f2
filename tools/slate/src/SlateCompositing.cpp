// Tile compositing: copy, box, and per line the shadow and the text.
#include "SlateCompositing.h"

#include "SlateNumbers.h"
#include "SlateSoftShadow.h"

#include <Vx/Ip/IpLogicOps.h>
#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <tuple>

namespace Vx {

namespace {

// Draws the glyphs of one line in one colour at translation (x, y): the shadow pass and the
// text pass differ only by the shadow's displacement and colour.
void drawLineGlyphs(const IxWriteGuard& writeGuard, TextLine& line, const FoFont& font, int dx, int dy, int x, int y,
                    const CoRgbaColorTyped<float>& color)
{
    const GeRectangle<int>& tile = writeGuard.getPixelRegion();
    for (PlacedGlyph& placed : line.glyphs) {
        // Only a glyph whose pixels in this pass meet the tile is rasterised: the coverage box
        // also spans the other pass (text or shadow).
        if (!rectanglesOverlap(placed.glyph.box.translated(geAdd(dx, x), geAdd(dy, y)), tile))
            continue;
        placed.glyph.image = font.rasterizeGlyph(placed.glyph).image;
        if (placed.glyph.image.isNull())
            continue;
        const ImReadGuard raster(placed.glyph.image);
        blendGlyph(writeGuard, raster,
                   {geAdd(geAdd(x, placed.glyph.box.x0), dx), geAdd(geAdd(y, placed.glyph.box.y0), dy)}, color);
    }
}

// How far a stroke of `radius` (1/64 pixel) may reach past its glyph's box, in whole pixels: the
// radius, and the bezier arcs of round joins whose control points lie a little outside the circle.
int strokeReach(int radius)
{
    return clampToInt((std::int64_t(radius) * 3 / 2 + 63) / 64 + 2);
}

GeRectangle<int> grownBy(const GeRectangle<int>& r, int by)
{
    if (r.isEmpty())
        return r;
    return {geSub(r.x0, by), geAdd(r.x1, by), geSub(r.y0, by), geAdd(r.y1, by)};
}

// Draws the outline of one line's glyphs at translation (dx, dy): each glyph's stroked raster
// where its pen puts the glyph.
void drawLineOutline(const IxWriteGuard& writeGuard, const TextLine& line, const FoFont& font, int dx, int dy,
                     int radius, const CoRgbaColorTyped<float>& color)
{
    const GeRectangle<int>& tile = writeGuard.getPixelRegion();
    const int reach = strokeReach(radius);
    for (const PlacedGlyph& placed : line.glyphs) {
        if (placed.glyph.box.isEmpty() || !rectanglesOverlap(grownBy(placed.glyph.box.translated(dx, dy), reach), tile))
            continue;
        // The stroke's box is relative to the pen, like the glyph's own box (the raster's).
        const FoFont::Glyph glyph = font.rasterizeGlyph(placed.glyph);
        const FoFont::Glyph stroke = font.strokeGlyph(placed.glyph, radius);
        if (stroke.image.isNull())
            continue;
        const int penX = geSub(placed.glyph.box.x0, glyph.box.x0);
        const int penY = geSub(placed.glyph.box.y0, glyph.box.y0);
        const ImReadGuard raster(stroke.image);
        blendGlyph(writeGuard, raster, {geAdd(geAdd(penX, stroke.box.x0), dx), geAdd(geAdd(penY, stroke.box.y0), dy)},
                   color);
    }
}

} // namespace

bool rectanglesOverlap(const GeRectangle<int>& a, const GeRectangle<int>& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return std::max(a.x0, b.x0) < std::min(a.x1, b.x1) && std::max(a.y0, b.y0) < std::min(a.y1, b.y1);
}

void fillBox(const IxWriteGuard& writeGuard, const GeRectangle<int>& r, const CoRgbaColorTyped<float>& c)
{
    VX_ASSERT(writeGuard.isValid());
    const GeRectangle<int> clipped = r.intersected(writeGuard.getPixelRegion());
    if (clipped.isEmpty())
        return;
    for (int y = clipped.y0; y < clipped.y1; ++y)
        IpLogicOps::overRow(writeGuard.getPixel(clipped.x0, y), std::size_t(clipped.getWidth()), c);
}

void blendGlyph(const IxWriteGuard& writeGuard, const ImReadGuard& raster, const std::pair<int, int>& p,
                const CoRgbaColorTyped<float>& c)
{
    const int w = raster.getWidth();
    const int h = raster.getHeight();
    VX_ASSERT(writeGuard.isValid());
    const GeRectangle<int> d = GeRectangle<int>(p.first, geAdd(p.first, w), p.second, geAdd(p.second, h))
                                   .intersected(writeGuard.getPixelRegion());
    if (d.isEmpty())
        return;
    // The alpha of each coverage value, computed as the per-pixel rule computes it, once per glyph.
    float alphaOf[256];
    for (int v = 0; v < 256; ++v)
        alphaOf[v] = float(v) * c.alpha / 255.0f;
    const std::uint8_t* const bytes = raster.getData();
    const std::ptrdiff_t xStride = raster.getXStride();
    const std::ptrdiff_t yStride = raster.getYStride();
    for (int y = d.y0; y < d.y1; ++y) {
        // Raster rows run top to bottom: its bottom row lands on y = p.y.
        const int row = h - 1 - (y - p.second);
        const std::uint8_t* coverage = bytes + std::ptrdiff_t(row) * yStride + std::ptrdiff_t(d.x0 - p.first) * xStride;
        float* out = writeGuard.getPixel(d.x0, y);
        for (int x = d.x0; x < d.x1; ++x, coverage += xStride, out += 4) {
            const float a = alphaOf[*coverage];
            if (a > 0.0f)
                IpLogicOps::overInPlace(out, {c.red, c.green, c.blue, a});
        }
    }
}

SlatePlacement placeSlate(const GeRectangle<int>& frame, float s, const std::string& text, const FoFont& font,
                          float textSize, int hAlign, int vAlign, const std::pair<float, float>& offset, bool shadowOn,
                          const std::pair<float, float>& shadowOffset, bool boxOn, float boxMargin,
                          const SlateStyle& style)
{
    SlatePlacement placed;
    // The outline's radius in 1/64 pixel and the blur's in pixels, at this level; widths past the
    // inputs' ranges (a caller without their policies) count as the largest, so that no value
    // asks for a raster or a blur beyond them.
    const float outlineWidth = std::min(style.outlineWidth, SlateStyle::kMaxOutlineWidth);
    const float shadowSoftness = std::min(style.shadowSoftness, SlateStyle::kMaxShadowSoftness);
    placed.outlineRadius = style.outlineOn ? truncToInt(std::floor(outlineWidth * s * 64.0f + 0.5f)) : 0;
    placed.outlineOn = style.outlineOn && placed.outlineRadius > 0 && style.outlineColor.alpha > 0.0f;
    placed.blurRadius = shadowOn ? truncToInt(std::floor(shadowSoftness * s + 0.5f)) : 0;
    const bool softShadow = placed.blurRadius > 0;

    // One value serves as the font's nominal pixel size and as the distance between baselines.
    const int pixelSize = truncToInt(textSize * s);
    TextLayout& layout = placed.layout;
    layout = layoutText(text, font, pixelSize, hAlign, pixelSize, style.stableLayout);
    // The outline reaches past the ink; the shadow's coverage boxes take it along below.
    if (placed.outlineOn)
        for (TextLine& line : layout.lines)
            line.box = grownBy(line.box, strokeReach(placed.outlineRadius));
    std::tie(placed.dx, placed.dy) =
        placeTextBlock(frame, s, hAlign, vAlign, shadowOn, shadowOffset, boxOn, boxMargin, layout, offset);
    if (softShadow)
        for (TextLine& line : layout.lines)
            line.box = grownBy(line.box, placed.blurRadius);

    placed.sx = shadowOn ? truncToInt(shadowOffset.first * s) : 0;
    placed.sy = shadowOn ? truncToInt(shadowOffset.second * s) : 0;
    GeRectangle<int> block = layout.bounds.translated(placed.dx, placed.dy);
    if (shadowOn)
        block = block.united(block.translated(placed.sx, placed.sy));
    // Without the extras every line lies inside the bounds; with them, or with a stable layout
    // (whose bounds ignore the ink), the lines may reach further.
    if (placed.outlineOn || softShadow || style.stableLayout)
        for (const TextLine& line : layout.lines)
            block = block.united(line.box.translated(placed.dx, placed.dy));
    placed.block = block;
    return placed;
}

void drawSlate(const IxWriteGuard& writeGuard, const IxReadGuard& readGuard, const GeRectangle<int>& frame,
               SlatePlacement& placed, const FoFont& font, const CoRgbaColorTyped<float>& textColor, bool shadowOn,
               const CoRgbaColorTyped<float>& shadowColor, bool boxOn, const CoRgbaColorTyped<float>& boxColor,
               const SlateStyle& style)
{
    VX_ASSERT(writeGuard.isValid());
    const GeRectangle<int>& tile = writeGuard.getPixelRegion();
    TextLayout& layout = placed.layout;
    const int dx = placed.dx;
    const int dy = placed.dy;
    const int sx = placed.sx;
    const int sy = placed.sy;
    const int blurRadius = placed.blurRadius;
    const bool softShadow = blurRadius > 0;
    const bool outlineOn = placed.outlineOn;
    const int outlineRadius = placed.outlineRadius;
    const GeRectangle<int>& block = placed.block;

    ipCopy(writeGuard, readGuard);
    if (!rectanglesOverlap(tile, block))
        return; // the output is an exact copy of the input

    if (boxOn)
        fillBox(writeGuard, layout.bounds.translated(dx, dy), boxColor);
    if (softShadow)
        drawSoftShadow(writeGuard, frame, layout, font, dx, dy, sx, sy, blurRadius, shadowColor);

    // Each line's hard shadow goes under that line's text only: the next line's shadow is drawn
    // after it, and may cover it.
    for (TextLine& line : layout.lines) {
        if (!rectanglesOverlap(line.box.translated(dx, dy), tile))
            continue;
        if (shadowOn && !softShadow)
            drawLineGlyphs(writeGuard, line, font, dx, dy, sx, sy, shadowColor);
        if (outlineOn)
            drawLineOutline(writeGuard, line, font, dx, dy, outlineRadius, style.outlineColor);
        drawLineGlyphs(writeGuard, line, font, dx, dy, 0, 0, textColor);
    }
}

} // namespace Vx

namespace Vx {

void compositeSlate(const IxWriteGuard& writeGuard, const IxReadGuard& readGuard, const GeRectangle<int>& frame,
                    float s, const std::string& text, const FoFont& font, float textSize,
                    const CoRgbaColorTyped<float>& textColor, int hAlign, int vAlign,
                    const std::pair<float, float>& offset, bool shadowOn, const CoRgbaColorTyped<float>& shadowColor,
                    const std::pair<float, float>& shadowOffset, bool boxOn, const CoRgbaColorTyped<float>& boxColor,
                    float boxMargin, const SlateStyle& style)
{
    SlatePlacement placed = placeSlate(frame, s, text, font, textSize, hAlign, vAlign, offset, shadowOn, shadowOffset,
                                       boxOn, boxMargin, style);
    drawSlate(writeGuard, readGuard, frame, placed, font, textColor, shadowOn, shadowColor, boxOn, boxColor, style);
}

} // namespace Vx
