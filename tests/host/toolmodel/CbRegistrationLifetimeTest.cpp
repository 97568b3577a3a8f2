// Registrations of handlers end with whichever side dies first: node-event callbacks, time
// callbacks, command-processed callbacks and value handlers are forgotten when their handler is
// destroyed without being removed, and a registry destroyed first leaves its handlers free to
// die later. Run under AddressSanitizer, a dangling registration shows as a use after free.
#include "ToolModelTestSupport.h"

#include <memory>

using namespace Vx;
using namespace Vx::pitest;

namespace {

class EventHandler : public CbHandler<void, const PiNodeEvent&>
{
public:
    void call(const PiNodeEvent& event) const override { events.push_back(event); }
    mutable std::vector<PiNodeEvent> events;
};

class TimeHandler : public CbHandler<void, const TmTimeEvent&>
{
public:
    void call(const TmTimeEvent& event) const override { events.push_back(event); }
    mutable std::vector<TmTimeEvent> events;
};

/// Owns its callback objects as members and registers them, but never removes them: its
/// destruction alone must end the registrations.
class CompanionLike
{
public:
    CompanionLike(PiNodeController& controller, int& calls) : m_calls(calls)
    {
        controller.addCallback(PiNodeEvent::SocketConnected, &m_onConnected);
        controller.addCallback(PiNodeEvent::SocketDisconnected, &m_onConnected);
    }
    const CbHandlerBase& getHandler() const { return m_onConnected; }

private:
    void onEvent(const PiNodeEvent&) { ++m_calls; }

    int& m_calls;
    CbMethod<CompanionLike, void, const PiNodeEvent&> m_onConnected{this, &CompanionLike::onEvent};
};

TmTimeProtocol& timeProtocolOf(const RCShdPtr<PiGraph>& graph)
{
    RCShdPtr<PiNodeController> controller = graph->getController().lock();
    auto* time = dynamic_cast<TmTimeProtocol*>(controller.get());
    if (!time)
        throw std::logic_error("The graph's controller has no time protocol.");
    return *time;
}

} // namespace

using CbRegistrationLifetimeTest = ToolModelTest;

TEST_F(CbRegistrationLifetimeTest, ANodeEventHandlerDestroyedWithoutRemovalIsNoLongerCalled)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> source = makeGainNode("source");
    const RCShdPtr<PiNode> target = makeGainNode("target", &controller);
    EventHandler kept;
    auto dropped = std::make_unique<EventHandler>();
    controller->addCallback(PiNodeEvent::SocketConnected, &kept);
    controller->addCallback(PiNodeEvent::SocketConnected, dropped.get());
    controller->addCallback(PiNodeEvent::SocketDisconnected, dropped.get());
    const EventHandler* droppedAddress = dropped.get();
    dropped.reset();
    EXPECT_FALSE(controller->hasCallback(PiNodeEvent::SocketConnected, droppedAddress));
    EXPECT_FALSE(controller->hasCallback(PiNodeEvent::SocketDisconnected, droppedAddress));

    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    graph->disconnect(target->getInput("Input", true));
    EXPECT_EQ(kept.events, (std::vector<PiNodeEvent>{PiNodeEvent::SocketConnected}));
    controller->removeCallback(PiNodeEvent::SocketConnected, &kept);
    EXPECT_EQ(kept.getRegistrationCount(), 0u);
}

TEST_F(CbRegistrationLifetimeTest, AnOwnerOfMemberHandlersNeedNotRemoveThem)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> source = makeGainNode("source");
    const RCShdPtr<PiNode> target = makeGainNode("target", &controller);
    int calls = 0;
    auto companion = std::make_unique<CompanionLike>(*controller, calls);
    EXPECT_EQ(companion->getHandler().getRegistrationCount(), 2u);
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_EQ(calls, 1);
    companion.reset();
    graph->disconnect(target->getInput("Input", true));
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_EQ(calls, 1);
}

TEST_F(CbRegistrationLifetimeTest, AControllerDestroyedFirstLeavesItsHandlersDestroyable)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> node = makeGainNode("gain", &controller);
    EventHandler handler;
    int calls = 0;
    auto companion = std::make_unique<CompanionLike>(*controller, calls);
    controller->addCallback(PiNodeEvent::SocketConnected, &handler);
    EXPECT_EQ(handler.getRegistrationCount(), 1u);
    graph->removeNode(node); // destroys the controller
    EXPECT_EQ(handler.getRegistrationCount(), 0u);
    EXPECT_EQ(companion->getHandler().getRegistrationCount(), 0u);
    companion.reset();
}

