// The cache of blurred soft-shadow coverage: frames drawn from cached blocks are the frames each
// tile draws by blurring for itself (the cache's bound set to 0), a block is made once however
// many tiles, threads and placements ask for it, and the bound lets the least recently used go.
#include "SlateShadowCache.h"
#include "SlateTestUtil.h"
#include "common/ExpectThrowMessage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace Vx;
using namespace Vx::test;

namespace {

SlateShadowCache& cache()
{
    return SlateShadowCache::getInstance();
}

// The process-wide cache emptied and bounded by `bytes` for a test's life, then emptied again;
// made() counts the blocks made meanwhile.
struct CacheBound
{
    explicit CacheBound(std::size_t bytes) : previous(cache().getLimit()), start(cache().getMadeCount())
    {
        cache().setLimit(0);
        cache().setLimit(bytes);
    }
    ~CacheBound()
    {
        cache().setLimit(0);
        cache().setLimit(previous);
    }
    std::size_t made() const { return cache().getMadeCount() - start; }
    std::size_t previous;
    std::size_t start;
};

SlateProcNode::StyleNodes softShadow(double softness, bool outline = false)
{
    return {constant(outline), constant(2.0),      constant(CoRgbColorTyped<float>::ZERO),
            constant(1.0),     constant(softness), constant(false)};
}

const PxImageFormat kFormat{400, 240};

SlateParams shadowed(double shadowX = 9.0, double shadowY = -37.0, double offsetX = 0.0)
{
    SlateParams p;
    std::tie(p.size, p.shadow, p.shadowX, p.shadowY, p.box, p.offsetX, p.hAlign) =
        std::tuple(40.0, true, shadowX, shadowY, true, offsetX, 0);
    return p;
}

Frame renderAt(const PxStrongHndl<SlateProcNode>& node, int frameNo, int level, int tile)
{
    return renderTiles(*node, frameTime(frameNo), level, frameRegion(kFormat, level), tile, tile);
}

} // namespace

TEST(SlateShadowCache, CachedBlocksDrawWhatEachTileBlursForItself)
{
    const PxNodePtr<PxImageProtocol const> plate(makePlate(kFormat));
    struct Case
    {
        const char* what;
        std::string text;
        SlateParams params;
        double softness;
        bool outline;
        std::size_t made; // blocks cached: none for a block mostly off the frame
    };
    SlateParams centred = shadowed(3.0, -3.0);
    centred.hAlign = 1;
    const Case cases[] = {
        {"two lines, far shadow", "Outlined 1042\ngjpqy <>", shadowed(), 12.0, false, 1},
        {"outline over it", "Outlined 1042\ngjpqy <>", shadowed(), 5.0, true, 1},
        {"a fallback font's glyph", "x\xF0\x9D\x92\x9Cx", centred, 7.0, false, 1},
        {"cut by the frame's edge", "<FrameNo> edge", shadowed(4.0, -4.0, 250.0), 8.0, false, 1},
        {"mostly off the frame", "<FrameNo> edge", shadowed(4.0, -4.0, 340.0), 8.0, false, 0},
        {"reach past the frame", ".", centred, 200.0, false, 1},
        {"reach mostly off the frame", ".", shadowed(4.0, -4.0), 200.0, false, 0},
    };
    for (const Case& c : cases) {
        const auto node = makeSlateNode(plate, c.text, c.params, softShadow(c.softness, c.outline));
        for (const int level : {0, 1}) {
            Frame perTile;
            {
                const CacheBound none(0);
                perTile = renderAt(node, 1001, level, 37);
                EXPECT_EQ(none.made(), 0u) << c.what;
            }
            const CacheBound bound(SlateShadowCache::kDefaultLimit);
            EXPECT_EQ(renderAt(node, 1001, level, 37), perTile) << c.what << ", level " << level;
            EXPECT_EQ(bound.made(), c.made) << c.what;
            EXPECT_EQ(renderAt(node, 1001, level, 1 << 12), perTile) << c.what << ", level " << level;
            EXPECT_EQ(bound.made(), c.made) << c.what;
        }
    }
}

