// Renders whole frames of a processing node, tile by tile, on a pool of worker threads.
//
// The frame (the node's format at a resolution level: 0 full, k at 1 / 2^k) is cut into tiles of a chosen size;
// each tile is one getImage request, run as a oneTBB task in an arena of N threads, each task
// inside a PxRequestMgr::RenderScope. Tiles land in a float RGBA OIIO::ImageBuf, top row first as
// image files store them (the graph's y points up, so tile row y is image row height - 1 - y).
// Pixels a result does not cover take the result's fill colour. A writer that never holds the
// whole frame renders it a strip at a time instead (renderStrip: one row of tiles, top row first),
// taking each tile's rows on the worker that rendered it.
//
// The first exception a tile raises stops the render (tiles not yet started are skipped) and is
// rethrown to the caller as it was raised. Call from the graph thread (or any thread that is not
// itself inside a RenderScope); one TileRenderer may render many frames, one at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>

#include <OpenImageIO/imagebuf.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/task_arena.h>

#include <Vx/Px/PxImage.h>

namespace Vx::Render {

/// One rendered tile in the frame's terms: its place in pixels from the frame's top left, and its
/// rows top first. The pixels are the tile's own when the node's result covers it (no copy), else
/// a copy with the result's fill colour around what it covers; valid during the call only.
struct FrameTile
{
    int x = 0; ///< columns from the frame's left edge
    int y = 0; ///< rows from the frame's top edge
    int width = 0;
    int height = 0;
    const float* pixels = nullptr; ///< the top row's first pixel: float RGBA, premultiplied
    std::ptrdiff_t rowStride = 0;  ///< floats from a row to the one below it (negative for the graph's own rows)
    bool solid = false;            ///< every pixel is known to be the first one's colour (IxTile::isSolid)

    const float* getRow(int row) const { return pixels + std::ptrdiff_t(row) * rowStride; }
};

class TileRenderer
{
public:
    /// A renderer with `threads` worker threads (at least 1) and tiles of tileWidth x tileHeight
    /// pixels (each at least 1). Throws std::invalid_argument for values below 1.
    TileRenderer(int threads, int tileWidth, int tileHeight);
    ~TileRenderer();
    TileRenderer(const TileRenderer&) = delete;
    TileRenderer& operator=(const TileRenderer&) = delete;

    /// Frame `time` (seconds) of `node` at resolution level `level` (0 full resolution, k scaled
    /// by 1 / 2^k): float RGBA, premultiplied, top row first, named channels R, G, B, A. Throws
    /// std::runtime_error naming the size when the frame cannot be allocated.
    /// (In the image I/O library, see ImageIO.h.)
    OIIO::ImageBuf render(const PxImageProtocol& node, double time, int level = 0) const;
    /// Renders frame `time` of `node` at `level` into `pixels`: the frame's width x height x 4
    /// floats at that level, laid out as render() lays them out.
    void renderInto(const PxImageProtocol& node, double time, float* pixels, int level = 0) const;
    /// Renders every tile of frame `time` at `level` and hands each to `consume` on the worker
    /// thread that rendered it, several at once: for a consumer that writes each tile straight
    /// into another form, with no float frame in between.
    void renderTiles(const PxImageProtocol& node, double time, int level,
                     const std::function<void(const FrameTile&)>& consume) const;
    /// Renders every tile of frame `time` at `level` and discards it: the cost of rendering
    /// alone, for benchmarks. Returns how many tiles were rendered.
    std::size_t renderNull(const PxImageProtocol& node, double time, int level = 0) const;
    /// A run of `width` rendered pixels (float RGBA, premultiplied, as render() makes them) of
    /// image row `row` (0 the top row), from column `column` on.
    using RowConsumer = std::function<void(int row, int column, int width, const float* rgba)>;
    /// The number of strips of the frame `node` renders at `level`: a strip is a row of tiles.
    int getStripCount(const PxImageProtocol& node, int level = 0) const;
    /// Renders only the tiles of strip `strip` (0 the top row of tiles, as image files store rows)
    /// of frame `time` at `level` and hands each row of each tile to `consume`, on the worker
    /// that rendered the tile: rows of different tiles reach it from several threads at once,
    /// each pixel exactly once, with the values render() gives it. Returns the strip's image
    /// rows: first (inclusive) and last (exclusive), top row first.
    std::pair<int, int> renderStrip(const PxImageProtocol& node, double time, int strip, const RowConsumer& consume,
                                    int level = 0) const;

    /// The frame `node` renders at resolution level `level`, in pixels of that level. Throws
    /// std::invalid_argument naming the node when it is empty.
    static GeRectangle<int> getFullFrame(const PxImageProtocol& node, int level = 0);

    int getThreads() const { return m_threads; }
    int getTileWidth() const { return m_tileWidth; }
    int getTileHeight() const { return m_tileHeight; }

private:
    int m_threads;
    int m_tileWidth;
    int m_tileHeight;
    // Lets oneTBB run as many workers as asked for, also beyond the number of cores.
    std::unique_ptr<tbb::global_control> m_parallelism;
    std::unique_ptr<tbb::task_arena> m_arena;
};

} // namespace Vx::Render
