// PxRequestMgr and PxSetRequest: requests run on the one worker thread in the order they were
// queued, never while a render holds the gate, are released on the graph thread, and a request
// that fails leaves its message behind without stopping the worker.
#include "PxTestSupport.h"

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImageFormatNode.h>
#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxRequestMgr.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

using pxtest::ProbeNode;
using pxtest::requestThreadId;
using pxtest::runOnRequestThread;

using ProbeSetRequest = PxSetRequest<ProbeNode, int>;

RCShdPtr<PxRequest> makeSetRequest(const PxStrongHndl<ProbeNode>& node, int value, const PxValidityInterval& interval)
{
    return makeShared<ProbeSetRequest>(RCShdPtr<ProbeNode>(node.get()), &ProbeNode::setValue, value, interval);
}

TEST(PxSetRequest, CallsTheSetterOnTheRequestThread)
{
    const std::thread::id worker = requestThreadId();
    ASSERT_NE(worker, std::this_thread::get_id());

    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.queueRequest(makeSetRequest(node, 7, PxValidityInterval::FULL));
    mgr.waitForIdle();

    EXPECT_EQ(node->getValues(), std::vector<int>{7});
    EXPECT_EQ(node->getSetterThreads(), std::vector<std::thread::id>{worker});
    EXPECT_EQ(node->getSetterOnWorker(), std::vector<bool>{true});
}

TEST(PxSetRequest, KeepsTheValueItWasMadeWith)
{
    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    const ProbeSetRequest request(RCShdPtr<ProbeNode>(node.get()), &ProbeNode::setValue, 42, PxValidityInterval::FULL);
    EXPECT_EQ(request.getValue(), 42);
}

class PxSetRequestInvalidation : public ::testing::Test
{
protected:
    PxSetRequestInvalidation()
    {
        middle->registerChild(leaf);
        top->registerChild(middle);
    }
    ~PxSetRequestInvalidation() override
    {
        top->unregisterChild(middle);
        middle->unregisterChild(leaf);
    }

    void set(int value, const PxValidityInterval& interval)
    {
        PxRequestMgr::getInstance().queueRequest(makeSetRequest(leaf, value, interval));
        PxRequestMgr::getInstance().waitForIdle();
    }

    PxStrongHndl<ProbeNode> leaf = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> middle = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> top = pxCreateNode<ProbeNode>();
};

TEST_F(PxSetRequestInvalidation, InvalidatesTheNodeAndEveryNodeAboveIt)
{
    ASSERT_EQ(leaf->getInvalidationCount(), 0u);
    set(3, {2.0, 3.5});

    const PxValidityInterval expected{2.0, 3.5};
    for (const ProbeNode* node : {leaf.get(), middle.get(), top.get()}) {
        EXPECT_EQ(node->getInvalidationCount(), 1u);
        EXPECT_EQ(node->getLastInvalidation(), expected);
    }
    // The flag of a request's invalidation travels up unchanged.
    EXPECT_EQ(middle->getReceivedFlags(), std::vector<int>{-2});
    EXPECT_EQ(top->getReceivedFlags(), std::vector<int>{-2});

    set(4, PxValidityInterval::FULL);
    for (const ProbeNode* node : {leaf.get(), middle.get(), top.get()}) {
        EXPECT_EQ(node->getInvalidationCount(), 2u);
        EXPECT_TRUE(node->getLastInvalidation().isFull());
    }
}

TEST_F(PxSetRequestInvalidation, UnregisteringAChildStopsThePropagation)
{
    set(1, {0.0, 1.0});
    middle->unregisterChild(leaf);
    EXPECT_TRUE(leaf->getParents().empty());
    set(2, {5.0, 6.0});

    EXPECT_EQ(leaf->getInvalidationCount(), 2u);
    EXPECT_EQ(leaf->getLastInvalidation(), (PxValidityInterval{5.0, 6.0}));
    EXPECT_EQ(middle->getInvalidationCount(), 1u);
    EXPECT_EQ(middle->getLastInvalidation(), (PxValidityInterval{0.0, 1.0}));
    EXPECT_EQ(top->getInvalidationCount(), 1u);
    middle->registerChild(leaf); // as the fixture expects to find it
}

TEST(PxRequestMgr, ExecutesRequestsInQueueOrder)
{
    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    const std::uint64_t executedBefore = mgr.getExecutedCount();

    std::vector<int> expected(100);
    std::iota(expected.begin(), expected.end(), 0);
    for (int value : expected)
        mgr.queueRequest(makeSetRequest(node, value, PxValidityInterval::FULL));
    mgr.waitForIdle();

    EXPECT_EQ(node->getValues(), expected);
    EXPECT_EQ(mgr.getExecutedCount() - executedBefore, 100u);
    EXPECT_EQ(node->getInvalidationCount(), 100u);
}

struct RequestTypeCase
{
    std::uint8_t record;
    std::uint8_t expected;
};

