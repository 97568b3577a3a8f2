// Renders and requests at once: four threads render a colour source inside RenderScopes while the
// graph thread queues requests changing the colour feeding it. A request never runs while a render
// is inside the source, so every tile is one of the colours set, whole, never a mix.
//
// Meant to run under ThreadSanitizer as well (label "threads").
#include <Vx/Co/CoColor.h>
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>
#include <Vx/Px/PxRequestMgr.h>

#include <gtest/gtest.h>

#include <algorithm>
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

const std::vector<Rgb>& palette()
{
    static const std::vector<Rgb> colours = {
        {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f},    {1.0f, 1.0f, 0.0f},
        {0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 1.0f}, {0.5f, 0.25f, 0.125f}, {0.75f, 0.75f, 0.75f},
    };
    return colours;
}

/// What one render thread saw.
struct RenderLog
{
    int renders = 0;
    int emptyTiles = 0;
    int mixedTiles = 0;
    int unknownColours = 0;
    std::vector<int> seen = std::vector<int>(palette().size(), 0);
    int finalColour = -1; // the colour of the render made after every request had run
};

int paletteIndex(const Rgba& pixel)
{
    // The alpha is 1: stored pixels are the palette colours themselves.
    for (std::size_t i = 0; i < palette().size(); ++i) {
        const Rgb& c = palette()[i];
        if (pixel == Rgba{c.red, c.green, c.blue, 1.0f})
            return int(i);
    }
    return -1;
}

/// Renders one tile of `source` and classifies it into `log`; returns the tile's palette index.
int renderAndClassify(const PxColorSourceNode& source, int thread, RenderLog& log)
{
    PxImageContext ctx;
    ctx.region = {thread * kTile, (thread + 1) * kTile, 0, kTile};
    PxImageResult result;
    {
        PxRequestMgr::RenderScope scope;
        result = source.getImage(ctx);
    }
    ++log.renders;
    const IxReadGuard guard = result.getTileGuard();
    if (!guard.isValid() || guard.getPixelRegion() != ctx.region) {
        ++log.emptyTiles;
        return -1;
    }
    const Rgba first = IxPixelUtil::getPixelColor(guard, ctx.region.x0, ctx.region.y0);
    for (int y = ctx.region.y0; y < ctx.region.y1; ++y) {
        for (int x = ctx.region.x0; x < ctx.region.x1; ++x) {
            if (IxPixelUtil::getPixelColor(guard, x, y) != first) {
                ++log.mixedTiles;
                return -1;
            }
        }
    }
    const int index = paletteIndex(first);
    if (index < 0)
        ++log.unknownColours;
    else
        ++log.seen[std::size_t(index)];
    return index;
}

TEST(PxRenderConcurrency, RendersSeeWholeColoursWhileRequestsChangeThem)
{
    PxImageFormat format;
    format.width = kRenderThreads * kTile;
    format.height = kTile;
    auto formatNode = pxCreateNode<PxImageFormatNode>(format);
    auto resolution = pxCreateNode<PxAnimValueNode<int>>(PxResult<int>(0, PxValidityInterval::FULL));
    auto color = pxCreateNode<PxAnimValueNode<Rgb>>(PxResult<Rgb>(palette()[0], PxValidityInterval::FULL));
    auto alpha = pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(1.0, PxValidityInterval::FULL));
    auto source = pxCreateNode<PxColorSourceNode>(formatNode, resolution, resolution, color, alpha, color, alpha);
    const PxColorSourceNode* renderee = source.get();

    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    mgr.takeErrors();
    const std::uint64_t executedBefore = mgr.getExecutedCount();
    const std::uint64_t invalidationsBefore = source->getInvalidationCount();

    std::atomic<int> started{0};
    std::atomic<bool> requestsDone{false};
    std::vector<RenderLog> logs(kRenderThreads);
    std::vector<std::thread> renderers;
    for (int t = 0; t < kRenderThreads; ++t) {
        renderers.emplace_back([&, t] {
            renderAndClassify(*renderee, t, logs[std::size_t(t)]);
            ++started;
            while (!requestsDone.load())
                renderAndClassify(*renderee, t, logs[std::size_t(t)]);
            logs[std::size_t(t)].finalColour = renderAndClassify(*renderee, t, logs[std::size_t(t)]);
        });
    }
    while (started.load() < kRenderThreads)
        std::this_thread::yield();

    using Request = PxSetRequest<PxAnimValueNode<Rgb>, const PxResult<Rgb>&>;
    const RCShdPtr<PxAnimValueNode<Rgb>> target(color.get());
    int last = 0;
    for (int i = 1; i <= kRequests; ++i) {
        last = i % int(palette().size());
        mgr.queueRequest(makeShared<Request>(target, &PxAnimValueNode<Rgb>::setConstant,
                                             PxResult<Rgb>(palette()[std::size_t(last)], PxValidityInterval::FULL),
                                             PxValidityInterval::FULL));
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
        const RenderLog& log = logs[std::size_t(t)];
        SCOPED_TRACE("render thread " + std::to_string(t));
        EXPECT_GE(log.renders, 2);
        EXPECT_EQ(log.emptyTiles, 0);
        EXPECT_EQ(log.mixedTiles, 0);
        EXPECT_EQ(log.unknownColours, 0);
        EXPECT_EQ(log.finalColour, last);
    }
}

} // namespace
} // namespace Vx
