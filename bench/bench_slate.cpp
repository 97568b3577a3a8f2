// Rendering a slate against copying the same frame: what the slate itself costs per frame and
// per tile. The input is a plate whose tiles are made once and then handed out, so that both
// measurements see the same input cost (next to nothing) and differ only by the slate's work.
#include "SlateProcNode.h"
#include "SlateShadowCache.h"

#include <Vx/Px/PxAnimValue.h>

#include <benchmark/benchmark.h>

#include <map>
#include <mutex>

using namespace Vx;

namespace {

class CachedPlate : public PxImageProtocol
{
public:
    CachedPlate(const Init& init, const PxImageFormat& format) : PxNode(init), m_format(format) {}
    PxImageFormat getImageFormat() const override { return m_format; }
    PxRODResult getImageROD(const PxImageContext&) const override { return {m_format.getNominalFrame(), {}}; }
    PxImageResult getImage(const PxImageContext& ctx) const override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto key =
            std::make_pair(std::make_pair(ctx.region.x0, ctx.region.x1), std::make_pair(ctx.region.y0, ctx.region.y1));
        auto it = m_tiles.find(key);
        if (it == m_tiles.end()) {
            RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {}, ctx.region);
            IxWriteGuard guard(tile.get());
            for (int y = ctx.region.y0; y < ctx.region.y1; ++y)
                for (int x = ctx.region.x0; x < ctx.region.x1; ++x)
                    IxPixelUtil::setPixelColor(guard, x, y,
                                               {float(x % 256) / 255.0f, float(y % 256) / 255.0f, 0.2f, 1.0f});
            it = m_tiles.emplace(key, tile).first;
        }
        return PxImageResult(it->second, {});
    }

private:
    PxImageFormat m_format;
    mutable std::mutex m_mutex;
    mutable std::map<std::pair<std::pair<int, int>, std::pair<int, int>>, RCShdPtr<IxTile>> m_tiles;
};

template <class T> PxNodePtr<PxNode const> constant(const T& value)
{
    return PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(value, PxValidityInterval::FULL)));
}

struct Scene
{
    PxStrongHndl<CachedPlate> plate;
    PxStrongHndl<SlateProcNode> slate;
    PxStrongHndl<SlateProcNode> styled;  // the same with an outline of width 2 and a soft shadow of radius 8
    PxStrongHndl<SlateProcNode> running; // styled, its text with a frame number and a timecode
    std::vector<GeRectangle<int>> tiles;

    Scene()
    {
        plate = pxCreateNode<CachedPlate>(PxImageFormat());
        const std::string line = "shot010_comp_v003  1001  00:00:41:17  client review  Kestrin"; // 60 characters
        const auto make = [&](const SlateProcNode::StyleNodes& style, const std::string& text) {
            return pxCreateNode<SlateProcNode>(
                PxNodePtr<PxImageProtocol const>(plate), text, constant(std::string("DejaVu Sans")), constant(0),
                constant(48.0), constant(CoRgbColorTyped<float>{1.0f, 1.0f, 1.0f}), constant(1.0), constant(true),
                constant(CoRgbColorTyped<float>::ZERO), constant(0.7), constant(4.0), constant(-4.0), constant(true),
                constant(CoRgbColorTyped<float>::ZERO), constant(0.5), constant(24.0), constant(0.0), constant(0.0),
                constant(1), constant(1), style);
        };
        slate = make({}, line);
        const SlateProcNode::StyleNodes typography{
            constant(true), constant(2.0), constant(CoRgbColorTyped<float>::ZERO),
            constant(1.0),  constant(8.0), constant(false)};
        styled = make(typography, line);
        running = make(typography, "shot010_comp_v003  <FrameNo>  <Timecode>  client review  Kestrin");
        for (int y = 0; y < 1080; y += 256)
            for (int x = 0; x < 1920; x += 256)
                tiles.emplace_back(x, std::min(x + 256, 1920), y, std::min(y + 256, 1080));
        PxRequestMgr::RenderScope scope;
        for (const auto& r : tiles) { // warm the plate's tiles and the font caches
            slate->getImage(PxImageContext{0.0, 0, r});
            styled->getImage(PxImageContext{0.0, 0, r});
        }
    }
};

