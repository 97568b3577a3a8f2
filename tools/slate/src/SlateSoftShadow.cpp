// The soft drop shadow: coverage union, three box blurs per axis, one blend per pixel.
#include "SlateSoftShadow.h"

#include "SlateCompositing.h"

#include <Vx/Ip/IpLogicOps.h>
#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <cstddef>

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

void drawSoftShadow(const IxWriteGuard& writeGuard, const TextLayout& layout, const FoFont& font, int dx, int dy,
                    int sx, int sy, int radius, const CoRgbaColorTyped<float>& color)
{
    VX_ASSERT(writeGuard.isValid());
    const GeRectangle<int>& tile = writeGuard.getPixelRegion();
    const GeRectangle<int> reach = grown(tile, radius);
    const int x = geAdd(dx, sx);
    const int y = geAdd(dy, sy);

    // The shadow's ink near the tile: every glyph box whose coverage the blur may carry into it.
    GeRectangle<int> ink;
    for (const TextLine& line : layout.lines) {
        if (!rectanglesOverlap(line.box.translated(dx, dy), reach))
            continue;
        for (const PlacedGlyph& placed : line.glyphs) {
            const GeRectangle<int> box = placed.glyph.box.translated(x, y);
            if (rectanglesOverlap(box, reach))
                ink = ink.united(box);
        }
    }
    // Outside the ink grown by the reach the blurred coverage is 0; outside the tile grown by it
    // no value reaches the tile.
    const GeRectangle<int> area = reach.intersected(grown(ink, radius));
    if (!rectanglesOverlap(area, tile))
        return;
    const int width = area.getWidth();
    const int height = area.getHeight();
    std::vector<std::uint16_t> coverage(std::size_t(width) * std::size_t(height), 0);

    for (const TextLine& line : layout.lines) {
        if (!rectanglesOverlap(line.box.translated(dx, dy), reach))
            continue;
        for (const PlacedGlyph& placed : line.glyphs) {
            const GeRectangle<int> box = placed.glyph.box.translated(x, y);
            const GeRectangle<int> part = box.intersected(area);
            if (part.isEmpty())
                continue;
            const RCShdPtr<ImImage> image = font.rasterizeGlyph(placed.glyph).image;
            if (image.isNull())
                continue;
            const ImReadGuard raster(image);
            const std::uint8_t* const bytes = raster.getData();
            const std::ptrdiff_t xStride = raster.getXStride();
            const std::ptrdiff_t yStride = raster.getYStride();
            for (int py = part.y0; py < part.y1; ++py) {
                // Raster rows run top to bottom: its bottom row lands on box.y0.
                const int row = raster.getHeight() - 1 - (py - box.y0);
                const std::uint8_t* in =
                    bytes + std::ptrdiff_t(row) * yStride + std::ptrdiff_t(part.x0 - box.x0) * xStride;
                std::uint16_t* out =
                    coverage.data() + std::size_t(py - area.y0) * std::size_t(width) + std::size_t(part.x0 - area.x0);
                for (int px = part.x0; px < part.x1; ++px, in += xStride, ++out)
                    *out = std::max(*out, std::uint16_t(*in * 257u));
            }
        }
    }

    blurCoverage(coverage, width, height, radius);

    const float alphaPerLevel = color.alpha / float(kFull);
    const GeRectangle<int> drawn = area.intersected(tile);
    for (int py = drawn.y0; py < drawn.y1; ++py) {
        const std::uint16_t* in =
            coverage.data() + std::size_t(py - area.y0) * std::size_t(width) + std::size_t(drawn.x0 - area.x0);
        float* out = writeGuard.getPixel(drawn.x0, py);
        for (int px = drawn.x0; px < drawn.x1; ++px, ++in, out += 4) {
            if (*in == 0)
                continue;
            IpLogicOps::overInPlace(out, {color.red, color.green, color.blue, float(*in) * alphaPerLevel});
        }
    }
}

} // namespace Vx
