// Reading timecodes back into frame counts: the inverse of formatting, at every frame of a day's
// first hours, drop-frame and not, and the labels a count cannot have.
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
}

TEST(LiTimeCodeOrigin, LabelsACountCannotHaveAreRefused)
{
    const RCShdPtr<LiTimeCode> at5994 = LiTimeCodeFactory::getInstance().createTimeCode({60000, 1001}, 0);
    try {
        at5994->toFrameCount("01:02:00;03");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The timecode \"01:02:00;03\" does not exist in drop-frame counting: frames 00 to 03 "
                               "are skipped at the start of every minute that is not a multiple of ten.");
    }
    // The first label of the minute follows the last of the minute before.
    EXPECT_EQ(at5994->toFrameCount("01:02:00;04"), at5994->toFrameCount("01:01:59;59") + 1);
    EXPECT_EQ(at5994->toString(DtTime{at5994->toFrameCount("01:02:00;04"), {60000, 1001}}), "01:02:00;04");
    try {
        at5994->toFrameCount("00:00:59:60");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(),
                     "The timecode \"00:00:59:60\" has frame 60: frames go from 00 to 59 at 60 frames a second.");
    }
}