TEST(PxRequest, GetRequestTypeWritesTheCodeAndKeepsTheUpperBits)
{
    PxStrongHndl<ProbeNode> probe = pxCreateNode<ProbeNode>();
    const ProbeSetRequest set(RCShdPtr<ProbeNode>(probe.get()), &ProbeNode::setValue, 0, PxValidityInterval::FULL);
    const RequestTypeCase setCases[] = {{0xC0, 0xC5}, {0x3F, 0x05}, {0x00, 0x05}, {0xFF, 0xC5}, {0x40, 0x45}};
    for (const RequestTypeCase& c : setCases) {
        std::uint8_t record = c.record;
        set.getRequestType(record);
        EXPECT_EQ(int(record), int(c.expected)) << "set request from record " << int(c.record);
    }

    const pxtest::PxFunctionRequest generic([] {});
    const RequestTypeCase genericCases[] = {{0xC0, 0xC0}, {0x3F, 0x00}, {0xFF, 0xC0}, {0x85, 0x80}};
    for (const RequestTypeCase& c : genericCases) {
        std::uint8_t record = c.record;
        generic.getRequestType(record);
        EXPECT_EQ(int(record), int(c.expected)) << "generic request from record " << int(c.record);
    }

    PxStrongHndl<PxImageFormatNode> formatNode = pxCreateNode<PxImageFormatNode>(PxImageFormat{});
    const PxImageFormatSetRequest format(RCShdPtr<PxImageFormatNode>(formatNode.get()), PxImageFormat{});
    const RequestTypeCase formatCases[] = {{0xC0, 0xC4}, {0x3F, 0x04}, {0x85, 0x84}};
    for (const RequestTypeCase& c : formatCases) {
        std::uint8_t record = c.record;
        format.getRequestType(record);
        EXPECT_EQ(int(record), int(c.expected)) << "format request from record " << int(c.record);
    }
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

    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    mgr.queueRequest(makeShared<ThrowingRequest>());
    mgr.queueRequest(makeSetRequest(node, 1, PxValidityInterval::FULL));
    mgr.queueRequest(makeShared<ThrowingUnknownRequest>());
    mgr.queueRequest(makeSetRequest(node, 2, PxValidityInterval::FULL));
    mgr.waitForIdle();

    EXPECT_EQ(node->getValues(), (std::vector<int>{1, 2}));
    EXPECT_EQ(mgr.takeErrors(), (std::vector<std::string>{"The clip \"plate\" has no frame 12.",
                                                          "A request failed with an unknown exception."}));
    EXPECT_TRUE(mgr.takeErrors().empty()); // taking them emptied the list
}

TEST(PxSetRequest, WithoutANodeFailsWithANullPointerMessage)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.waitForIdle();
    mgr.takeErrors();

    mgr.queueRequest(
        makeShared<ProbeSetRequest>(RCShdPtr<ProbeNode>(), &ProbeNode::setValue, 1, PxValidityInterval::FULL));
    mgr.waitForIdle();

    EXPECT_EQ(
        mgr.takeErrors(),
        std::vector<std::string>{
            "Null pointer: a Vx::RCStrongBasePtr<Vx::pxtest::ProbeNode, Vx::LkCounter<int> > was used while empty."});
}

/// Records on which thread it dies; optionally holds its clean-up until the test lets it go.
class ReleaseProbeRequest : public PxRequest
{
public:
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool cleaningUp = false;
        bool mayFinish = false;
        std::thread::id releasedOn;
        bool released = false;
    };

    ReleaseProbeRequest(Shared& shared, bool fail, bool holdCleanUp)
        : m_shared(shared), m_fail(fail), m_holdCleanUp(holdCleanUp)
    {
    }
    ~ReleaseProbeRequest() override
    {
        std::lock_guard<std::mutex> lock(m_shared.mutex);
        m_shared.releasedOn = std::this_thread::get_id();
        m_shared.released = true;
    }

    void performExecute() override
    {
        if (m_fail)
            throw std::runtime_error("Failing on purpose.");
    }
    void performCleanUp() override
    {
        if (!m_holdCleanUp)
            return;
        std::unique_lock<std::mutex> lock(m_shared.mutex);
        m_shared.cleaningUp = true;
        m_shared.changed.notify_all();
        m_shared.changed.wait(lock, [this] { return m_shared.mayFinish; });
    }

private:
    Shared& m_shared;
    bool m_fail;
    bool m_holdCleanUp;
};

TEST(PxRequestMgr, ReleasesExecutedRequestsOnTheGraphThread)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    for (bool fail : {false, true}) {
        ReleaseProbeRequest::Shared shared;
        mgr.queueRequest(makeShared<ReleaseProbeRequest>(shared, fail, false));
        mgr.waitForIdle();
        EXPECT_TRUE(shared.released) << (fail ? "failed request" : "request");
        EXPECT_EQ(shared.releasedOn, std::this_thread::get_id()) << (fail ? "failed request" : "request");
    }
    mgr.takeErrors();
}

TEST(PxRequestMgr, CollectingWhileARequestCleansUpStillReleasesItOnTheGraphThread)
{
    // The graph thread may collect executed requests at any moment, also while the worker is
    // still finishing one that already handed itself back.
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    ReleaseProbeRequest::Shared shared;
    mgr.queueRequest(makeShared<ReleaseProbeRequest>(shared, false, true));
    {
        std::unique_lock<std::mutex> lock(shared.mutex);
        shared.changed.wait(lock, [&] { return shared.cleaningUp; });
    }
    mgr.collectCompleted();
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        EXPECT_FALSE(shared.released); // the worker is still using it
        shared.mayFinish = true;
    }
    shared.changed.notify_all();
    mgr.waitForIdle();

    EXPECT_TRUE(shared.released);
    EXPECT_EQ(shared.releasedOn, std::this_thread::get_id());
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
