// The tile renderer: orientation, identical frames whatever the threads and tiles (whole or tile by
// tile), exceptions, and the null mode.
#include "common/ExpectThrowMessage.h"
#include <Vx/Render/TileRenderer.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

PxImageFormat smallFormat()
{
    PxImageFormat format;
    format.width = 301; // neither 64 nor 100 divides these
    format.height = 171;
    return format;
}

bool samePixels(const OIIO::ImageBuf& a, const OIIO::ImageBuf& b)
{
    const OIIO::ImageSpec& sa = a.spec();
    const OIIO::ImageSpec& sb = b.spec();
    if (sa.width != sb.width || sa.height != sb.height || sa.nchannels != sb.nchannels || sa.format != sb.format)
        return false;
    return std::memcmp(a.localpixels(), b.localpixels(), sa.image_bytes()) == 0;
}

// Covers only the lower left part of each tile asked for: the rest takes the result's fill colour.
class PartialNode : public CoordinateNode
{
public:
    PartialNode(const Init& init, const PxImageFormat& format) : PxNode(init), CoordinateNode(init, format) {}
    PxImageResult getImage(const PxImageContext& ctx) const override
    {
        const GeRectangle<int>& r = ctx.region;
        const GeRectangle<int> part(r.x0, r.x0 + (r.getWidth() + 1) / 2, r.y0, r.y0 + (r.getHeight() + 1) / 2);
        RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {0.25f, 0.5f, 0.75f, 1.0f}, part);
        const IxWriteGuard out(tile.get());
        for (int y = part.y0; y < part.y1; ++y)
            for (int x = part.x0; x < part.x1; ++x)
                IxPixelUtil::setPixelColor(out, x, y, {float(x), float(y), 0.0f, 1.0f});
        return PxImageResult(tile, {});
    }
};

} // namespace

TEST(TileRenderer, StripsHoldTheFramesPixelsEachOnce)
{
    const auto node = pxCreateNode<PartialNode>(smallFormat());
    for (const int tileHeight : {64, 37}) {
        SCOPED_TRACE(tileHeight);
        const TileRenderer renderer(2, 100, tileHeight);
        const OIIO::ImageBuf whole = renderer.render(*node, 0.0);
        std::vector<float> strips(whole.spec().image_pixels() * 4, 7.0f);
        std::vector<std::atomic<int>> visits(whole.spec().image_pixels());
        int next = 0;
        for (int s = 0; s < renderer.getStripCount(*node); ++s) {
            const std::pair<int, int> rows =
                renderer.renderStrip(*node, 0.0, s, [&](int row, int column, int width, const float* rgba) {
                    const std::size_t at = std::size_t(row) * 301 + std::size_t(column);
                    std::memcpy(&strips[at * 4], rgba, std::size_t(width) * 4 * sizeof(float));
                    for (int x = 0; x < width; ++x)
                        visits[at + std::size_t(x)] += row >= next ? 1 : 100;
                });
            EXPECT_EQ(rows.first, next);
            EXPECT_EQ(rows.second - rows.first, s == 0 ? 171 - (171 / tileHeight) * tileHeight : tileHeight);
            next = rows.second;
        }
        EXPECT_EQ(next, 171);
        EXPECT_EQ(std::memcmp(strips.data(), whole.localpixels(), strips.size() * sizeof(float)), 0);
        EXPECT_EQ(std::count_if(visits.begin(), visits.end(), [](const std::atomic<int>& v) { return v != 1; }), 0);
        EXPECT_THROW_MESSAGE(renderer.renderStrip(*node, 0.0, -1, [](int, int, int, const float*) {}),
                             std::invalid_argument,
                             "Invalid strip -1 of node \"\": the frame has strips 0 to " +
                                 std::to_string(renderer.getStripCount(*node) - 1));
    }
}

