// Whole frames rendered tile by tile on a oneTBB arena.
#include <Vx/Render/TileRenderer.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/parallel_for.h>

#include <Vx/Px/PxRequestMgr.h>

namespace Vx::Render {

namespace {

// Runs getImage for every tile of `frame` on the arena and hands each result to `consume`, on the
// worker thread that rendered it. The first exception cancels the tiles not yet started and is
// rethrown here by oneTBB as it was raised.
template <class Consume>
void forEachTile(tbb::task_arena& arena, const PxImageProtocol& node, double time, int level,
                 const GeRectangle<int>& frame, int tileWidth, int tileHeight, const Consume& consume)
{
    const int tilesX = (frame.getWidth() + tileWidth - 1) / tileWidth;
    const int tilesY = (frame.getHeight() + tileHeight - 1) / tileHeight;
    // oneTBB hands work between threads inside its own library; these two atomics state the same
    // order in our code (the caller's data before every task, every task before the caller goes
    // on), where ThreadSanitizer sees it.
    std::atomic<bool> started{false};
    std::atomic<int> finished{0};
    struct Finish
    {
        std::atomic<int>& finished;
        ~Finish() { finished.fetch_add(1, std::memory_order_release); }
    };
    struct Join
    {
        std::atomic<int>& finished;
        ~Join() { (void)finished.load(std::memory_order_acquire); }
    };
    started.store(true, std::memory_order_release);
    const Join join{finished};
    arena.execute([&] {
        // One task per tile: tiles cost very different amounts (text against plain background).
        tbb::parallel_for(
            tbb::blocked_range<int>(0, tilesX * tilesY, 1),
            [&](const tbb::blocked_range<int>& tiles) {
                (void)started.load(std::memory_order_acquire);
                const Finish finish{finished};
                PxRequestMgr::RenderScope scope;
                for (int i = tiles.begin(); i < tiles.end(); ++i) {
                    const int x0 = frame.x0 + (i % tilesX) * tileWidth;
                    const int y0 = frame.y0 + (i / tilesX) * tileHeight;
                    const GeRectangle<int> region(x0, std::min(x0 + tileWidth, frame.x1), y0,
                                                  std::min(y0 + tileHeight, frame.y1));
                    consume(region, node.getImage(PxImageContext{time, level, region}));
                }
            },
            tbb::simple_partitioner());
    });
}

// Writes the pixels of `result` over `region` into `out` (the region's top left; rows top first,
// `rowFloats` apart), the result's fill colour where it has none.
void copyTile(const GeRectangle<int>& region, const PxImageResult& result, float* out, std::size_t rowFloats)
{
    const CoRgbaColorTyped<float> fill = result.getFillColor();
    const GeRectangle<int> covered = region.intersected(result.getPixelRegion());
    const IxReadGuard in = result.getTileGuard();
    for (int y = region.y0; y < region.y1; ++y) {
        // Image files store the top row first; the graph's y points up.
        float* row = out + std::size_t(region.y1 - 1 - y) * rowFloats;
        const bool rowCovered = !covered.isEmpty() && y >= covered.y0 && y < covered.y1;
        for (int x = region.x0; x < region.x1;) {
            if (rowCovered && x >= covered.x0 && x < covered.x1) {
                const std::size_t n = std::size_t(covered.x1 - x);
                std::memcpy(row, in.getPixel(x, y), n * 4 * sizeof(float));
                row += n * 4;
                x = covered.x1;
            } else {
                *row++ = fill.red;
                *row++ = fill.green;
                *row++ = fill.blue;
                *row++ = fill.alpha;
                ++x;
            }
        }
    }
}

// Renders the tiles of `band` (a part of `frame` made of whole rows of tiles) and hands each to
// `consume` as the frame stores it: the result's own pixels where it covers the tile, else a copy
// with its fill colour around them.
template <class Consume>
void forEachFrameTile(tbb::task_arena& arena, const PxImageProtocol& node, double time, int level,
                      const GeRectangle<int>& frame, const GeRectangle<int>& band, int tileWidth, int tileHeight,
                      const Consume& consume)
{
    forEachTile(arena, node, time, level, band, tileWidth, tileHeight,
                [&](const GeRectangle<int>& region, const PxImageResult& result) {
                    FrameTile tile;
                    tile.x = region.x0 - frame.x0;
                    tile.y = frame.y1 - region.y1;
                    tile.width = region.getWidth();
                    tile.height = region.getHeight();
                    const IxReadGuard in = result.getTileGuard();
                    const GeRectangle<int>& has = result.getPixelRegion();
                    if (in.isValid() && has.x0 <= region.x0 && has.y0 <= region.y0 && region.x1 <= has.x1 &&
                        region.y1 <= has.y1) {
                        // The graph's rows go up: the tile's top row is its last, read downwards.
                        tile.pixels = in.getPixel(region.x0, region.y1 - 1);
                        tile.rowStride = -std::ptrdiff_t(in.getPixelRegion().getWidth()) * 4;
                        tile.solid = result.getTile()->isSolid();
                        consume(tile);
                        return;
                    }
                    std::vector<float> copy(std::size_t(tile.width) * std::size_t(tile.height) * 4);
                    tile.rowStride = std::ptrdiff_t(tile.width) * 4;
                    copyTile(region, result, copy.data(), std::size_t(tile.rowStride));
                    tile.pixels = copy.data();
                    consume(tile);
                });
}

} // namespace

TileRenderer::TileRenderer(int threads, int tileWidth, int tileHeight)
    : m_threads(threads), m_tileWidth(tileWidth), m_tileHeight(tileHeight)
{
    if (threads < 1)
        throw std::invalid_argument("Invalid thread count " + std::to_string(threads) + ": it must be 1 or more");
    if (tileWidth < 1 || tileHeight < 1)
        throw std::invalid_argument("Invalid tile size " + std::to_string(tileWidth) + "x" +
                                    std::to_string(tileHeight) + ": both sides must be 1 or more");
    m_parallelism =
        std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, std::size_t(threads));
    m_arena = std::make_unique<tbb::task_arena>(threads);
}

