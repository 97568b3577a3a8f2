// The soft drop shadow: coverage union, three box blurs per axis, one blend per pixel.
#include "SlateSoftShadow.h"

#include "SlateCompositing.h"
#include "SlateShadowCache.h"

#include <Vx/Ip/IpLogicOps.h>
#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>

namespace Vx {

namespace {

// Full coverage: 8-bit coverage is widened by 257 so that the blur's rounding loses little.
constexpr std::uint32_t kFull = 65535;

GeRectangle<int> grown(const GeRectangle<int>& r, int by)
{
    if (r.isEmpty())
        return r;
    return {geSub(r.x0, by), geAdd(r.x1, by), geSub(r.y0, by), geAdd(r.y1, by)};
}

// (x + n / 2) / n for x below 2^25 and n below 2^15, by a multiplication: with m = ceil(2^38 / n),
// x * m / 2^38 exceeds x / n by less than 2^-13 < 1 / n, so its floor is the quotient's.
struct RoundedMean
{
    explicit RoundedMean(std::uint32_t count) : n(count), m(((std::uint64_t(1) << 38) + count - 1) / count) {}
    std::uint16_t operator()(std::uint32_t sum) const { return std::uint16_t(((sum + n / 2) * m) >> 38); }
    std::uint64_t n;
    std::uint64_t m;
};

// One box blur of half-width b along each row of `in` (width x height), into `out`.
void rowPass(const std::uint16_t* in, std::uint16_t* out, int width, int height, int b)
{
    const RoundedMean mean(std::uint32_t(2 * b + 1));
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* src = in + std::ptrdiff_t(y) * width;
        std::uint16_t* dst = out + std::ptrdiff_t(y) * width;
        std::uint32_t sum = 0;
        for (int i = 0; i <= b && i < width; ++i)
            sum += src[i];
        for (int i = 0; i < width; ++i) {
            dst[i] = mean(sum);
            if (i + b + 1 < width)
                sum += src[i + b + 1];
            if (i - b >= 0)
                sum -= src[i - b];
        }
    }
}

// The same along each column, a row at a time: every column's window sum is kept for the row, so
// that memory is read in order.
void columnPass(const std::uint16_t* in, std::uint16_t* out, int width, int height, int b,
                std::vector<std::uint32_t>& sums)
{
    const RoundedMean mean(std::uint32_t(2 * b + 1));
    const std::size_t w = std::size_t(width);
    sums.assign(w, 0);
    std::uint32_t* const sum = sums.data();
    for (int y = 0; y <= b && y < height; ++y) {
        const std::uint16_t* row = in + std::ptrdiff_t(y) * width;
        for (std::size_t x = 0; x < w; ++x)
            sum[x] += row[x];
    }
    for (int y = 0; y < height; ++y) {
        std::uint16_t* dst = out + std::ptrdiff_t(y) * width;
        for (std::size_t x = 0; x < w; ++x)
            dst[x] = mean(sum[x]);
        if (y + b + 1 < height) {
            const std::uint16_t* row = in + std::ptrdiff_t(y + b + 1) * width;
            for (std::size_t x = 0; x < w; ++x)
                sum[x] += row[x];
        }
        if (y - b >= 0) {
            const std::uint16_t* row = in + std::ptrdiff_t(y - b) * width;
            for (std::size_t x = 0; x < w; ++x)
                sum[x] -= row[x];
        }
    }
}

// Unites a glyph raster whose box is `box` into `values` (the coverage over `area`, rows bottom
// to top): each pixel keeps the larger of the two coverages.
void uniteRaster(std::vector<std::uint16_t>& values, const GeRectangle<int>& area, const RCShdPtr<ImImage>& image,
                 const GeRectangle<int>& box)
{
    const GeRectangle<int> part = box.intersected(area);
    if (part.isEmpty() || image.isNull())
        return;
    const std::size_t width = std::size_t(area.getWidth());
    const ImReadGuard raster(image);
    const std::uint8_t* const bytes = raster.getData();
    const std::ptrdiff_t xStride = raster.getXStride();
    const std::ptrdiff_t yStride = raster.getYStride();
    for (int py = part.y0; py < part.y1; ++py) {
        // Raster rows run top to bottom: its bottom row lands on box.y0.
        const int row = raster.getHeight() - 1 - (py - box.y0);
        const std::uint8_t* in = bytes + std::ptrdiff_t(row) * yStride + std::ptrdiff_t(part.x0 - box.x0) * xStride;
        std::uint16_t* out = values.data() + std::size_t(py - area.y0) * width + std::size_t(part.x0 - area.x0);
        for (int px = part.x0; px < part.x1; ++px, in += xStride, ++out)
            *out = std::max(*out, std::uint16_t(*in * 257u));
    }
}

// Blends the tile's part of `values` (the blurred coverage over `area`, rows bottom to top) in
// `color`; pixels without coverage are left as they are.
void blendCoverage(const IxWriteGuard& writeGuard, const std::vector<std::uint16_t>& values,
                   const GeRectangle<int>& area, const CoRgbaColorTyped<float>& color)
{
    const float alphaPerLevel = color.alpha / float(kFull);
    const std::size_t width = std::size_t(area.getWidth());
    const GeRectangle<int> drawn = area.intersected(writeGuard.getPixelRegion());
    for (int py = drawn.y0; py < drawn.y1; ++py) {
        const std::uint16_t* in = values.data() + std::size_t(py - area.y0) * width + std::size_t(drawn.x0 - area.x0);
        float* out = writeGuard.getPixel(drawn.x0, py);
        for (int px = drawn.x0; px < drawn.x1; ++px, ++in, out += 4) {
            if (*in == 0)
                continue;
            IpLogicOps::overInPlace(out, {color.red, color.green, color.blue, float(*in) * alphaPerLevel});
        }
    }
}

// The blurred coverage of a whole block from its name alone: its glyphs (boxes relative to the
// ink's origin) united over the ink grown by the radius, then blurred.
void makeBlockCoverage(const SlateShadowCache::Key& key, SlateShadowCache::Coverage& coverage)
{
    GeRectangle<int> ink;
    for (const SlateShadowCache::Glyph& g : key.glyphs)
        ink = ink.united(g.box);
    const GeRectangle<int> area = grown(ink, key.radius);
    coverage.width = area.getWidth();
    coverage.height = area.getHeight();
    coverage.values.assign(std::size_t(coverage.width) * std::size_t(coverage.height), 0);
    for (const SlateShadowCache::Glyph& g : key.glyphs) {
        const FoFont::Face& face = g.face ? *g.face : *key.font;
        uniteRaster(coverage.values, area, face.rasterizeGlyph(g.id).image, g.box);
    }
    blurCoverage(coverage.values, coverage.width, coverage.height, key.radius);
}

} // namespace

