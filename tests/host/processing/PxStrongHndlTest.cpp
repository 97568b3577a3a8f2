// PxStrongHndl: processing handles belong to the graph thread. Creating or assigning one on a
// worker thread (the request thread, or a thread inside a RenderScope) fails the host assertion.
// pxDownCast: from a node handle to one of its protocols.
#include "PxTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace Vx {
namespace {

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

const std::pair<const char*, std::function<void(Handles&)>> kOperations[] = {
    {"construction from a node", [](Handles& h) { PxStrongHndl<ProbeNode> handle(h.node.get()); }},
    {"copy construction", [](Handles& h) { PxStrongHndl<ProbeNode> handle(h.node); }},
    {"move assignment", [](Handles& h) { h.empty = std::move(h.second); }},
    {"reset", [](Handles& h) { h.second.reset(); }},
    {"pxCreateNode", [](Handles&) { pxCreateNode<ProbeNode>(); }},
};

/// Runs `work` on a worker thread: the request thread, or a thread inside a RenderScope.
const std::pair<const char*, std::function<void(const std::function<void()>&)>> kWorkers[] = {
    {"request thread", [](const std::function<void()>& work) { runOnRequestThread(work); }},
    {"render scope",
     [](const std::function<void()>& work) {
         std::thread render([&] {
             PxRequestMgr::RenderScope scope;
             work();
         });
         render.join();
     }},
};

TEST(PxStrongHndl, CreationAndAssignmentOnAWorkerThreadFailTheAssertionAndChangeNothing)
{
    for (const auto& [where, runOnWorker] : kWorkers) {
        for (const auto& [name, op] : kOperations) {
            const auto& operation = op; // lambdas capture variables, not structured bindings (C++17)
            SCOPED_TRACE(std::string(name) + " on the " + where);
            Handles handles;
            const int constructed = ProbeNode::constructed();
            runOnWorker([&] {
                EXPECT_THROW_MESSAGE_START(operation(handles), RCExAssertionFailed,
                                           "Assertion \"" + kGraphThreadCheck + "\" failed at ");
            });
            ASSERT_TRUE(handles.node);
            EXPECT_EQ(handles.second.get(), handles.node.get());
            EXPECT_TRUE(handles.empty.isNull());
            EXPECT_EQ(handles.node->getRefCount(), 2);
            // A node built and then refused by its handle would be lost: nobody could release it.
            EXPECT_EQ(ProbeNode::constructed(), constructed);
        }
    }
}

TEST(PxDownCast, ToAProtocolTheNodeHasSharesTheNodeAndOtherwiseNamesBothTypes)
{
    EXPECT_TRUE(pxDownCast<PxImageProtocol const>(PxNodePtr<PxNode const>()).isNull());

    auto value = pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(1.5, PxValidityInterval::FULL));
    const PxNodePtr<PxNode const> asNode(value);
    {
        const auto protocol = pxDownCast<PxAnimValueProtocol<double> const>(asNode);
        ASSERT_TRUE(protocol);
        EXPECT_EQ(protocol->getValue(0.0).value, 1.5);
        EXPECT_EQ(value->getRefCount(), 3); // the result is a handle of its own
    }
    EXPECT_THROW_MESSAGE(pxDownCast<PxImageProtocol const>(asNode), RCExCastFailed,
                         "Cast failed: an object of type Vx::PxAnimValueNode<double> cannot be used as "
                         "Vx::PxStrongHndl<Vx::PxImageProtocol const>.");
    EXPECT_EQ(value->getRefCount(), 2); // a failed cast takes no reference
}

} // namespace
} // namespace Vx