Scene& scene()
{
    static Scene s;
    return s;
}

// The floor: for every tile, the input's tile, a new tile and a copy into it.
void BM_CopyFrame(benchmark::State& state)
{
    Scene& s = scene();
    PxRequestMgr::RenderScope scope;
    for (auto _ : state) {
        for (const auto& r : s.tiles) {
            const PxImageContext ctx{0.0, 0, r};
            const PxImageResult in = s.plate->getImage(ctx);
            RCShdPtr<IxTile> out = PxImageProtocol::allocateImageBuffer(ctx, in.getFillColor(), in.getPixelRegion());
            ipCopy(IxWriteGuard(out.get()), in.getTileGuard());
            benchmark::DoNotOptimize(out.get());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SlateFrame(benchmark::State& state)
{
    Scene& s = scene();
    PxRequestMgr::RenderScope scope;
    for (auto _ : state) {
        for (const auto& r : s.tiles) {
            const PxImageResult out = s.slate->getImage(PxImageContext{0.0, 0, r});
            benchmark::DoNotOptimize(out.getTile().get());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The same frame with an outline (width 2) and a soft shadow (radius 8) added: against
// BM_SlateFrame, what the typography costs.
void BM_SlateFrameOutlineSoftShadow(benchmark::State& state)
{
    Scene& s = scene();
    PxRequestMgr::RenderScope scope;
    for (auto _ : state) {
        for (const auto& r : s.tiles) {
            const PxImageResult out = s.styled->getImage(PxImageContext{0.0, 0, r});
            benchmark::DoNotOptimize(out.getTile().get());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The styled frame with a text that changes every frame (each iteration renders the next frame),
// so that no frame finds its soft shadow blurred by an earlier one: with the argument 1 a frame's
// tiles share one blur of the whole text (the cache's default bound), with 0 each tile blurs its
// own part (the bound set to 0).
void BM_SlateFrameRunningSoftShadow(benchmark::State& state)
{
    Scene& s = scene();
    SlateShadowCache& cache = SlateShadowCache::getInstance();
    cache.setLimit(state.range(0) ? SlateShadowCache::kDefaultLimit : 0);
    PxRequestMgr::RenderScope scope;
    static int frame = 0;
    for (auto _ : state) {
        const double time = (++frame + 0.5) / 24.0;
        for (const auto& r : s.tiles) {
            const PxImageResult out = s.running->getImage(PxImageContext{time, 0, r});
            benchmark::DoNotOptimize(out.getTile().get());
        }
    }
    cache.setLimit(SlateShadowCache::kDefaultLimit);
    state.SetItemsProcessed(state.iterations());
}

// One corner tile, far from the centred text.
const GeRectangle<int> kFarTile(0, 256, 0, 256);

void BM_CopyFarTile(benchmark::State& state)
{
    Scene& s = scene();
    PxRequestMgr::RenderScope scope;
    for (auto _ : state) {
        const PxImageContext ctx{0.0, 0, kFarTile};
        const PxImageResult in = s.plate->getImage(ctx);
        RCShdPtr<IxTile> out = PxImageProtocol::allocateImageBuffer(ctx, in.getFillColor(), in.getPixelRegion());
        ipCopy(IxWriteGuard(out.get()), in.getTileGuard());
        benchmark::DoNotOptimize(out.get());
    }
}

void BM_SlateFarTile(benchmark::State& state)
{
    Scene& s = scene();
    PxRequestMgr::RenderScope scope;
    for (auto _ : state) {
        const PxImageResult out = s.slate->getImage(PxImageContext{0.0, 0, kFarTile});
        benchmark::DoNotOptimize(out.getTile().get());
    }
}

} // namespace

BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlateFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlateFrameOutlineSoftShadow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlateFrameRunningSoftShadow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFarTile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SlateFarTile)->Unit(benchmark::kMicrosecond);
