// Reading timecodes back into frame counts: the inverse of formatting, at every frame of a day's
// first minutes, drop-frame and not, and the labels drop-frame skips.
#include <Vx/Li/LiTimeCode.h>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Vx;

TEST(LiTimeCodeOrigin, ReadingATimecodeGivesBackTheFrameItWasWrittenFor)
{
    struct Case
    {
        Rational rate;
        int flags;
    };
    for (const Case& c :
         {Case{{24, 1}, 0}, Case{{30000, 1001}, 0}, Case{{30000, 1001}, 1}, Case{{60000, 1001}, 0}, Case{{25, 1}, 0}}) {
        const RCShdPtr<LiTimeCode> timeCode = LiTimeCodeFactory::getInstance().createTimeCode(c.rate, c.flags);
        // Eleven minutes and then some reach every drop-frame case (minutes 1 to 9 drop, 10 does not).
        const std::int64_t last = std::int64_t(timeCode->getNominalRate()) * 60 * 11 + 50;
        for (std::int64_t frame = 0; frame <= last; ++frame) {
            const std::string text = timeCode->toString(DtTime{frame, c.rate});
            ASSERT_EQ(timeCode->toFrameCount(text), frame) << text;
        }
        // The last frame of a day.
        const std::int64_t perDay = timeCode->toFrameCount("23:59:59:00") + timeCode->getNominalRate();
        EXPECT_EQ(timeCode->toString(DtTime{perDay - 1, c.rate}).substr(0, 8), "23:59:59");
        EXPECT_EQ(timeCode->toFrameCount(timeCode->toString(DtTime{perDay - 1, c.rate})), perDay - 1);
    }
    // A drop-frame count reads either separator as the same label.
    const RCShdPtr<LiTimeCode> dropFrame = LiTimeCodeFactory::getInstance().createTimeCode({30000, 1001}, 0);
    EXPECT_EQ(dropFrame->toFrameCount("00:01:00:02"), 1800);
    EXPECT_EQ(dropFrame->toFrameCount("00:10:00;00"), 17982);
    // At 59.94 four labels are skipped at the start of a minute; the first kept follows the last
    // of the minute before.
    const RCShdPtr<LiTimeCode> at5994 = LiTimeCodeFactory::getInstance().createTimeCode({60000, 1001}, 0);
    EXPECT_THROW(at5994->toFrameCount("01:02:00;03"), std::invalid_argument);
    EXPECT_EQ(at5994->toFrameCount("01:02:00;04"), at5994->toFrameCount("01:01:59;59") + 1);
}
