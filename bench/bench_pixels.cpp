// Pixel copies, the floor under every tiled render: ipCopy of one 256 x 256 tile, of a whole
// 1920 x 1080 float RGBA frame, and of that frame assembled from 256 x 256 tiles.
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Ix/IxTile.h>
#include <Vx/RC/RCShdPtr.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Vx {
namespace {

constexpr int kFrameWidth = 1920;
constexpr int kFrameHeight = 1080;
constexpr int kTileSize = 256;

std::int64_t tileBytes(const GeRectangle<int>& region)
{
    return std::int64_t(region.getWidth()) * region.getHeight() * IxTile::kChannels * std::int64_t(sizeof(float));
}

RCShdPtr<IxTile> makeFilledTile(const GeRectangle<int>& region, float value)
{
    RCShdPtr<IxTile> tile = makeShared<IxTile>(region);
    tile->fill({value, value * 0.5f, value * 0.25f, 1.0f});
    return tile;
}

void copyWhole(benchmark::State& state, const GeRectangle<int>& region)
{
    const RCShdPtr<IxTile> source = makeFilledTile(region, 0.75f);
    const RCShdPtr<IxTile> destination = makeFilledTile(region, 0.0f);
    const IxWriteGuard writer(destination.get());
    const IxReadGuard reader(source.get());
    for (auto _ : state) {
        ipCopy(writer, reader);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * tileBytes(region));
}

void BM_IpCopyTile256(benchmark::State& state)
{
    copyWhole(state, {0, kTileSize, 0, kTileSize});
}
BENCHMARK(BM_IpCopyTile256);

void BM_IpCopyFrame1080(benchmark::State& state)
{
    copyWhole(state, {0, kFrameWidth, 0, kFrameHeight});
}
BENCHMARK(BM_IpCopyFrame1080)->Unit(benchmark::kMicrosecond);

void BM_IpCopyFrame1080FromTiles256(benchmark::State& state)
{
    // The tiles a tiled render would hand back, the ones on the right and top edges cut to the frame.
    const GeRectangle<int> frame{0, kFrameWidth, 0, kFrameHeight};
    std::vector<RCShdPtr<IxTile>> tiles;
    for (int y = 0; y < kFrameHeight; y += kTileSize)
        for (int x = 0; x < kFrameWidth; x += kTileSize)
            tiles.push_back(makeFilledTile(GeRectangle<int>{x, x + kTileSize, y, y + kTileSize}.intersected(frame),
                                           float(tiles.size()) / 64.0f));
    const RCShdPtr<IxTile> destination = makeFilledTile(frame, 0.0f);
    const IxWriteGuard writer(destination.get());
    for (auto _ : state) {
        for (const RCShdPtr<IxTile>& tile : tiles)
            ipCopy(writer, IxReadGuard(tile.get()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * tileBytes(frame));
    state.counters["tiles"] = double(tiles.size());
}
BENCHMARK(BM_IpCopyFrame1080FromTiles256)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace Vx