std::array<int, 3> softShadowBoxes(int radius)
{
    const int r = std::max(radius, 0);
    return {(r + 2) / 3, (r + 1) / 3, r / 3};
}

void blurCoverage(std::vector<std::uint16_t>& coverage, int width, int height, int radius)
{
    VX_ASSERT(coverage.size() == std::size_t(width) * std::size_t(height));
    std::vector<std::uint16_t> other(coverage.size());
    std::vector<std::uint32_t> sums;
    const std::array<int, 3> boxes = softShadowBoxes(radius);
    for (const bool alongRows : {true, false}) {
        for (const int b : boxes) {
            if (b == 0)
                continue;
            if (alongRows)
                rowPass(coverage.data(), other.data(), width, height, b);
            else
                columnPass(coverage.data(), other.data(), width, height, b, sums);
            coverage.swap(other);
        }
    }
}

void drawSoftShadow(const IxWriteGuard& writeGuard, const GeRectangle<int>& frame, const TextLayout& layout,
                    const FoFont& font, int dx, int dy, int sx, int sy, int radius,
                    const CoRgbaColorTyped<float>& color)
{
    VX_ASSERT(writeGuard.isValid());
    const GeRectangle<int>& tile = writeGuard.getPixelRegion();
    const int x = geAdd(dx, sx);
    const int y = geAdd(dy, sy);

    // The block's ink, in layout coordinates.
    GeRectangle<int> ink;
    std::size_t drawn = 0;
    for (const TextLine& line : layout.lines)
        for (const PlacedGlyph& placed : line.glyphs)
            if (!placed.glyph.box.isEmpty()) {
                ink = ink.united(placed.glyph.box);
                ++drawn;
            }
    if (ink.isEmpty())
        return;
    // Outside the ink grown by the reach the blurred coverage is 0.
    const GeRectangle<int> block = grown(ink.translated(x, y), radius);
    if (!rectanglesOverlap(block, tile))
        return;

    // The whole block's coverage, from the cache, unless the edge of the int range cut the block's
    // rectangle (then it no longer has the coverage's size) or most of it is off the frame.
    const std::int64_t width = std::int64_t(ink.getWidth()) + 2 * std::int64_t(radius);
    const std::int64_t height = std::int64_t(ink.getHeight()) + 2 * std::int64_t(radius);
    const GeRectangle<int> shown = block.intersected(frame);
    if (ink.x0 != std::numeric_limits<int>::min() && ink.y0 != std::numeric_limits<int>::min() &&
        block.getWidth() == width && block.getHeight() == height &&
        2 * std::int64_t(shown.getWidth()) * std::int64_t(shown.getHeight()) >= width * height) {
        SlateShadowCache::Key key;
        key.font = font.getFace();
        key.radius = radius;
        key.glyphs.reserve(drawn);
        for (const TextLine& line : layout.lines)
            for (const PlacedGlyph& placed : line.glyphs)
                if (!placed.glyph.box.isEmpty())
                    key.glyphs.push_back(
                        {placed.glyph.face, placed.glyph.id, placed.glyph.box.translated(-ink.x0, -ink.y0)});
        const std::shared_ptr<const SlateShadowCache::Coverage> coverage = SlateShadowCache::getInstance().getCoverage(
            std::move(key), std::size_t(width) * std::size_t(height) * sizeof(std::uint16_t), makeBlockCoverage);
        if (coverage) {
            blendCoverage(writeGuard, coverage->values, block, color);
            return;
        }
    }

    // A block too large to cache, or being made by another thread: the tile blurs the coverage
    // over itself and the blur's reach.
    const GeRectangle<int> reach = grown(tile, radius);
    GeRectangle<int> nearInk;
    for (const TextLine& line : layout.lines) {
        if (!rectanglesOverlap(line.box.translated(dx, dy), reach))
            continue;
        for (const PlacedGlyph& placed : line.glyphs) {
            const GeRectangle<int> box = placed.glyph.box.translated(x, y);
            if (rectanglesOverlap(box, reach))
                nearInk = nearInk.united(box);
        }
    }
    // Outside the tile grown by the reach no value reaches the tile.
    const GeRectangle<int> area = reach.intersected(grown(nearInk, radius));
    if (!rectanglesOverlap(area, tile))
        return;
    std::vector<std::uint16_t> values(std::size_t(area.getWidth()) * std::size_t(area.getHeight()), 0);
    for (const TextLine& line : layout.lines) {
        if (!rectanglesOverlap(line.box.translated(dx, dy), reach))
            continue;
        for (const PlacedGlyph& placed : line.glyphs) {
            const GeRectangle<int> box = placed.glyph.box.translated(x, y);
            if (rectanglesOverlap(box, area))
                uniteRaster(values, area, font.rasterizeGlyph(placed.glyph).image, box);
        }
    }
    blurCoverage(values, area.getWidth(), area.getHeight(), radius);
    blendCoverage(writeGuard, values, area, color);
}

} // namespace Vx
