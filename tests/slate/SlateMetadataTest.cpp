// The Slate processing node's file attributes and timecode origin: <meta:NAME> from the input's
// metadata, per frame; <Timecode> from a start timecode or the input's header timecode. Each
// render is compared with the node given the literal text.
#include "SlateTestUtil.h"

#include <gtest/gtest.h>

using namespace Vx;
using namespace Vx::test;

namespace {

/// The gradient plate, each frame carrying the attributes "reel" (R and the frame number) and,
/// from frame 10 on, a header timecode; valid over all time, like a still with changing headers.
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

const PxImageFormat kSmall = smallFormat();

Frame renderWhole(const PxStrongHndl<SlateProcNode>& node, double time)
{
    const GeRectangle<int> region = frameRegion(kSmall, 0);
    return renderTiles(*node, time, 0, region, 64, 64);
}

} // namespace

TEST(SlateMetadata, ReferencesAndOriginsRenderAsTheLiteralText)
{
    const PxNodePtr<PxImageProtocol const> tagged(
        pxCreateNode<TaggedPlate>(PxNodePtr<PxImageProtocol const>(makePlate(kSmall))));
    SlateParams params;
    params.size = 20.0;
    LiTimeCodeOrigin fromStart;
    fromStart.start = "01:00:00:00";
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
         {Case{"<meta:reel> <FrameNo>", {}, 3, "R3 3"}, Case{"<meta:reel>", {}, 4, "R4"},
          Case{"<meta:lens>", {}, 4, "<meta:lens>"}, Case{"<Timecode>", fromStart, 1025, "01:00:01:00"},
          Case{"<Timecode>", fromInput, 12, "10:00:00:12"}, Case{"<Timecode>", fromInput, 3, "00:00:00:03"}}) {
        SCOPED_TRACE(c.text + " " + c.literal);
        const auto token = makeSlateNode(tagged, c.text, params);
        token->setTimeCodeOrigin(c.origin, 1001);
        const double time = TmTimeUtil::getSecondsFromFrames(kSmall.frameRate, c.frame);
        const Frame rendered = renderWhole(token, time);
        EXPECT_EQ(rendered, renderWhole(makeSlateNode(tagged, c.literal, params), time));
        EXPECT_NE(rendered, renderWhole(makeSlateNode(tagged, c.literal + "x", params), time));
        // Texts that read the frame's attributes hold for that frame only; the attributes pass on.
        const PxImageResult result = renderOnce(*token, time, 0, frameRegion(kSmall, 0));
        EXPECT_EQ(result.getValidity(), PxValidityInterval::createFrameInterval(kSmall.frameRate, time));
        ASSERT_NE(result.getMetadata(), nullptr);
        EXPECT_EQ(*result.getMetadata()->find("reel"), "R" + std::to_string(c.frame));
    }
    // A text without references keeps the input's validity.
    const auto plain = makeSlateNode(tagged, "plain", params);
    EXPECT_TRUE(renderOnce(*plain, 1.0, 0, frameRegion(kSmall, 0)).getValidity().isFull());
}
