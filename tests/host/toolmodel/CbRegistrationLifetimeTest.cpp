// Registrations of handlers end with whichever side dies first: node-event callbacks, time
// callbacks, command-processed callbacks and value handlers are forgotten when their handler is
// destroyed without being removed, and a registry destroyed first leaves its handlers free to
// die later. Run under AddressSanitizer, a dangling registration shows as a use after free.
#include "ToolModelTestSupport.h"

#include <memory>

using namespace Vx;
using namespace Vx::pitest;

namespace {

template <class Event> class EventHandler : public CbHandler<void, const Event&>
{
public:
    void call(const Event& event) const override { events.push_back(event); }
    mutable std::vector<Event> events;
};

/// Owns its callback object as a member and registers it, but never removes it: its destruction
/// alone must end the registrations.
class CompanionLike
{
public:
    CompanionLike(PiNodeController& controller, int& calls) : m_calls(calls)
    {
        controller.addCallback(PiNodeEvent::SocketConnected, &m_onEvent);
        controller.addCallback(PiNodeEvent::SocketDisconnected, &m_onEvent);
    }
    const CbHandlerBase& getHandler() const { return m_onEvent; }

private:
    void onEvent(const PiNodeEvent&) { ++m_calls; }

    int& m_calls;
    CbMethod<CompanionLike, void, const PiNodeEvent&> m_onEvent{this, &CompanionLike::onEvent};
};

TmTimeProtocol& timeProtocolOf(const RCShdPtr<PiGraph>& graph)
{
    return dynamic_cast<TmTimeProtocol&>(*graph->getController().lock());
}

} // namespace

using CbRegistrationLifetimeTest = ToolModelTest;

TEST_F(CbRegistrationLifetimeTest, NodeEventHandlersEndWithEitherSide)
{
    GainController* controller = nullptr;
    const RCShdPtr<PiNode> source = makeGainNode("source");
    const RCShdPtr<PiNode> target = makeGainNode("target", &controller);
    EventHandler<PiNodeEvent> kept;
    auto dropped = std::make_unique<EventHandler<PiNodeEvent>>();
    controller->addCallback(PiNodeEvent::SocketConnected, &kept);
    controller->addCallback(PiNodeEvent::SocketConnected, dropped.get());
    controller->addCallback(PiNodeEvent::SocketDisconnected, dropped.get());
    const EventHandler<PiNodeEvent>* droppedAddress = dropped.get();
    dropped.reset();
    EXPECT_FALSE(controller->hasCallback(PiNodeEvent::SocketConnected, droppedAddress));
    EXPECT_FALSE(controller->hasCallback(PiNodeEvent::SocketDisconnected, droppedAddress));

    int calls = 0;
    auto companion = std::make_unique<CompanionLike>(*controller, calls);
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_EQ(calls, 1);
    companion.reset();
    graph->disconnect(target->getInput("Input", true));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(kept.events, (std::vector<PiNodeEvent>{PiNodeEvent::SocketConnected}));

    // The controller destroyed first lets its handlers go.
    auto survivor = std::make_unique<CompanionLike>(*controller, calls);
    EXPECT_EQ(kept.getRegistrationCount(), 1u);
    graph->removeNode(target); // destroys the controller
    EXPECT_EQ(kept.getRegistrationCount(), 0u);
    EXPECT_EQ(survivor->getHandler().getRegistrationCount(), 0u);
}

TEST_F(CbRegistrationLifetimeTest, TimeHandlersEndWithEitherSide)
{
    TmTimeProtocol& time = timeProtocolOf(graph);
    const std::size_t before = graph->getGraphController()->getCallbackCount();
    EventHandler<TmTimeEvent> kept;
    auto dropped = std::make_unique<EventHandler<TmTimeEvent>>();
    time.addCallback(TmTimeEvent::StartTimeChanged, dropped.get());
    time.addCallback(TmTimeEvent::EndTimeChanged, dropped.get());
    time.addCallback(TmTimeEvent::EndTimeChanged, &kept);
    dropped.reset();
    EXPECT_EQ(graph->getGraphController()->getCallbackCount(), before + 1);
    graph->setTimeRange(DtTime{5, {24, 1}}, DtTime{50, {24, 1}});
    EXPECT_EQ(kept.events, (std::vector<TmTimeEvent>{TmTimeEvent::EndTimeChanged}));
    {
        // The graph controller dies with the last reference to the graph.
        RCShdPtr<PiComposition> other = PiComposition::create("other");
        RCShdPtr<PiGraph> otherGraph = other->createGraph("v001", 1, 10);
        timeProtocolOf(otherGraph).addCallback(TmTimeEvent::StartTimeChanged, &kept);
        EXPECT_EQ(kept.getRegistrationCount(), 2u);
        other->close();
    }
    EXPECT_EQ(kept.getRegistrationCount(), 1u);
    time.removeCallback(TmTimeEvent::EndTimeChanged, &kept);
}

TEST_F(CbRegistrationLifetimeTest, CommandProcessedHandlersEndWithEitherSide)
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
    {
        RCShdPtr<CmCommandStack> other = makeShared<CmCommandStack>();
        other->addCommandProcessedCallback(&kept);
        EXPECT_EQ(kept.getRegistrationCount(), 2u);
    }
    EXPECT_EQ(kept.getRegistrationCount(), 1u);
    stack->removeCommandProcessedCallback(&kept);
}

TEST_F(CbRegistrationLifetimeTest, ValueHandlersEndWithEitherSide)
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

    FunctionHandler replacement;
    gain->setInvalidationHandler(&replacement);
    node->getInput(kGain, true)->setVariant(3.0);
    EXPECT_EQ(replacement.getCalls(), 1) << "a handler set afterwards is called as usual";
    {
        const auto other = PiInputValue<double>::createTypedRO(node->getInput(kGain, true));
        other->setInvalidationHandler(&replacement);
        other->setUpdateHandler(&replacement);
        EXPECT_EQ(replacement.getRegistrationCount(), 3u);
        other->setUpdateHandler(nullptr);
        EXPECT_EQ(replacement.getRegistrationCount(), 2u);
    }
    EXPECT_EQ(replacement.getRegistrationCount(), 1u);
}