TEST(SlateShadowCache, ABlockIsMadeOnceForAllItsTilesThreadsAndPlacements)
{
    const PxNodePtr<PxImageProtocol const> plate(makePlate(kFormat));
    const auto node = makeSlateNode(plate, "<FrameNo>  gjpq", shadowed(), softShadow(6.0));
    const auto moved = makeSlateNode(plate, "<FrameNo>  gjpq", shadowed(-5.0, 11.0, 52.0), softShadow(6.0));
    const auto softer = makeSlateNode(plate, "<FrameNo>  gjpq", shadowed(), softShadow(7.0));
    std::vector<Frame> expected;
    {
        const CacheBound none(0);
        for (const auto* n : {&node, &moved, &softer})
            for (const int frameNo : {1001, 1002})
                expected.push_back(renderAt(*n, frameNo, 0, 32));
    }
    const CacheBound bound(SlateShadowCache::kDefaultLimit);
    // Each step: which node renders which frame on four threads at once, the blocks made by then.
    const std::tuple<const PxStrongHndl<SlateProcNode>*, int, std::size_t, std::size_t> steps[] = {
        {&node, 1001, 0, 1}, {&moved, 1001, 2, 1}, {&node, 1002, 1, 2}, {&softer, 1002, 5, 3}, {&moved, 1002, 3, 3}};
    for (const auto& [n, frameNo, index, made] : steps) {
        std::vector<Frame> got(4);
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < got.size(); ++t)
            threads.emplace_back([&, t, n = n, frameNo = frameNo] { got[t] = renderAt(*n, frameNo, 0, 32); });
        for (auto& thread : threads)
            thread.join();
        for (const Frame& frame : got)
            EXPECT_EQ(frame, expected[index]) << "frame " << frameNo;
        EXPECT_EQ(bound.made(), made) << "frame " << frameNo;
    }
    EXPECT_EQ(cache().getCount(), 3u);
}

TEST(SlateShadowCache, ThreadsEvictingEachOthersBlocksDrawTheirOwn)
{
    const PxNodePtr<PxImageProtocol const> plate(makePlate(kFormat));
    const auto node = makeSlateNode(plate, "<FrameNo> <Timecode>", shadowed(), softShadow(9.0));
    std::vector<Frame> expected;
    std::size_t blockBytes = 0;
    {
        const CacheBound none(0);
        for (int frameNo = 0; frameNo < 6; ++frameNo)
            expected.push_back(renderAt(node, frameNo, 0, 48));
    }
    {
        const CacheBound measure(SlateShadowCache::kDefaultLimit);
        renderAt(node, 0, 0, 48);
        blockBytes = cache().getBytes();
    }
    // Room for two blocks and a half: three threads on different frames keep evicting.
    const CacheBound bound(blockBytes * 5 / 2);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(3, 0);
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 12; ++i)
                mismatches[std::size_t(t)] += renderAt(node, (t + i) % 6, 0, 48) != expected[std::size_t((t + i) % 6)];
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(3, 0));
    EXPECT_LE(cache().getBytes(), blockBytes * 5 / 2);
    EXPECT_LE(cache().getCount(), 2u);
    EXPECT_GE(bound.made(), 6u);
}

TEST(SlateShadowCache, TheBoundLetsTheLeastRecentlyUsedBlockGo)
{
    const RCShdPtr<FoFont::Face> face = makeShared<TestFace>(800, -200, 1000);
    int makes = 0;
    const auto maker = [&](const SlateShadowCache::Key& key, SlateShadowCache::Coverage& c) {
        if (++makes == 1)
            throw std::runtime_error("no raster");
        c.width = key.radius;
    };
    const auto keyOf = [&](int radius) {
        return SlateShadowCache::Key{face, radius, {{nullptr, 7, GeRectangle<int>(0, 3, 0, 2)}}};
    };
    // Blocks of 1000 bytes and their names: two fit, a third does not.
    SlateShadowCache blocks(2600);
    EXPECT_EQ(blocks.getCoverage(keyOf(1), 2601, maker), nullptr);
    EXPECT_EQ(makes, 0);
    EXPECT_THROW_MESSAGE(blocks.getCoverage(keyOf(1), 1000, maker), std::runtime_error, "no raster");
    // Asked for in this order, a radius is made (again) when it is not among the two most recently
    // used; radius 1 failed above, so it is made first. Each step: radius, makes and blocks by then.
    const std::tuple<int, int, std::size_t> steps[] = {{1, 2, 1}, {2, 3, 2}, {1, 3, 2}, {3, 4, 2},
                                                       {1, 4, 2}, {2, 5, 2}, {3, 6, 2}};
    for (const auto& [radius, madeBy, count] : steps) {
        const auto coverage = blocks.getCoverage(keyOf(radius), 1000, maker);
        ASSERT_NE(coverage, nullptr);
        EXPECT_EQ(coverage->width, radius);
        EXPECT_EQ(makes, madeBy) << "radius " << radius;
        EXPECT_EQ(blocks.getCount(), count) << "radius " << radius;
        EXPECT_LE(blocks.getBytes(), 2600u);
    }
    EXPECT_EQ(blocks.getMadeCount(), 5u);
    // The same glyph in another place, of another face or font, is another block.
    const RCShdPtr<FoFont::Face> other = makeShared<TestFace>(800, -200, 1000);
    SlateShadowCache::Key moved = keyOf(3), fallback = keyOf(3), font = keyOf(3);
    moved.glyphs[0].box = GeRectangle<int>(1, 4, 0, 2);
    fallback.glyphs[0].face = other.get();
    font.font = other;
    for (const SlateShadowCache::Key& key : {keyOf(3), moved, fallback, font})
        blocks.getCoverage(key, 1000, maker);
    EXPECT_EQ(makes, 9);
    blocks.setLimit(0);
    EXPECT_EQ(blocks.getCount(), 0u);
    EXPECT_EQ(blocks.getBytes(), 0u);
}