TileRenderer::~TileRenderer() = default;

GeRectangle<int> TileRenderer::getFullFrame(const PxImageProtocol& node, int level)
{
    const PxImageFormat format = node.getImageFormat();
    const GeRectangle<int> frame = PxImageProtocol::nominalToPixelized(
        format.getNominalFrame(), format.getPixelAspectRatio(), PxImageContext{0.0, level, {}}.getScale());
    if (frame.isEmpty())
        throw std::invalid_argument("Cannot render node \"" + node.getName() + "\": its frame is empty (" +
                                    std::to_string(format.width) + "x" + std::to_string(format.height) + ")");
    return frame;
}

void TileRenderer::renderInto(const PxImageProtocol& node, double time, float* pixels, int level) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    const std::size_t rowFloats = std::size_t(frame.getWidth()) * 4;
    forEachTile(*m_arena, node, time, level, frame, m_tileWidth, m_tileHeight,
                [&](const GeRectangle<int>& region, const PxImageResult& result) {
                    copyTile(region, result,
                             pixels + std::size_t(frame.y1 - region.y1) * rowFloats +
                                 std::size_t(region.x0 - frame.x0) * 4,
                             rowFloats);
                });
}

void TileRenderer::renderTiles(const PxImageProtocol& node, double time, int level,
                               const std::function<void(const FrameTile&)>& consume) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    forEachFrameTile(*m_arena, node, time, level, frame, frame, m_tileWidth, m_tileHeight, consume);
}

int TileRenderer::getStripCount(const PxImageProtocol& node, int level) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    return (frame.getHeight() + m_tileHeight - 1) / m_tileHeight;
}

std::pair<int, int> TileRenderer::renderStrip(const PxImageProtocol& node, double time, int strip,
                                              const RowConsumer& consume, int level) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    const int strips = (frame.getHeight() + m_tileHeight - 1) / m_tileHeight;
    if (strip < 0 || strip >= strips)
        throw std::invalid_argument("Invalid strip " + std::to_string(strip) + " of node \"" + node.getName() +
                                    "\": the frame has strips 0 to " + std::to_string(strips - 1));
    // Tiles are laid from the bottom of the frame (the graph's y points up) and strips counted
    // from the top: the band holds exactly the tiles render() makes for those rows.
    const int y0 = frame.y0 + (strips - 1 - strip) * m_tileHeight;
    const GeRectangle<int> band(frame.x0, frame.x1, y0, std::min(y0 + m_tileHeight, frame.y1));
    forEachFrameTile(*m_arena, node, time, level, frame, band, m_tileWidth, m_tileHeight, [&](const FrameTile& tile) {
        for (int row = 0; row < tile.height; ++row)
            consume(tile.y + row, tile.x, tile.width, tile.getRow(row));
    });
    return {frame.y1 - band.y1, frame.y1 - band.y0};
}

std::size_t TileRenderer::renderNull(const PxImageProtocol& node, double time, int level) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    std::atomic<std::size_t> tiles{0};
    forEachTile(*m_arena, node, time, level, frame, m_tileWidth, m_tileHeight,
                [&](const GeRectangle<int>&, const PxImageResult&) { tiles.fetch_add(1, std::memory_order_relaxed); });
    return tiles.load();
}

} // namespace Vx::Render
