// PxStrongHndl: processing handles belong to the graph thread. Creating or assigning one on a
// worker thread (the request thread, or a thread inside a RenderScope) fails the host assertion;
// releasing one there ends the process.
#include "PxTestSupport.h"

#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxRequestMgr.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Vx {
namespace {

using pxtest::AssertionOutcome;
using pxtest::captureAssertion;
using pxtest::kGraphThreadCheck;
using pxtest::ProbeNode;
using pxtest::runOnRequestThread;

/// Handles made on the graph thread for one operation to work on.
struct Handles
{
    PxStrongHndl<ProbeNode> node = pxCreateNode<ProbeNode>();
    PxStrongHndl<ProbeNode> second{node}; // a second reference to the same node
    PxStrongHndl<ProbeNode> empty;
};

struct HandleOperation
{
    const char* name;
    std::function<void(Handles&)> run;
};

const std::vector<HandleOperation>& handleOperations()
{
    static const std::vector<HandleOperation> operations = {
        {"default construction", [](Handles&) { PxStrongHndl<ProbeNode> handle; }},
        {"construction from null", [](Handles&) { PxStrongHndl<ProbeNode> handle(nullptr); }},
        {"construction from a node", [](Handles& h) { PxStrongHndl<ProbeNode> handle(h.node.get()); }},
        {"copy construction", [](Handles& h) { PxStrongHndl<ProbeNode> handle(h.node); }},
        {"conversion to a protocol handle", [](Handles& h) { PxNodePtr<PxNode const> handle(h.node); }},
        {"move construction", [](Handles& h) { PxStrongHndl<ProbeNode> handle(std::move(h.second)); }},
        {"copy assignment", [](Handles& h) { h.empty = h.node; }},
        {"move assignment", [](Handles& h) { h.empty = std::move(h.second); }},
        {"assign", [](Handles& h) { h.empty.assign(h.node.get()); }},
        {"reset", [](Handles& h) { h.second.reset(); }},
    };
    return operations;
}

/// The handles as they were made: an operation that failed its assertion changed nothing.
void expectUntouched(const Handles& h, const char* operation)
{
    SCOPED_TRACE(operation);
    ASSERT_TRUE(h.node);
    EXPECT_EQ(h.second.get(), h.node.get());
    EXPECT_TRUE(h.empty.isNull());
    EXPECT_EQ(h.node->getRefCount(), 2);
}

void expectGraphThreadAssertion(const AssertionOutcome& outcome, const char* operation)
{
    SCOPED_TRACE(operation);
    EXPECT_TRUE(outcome.threw);
    EXPECT_EQ(outcome.expression, kGraphThreadCheck);
    EXPECT_THAT(outcome.message, ::testing::StartsWith("Assertion \"" + kGraphThreadCheck + "\" failed at "));
    EXPECT_THAT(outcome.message, ::testing::HasSubstr("PxNode.h:"));
}

TEST(PxStrongHndl, OperationsOnTheGraphThreadSucceed)
{
    for (const HandleOperation& operation : handleOperations()) {
        Handles handles;
        const AssertionOutcome outcome = captureAssertion([&] { operation.run(handles); });
        EXPECT_FALSE(outcome.threw) << operation.name << ": " << outcome.message;
    }
}

TEST(PxStrongHndl, CreationAndAssignmentOnTheRequestThreadFailTheAssertion)
{
    for (const HandleOperation& operation : handleOperations()) {
        Handles handles;
        AssertionOutcome outcome;
        runOnRequestThread([&] { outcome = captureAssertion([&] { operation.run(handles); }); });
        expectGraphThreadAssertion(outcome, operation.name);
        expectUntouched(handles, operation.name);
    }
}

TEST(PxStrongHndl, CreationAndAssignmentInsideARenderScopeFailTheAssertion)
{
    for (const HandleOperation& operation : handleOperations()) {
        Handles handles;
        AssertionOutcome outcome;
        std::thread render([&] {
            PxRequestMgr::RenderScope scope;
            outcome = captureAssertion([&] { operation.run(handles); });
        });
        render.join();
        expectGraphThreadAssertion(outcome, operation.name);
        expectUntouched(handles, operation.name);
    }
}

TEST(PxStrongHndl, CreatingANodeOnAWorkerThreadFailsBeforeBuildingIt)
{
    const int before = ProbeNode::constructed();
    AssertionOutcome outcome;
    runOnRequestThread([&] { outcome = captureAssertion([] { pxCreateNode<ProbeNode>(); }); });
    expectGraphThreadAssertion(outcome, "pxCreateNode");
    // A node built and then refused by its handle would be lost: nobody could ever release it.
    EXPECT_EQ(ProbeNode::constructed(), before);
}

TEST(PxStrongHndl, DereferencingIsAllowedOnAnyThread)
{
    Handles handles;
    PxStrongHndl<ProbeNode> empty;
    const PxNode* seen = nullptr;
    std::string nullMessage;
    runOnRequestThread([&] {
        seen = &*handles.node;
        try {
            empty->getName();
        } catch (const RCExNullPtr& e) {
            nullMessage = e.what();
        }
    });
    EXPECT_EQ(seen, handles.node.get());
    EXPECT_EQ(nullMessage, "Null pointer: a Vx::PxStrongHndl<Vx::pxtest::ProbeNode> was used while empty.");
}

TEST(PxRequestMgrRenderScope, MarksTheThreadAsAWorkerWhileHeld)
{
    bool before = true, inside = false, nested = false, afterNested = false, after = true;
    std::thread render([&] {
        PxRequestMgr& mgr = PxRequestMgr::getInstance();
        before = mgr.isWorkerThreadCurrent();
        {
            PxRequestMgr::RenderScope scope;
            inside = mgr.isWorkerThreadCurrent();
            {
                PxRequestMgr::RenderScope inner;
                nested = mgr.isWorkerThreadCurrent();
            }
            afterNested = mgr.isWorkerThreadCurrent();
        }
        after = mgr.isWorkerThreadCurrent();
    });
    render.join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(inside);
    EXPECT_TRUE(nested);
    EXPECT_TRUE(afterNested); // leaving an inner scope keeps the outer one's mark
    EXPECT_FALSE(after);
    EXPECT_FALSE(PxRequestMgr::getInstance().isWorkerThreadCurrent());
}

TEST(PxRequestMgrRenderScope, TheRequestThreadIsAWorker)
{
    bool onWorker = false;
    runOnRequestThread([&] { onWorker = PxRequestMgr::getInstance().isWorkerThreadCurrent(); });
    EXPECT_TRUE(onWorker);
}

// The death tests start a fresh process for the statement: the request manager runs a thread of
// its own, which a plain fork would not carry over.
const char* const kReleaseOnWorkerPattern =
    "Assertion \"!PxRequestMgr::getInstance\\(\\)\\.isWorkerThreadCurrent\\(\\)\" "
    "failed at .*A processing handle was released on a worker thread\\.";

TEST(PxStrongHndlDeathTest, ReleaseInsideARenderScopeTerminates)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto handle = std::make_unique<PxStrongHndl<ProbeNode>>(pxCreateNode<ProbeNode>());
            PxRequestMgr::RenderScope scope;
            handle.reset();
        },
        kReleaseOnWorkerPattern);
}

TEST(PxStrongHndlDeathTest, ReleaseOnTheRequestThreadTerminates)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto handle = std::make_shared<std::unique_ptr<PxStrongHndl<ProbeNode>>>(
                std::make_unique<PxStrongHndl<ProbeNode>>(pxCreateNode<ProbeNode>()));
            runOnRequestThread([handle] { handle->reset(); });
        },
        kReleaseOnWorkerPattern);
}

} // namespace
} // namespace Vx
