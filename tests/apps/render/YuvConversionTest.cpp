// Float RGBA into movie planes: the standard codes of known colours, by every path the conversion
// takes (a plain tile, eight pixels at a time, the ends of rows), and the same planes whether a
// frame is converted whole (rows the same as the ones above copied) or row by row.
#include <Vx/Render/YuvConversion.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

using namespace Vx::Render;

namespace {

struct Planes
{
    std::array<std::vector<std::uint16_t>, 4> samples;
    YuvPlanes planes;

    Planes(const YuvLayout& layout, int width, int height)
    {
        planes.width = width;
        planes.height = height;
        for (int p = 0; p < 4; ++p) {
            const bool chroma = p == 1 || p == 2;
            const int w = chroma ? width / layout.chromaWidth : width;
            const int h = chroma ? height / layout.chromaHeight : height;
            samples[std::size_t(p)].assign(std::size_t(w) * std::size_t(h), 0xDEAD);
            planes.data[p] = reinterpret_cast<std::uint8_t*>(samples[std::size_t(p)].data());
            planes.linesize[p] = w * (layout.bits == 8 ? 1 : 2);
        }
    }
    int at(const YuvLayout& layout, int plane, int x, int y) const
    {
        const std::uint8_t* row = planes.data[plane] + std::ptrdiff_t(y) * planes.linesize[plane];
        return layout.bits == 8 ? row[x] : reinterpret_cast<const std::uint16_t*>(row)[x];
    }
};

FrameTile tileOf(const std::vector<float>& pixels, int frameWidth, int x, int y, int width, int height)
{
    return {
        x, y, width, height, pixels.data() + (std::ptrdiff_t(y) * frameWidth + x) * 4, std::ptrdiff_t(frameWidth) * 4};
}

YuvLayout layout(int bits, int chromaWidth, int chromaHeight, bool alpha = false, bool fullRange = false)
{
    YuvLayout l;
    l.bits = bits;
    l.chromaWidth = chromaWidth;
    l.chromaHeight = chromaHeight;
    l.alpha = alpha;
    l.fullRange = fullRange;
    return l;
}

} // namespace

TEST(YuvConversion, KnownColoursTakeTheStandardCodes)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        YuvLayout layout;
        std::array<float, 4> rgba; // premultiplied
        int y, u, v, a;
    };
    const Case cases[] = {
        {layout(10, 2, 1), {0, 0, 0, 1}, 64, 512, 512, -1},
        {layout(10, 2, 1), {1, 1, 1, 1}, 940, 512, 512, -1},
        {layout(10, 2, 1), {1, 0, 0, 1}, 250, 409, 960, -1},
        {layout(10, 2, 1), {0, 1, 0, 1}, 691, 167, 105, -1},
        {layout(10, 2, 1), {0, 0, 1, 1}, 127, 960, 471, -1},
        {layout(10, 2, 1), {nan, -1, 2, 1}, 127, 960, 471, -1}, // clamped, a NaN to 0
        {layout(8, 2, 2), {1, 0, 0, 1}, 63, 102, 240, -1},
        {layout(8, 2, 1, false, true), {1, 1, 1, 1}, 255, 128, 128, -1},
        {layout(10, 1, 1, true), {0.5f, 0, 0, 0.5f}, 250, 409, 960, 512}, // red at half alpha
        {layout(10, 1, 1, true), {0, 0, 0, 0}, 64, 512, 512, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bits " << c.layout.bits << ", colour " << c.rgba[0] << " " << c.rgba[1]
                                          << " " << c.rgba[2] << " " << c.rgba[3]);
        // A row of 18: two groups of eight and a pair at the row's end; the last pair of the last
        // row another colour, so that the tile is not one colour.
        constexpr int kWidth = 18;
        constexpr int kHeight = 2;
        std::vector<float> pixels;
        for (int i = 0; i < kWidth * kHeight; ++i)
            pixels.insert(pixels.end(), c.rgba.begin(), c.rgba.end());
        for (int i = kWidth * kHeight - 2; i < kWidth * kHeight; ++i)
            pixels[std::size_t(i) * 4] = 0.25f;
        Planes mixed(c.layout, kWidth, kHeight);
        convertToYuv(c.layout, tileOf(pixels, kWidth, 0, 0, kWidth, kHeight), mixed.planes);
        Planes plain(c.layout, kWidth, kHeight);
        convertToYuv(c.layout, tileOf(pixels, kWidth, 0, 0, kWidth - 2, kHeight), plain.planes);
        for (const Planes* p : {&mixed, &plain}) {
            const int width = p == &mixed ? kWidth : kWidth - 2;
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(p->at(c.layout, 0, x, 0), c.y) << "luma at " << x;
                if (c.a >= 0) {
                    EXPECT_EQ(p->at(c.layout, 3, x, 0), c.a) << "alpha at " << x;
                }
            }
            // Every chroma sample of the first row but one made with the other colour.
            const int samples = (p == &mixed && c.layout.chromaHeight == 2 ? width - 2 : width) / c.layout.chromaWidth;
            for (int s = 0; s < samples; ++s) {
                EXPECT_EQ(p->at(c.layout, 1, s, 0), c.u) << "Cb at " << s;
                EXPECT_EQ(p->at(c.layout, 2, s, 0), c.v) << "Cr at " << s;
            }
        }
    }
}

