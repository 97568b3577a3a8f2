// Renders and requests at once: four threads render a colour source inside RenderScopes while the
// graph thread queues requests changing the colour feeding it. A request never runs while a render
// is inside the source, so every tile is one of the colours set, whole, never a mix.
//
// Meant to run under ThreadSanitizer as well (label "threads").
#include "PxTestSupport.h"

#include <Vx/Co/CoColor.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

using Rgb = CoRgbColorTyped<float>;
using Rgba = CoRgbaColorTyped<float>;

constexpr int kRenderThreads = 4;
constexpr int kRequests = 200;
constexpr int kTile = 64;

const std::vector<Rgb> kPalette = {
    {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f},    {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 1.0f}, {0.5f, 0.25f, 0.125f}, {0.75f, 0.75f, 0.75f},
};

/// Renders tile `thread` of `source`: the palette index of its colour, or -1 when the tile is
/// empty, of the wrong region, mixed, or of a colour never set.
int renderAndClassify(const PxColorSourceNode& source, int thread)
{
    PxImageContext ctx;
    ctx.region = {thread * kTile, (thread + 1) * kTile, 0, kTile};
    PxImageResult result;
    {
        PxRequestMgr::RenderScope scope;
        result = source.getImage(ctx);
    }
    const IxReadGuard guard = result.getTileGuard();
    if (!guard.isValid() || guard.getPixelRegion() != ctx.region)
        return -1;
    const Rgba first = IxPixelUtil::getPixelColor(guard, ctx.region.x0, ctx.region.y0);
    for (int y = ctx.region.y0; y < ctx.region.y1; ++y)
        for (int x = ctx.region.x0; x < ctx.region.x1; ++x)
            if (IxPixelUtil::getPixelColor(guard, x, y) != first)
                return -1;
    // The alpha is 1: stored pixels are the palette colours themselves.
    for (std::size_t i = 0; i < kPalette.size(); ++i)
        if (first == Rgba{kPalette[i].red, kPalette[i].green, kPalette[i].blue, 1.0f})
            return int(i);
    return -1;
}

TEST(PxRenderConcurrency, RendersSeeWholeColoursWhileRequestsChangeThem)
{
    PxImageFormat format;
    format.width = kRenderThreads * kTile;
    format.height = kTile;
    auto formatNode = pxCreateNode<PxImageFormatNode>(format);
    auto resolution = pxtest::makeConstant(0);
    auto color = pxtest::makeConstant(kPalette[0]);
    auto alpha = pxtest::makeConstant(1.0);
    auto source = pxCreateNode<PxColorSourceNode>(formatNode, resolution, resolution, color, alpha, color, alpha);
    const PxColorSourceNode* renderee = source.get();

    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    mgr.takeErrors();
    const std::uint64_t executedBefore = mgr.getExecutedCount();
    const std::uint64_t invalidationsBefore = source->getInvalidationCount();

    std::atomic<int> started{0};
    std::atomic<bool> requestsDone{false};
    std::vector<int> renders(kRenderThreads, 0);
    std::vector<int> badTiles(kRenderThreads, 0);
    std::vector<int> finalColour(kRenderThreads, -1); // rendered after every request had run
    std::vector<std::thread> renderers;
    for (int t = 0; t < kRenderThreads; ++t) {
        renderers.emplace_back([&, t] {
            bool first = true;
            while (first || !requestsDone.load()) {
                badTiles[t] += renderAndClassify(*renderee, t) < 0 ? 1 : 0;
                ++renders[t];
                if (first)
                    ++started;
                first = false;
            }
            finalColour[t] = renderAndClassify(*renderee, t);
        });
    }
    while (started.load() < kRenderThreads)
        std::this_thread::yield();

    int last = 0;
    for (int i = 1; i <= kRequests; ++i) {
        last = i % int(kPalette.size());
        using Request = PxSetRequest<PxAnimValueNode<Rgb>, const PxResult<Rgb>&>;
        mgr.queueRequest(makeShared<Request>(
            RCShdPtr<PxAnimValueNode<Rgb>>(color.get()), &PxAnimValueNode<Rgb>::setConstant,
            PxResult<Rgb>(kPalette[std::size_t(last)], PxValidityInterval::FULL), PxValidityInterval::FULL));
        if (i % 10 == 0)
            std::this_thread::yield();
    }
    mgr.waitForIdle();
    requestsDone = true;
    for (std::thread& renderer : renderers)
        renderer.join();

    EXPECT_EQ(mgr.getExecutedCount() - executedBefore, std::uint64_t(kRequests));
    EXPECT_TRUE(mgr.takeErrors().empty());
    // The colour node feeds two inputs: each change reaches the source twice.
    EXPECT_EQ(source->getInvalidationCount() - invalidationsBefore, std::uint64_t(2 * kRequests));
    for (int t = 0; t < kRenderThreads; ++t) {
        SCOPED_TRACE("render thread " + std::to_string(t));
        EXPECT_GE(renders[t], 1);
        EXPECT_EQ(badTiles[t], 0);
        EXPECT_EQ(finalColour[t], last);
    }
}

} // namespace
} // namespace Vx
