// The Slate processing node's frame tokens, <meta:NAME> references and timecode origins, over an input whose
// every frame carries its own attributes; each render is compared with the literal text.
#include "SlateTestUtil.h"

#include <gtest/gtest.h>

using namespace Vx;
using namespace Vx::test;

namespace {

/// The gradient plate, each frame carrying "reel" (R and the frame number) and, from frame 10
/// on, a header timecode; valid over all time, like a still whose headers change.
class TaggedPlate : public PxImageProtocol
{
public:
    TaggedPlate(const Init& init, const PxNodePtr<PxImageProtocol const>& plate) : PxNode(init), m_plate(plate) {}
    PxImageFormat getImageFormat() const override { return m_plate->getImageFormat(); }
    PxRODResult getImageROD(const PxImageContext& ctx) const override { return m_plate->getImageROD(ctx); }
    PxImageResult getImage(const PxImageContext& ctx) const override
    {
        PxImageResult result = m_plate->getImage(ctx);
        const std::int64_t frame = TmTimeUtil::getDtTimeFromSeconds(getImageFormat().frameRate, ctx.time).frames;
        std::vector<PxMetadata::Entry> entries = {{"reel", "R" + std::to_string(frame)}};
        if (frame >= 10)
            entries.emplace_back(PxMetadata::getTimeCodeName(), "10:00:00:" + std::to_string(frame));
        result.setMetadata(std::make_shared<const PxMetadata>(entries));
        return result;
    }

private:
    PxNodePtr<PxImageProtocol const> m_plate;
};

} // namespace

TEST(SlateMetadata, TokensReferencesAndOriginsRenderAsTheLiteralTextForOneFrame)
{
    // At 23.976 frames a second: frame numbers and timecodes count the format's frames.
    PxImageFormat format = smallFormat();
    format.frameRate = Rational(24000, 1001);
    const GeRectangle<int> whole = frameRegion(format, 0);
    const PxNodePtr<PxImageProtocol const> tagged(
        pxCreateNode<TaggedPlate>(PxNodePtr<PxImageProtocol const>(makePlate(format))));
    SlateParams params;
    params.size = 20.0;
    LiTimeCodeOrigin fromInput;
    fromInput.fromInput = true;
    struct Case
    {
        std::string text;
        LiTimeCodeOrigin origin;
        std::int64_t frame;
        std::string literal;
    };
    for (const Case& c :
         {Case{"<meta:reel> <FrameNo>", {}, 1001, "R1001 1001"}, Case{"<meta:lens>", {}, 4, "<meta:lens>"},
          Case{"TC <Timecode>", {}, 26, "TC 00:00:01:02"}, Case{"<Timecode>", fromInput, 12, "10:00:00:12"},
          Case{"<Timecode>", fromInput, 3, "00:00:00:03"}}) {
        SCOPED_TRACE(c.text + " " + c.literal);
        const auto token = makeSlateNode(tagged, c.text, params);
        token->setTimeCodeOrigin(c.origin, 1);
        const double time = TmTimeUtil::getSecondsFromFrames(format.frameRate, c.frame);
        const Frame rendered = renderTiles(*token, time, 0, whole, 64, 64);
        EXPECT_EQ(rendered, renderTiles(*makeSlateNode(tagged, c.literal, params), time, 0, whole, 64, 64));
        EXPECT_NE(rendered, renderTiles(*makeSlateNode(tagged, c.literal + "x", params), time, 0, whole, 64, 64));
        // Texts that read the frame's attributes hold for that frame only; the attributes pass on.
        const PxImageResult result = renderOnce(*token, time, 0, whole);
        EXPECT_EQ(result.getValidity(), PxValidityInterval::createFrameInterval(format.frameRate, time));
        ASSERT_NE(result.getMetadata(), nullptr);
        EXPECT_EQ(*result.getMetadata()->find("reel"), "R" + std::to_string(c.frame));
    }
    // A text without references keeps the input's validity.
    EXPECT_TRUE(renderOnce(*makeSlateNode(tagged, "plain", params), 1.0, 0, whole).getValidity().isFull());
}
