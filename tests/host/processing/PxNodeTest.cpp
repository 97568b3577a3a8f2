// PxNode: who reads whom, and invalidation travelling up the graph from any thread.
#include "PxTestSupport.h"

#include <Vx/Px/PxNode.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace Vx {
namespace {

using pxtest::ProbeNode;
using pxtest::TimeShiftNode;

TEST(PxNode, RegisteringTwiceNeedsUnregisteringTwice)
{
    PxStrongHndl<ProbeNode> child = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> parent = pxCreateNode<ProbeNode>();
    parent->registerChild(child);
    parent->registerChild(child);
    EXPECT_EQ(child->getParents(), (std::vector<const PxNode*>{parent.get(), parent.get()}));

    child->invalidate({0.0, 1.0}, 0);
    EXPECT_EQ(parent->getInvalidationCount(), 2u);

    parent->unregisterChild(child);
    EXPECT_EQ(child->getParents(), std::vector<const PxNode*>{parent.get()});
    parent->unregisterChild(child);
    EXPECT_TRUE(child->getParents().empty());
    parent->unregisterChild(child); // no longer registered: nothing to undo
    EXPECT_TRUE(child->getParents().empty());
}

TEST(PxNode, ATimeShiftRemapsTheIntervalOnItsWayUp)
{
    PxStrongHndl<ProbeNode> leaf = pxCreateNode<ProbeNode>();
    PxStrongHndl<TimeShiftNode> shift = pxCreateNode<TimeShiftNode>(2.0);
    PxStrongHndl<ProbeNode> top = pxCreateNode<ProbeNode>();
    shift->registerChild(leaf);
    top->registerChild(shift);

    leaf->invalidate({1.0, 1.5}, 9);
    EXPECT_EQ(leaf->getLastInvalidation(), (PxValidityInterval{1.0, 1.5}));
    EXPECT_EQ(shift->getLastInvalidation(), (PxValidityInterval{3.0, 3.5}));
    EXPECT_EQ(top->getLastInvalidation(), (PxValidityInterval{3.0, 3.5}));
    EXPECT_EQ(top->getReceivedFlags(), std::vector<int>{9});

    top->unregisterChild(shift);
    shift->unregisterChild(leaf);
}

TEST(PxNode, LastInvalidationIsOneThatWasGivenWhileThreadsInvalidateAtOnce)
{
    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    PxNode* target = node.get();
    const PxValidityInterval first{0.0, 1.0};
    const PxValidityInterval second{10.0, 11.0};
    std::atomic<bool> stop{false};
    const auto invalidateUntilStopped = [&](const PxValidityInterval& interval) {
        while (!stop.load())
            target->invalidate(interval, 0);
    };
    std::thread a(invalidateUntilStopped, first);
    std::thread b(invalidateUntilStopped, second);
    while (node->getInvalidationCount() == 0)
        std::this_thread::yield();

    // Whatever is read must be one of the two intervals, never the start of one with the end of
    // the other. Reads go on for a while (both threads must get to run at once for a mix to be
    // possible) and stop at the first mix.
    PxValidityInterval mix{0.0, 0.0};
    bool mixed = false;
    long reads = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (!mixed && std::chrono::steady_clock::now() < until) {
        for (int i = 0; i < 1000 && !mixed; ++i, ++reads) {
            const PxValidityInterval seen = node->getLastInvalidation();
            if (seen != first && seen != second) {
                mix = seen;
                mixed = true;
            }
        }
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_FALSE(mixed) << "read " << mix << " after " << reads << " reads";
}

} // namespace
} // namespace Vx
