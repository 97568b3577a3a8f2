// The per-tile work of a slate, piece by piece: laying the line out, filling a tile, the box,
// one glyph blended, and a whole tile composited (box, shadow, text) over its input. The burn-in
// line of the peer comparison (96 px, box and shadow) on a 256 x 256 tile that the text crosses.
#include "SlateCompositing.h"
#include "TextLayout.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Ix/IxTile.h>
#include <Vx/RC/RCShdPtr.h>

#include <benchmark/benchmark.h>

#include <string>

using namespace Vx;

namespace {

const std::string kLine = "shot010 v3  1001  00:00:41:17";
constexpr int kSize = 96;
const GeRectangle<int> kFrame(0, 1920, 0, 1080);
const GeRectangle<int> kTextTile(768, 1024, 512, 768); // the middle of the frame: text, box and shadow
const CoRgbaColorTyped<float> kWhite{1.0f, 1.0f, 1.0f, 1.0f};
const CoRgbaColorTyped<float> kShadow{0.0f, 0.0f, 0.0f, 0.7f};
const CoRgbaColorTyped<float> kBox{0.0f, 0.0f, 0.0f, 0.5f};

FoFont font()
{
    static const FoFont f = FoFontMgr::getInstance().getFont("DejaVu Sans", 0, kSize, kSize);
    return f;
}

RCShdPtr<IxTile> plateTile(const GeRectangle<int>& region)
{
    RCShdPtr<IxTile> tile = makeShared<IxTile>(region);
    tile->fill({0.18f, 0.18f, 0.18f, 1.0f});
    return tile;
}

// One layout and placement, as every tile of the node makes them.
void BM_LayoutPerTile(benchmark::State& state)
{
    const FoFont f = font();
    for (auto _ : state) {
        TextLayout layout = layoutText(kLine, f, kSize, 1, kSize);
        const auto offset = placeTextBlock(kFrame, 1.0f, 1, 1, true, {4.0f, -4.0f}, true, 24.0f, layout, {0.0f, 0.0f});
        benchmark::DoNotOptimize(offset);
        benchmark::DoNotOptimize(layout.lines.data());
    }
}
BENCHMARK(BM_LayoutPerTile);

// A generated plate's tile: every pixel set to one colour.
void BM_FillTile256(benchmark::State& state)
{
    const RCShdPtr<IxTile> tile = makeShared<IxTile>(kTextTile);
    for (auto _ : state) {
        tile->fill({0.1f, 0.2f, 0.3f, 1.0f});
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(256 * 256 * 16));
}
BENCHMARK(BM_FillTile256);

// The box at 50% over a whole tile.
void BM_FillBoxTile256(benchmark::State& state)
{
    const RCShdPtr<IxTile> tile = plateTile(kTextTile);
    const IxWriteGuard out(tile.get());
    for (auto _ : state) {
        fillBox(out, kTextTile, kBox);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(256 * 256 * 16));
}
BENCHMARK(BM_FillBoxTile256);

// One cached 96 px glyph ("W") blended at 70%.
void BM_BlendGlyph96(benchmark::State& state)
{
    const FoFont f = font();
    const RCShdPtr<IxTile> tile = plateTile(kTextTile);
    const IxWriteGuard out(tile.get());
    const FoFont::Glyph& glyph = f.rasterizeGlyph(f.getChar(U'W').id);
    const ImReadGuard raster(glyph.image);
    for (auto _ : state) {
        blendGlyph(out, raster, {kTextTile.x0 + 40, kTextTile.y0 + 40}, kShadow);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendGlyph96);

// A whole tile of the burn-in: copy, box, shadow and text, as the node runs it per tile.
void BM_CompositeTextTile256(benchmark::State& state)
{
    const FoFont f = font();
    const RCShdPtr<IxTile> in = plateTile(kTextTile);
    const IxReadGuard input(in.get());
    for (auto _ : state) {
        const RCShdPtr<IxTile> tile = makeShared<IxTile>(kTextTile);
        const IxWriteGuard out(tile.get());
        compositeSlate(out, input, kFrame, 1.0f, kLine, f, float(kSize), kWhite, 1, 1, {0.0f, 0.0f}, true, kShadow,
                       {4.0f, -4.0f}, true, kBox, 24.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CompositeTextTile256)->Unit(benchmark::kMicrosecond);

// A tile the text does not reach: the layout, the culling test and the copy.
void BM_CompositeFarTile256(benchmark::State& state)
{
    const FoFont f = font();
    const GeRectangle<int> far(0, 256, 0, 256);
    const RCShdPtr<IxTile> in = plateTile(far);
    const IxReadGuard input(in.get());
    for (auto _ : state) {
        const RCShdPtr<IxTile> tile = makeShared<IxTile>(far);
        const IxWriteGuard out(tile.get());
        compositeSlate(out, input, kFrame, 1.0f, kLine, f, float(kSize), kWhite, 1, 1, {0.0f, 0.0f}, true, kShadow,
                       {4.0f, -4.0f}, true, kBox, 24.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CompositeFarTile256)->Unit(benchmark::kMicrosecond);

} // namespace