TEST_F(CbRegistrationLifetimeTest, ATimeHandlerDestroyedWithoutRemovalIsNoLongerCalled)
{
    TmTimeProtocol& time = timeProtocolOf(graph);
    const std::size_t before = graph->getGraphController()->getCallbackCount();
    TimeHandler kept;
    auto dropped = std::make_unique<TimeHandler>();
    time.addCallback(TmTimeEvent::StartTimeChanged, dropped.get());
    time.addCallback(TmTimeEvent::EndTimeChanged, dropped.get());
    time.addCallback(TmTimeEvent::EndTimeChanged, &kept);
    dropped.reset();
    EXPECT_EQ(graph->getGraphController()->getCallbackCount(), before + 1);
    graph->setTimeRange(DtTime{5, {24, 1}}, DtTime{50, {24, 1}});
    EXPECT_EQ(kept.events, (std::vector<TmTimeEvent>{TmTimeEvent::EndTimeChanged}));
}

TEST_F(CbRegistrationLifetimeTest, AGraphClosedFirstLeavesItsTimeHandlersDestroyable)
{
    TimeHandler handler;
    timeProtocolOf(graph).addCallback(TmTimeEvent::StartTimeChanged, &handler);
    {
        // The graph controller dies with the last reference to the graph.
        RCShdPtr<PiComposition> other = PiComposition::create("other");
        RCShdPtr<PiGraph> otherGraph = other->createGraph("v001", 1, 10);
        timeProtocolOf(otherGraph).addCallback(TmTimeEvent::StartTimeChanged, &handler);
        EXPECT_EQ(handler.getRegistrationCount(), 2u);
        other->close();
    }
    EXPECT_EQ(handler.getRegistrationCount(), 1u);
    timeProtocolOf(graph).removeCallback(TmTimeEvent::StartTimeChanged, &handler);
    EXPECT_EQ(handler.getRegistrationCount(), 0u);
}

TEST_F(CbRegistrationLifetimeTest, ACommandProcessedHandlerDestroyedWithoutRemovalIsNoLongerCalled)
{
    const RCShdPtr<CmCommandStack> stack = composition->getCommandStack();
    FunctionHandler kept;
    auto dropped = std::make_unique<FunctionHandler>();
    stack->addCommandProcessedCallback(dropped.get());
    stack->addCommandProcessedCallback(&kept);
    const FunctionHandler* droppedAddress = dropped.get();
    dropped.reset();
    EXPECT_FALSE(stack->hasCommandProcessedCallback(droppedAddress));
    composition->setAttribute("client", "ACME");
    EXPECT_EQ(kept.getCalls(), 1);
}

TEST_F(CbRegistrationLifetimeTest, ACommandStackDestroyedFirstLeavesItsHandlersDestroyable)
{
    FunctionHandler handler;
    {
        RCShdPtr<CmCommandStack> stack = makeShared<CmCommandStack>();
        stack->addCommandProcessedCallback(&handler);
        EXPECT_EQ(handler.getRegistrationCount(), 1u);
    }
    EXPECT_EQ(handler.getRegistrationCount(), 0u);
}

TEST_F(CbRegistrationLifetimeTest, ValueHandlersDestroyedWithoutResetAreNoLongerCalled)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain");
    const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
    auto invalidated = std::make_unique<FunctionHandler>();
    auto updated = std::make_unique<FunctionHandler>();
    gain->setInvalidationHandler(invalidated.get());
    gain->setUpdateHandler(updated.get());
    gain->update();
    EXPECT_EQ(updated->getCalls(), 1);
    invalidated.reset();
    updated.reset();

    node->getInput(kGain, true)->setVariant(2.0);
    EXPECT_TRUE(gain->isInvalid());
    gain->update();
    EXPECT_FALSE(gain->isInvalid());

    // A new handler set afterwards is called as usual.
    FunctionHandler replacement;
    gain->setInvalidationHandler(&replacement);
    node->getInput(kGain, true)->setVariant(3.0);
    EXPECT_EQ(replacement.getCalls(), 1);
}

TEST_F(CbRegistrationLifetimeTest, AValueDestroyedFirstLeavesItsHandlersDestroyable)
{
    const RCShdPtr<PiNode> node = makeGainNode("gain");
    FunctionHandler handler;
    {
        const auto gain = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
        gain->setInvalidationHandler(&handler);
        gain->setUpdateHandler(&handler);
        EXPECT_EQ(handler.getRegistrationCount(), 2u);
        gain->setUpdateHandler(nullptr);
        EXPECT_EQ(handler.getRegistrationCount(), 1u);
    }
    EXPECT_EQ(handler.getRegistrationCount(), 0u);
}
