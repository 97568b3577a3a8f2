// Several tiles and frames of one Slate node render at once on worker threads while set-requests
// change its text: every tile must be exactly the tile of one text or the other, never a mix.
#include "SlateTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

using namespace Vx;
using namespace Vx::test;

TEST(SlateThreads, TilesRenderConcurrentlyWhileRequestsChangeTheText)
{
    const PxImageFormat format{512, 192};
    const PxNodePtr<PxImageProtocol const> plate(makePlate(format));
    SlateParams p;
    std::tie(p.size, p.box, p.shadow) = std::tuple(40.0, true, true);
    const std::string textA = "AAAA <FrameNo>";
    const std::string textB = "Bb\n<Timecode>";
    const auto node = makeSlateNode(plate, textA, p);
    const auto refA = makeSlateNode(plate, textA, p);
    const auto refB = makeSlateNode(plate, textB, p);

    const GeRectangle<int> region = frameRegion(format, 0);
    constexpr int kTile = 64;
    constexpr int kFrames = 2;
    std::vector<Frame> expectedA;
    std::vector<Frame> expectedB;
    for (int f = 0; f < kFrames; ++f) {
        expectedA.push_back(renderTiles(*refA, frameTime(f), 0, region, kTile, kTile));
        expectedB.push_back(renderTiles(*refB, frameTime(f), 0, region, kTile, kTile));
    }
    ASSERT_NE(expectedA[0], expectedB[0]);

    std::atomic<bool> stop{false};
    std::atomic<int> rendered{0};
    std::atomic<int> mismatches{0};
    auto worker = [&](int i) {
        for (; !stop.load(); i += 7, ++rendered) {
            const int frame = i % kFrames;
            const int tile = (i / kFrames) % (8 * 3); // 8 x 3 tiles of 64 pixels
            const GeRectangle<int> r(tile % 8 * kTile, tile % 8 * kTile + kTile, tile / 8 * kTile,
                                     tile / 8 * kTile + kTile);
            const Frame got = renderTiles(*node, frameTime(frame), 0, r, kTile, kTile);
            if (got != expectedA[frame].cropped(r) && got != expectedB[frame].cropped(r))
                ++mismatches;
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back(worker, t);

    for (int k = 0; k < 60; ++k) {
        const std::string& next = k % 2 == 0 ? textB : textA;
        PxRequestMgr::getInstance().queueRequest(RCShdPtr<PxRequest>(new SlateProcNode::SetTextRequest(
            RCShdPtr<SlateProcNode>(node.get()), &SlateProcNode::setText, next, PxValidityInterval::FULL)));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    PxRequestMgr::getInstance().waitForIdle();
    // Let the renders see the last text for a while, then stop.
    const int before = rendered.load();
    while (rendered.load() < before + 20)
        std::this_thread::yield();
    stop = true;
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(rendered.load(), 20);
    EXPECT_EQ(node->getText(), textA); // the last request set text A
    EXPECT_TRUE(PxRequestMgr::getInstance().takeErrors().empty());
}
