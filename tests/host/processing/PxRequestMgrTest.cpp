// PxRequestMgr, PxSetRequest and PxNode: requests run on the one worker thread in the order they
// were queued, never while a render holds the gate, are released on the graph thread, and a
// request that fails leaves its message behind without stopping the worker. Invalidation travels
// up the graph from the node a request changed.
#include "PxTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

using pxtest::makeSetRequest;
using pxtest::ProbeNode;

TEST(PxSetRequest, InvalidatesItsNodeAndEveryNodeAboveItUntilUnregistered)
{
    PxStrongHndl<ProbeNode> leaf = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> middle = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> top = pxCreateNode<ProbeNode>();
    middle->registerChild(leaf);
    top->registerChild(middle);
    const auto set = [&](int value, const PxValidityInterval& interval) {
        PxRequestMgr::getInstance().queueRequest(makeSetRequest(leaf, value, interval));
        PxRequestMgr::getInstance().waitForIdle();
    };

    set(3, {2.0, 3.5});
    for (const ProbeNode* node : {leaf.get(), middle.get(), top.get()}) {
        EXPECT_EQ(node->getInvalidationCount(), 1u);
        EXPECT_EQ(node->getLastInvalidation(), (PxValidityInterval{2.0, 3.5}));
    }
    // The flag of a request's invalidation travels up unchanged.
    EXPECT_EQ(top->getReceivedFlags(), std::vector<int>{-2});

    middle->unregisterChild(leaf);
    set(2, PxValidityInterval::FULL);
    EXPECT_EQ(leaf->getInvalidationCount(), 2u);
    EXPECT_EQ(middle->getInvalidationCount(), 1u);
    EXPECT_EQ(top->getInvalidationCount(), 1u);
    top->unregisterChild(middle);
}

class ThrowingRequest : public PxRequest
{
public:
    void performExecute() override { throw std::runtime_error("The clip \"plate\" has no frame 12."); }
};

class ThrowingUnknownRequest : public PxRequest
{
public:
    void performExecute() override { throw 42; }
};

TEST(PxRequestMgr, AFailedRequestLeavesItsMessageAndTheWorkerGoesOn)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    mgr.takeErrors(); // whatever earlier tests left
    const std::uint64_t executedBefore = mgr.getExecutedCount();

    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    mgr.queueRequest(makeShared<ThrowingRequest>());
    mgr.queueRequest(makeSetRequest(node, 1));
    mgr.queueRequest(makeShared<ThrowingUnknownRequest>());
    mgr.queueRequest(makeSetRequest(node, 2));
    mgr.waitForIdle();

    // In queue order, on the worker thread, each counted once.
    EXPECT_EQ(node->getValues(), (std::vector<int>{1, 2}));
    EXPECT_EQ(node->getSetterOnWorker(), (std::vector<bool>{true, true}));
    EXPECT_EQ(mgr.getExecutedCount() - executedBefore, 4u);
    EXPECT_EQ(mgr.takeErrors(), (std::vector<std::string>{"The clip \"plate\" has no frame 12.",
                                                          "A request failed with an unknown exception."}));
    EXPECT_TRUE(mgr.takeErrors().empty()); // taking them emptied the list
}

/// Records on which thread it dies.
class ReleaseProbeRequest : public PxRequest
{
public:
    ReleaseProbeRequest(std::thread::id& releasedOn, bool fail) : m_releasedOn(releasedOn), m_fail(fail) {}
    ~ReleaseProbeRequest() override { m_releasedOn = std::this_thread::get_id(); }
    void performExecute() override
    {
        if (m_fail)
            throw std::runtime_error("Failing on purpose.");
    }

private:
    std::thread::id& m_releasedOn;
    bool m_fail;
};

TEST(PxRequestMgr, ReleasesExecutedRequestsOnTheGraphThread)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    for (bool fail : {false, true}) {
        std::thread::id releasedOn;
        mgr.queueRequest(makeShared<ReleaseProbeRequest>(releasedOn, fail));
        mgr.waitForIdle();
        EXPECT_EQ(releasedOn, std::this_thread::get_id()) << "failed " << fail;
    }
    mgr.takeErrors();
}

TEST(PxRequestMgr, ARenderInProgressHoldsRequestsBack)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    std::mutex mutex;
    std::condition_variable changed;
    bool rendering = false;
    bool renderMayEnd = false;
    std::thread render([&] {
        PxRequestMgr::RenderScope scope;
        std::unique_lock<std::mutex> lock(mutex);
        rendering = true;
        changed.notify_all();
        changed.wait(lock, [&] { return renderMayEnd; });
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return rendering; });
    }
    std::atomic<bool> executed{false};
    mgr.queueRequest(makeShared<pxtest::PxFunctionRequest>([&executed] { executed = true; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(executed.load()) << "a request ran while a render held the gate";
    {
        std::lock_guard<std::mutex> lock(mutex);
        renderMayEnd = true;
    }
    changed.notify_all();
    render.join();
    mgr.waitForIdle();
    EXPECT_TRUE(executed.load());
}

} // namespace
} // namespace Vx
