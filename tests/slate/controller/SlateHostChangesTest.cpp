// What the host changes under a Slate node reaches it, within bounds: a renamed version (and its
// undo), a new frame rate, texts whose substitution would grow without bound, and a text size
// far larger than the frame.
#include "SlateControllerTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Px/PxRequestMgr.h>

namespace Vx::test {
namespace {

using namespace SlateNames;
using G = PiImageGenerator;

class SlateHostChangesTest : public SlateControllerTest
{
protected:
    static void setFormat(const RCShdPtr<PiNode>& node, const PxImageFormat& format)
    {
        PiTypedValueUtil<PxImageFormat>(node->getStoredValue(G::getFormatValueName(), true), true)->setValue(format);
    }
    static Frame render(const PxImageProtocol& node, int frame, double fps)
    {
        PxRequestMgr::getInstance().waitForIdle();
        return renderTiles(node, frameTime(frame, fps), 0, frameRegion(smallFormat(), 0), 64, 64);
    }
};

TEST_F(SlateHostChangesTest, ARenamedVersionReachesTheTextAndItsUndoToo)
{
    const auto node = makeNode("slate");
    setInput(node, kText, std::string("<CompName> <VersionName>"));
    ASSERT_EQ(getSubstitutedText(node), "shot010 v001");
    graph->setName("v002");
    EXPECT_EQ(getSubstitutedText(node), "shot010 v002");
    composition->getCommandStack()->undo();
    EXPECT_EQ(getSubstitutedText(node), "shot010 v001");
}

TEST_F(SlateHostChangesTest, SubstitutionStopsAtItsBound)
{
    constexpr std::size_t kMax = SlateController::kMaxSubstitutedLength;
    const std::string error = "The text of the Slate node \"slate\" would be longer than 1048576 bytes with its "
                              "tokens and attribute references replaced; it is shown as typed.";
    const std::string longText(kMax + 10, 't');
    const struct
    {
        std::string text;
        std::size_t attributeLength;
        std::string compName;
        bool tooLong;
        std::size_t length; ///< of the substituted text
    } cases[] = {
        {"<attr:big>", kMax, "shot010", false, kMax},
        {"<attr:big>!", kMax, "shot010", true, 11},
        {"<CompName><CompName><CompName>", 1, std::string(kMax / 3 + 1, 'c'), true, 30},
        {longText, 1, "shot010", false, longText.size()}, // typed longer than the bound: it may not grow
    };
    const auto node = makeNode("slate");
    for (const auto& c : cases) {
        composition->setAttribute("big", std::string(c.attributeLength, 'a'));
        composition->setName(c.compName);
        clearMessages();
        setInput(node, kText, c.text);
        const std::string stored = getSubstitutedText(node);
        EXPECT_EQ(stored.size(), c.length) << c.text.substr(0, 40);
        if (c.tooLong) {
            EXPECT_TRUE(stored == c.text) << "stored as typed: " << c.text.substr(0, 40);
            ASSERT_FALSE(getMessages().empty());
            EXPECT_EQ(getMessages().back().severity, MsgSeverity::Error);
            EXPECT_EQ(getMessages().back().id, "SLATETOOL_ERR_TEXT_TOO_LONG");
            EXPECT_EQ(getMessages().back().text, error);
        } else {
            EXPECT_TRUE(getMessages().empty()) << getMessages().front().text;
        }
        setInput(node, kText, std::string());
    }
}

TEST_F(SlateHostChangesTest, TimecodeFollowsANewFrameRate)
{
    SlateParams params;
    params.size = 30.0;
    const auto node = makeNode("slate");
    applyParams(node, params);
    setColor(node, G::getFillColorInputName(), kFill);
    setFormat(node, smallFormat());
    setInput(node, kText, std::string("<Timecode>"));
    const PxNodePtr<PxImageProtocol const> output = node->getProcNode();
    ASSERT_EQ(render(*output, 45, 24.0),
              render(*makeSlateNode(makeSolidPlate(smallFormat(), kFill), "00:00:01:21", params), 45, 24.0));

    PxImageFormat at30 = smallFormat();
    at30.frameRate = Rational(30, 1);
    setFormat(node, at30);
    EXPECT_EQ(render(*output, 45, 30.0),
              render(*makeSlateNode(makeSolidPlate(at30, kFill), "00:00:01:15", params), 45, 30.0));
}

TEST_F(SlateHostChangesTest, HugeTextRasterisesOnlyWhatMeetsTheFrame)
{
    // Nine letters 10000 px tall over a 320x180 frame: only the middle one reaches it.
    SlateParams params;
    params.size = 10000.0;
    const auto slate = makeSlateNode(makeSolidPlate(smallFormat(), kFill), "lllllllll", params);
    FoFontMgr& fonts = FoFontMgr::getInstance();
    const FoFont font = fonts.getFont(params.font, params.style, 10000, 10000);
    const GeRectangle<int> box = font.getChar(L'l').box;
    const std::size_t bytes = fonts.getGlyphCacheBytes();
    const std::size_t count = fonts.getGlyphCacheCount();
    const Frame frame = render(*slate, 1, 24.0);
    EXPECT_NE(frame, render(*makeSolidPlate(smallFormat(), kFill), 1, 24.0)) << "the letter covers the frame";
    EXPECT_EQ(fonts.getGlyphCacheCount(), count + 1);
    EXPECT_EQ(fonts.getGlyphCacheBytes(), bytes + std::size_t(box.getWidth()) * std::size_t(box.getHeight()));
}

} // namespace
} // namespace Vx::test