TEST(TileRenderer, TopRowFirst)
{
    const auto node = pxCreateNode<CoordinateNode>(smallFormat());
    const TileRenderer renderer(2, 64, 64);
    const OIIO::ImageBuf image = renderer.render(*node, 0.0);
    const OIIO::ImageSpec& spec = image.spec();
    ASSERT_EQ(spec.width, 301);
    ASSERT_EQ(spec.height, 171);
    ASSERT_EQ(spec.nchannels, 4);
    EXPECT_EQ(spec.format, OIIO::TypeFloat);
    int mismatches = 0;
    for (int row = 0; row < spec.height; ++row) {
        for (int column = 0; column < spec.width; ++column) {
            float p[4];
            image.getpixel(column, row, p);
            // The graph's y points up: image row 0 is y = height - 1.
            if (p[0] != float(column) || p[1] != float(spec.height - 1 - row) || p[2] != 0.0f || p[3] != 1.0f)
                ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TileRenderer, ThreadsAndTileSizesGiveIdenticalFrames)
{
    const auto coordinates = pxCreateNode<CoordinateNode>(smallFormat());
    const OIIO::ImageBuf a = TileRenderer(1, 64, 64).render(*coordinates, 0.0);
    const OIIO::ImageBuf b = TileRenderer(2, 100, 100).render(*coordinates, 0.0);
    const OIIO::ImageBuf c = TileRenderer(2, 301, 1).render(*coordinates, 0.0);
    EXPECT_TRUE(samePixels(a, b));
    EXPECT_TRUE(samePixels(a, c));
}

TEST(TileRenderer, FirstExceptionReachesTheCaller)
{
    const auto node = pxCreateNode<CoordinateNode>(smallFormat(), 128, 64);
    for (int threads : {1, 2}) {
        const TileRenderer renderer(threads, 64, 64);
        EXPECT_THROW_MESSAGE(renderer.render(*node, 0.0), std::runtime_error, "tile at 128, 64 failed");
        EXPECT_THROW_MESSAGE(renderer.renderNull(*node, 0.0), std::runtime_error, "tile at 128, 64 failed");
    }
}

TEST(TileRenderer, NullModeRendersEveryTile)
{
    const auto node = pxCreateNode<CoordinateNode>(smallFormat());
    EXPECT_EQ(TileRenderer(2, 64, 64).renderNull(*node, 0.0), 5u * 3u);
    EXPECT_EQ(TileRenderer(1, 100, 100).renderNull(*node, 0.0), 4u * 2u);
}

TEST(TileRenderer, InvalidSettings)
{
    EXPECT_THROW_MESSAGE(TileRenderer(0, 64, 64), std::invalid_argument,
                         "Invalid thread count 0: it must be 1 or more");
    EXPECT_THROW_MESSAGE(TileRenderer(1, 0, 64), std::invalid_argument,
                         "Invalid tile size 0x64: both sides must be 1 or more");
    EXPECT_NO_THROW(TileRenderer(1, 1, 1));
}

TEST(TileRenderer, TilesHandedOutMakeTheFrame)
{
    const auto coordinates = pxCreateNode<CoordinateNode>(smallFormat());
    const OIIO::ImageBuf whole = TileRenderer(1, 64, 64).render(*coordinates, 0.0);
    std::vector<float> frame(std::size_t(301) * 171 * 4, -1.0f);
    std::mutex mutex;
    int tiles = 0;
    TileRenderer(2, 64, 48).renderTiles(*coordinates, 0.0, 0, [&](const FrameTile& tile) {
        for (int row = 0; row < tile.height; ++row)
            std::memcpy(&frame[(std::size_t(tile.y + row) * 301 + std::size_t(tile.x)) * 4], tile.getRow(row),
                        std::size_t(tile.width) * 4 * sizeof(float));
        const std::lock_guard<std::mutex> lock(mutex);
        tiles += tile.solid ? 100 : 1;
    });
    EXPECT_EQ(tiles, 5 * 4);
    EXPECT_EQ(std::memcmp(frame.data(), whole.localpixels(), frame.size() * sizeof(float)), 0);
}
