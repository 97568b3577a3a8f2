// The controller's life with its node: set-up of new and loaded nodes, the early stops, the font
// and style warnings with their texts from the shipped message file, the style adjustment, the
// deferral while a command is processed, and the tear-down.
#include "SlateControllerTestSupport.h"

#include <Vx/Cm/CmCommand.h>
#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Om/OmDefaultSettings.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/St/StBufferManager.h>

namespace Vx::test {
namespace {

using namespace SlateNames;

const char* const kFontId = "SLATETOOL_ERR_INVALID_FONT";
const char* const kStyleId = "SLATETOOL_ERR_INVALID_STYLE";

/// A family with every style, and one with Regular only.
const std::string kFullFamily = "DejaVu Sans Mono";
const std::string kRegularOnlyFamily = "DejaVu Sans Light";

PiValueContent content(const PiVariant& value)
{
    return PiValueContent(value);
}

class SlateLifecycleTest : public SlateControllerTest
{
protected:
    void SetUp() override
    {
        SlateControllerTest::SetUp();
        ASSERT_EQ(FoFontMgr::getInstance().getFontStyles(kFullFamily), (std::vector<int>{0, 1, 2, 3}));
        ASSERT_EQ(FoFontMgr::getInstance().getFontStyles(kRegularOnlyFamily), (std::vector<int>{0}));
    }
};

TEST_F(SlateLifecycleTest, NewNodeResetsAndSetsUp)
{
    PxImageFormat saved = smallFormat();
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller, PiNodeOrigin::Created,
                               {{PiImageGenerator::getFormatValueName(), content(saved)},
                                {kText, content(std::string("<CompName>"))},
                                {kTextFont, content(std::string("No Such Font"))},
                                {kTextSize, content(12.0)}});
    // A new node starts from the defaults, whatever it was made with.
    const auto format =
        PiTypedValueUtil<PxImageFormat>(node->getStoredValue(PiImageGenerator::getFormatValueName(), true), true);
    EXPECT_EQ(format->getValue(), PxImageFormat());
    EXPECT_EQ(getText(node, kText), "");
    EXPECT_EQ(getText(node, kTextFont), FoFontMgr::getInstance().getDefaultFontName());
    EXPECT_EQ(piVariantGet<double>(node->getInput(kTextSize, true)->getVariant()), 48.0);
    // The default font and style are valid: nothing to say.
    EXPECT_TRUE(getMessages().empty());
    // Set up: observers on the default settings, the graph and the composition (the removal test
    // counts them), and the text handler.
    EXPECT_EQ(controller->getSubjectCount(), 3u);

