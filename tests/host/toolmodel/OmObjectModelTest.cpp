// The object model and time: observers and their hints, attribute references in texts, time-range
// callbacks.
#include "ToolModelTestSupport.h"

#include <Vx/Om/OmCompositionGraphUtils.h>
#include <Vx/Om/OmDefaultSettings.h>

using namespace Vx;
using namespace Vx::pitest;

namespace {

/// Records every components hint it receives: kind, component name (or "null"), attribute.
class RecordingObserver : public ObObserver<Om>
{
public:
    void update(const ObSubject<Om>&, const ObHints& hints) override
    {
        for (const auto& hint : hints.getContainer()) {
            const auto* components = dynamic_cast<const OmComponentsHint*>(hint.get());
            if (!components)
                continue;
            std::string entry = kindName(components->getKind()) + " " +
                                (components->getComponent() ? components->getComponent()->getName() : "null");
            if (!components->getAttributeName().empty())
                entry += " " + components->getAttributeName();
            received.push_back(entry);
        }
    }
    static std::string kindName(OmComponentsHint::Kind kind)
    {
        switch (kind) {
        case OmComponentsHint::Kind::AttributeAdded:
            return "added";
        case OmComponentsHint::Kind::AttributeRemoved:
            return "removed";
        case OmComponentsHint::Kind::AttributeRenamed:
            return "renamed";
        case OmComponentsHint::Kind::AttributeChanged:
            return "changed";
        case OmComponentsHint::Kind::LinkChanged:
            return "link";
        case OmComponentsHint::Kind::NameChanged:
            return "name";
        }
        return "?";
    }
    std::vector<std::string> received;
};

class TimeHandler : public CbHandler<void, const TmTimeEvent&>
{
public:
    void call(const TmTimeEvent& event) const override { events.push_back(event); }
    mutable std::vector<TmTimeEvent> events;
};

} // namespace

using OmObjectModelTest = ToolModelTest;

TEST_F(OmObjectModelTest, ObserversReceiveAttributeHintsForTheComposition)
{
    RecordingObserver observer;
    static_cast<const OmComposition&>(*composition).attachObserver(&observer);
    composition->setAttribute("client", "ACME");
    composition->setAttribute("client", "ACME"); // unchanged: no hint
    composition->setAttribute("client", "Globex");
    composition->renameAttribute("client", "customer");
    composition->removeAttribute("customer");
    composition->setVersionNumber(3);
    composition->getCommandStack()->undo();
    EXPECT_EQ(observer.received,
              (std::vector<std::string>{"added shot010 client", "changed shot010 client", "renamed shot010 customer",
                                        "removed shot010 customer", "changed shot010 Version Number",
                                        "changed shot010 Version Number"}));
    EXPECT_EQ(composition->getVersionNumber(), 1);
    composition->detachObserver(&observer);
    composition->setAttribute("client", "Initech");
    EXPECT_EQ(observer.received.size(), 6u);
}

TEST_F(OmObjectModelTest, AGraphReportsItsNodesAttributesAndLinks)
{
    RecordingObserver observer;
    graph->attachObserver(&observer);
    const RCShdPtr<PiNode> source = makeGainNode("source");
    const RCShdPtr<PiNode> target = makeGainNode("target");
    target->setAttribute("note", "keep");
    graph->connect(source->getOutput("Output", true), target->getInput("Input", true));
    EXPECT_EQ(observer.received, (std::vector<std::string>{"added target note", "link target Input"}));
    EXPECT_THROW(target->removeAttribute("missing"), std::out_of_range);
    EXPECT_EQ(graph->getObserverCount(), 1u);
}

TEST_F(OmObjectModelTest, DefaultSettingsSendHintsWithoutAComponent)
{
    RecordingObserver observer;
    OmDefaultSettings& settings = OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE);
    settings.attachObserver(&observer);
    settings.setSetting("font", "Sans");
    settings.removeSetting("font");
    settings.removeSetting("font");
    settings.detachObserver(&observer);
    EXPECT_EQ(observer.received, (std::vector<std::string>{"added null font", "removed null font"}));
    EXPECT_EQ(observer.getSubjectCount(), 0u);
}

TEST_F(OmObjectModelTest, EitherSideMayDieFirst)
{
    auto observer = std::make_unique<RecordingObserver>();
    {
        OmComponent subject("temporary");
        subject.attachObserver(observer.get());
        EXPECT_EQ(observer->getSubjectCount(), 1u);
    }
    EXPECT_EQ(observer->getSubjectCount(), 0u);
    composition->attachObserver(observer.get());
    observer.reset();
    EXPECT_EQ(composition->getObserverCount(), 0u);
    composition->setAttribute("client", "ACME"); // would reach a dead observer if it were still attached
}

