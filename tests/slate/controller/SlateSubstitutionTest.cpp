// The graph-side substitution: composition tokens and attribute references replaced into
// "Substituted Text", when it is redone, and when nothing is written.
#include "SlateControllerTestSupport.h"

#include "SlateTool.h"

#include <Vx/Om/OmDefaultSettings.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Px/PxRequestMgr.h>

namespace Vx::test {
namespace {

using namespace SlateNames;

using SlateSubstitutionTest = SlateControllerTest;

TEST_F(SlateSubstitutionTest, TokensAreReplacedAndRedoneWhenTheirSourceChanges)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const std::string processingSide = SlateTool::makeToken(SlateTool::getFrameNumberToken()) + " " +
                                       SlateTool::makeToken(SlateTool::getTimecodeToken()) +
                                       " <CurrentDate> <CurrentTime> <compname> < CompName>";
    const std::pair<std::string, std::string> cases[] = {
        {"<CompName> v<VersionNo>", "shot010 v1"},
        {"<VersionName>: <CompLength> frames", "v001: 99 frames"},
        {"<CompName><CompName>", "shot010shot010"},
        // Unknown tokens and the processing side's tokens pass unchanged.
        {processingSide, processingSide},
    };
    for (const auto& [text, expected] : cases) {
        setInput(node, kText, text);
        EXPECT_EQ(getSubstitutedText(node), expected);
        EXPECT_EQ(controller->substituteText(text), expected);
    }
    setInput(node, kText, std::string("<CompName> v<VersionNo> <CompLength>"));
    composition->setVersionNumber(3);
    EXPECT_EQ(getSubstitutedText(node), "shot010 v3 99");
    // A new time range reaches the text through the graph's time callbacks.
    const DtTime start{1, composition->getFrameRate()};
    graph->setTimeRange(start, DtTime{50, composition->getFrameRate()});
    EXPECT_EQ(getSubstitutedText(node), "shot010 v3 49");
    graph->setTimeRange(start, start);
    EXPECT_EQ(getSubstitutedText(node), "shot010 v3 0");
}

TEST_F(SlateSubstitutionTest, AttributesAreInsertedAfterTheCompositionTokens)
{
    composition->setAttribute("client", "ACME");
    composition->setAttribute("frame", "f<FrameNo>");
    composition->setAttribute("who", "<CompName>");
    const auto node = makeNode("slate");
    setInput(node, kText, std::string("<attr:client> <attr:frame> <attr:who> <attr:missing>"));
    // The composition token inside an attribute stays as written; the frame token goes on to
    // the processing side.
    EXPECT_EQ(getSubstitutedText(node), "ACME f<FrameNo> <CompName> <attr:missing>");

    composition->setAttribute("client", "Orbit");
    EXPECT_EQ(getSubstitutedText(node), "Orbit f<FrameNo> <CompName> <attr:missing>");
    composition->setAttribute("missing", "found");
    EXPECT_EQ(getSubstitutedText(node), "Orbit f<FrameNo> <CompName> found");
    composition->renameAttribute("missing", "gone");
    EXPECT_EQ(getSubstitutedText(node), "Orbit f<FrameNo> <CompName> <attr:missing>");
}

TEST_F(SlateSubstitutionTest, UnchangedResultWritesNothingAndSendsNothing)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    setInput(node, kText, std::string("<CompName> slate"));
    node->getProcNode();
    PxRequestMgr& requests = PxRequestMgr::getInstance();
    requests.waitForIdle();
    const auto executedBefore = requests.getExecutedCount();
    const ValueChangeCounter writes(node->getStoredValue(kSubstitutedText, true));

    // Another text with the same result.
    setInput(node, kText, std::string("shot010 slate"));
    // Notifications that re-run the substitution without changing its result.
    composition->setAttribute("unused", "x");
    node->setAttribute("note", "y");
    OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).setSetting("slate.test", "1");
    OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).removeSetting("slate.test");
    graph->setTimeRange(DtTime{1, composition->getFrameRate()}, DtTime{50, composition->getFrameRate()});

    EXPECT_EQ(getSubstitutedText(node), "shot010 slate");
    EXPECT_EQ(writes.getCount(), 0);
    requests.waitForIdle();
    EXPECT_EQ(requests.getExecutedCount(), executedBefore);
    EXPECT_EQ(controller->getSlateProcNode()->getText(), "shot010 slate");
}

TEST_F(SlateSubstitutionTest, ChangedResultIsStoredWithoutAnUndoStep)
{
    const auto node = makeNode("slate");
    CmCommandStack& stack = *composition->getCommandStack();
    stack.clear();
    setInput(node, kText, std::string("<CompName>"));
    EXPECT_EQ(getSubstitutedText(node), "shot010");
    // One step, the user's edit of "Text"; undoing it brings the stored text back with it.
    EXPECT_EQ(stack.getUndoCount(), 1u);
    stack.undo();
    EXPECT_EQ(getText(node, kText), "");
    EXPECT_EQ(getSubstitutedText(node), "");
    // A substitution run by a notification outside any command adds no step either.
    setInput(node, kText, std::string("v<VersionNo>"));
    graph->setLocked(true);
    composition->setVersionNumber(2);
    graph->setLocked(false);
    stack.clear();
    OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).setSetting("slate.test", "1");
    OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).removeSetting("slate.test");
    EXPECT_EQ(getSubstitutedText(node), "v2");
    EXPECT_EQ(stack.getUndoCount(), 0u);
}

TEST_F(SlateSubstitutionTest, OnlyChangesOfTheNodeTheCompositionOrNoComponentCount)
{
    const auto node = makeNode("slate");
    setInput(node, kText, std::string("v<VersionNo>"));
    ASSERT_EQ(getSubstitutedText(node), "v1");

    // While the graph is locked the new result is not stored, so the stored text goes stale and
    // shows which later notifications run the substitution again.
    graph->setLocked(true);
    composition->setVersionNumber(2);
    EXPECT_EQ(getSubstitutedText(node), "v1");
    graph->setLocked(false);

    // A change of the graph itself does not concern the node.
    graph->setAttribute("graph note", "x");
    EXPECT_EQ(getSubstitutedText(node), "v1");
    // Nor does one of another node.
    const auto other = makeNode("other");
    other->setAttribute("note", "x");
    EXPECT_EQ(getSubstitutedText(node), "v1");
    // A rename of the composition does: its name is a token of the text.
    composition->setName("shot020");
    EXPECT_EQ(getSubstitutedText(node), "v2");
    // A change of the node does, and so does a default setting (the undo test), which concerns
    // every node.
    graph->setLocked(true);
    composition->setVersionNumber(3);
    graph->setLocked(false);
    node->setAttribute("note", "x");
    EXPECT_EQ(getSubstitutedText(node), "v3");
}

TEST_F(SlateSubstitutionTest, ReadOnlyCompositionKeepsTheStoredText)
{
    const auto node = makeNode("slate");
    setInput(node, kText, std::string("v<VersionNo>"));
    composition->setReadOnly(true);
    composition->setVersionNumber(7);
    EXPECT_EQ(getSubstitutedText(node), "v1");
    composition->setReadOnly(false);
    composition->setAttribute("any", "change");
    EXPECT_EQ(getSubstitutedText(node), "v7");
}

} // namespace
} // namespace Vx::test