TEST(YuvConversion, TilesGiveTheWholeFramesPlanes)
{
    // A frame of many colours (out of range ones and partial alpha among them) with a plain part
    // that whole tiles fall in.
    constexpr int kWidth = 64;
    constexpr int kHeight = 32;
    std::vector<float> pixels(std::size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            float* p = &pixels[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
            const bool plain = x >= 32 && y < 16;
            const float a = plain ? 1.0f : float((x * 7 + y * 3) % 5) / 4.0f;
            for (int c = 0; c < 3; ++c)
                p[c] = plain ? 0.3f * float(c + 1) : a * (float((x * 13 + y * 29 + c * 17) % 23) / 20.0f - 0.05f);
            p[3] = a;
        }
    // Rows the same as the one above them.
    for (int y = 20; y < 28; ++y)
        std::copy_n(&pixels[std::size_t(19) * kWidth * 4], kWidth * 4, &pixels[std::size_t(y) * kWidth * 4]);
    // The same frame with its rows stored bottom up, as the graph stores them.
    std::vector<float> flipped(pixels.size());
    for (int y = 0; y < kHeight; ++y)
        std::copy_n(&pixels[std::size_t(y) * kWidth * 4], kWidth * 4,
                    &flipped[std::size_t(kHeight - 1 - y) * kWidth * 4]);
    for (const YuvLayout& l : {layout(10, 2, 1), layout(10, 1, 1, true), layout(8, 2, 2), layout(8, 2, 1)}) {
        SCOPED_TRACE(::testing::Message()
                     << "bits " << l.bits << ", chroma " << l.chromaWidth << "x" << l.chromaHeight);
        Planes whole(l, kWidth, kHeight);
        convertToYuv(l, tileOf(pixels, kWidth, 0, 0, kWidth, kHeight), whole.planes);
        Planes tiled(l, kWidth, kHeight);
        // Tiles a chroma row tall: each row converted on its own, none copied from above.
        for (int y = 0; y < kHeight; y += l.chromaHeight)
            for (int x = 0; x < kWidth; x += 16) {
                FrameTile tile{x,
                               y,
                               16,
                               l.chromaHeight,
                               &flipped[(std::size_t(kHeight - 1 - y) * kWidth + std::size_t(x)) * 4],
                               -std::ptrdiff_t(kWidth) * 4};
                convertToYuv(l, tile, tiled.planes);
            }
        for (int p = 0; p < (l.alpha ? 4 : 3); ++p)
            EXPECT_EQ(whole.samples[std::size_t(p)], tiled.samples[std::size_t(p)]) << "plane " << p;
        EXPECT_NE(whole.at(l, 0, 40, 4), whole.at(l, 0, 0, 4)); // the frame is not all one colour
    }
    // A tile off its chroma samples is a fault of the caller.
    Planes planes(layout(10, 2, 1), kWidth, kHeight);
    EXPECT_THROW(convertToYuv(layout(10, 2, 1), tileOf(pixels, kWidth, 1, 0, 16, 8), planes.planes), std::logic_error);
}