TEST_F(OmObjectModelTest, SubstitutesAttributeReferences)
{
    composition->setAttribute("client", "ACME");
    composition->setAttribute("take", "<CompName>");
    std::string text = "<attr:client> / <attr:missing> / <CompName> / <attr:take> / <attr:client";
    OmCompositionGraphUtils::substituteUdas(graph, text);
    EXPECT_EQ(text, "ACME / <attr:missing> / <CompName> / <CompName> / <attr:client");

    const struct
    {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"<attr:client><attr:client>", "ACMEACME"},
        {"<attr:>", "<attr:>"},
        {"<ATTR:client>", "<ATTR:client>"},
        {"x<attr:Client>y", "x<attr:Client>y"},
    };
    for (const auto& c : cases) {
        std::string t = c.text;
        OmCompositionGraphUtils::substituteUdas(*graph, t);
        EXPECT_EQ(t, c.expected) << "for " << c.text;
    }
    OmGraph orphan("orphan", nullptr);
    std::string untouched = "<attr:client>";
    OmCompositionGraphUtils::substituteUdas(orphan, untouched);
    EXPECT_EQ(untouched, "<attr:client>");
}

TEST_F(OmObjectModelTest, SubstitutesAttributeReferencesInAHostString)
{
    composition->setAttribute("client", "ACME");
    const std::string typed = "<attr:client> <CompName> <attr:missing>";
    LiString text(typed);
    OmCompositionGraphUtils::substituteUdas(graph, text);
    EXPECT_EQ(text.str(), "ACME <CompName> <attr:missing>");

    // The same text reached through std::string must give the same result.
    std::string plain = typed;
    OmCompositionGraphUtils::substituteUdas(graph, plain);
    EXPECT_EQ(plain, text.str());

    LiString again(typed);
    OmCompositionGraphUtils::substituteUdas(*graph, again);
    EXPECT_EQ(again, text);

    RCShdPtr<PiGraph> none;
    EXPECT_THROW(OmCompositionGraphUtils::substituteUdas(none, again), RCExNullPtr);
}

TEST_F(OmObjectModelTest, CompositionsAndGraphsAreObservedThroughTheComponentSubjectInterface)
{
    RecordingObserver observer;
    const OmSubjectInterface<OmComponentImp>& compositionSubject = *composition;
    const OmSubjectInterface<OmComponentImp>& graphSubject = *graph;
    compositionSubject.attachObserver(&observer);
    graph->OmSubjectInterface<OmComponentImp>::attachObserver(&observer);
    EXPECT_EQ(observer.getSubjectCount(), 2u);
    composition->setAttribute("client", "ACME");
    makeGainNode("node")->setAttribute("note", "n");
    EXPECT_EQ(observer.received, (std::vector<std::string>{"added shot010 client", "added node note"}));
    graphSubject.detachObserver(&observer);
    composition->OmSubjectInterface<OmComponentImp>::detachObserver(&observer);
    EXPECT_EQ(observer.getSubjectCount(), 0u);
    composition->setAttribute("client", "Globex");
    EXPECT_EQ(observer.received.size(), 2u);
}

TEST_F(OmObjectModelTest, TimeRangeChangesCallRegisteredCallbacks)
{
    RCShdPtr<PiNodeController> controller = graph->getController().lock();
    auto* time = dynamic_cast<TmTimeProtocol*>(controller.get());
    auto* range = dynamic_cast<PiCompositionGraphInterface*>(controller.get());
    ASSERT_NE(time, nullptr);
    ASSERT_NE(range, nullptr);
    DtTime start;
    DtTime end;
    range->getTimeRange(start, end);
    EXPECT_EQ((end - start).getFrameCount(), 99);

    TimeHandler handler;
    TimeHandler removed;
    time->addCallback(TmTimeEvent::StartTimeChanged, &handler);
    time->addCallback(TmTimeEvent::EndTimeChanged, &handler);
    time->addCallback(TmTimeEvent::EndTimeChanged, &removed);
    time->removeCallback(TmTimeEvent::EndTimeChanged, &removed);

    graph->setTimeRange(DtTime{1, {24, 1}}, DtTime{120, {24, 1}});
    EXPECT_EQ(handler.events, (std::vector<TmTimeEvent>{TmTimeEvent::EndTimeChanged}));
    graph->setTimeRange(DtTime{10, {24, 1}}, DtTime{10, {24, 1}});
    EXPECT_EQ(handler.events.size(), 3u);
    range->getTimeRange(start, end);
    EXPECT_EQ((end - start).getFrameCount(), 0);
    composition->getCommandStack()->undo();
    range->getTimeRange(start, end);
    EXPECT_EQ(start.frames, 1);
    EXPECT_EQ(end.frames, 120);
    EXPECT_EQ(handler.events.size(), 5u);
    EXPECT_TRUE(removed.events.empty());
    time->removeCallback(TmTimeEvent::StartTimeChanged, &handler);
    time->removeCallback(TmTimeEvent::EndTimeChanged, &handler);
}

TEST(DtTime, DifferencesNeedOneRate)
{
    EXPECT_EQ((DtTime{100, {24, 1}} - DtTime{1, {24, 1}}).getFrameCount(), 99);
    try {
        (void)(DtTime{1, {24, 1}} - DtTime{1, {25, 1}});
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The times 1@24/1 and 1@25/1 count frames of different rates and cannot be subtracted.");
    }
}