    // The text handler is live.
    setInput(node, kText, std::string("<CompName>"));
    EXPECT_EQ(getSubstitutedText(node), "shot010");
}

TEST_F(SlateLifecycleTest, LoadedNodeKeepsItsValuesSubstitutesOnceAndWarnsWithoutCorrecting)
{
    composition->setVersionNumber(4);
    const std::string noFont = std::string(kFontId) + ": The font \"No Such Font\" is not installed; the slate is "
                                                      "drawn with the default font.";
    const std::string noStyle = std::string(kStyleId) + ": The font \"DejaVu Sans Light\" has no style \"Bold "
                                                        "Italic\"; the slate is drawn with the default font.";
    struct Case
    {
        std::string font;
        int style;
        std::vector<std::string> messages;
    };
    for (const Case& c :
         {Case{kFullFamily, 3, {}}, Case{"No Such Font", 2, {noFont}}, Case{kRegularOnlyFamily, 3, {noStyle}}}) {
        SCOPED_TRACE(c.font);
        clearMessages();
        const auto node = makeNode("slate", nullptr, PiNodeOrigin::Loaded,
                                   {{kText, content(std::string("<CompName> v<VersionNo>"))},
                                    {kSubstitutedText, content(std::string("stale"))},
                                    {kTextFont, content(c.font)},
                                    {kTextStyle, content(c.style)}});
        EXPECT_EQ(getSubstitutedText(node), "shot010 v4");
        EXPECT_EQ(getText(node, kTextFont), c.font);
        EXPECT_EQ(getInt(node, kTextStyle), c.style);
        EXPECT_EQ(getWarningLines(), c.messages);
    }
}

TEST_F(SlateLifecycleTest, FontChangeOutsideACommandPicksTheFirstStyleOfThePreferenceRow)
{
    const auto node =
        makeNode("slate", nullptr, PiNodeOrigin::Loaded, {{kTextFont, content(kFullFamily)}, {kTextStyle, content(3)}});
    ASSERT_TRUE(getMessages().empty());

    setInputUnrecorded(node, kTextFont, kRegularOnlyFamily);
    // Bold Italic falls back through Bold and Italic to Regular, the one style the family has;
    // the style check then finds Regular valid.
    EXPECT_EQ(getInt(node, kTextStyle), 0);
    EXPECT_TRUE(getMessages().empty());

    // A font that has the current style leaves it alone.
    setInputUnrecorded(node, kTextFont, kFullFamily);
    setInput(node, kTextStyle, 2);
    setInputUnrecorded(node, kTextFont, std::string("DejaVu Serif"));
    EXPECT_EQ(getInt(node, kTextStyle), 2);
    // A font that is not installed warns and keeps the style.
    setInputUnrecorded(node, kTextFont, std::string("Nowhere Sans"));
    EXPECT_EQ(getInt(node, kTextStyle), 2);
    ASSERT_EQ(getMessages().size(), 1u);
    EXPECT_EQ(getMessages()[0].id, kFontId);
}

TEST_F(SlateLifecycleTest, FontChangeByAUserEditAdjustsTheStyleInTheSameUndoStep)
{
    const auto node =
        makeNode("slate", nullptr, PiNodeOrigin::Loaded, {{kTextFont, content(kFullFamily)}, {kTextStyle, content(1)}});
    CmCommandStack& stack = *composition->getCommandStack();
    const std::size_t steps = stack.getUndoCount();
    // The edit is told once it has executed: the style follows the new font, recorded with it.
    setInput(node, kTextFont, kRegularOnlyFamily);
    EXPECT_EQ(getInt(node, kTextStyle), 0);
    EXPECT_TRUE(getMessages().empty());
    EXPECT_EQ(stack.getUndoCount(), steps + 1);
    // Undoing it restores font and style together, and the undo itself adjusts nothing.
    stack.undo();
    EXPECT_EQ(getInt(node, kTextStyle), 1);
    EXPECT_TRUE(getMessages().empty());
    stack.redo();
    EXPECT_EQ(getInt(node, kTextStyle), 0);
}

TEST_F(SlateLifecycleTest, SetUpDuringACommandWaitsForIt)
{
    SlateController* controller = nullptr;
    RCShdPtr<PiNode> node;
    std::string insideCommand = "not run";
    std::size_t subjectsInsideCommand = 99;
    composition->getCommandStack()->submit(makeShared<CmFunctionCommand>(
        "Paste Slate",
        [&] {
            node = makeNode(
                "slate", &controller, PiNodeOrigin::Loaded,
                {{kText, content(std::string("<CompName>"))}, {kTextFont, content(std::string("Missing Family"))}});
            insideCommand = getSubstitutedText(node);
            subjectsInsideCommand = controller->getSubjectCount();
        },
        [] {}));
    EXPECT_EQ(insideCommand, "");
    EXPECT_EQ(subjectsInsideCommand, 0u);
    EXPECT_EQ(getSubstitutedText(node), "shot010");
    EXPECT_EQ(controller->getSubjectCount(), 3u);
    ASSERT_EQ(getMessages().size(), 1u);
    EXPECT_EQ(getMessages()[0].id, kFontId);
}

TEST_F(SlateLifecycleTest, RemovingTheNodeDetachesEverything)
{
    const std::size_t settingsObservers =
        OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).getObserverCount();
    const auto node = makeNode("slate");
    node->getProcNode();
    EXPECT_EQ(graph->getObserverCount(), 1u);
    EXPECT_EQ(composition->getObserverCount(), 1u);
    EXPECT_EQ(graph->getGraphController()->getCallbackCount(), 2u);
    EXPECT_EQ(OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).getObserverCount(),
              settingsObservers + 1);

    graph->removeNode(node);
    EXPECT_EQ(graph->getObserverCount(), 0u);
    EXPECT_EQ(composition->getObserverCount(), 0u);
    EXPECT_EQ(graph->getGraphController()->getCallbackCount(), 0u);
    EXPECT_EQ(OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).getObserverCount(), settingsObservers);
    // The time range and attributes no longer reach a controller.
    graph->setTimeRange(DtTime{1, composition->getFrameRate()}, DtTime{10, composition->getFrameRate()});
    composition->setAttribute("after", "removal");
}

} // namespace
} // namespace Vx::test
