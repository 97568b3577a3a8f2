// LiTimeCode and LiTimeCodeFactory: SMPTE timecodes at whole and drop-frame rates, checked
// against known values and against a reference clock that counts one frame at a time.
#include <Vx/Li/LiTimeCode.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace Vx {
namespace {

std::string timeCodeOf(const Rational& rate, std::int64_t frames, int flags = 0)
{
    DtTime time;
    time.frames = frames;
    time.rate = rate;
    return LiTimeCodeFactory::getInstance().createTimeCode(rate, flags)->toString(time);
}

// A timecode display as a person would advance it: the frames digit goes up by one, carrying
// into seconds, minutes and hours, and in drop-frame the first `dropped` frame numbers are
// skipped whenever a minute begins that is not a multiple of ten.
class ReferenceClock
{
public:
    ReferenceClock(int framesPerSecond, int dropped) : m_framesPerSecond(framesPerSecond), m_dropped(dropped) {}

    void step()
    {
        if (++m_frames < m_framesPerSecond)
            return;
        m_frames = 0;
        if (++m_seconds < 60)
            return;
        m_seconds = 0;
        if (++m_minutes == 60) {
            m_minutes = 0;
            m_hours = (m_hours + 1) % 24;
        }
        if (m_dropped > 0 && m_minutes % 10 != 0)
            m_frames = m_dropped;
    }

    /// Sets the display from "HH:MM:SS:FF" or "HH:MM:SS;FF".
    void set(const std::string& text)
    {
        char separator = 0;
        ASSERT_EQ(std::sscanf(text.c_str(), "%d:%d:%d%c%d", &m_hours, &m_minutes, &m_seconds, &separator, &m_frames), 5)
            << text;
    }

    std::string text() const
    {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d%c%02d", m_hours, m_minutes, m_seconds,
                      m_dropped > 0 ? ';' : ':', m_frames);
        return buffer;
    }

private:
    int m_framesPerSecond;
    int m_dropped;
    int m_hours = 0;
    int m_minutes = 0;
    int m_seconds = 0;
    int m_frames = 0;
};

struct TimeCodeCase
{
    Rational rate;
    int flags;
    std::int64_t frames;
    const char* expected;
};

TEST(LiTimeCode, WritesKnownTimeCodes)
{
    const TimeCodeCase cases[] = {
        // 24 non-drop
        {Rational(24), 0, 0, "00:00:00:00"},
        {Rational(24), 0, 1, "00:00:00:01"},
        {Rational(24), 0, 23, "00:00:00:23"},
        {Rational(24), 0, 24, "00:00:01:00"},
        {Rational(24), 0, 1439, "00:00:59:23"},
        {Rational(24), 0, 1440, "00:01:00:00"},
        {Rational(24), 0, 14400, "00:10:00:00"},
        {Rational(24), 0, 86399, "00:59:59:23"},
        {Rational(24), 0, 86400, "01:00:00:00"},
        {Rational(24), 0, 2073599, "23:59:59:23"},
        // 25
        {Rational(25), 0, 24, "00:00:00:24"},
        {Rational(25), 0, 25, "00:00:01:00"},
        {Rational(25), 0, 1500, "00:01:00:00"},
        {Rational(25), 0, 90000, "01:00:00:00"},
        {Rational(25), 0, 90000 + 1500 + 25 + 3, "01:01:01:03"},
        // 30 non-drop
        {Rational(30), 0, 29, "00:00:00:29"},
        {Rational(30), 0, 1799, "00:00:59:29"},
        {Rational(30), 0, 1800, "00:01:00:00"},
        {Rational(30), 0, 108000, "01:00:00:00"},
        // 23.976 counts 24 frames a second, non-drop
        {Rational(24000, 1001), 0, 24, "00:00:01:00"},
        {Rational(24000, 1001), 0, 86400, "01:00:00:00"},
        // 29.97 drop-frame
        {Rational(30000, 1001), 0, 0, "00:00:00;00"},
        {Rational(30000, 1001), 0, 29, "00:00:00;29"},
        {Rational(30000, 1001), 0, 30, "00:00:01;00"},
        {Rational(30000, 1001), 0, 1799, "00:00:59;29"},
        {Rational(30000, 1001), 0, 1800, "00:01:00;02"},
        {Rational(30000, 1001), 0, 1801, "00:01:00;03"},
        {Rational(30000, 1001), 0, 3597, "00:01:59;29"},
        {Rational(30000, 1001), 0, 3598, "00:02:00;02"},
        {Rational(30000, 1001), 0, 17981, "00:09:59;29"},
        {Rational(30000, 1001), 0, 17982, "00:10:00;00"},
        {Rational(30000, 1001), 0, 17983, "00:10:00;01"},
        {Rational(30000, 1001), 0, 19781, "00:10:59;29"},
        {Rational(30000, 1001), 0, 19782, "00:11:00;02"},
        {Rational(30000, 1001), 0, 107891, "00:59:59;29"},
        {Rational(30000, 1001), 0, 107892, "01:00:00;00"},
        // 29.97 counted without drop
        {Rational(30000, 1001), 1, 1800, "00:01:00:00"},
        {Rational(30000, 1001), 1, 107892, "00:59:56:12"},
        // 59.94 drop-frame
        {Rational(60000, 1001), 0, 59, "00:00:00;59"},
        {Rational(60000, 1001), 0, 3599, "00:00:59;59"},
        {Rational(60000, 1001), 0, 3600, "00:01:00;04"},
        {Rational(60000, 1001), 0, 7195, "00:01:59;59"},
        {Rational(60000, 1001), 0, 7196, "00:02:00;04"},
        {Rational(60000, 1001), 0, 35963, "00:09:59;59"},
        {Rational(60000, 1001), 0, 35964, "00:10:00;00"},
        {Rational(60000, 1001), 0, 215784, "01:00:00;00"},
        // 60
        {Rational(60), 0, 3600, "00:01:00:00"},
        // a rate given unreduced is the same rate
        {Rational(60000, 2002), 0, 1800, "00:01:00;02"},
    };
    for (const TimeCodeCase& c : cases)
        EXPECT_EQ(timeCodeOf(c.rate, c.frames, c.flags), c.expected)
            << "frame " << c.frames << " at " << c.rate << " flags " << c.flags;
}

TEST(LiTimeCode, WrapsHoursAtTwentyFour)
{
    const TimeCodeCase cases[] = {
        {Rational(24), 0, 2073600, "00:00:00:00"},          {Rational(24), 0, 2073600 + 86400 + 25, "01:00:01:01"},
        {Rational(24), 0, 10 * 2073600 + 5, "00:00:00:05"}, {Rational(25), 0, 2160000 - 1, "23:59:59:24"},
        {Rational(25), 0, 2160000, "00:00:00:00"},          {Rational(30000, 1001), 0, 2589407, "23:59:59;29"},
        {Rational(30000, 1001), 0, 2589408, "00:00:00;00"}, {Rational(30000, 1001), 0, 2589408 + 1800, "00:01:00;02"},
        {Rational(60000, 1001), 0, 5178816, "00:00:00;00"},
    };
    for (const TimeCodeCase& c : cases)
        EXPECT_EQ(timeCodeOf(c.rate, c.frames, c.flags), c.expected) << "frame " << c.frames << " at " << c.rate;
}

TEST(LiTimeCode, RepeatsEveryDayUpToTheLargestCounts)
{
    struct Day
    {
        Rational rate;
        std::int64_t frames;
    };
    // A day is 24 hours of 107892 frames at 29.97 drop-frame, of 215784 at 59.94.
    const Day days[] = {{Rational(24), 2073600},
                        {Rational(25), 2160000},
                        {Rational(30000, 1001), 2589408},
                        {Rational(60000, 1001), 5178816}};
    const std::int64_t dayCounts[] = {1, 2, 7, 1000, 123456789, 1000000000000};
    for (const Day& day : days) {
        const std::int64_t maxDays = std::numeric_limits<std::int64_t>::max() / day.frames - 1;
        for (std::int64_t frame = 0; frame < day.frames; frame += 997) {
            const std::string expected = timeCodeOf(day.rate, frame);
            for (std::int64_t count : dayCounts)
                ASSERT_EQ(timeCodeOf(day.rate, count * day.frames + frame), expected)
                    << count << " days + " << frame << " at " << day.rate;
            ASSERT_EQ(timeCodeOf(day.rate, maxDays * day.frames + frame), expected) << "at " << day.rate;
        }
    }
}

struct ClockCase
{
    Rational rate;
    int framesPerSecond;
    int dropped;
    std::int64_t frames;
};

// Every frame of a long range against the reference clock.
void expectSameAsClock(const ClockCase& c)
{
    ReferenceClock clock(c.framesPerSecond, c.dropped);
    for (std::int64_t frame = 0; frame < c.frames; ++frame, clock.step()) {
        const std::string expected = clock.text();
        ASSERT_EQ(timeCodeOf(c.rate, frame), expected) << "frame " << frame << " at " << c.rate;
    }
}

TEST(LiTimeCode, MatchesTheReferenceClockForTwoHoursAt29_97DropFrame)
{
    expectSameAsClock({Rational(30000, 1001), 30, 2, 2 * 107892 + 1});
}

TEST(LiTimeCode, MatchesTheReferenceClockForTwoHoursAt59_94DropFrame)
{
    expectSameAsClock({Rational(60000, 1001), 60, 4, 2 * 215784 + 1});
}

TEST(LiTimeCode, MatchesTheReferenceClockForTwoHoursAtWholeRates)
{
    expectSameAsClock({Rational(24), 24, 0, 2 * 3600 * 24 + 1});
    expectSameAsClock({Rational(25), 25, 0, 2 * 3600 * 25 + 1});
    expectSameAsClock({Rational(30), 30, 0, 2 * 3600 * 30 + 1});
    expectSameAsClock({Rational(24000, 1001), 24, 0, 2 * 3600 * 24 + 1});
}

TEST(LiTimeCode, MatchesTheReferenceClockAcrossADayAt29_97DropFrame)
{
    // A little over a day: the clock wraps to 00:00:00;00 and keeps dropping afterwards.
    expectSameAsClock({Rational(30000, 1001), 30, 2, 24 * 107892 + 20000});
}

TEST(LiTimeCode, WritesNegativeCountsAsTheMagnitudeAfterAMinus)
{
    const TimeCodeCase cases[] = {
        {Rational(24), 0, -1, "-00:00:00:01"},
        {Rational(24), 0, -24, "-00:00:01:00"},
        {Rational(25), 0, -90000, "-01:00:00:00"},
        {Rational(30000, 1001), 0, -1800, "-00:01:00;02"},
        {Rational(30000, 1001), 0, -17982, "-00:10:00;00"},
        {Rational(24), 0, -2073601, "-00:00:00:01"},
    };
    for (const TimeCodeCase& c : cases)
        EXPECT_EQ(timeCodeOf(c.rate, c.frames, c.flags), c.expected) << "frame " << c.frames << " at " << c.rate;

    ReferenceClock clock(30, 2);
    clock.step();
    for (std::int64_t frame = 1; frame < 40000; ++frame, clock.step())
        ASSERT_EQ(timeCodeOf(Rational(30000, 1001), -frame), "-" + clock.text()) << "frame " << -frame;
}

TEST(LiTimeCode, WritesTheExtremeCounts)
{
    // The most negative count is one frame further than the largest positive one.
    struct Extreme
    {
        Rational rate;
        int framesPerSecond;
        int dropped;
    };
    const Extreme extremes[] = {{Rational(24), 24, 0}, {Rational(30000, 1001), 30, 2}, {Rational(60000, 1001), 60, 4}};
    for (const Extreme& e : extremes) {
        const std::string largest = timeCodeOf(e.rate, std::numeric_limits<std::int64_t>::max());
        ReferenceClock clock(e.framesPerSecond, e.dropped);
        clock.set(largest);
        EXPECT_EQ(clock.text(), largest) << "at " << e.rate;
        clock.step();
        EXPECT_EQ(timeCodeOf(e.rate, std::numeric_limits<std::int64_t>::min()), "-" + clock.text()) << "at " << e.rate;
    }
}

TEST(LiTimeCode, CountsAtTheFormattersRateNotTheTimesRate)
{
    DtTime time;
    time.frames = 1800;
    time.rate = Rational(24);
    const RCShdPtr<LiTimeCode> dropFrame = LiTimeCodeFactory::getInstance().createTimeCode(Rational(30000, 1001), 0);
    EXPECT_EQ(dropFrame->toString(time), "00:01:00;02");
}

struct RateCase
{
    Rational rate;
    int flags;
    int nominal;
    bool dropFrame;
};

TEST(LiTimeCode, DerivesTheNominalRateAndDropFrame)
{
    const RateCase cases[] = {
        {Rational(24000, 1001), 0, 24, false}, {Rational(24), 0, 24, false},
        {Rational(25), 0, 25, false},          {Rational(30000, 1001), 0, 30, true},
        {Rational(30000, 1001), 1, 30, false}, {Rational(60000, 2002), 0, 30, true},
        {Rational(30), 0, 30, false},          {Rational(50), 0, 50, false},
        {Rational(60000, 1001), 0, 60, true},  {Rational(60000, 1001), 1, 60, false},
        {Rational(60), 0, 60, false},          {Rational(120000, 1001), 0, 120, false},
        {Rational(1, 3), 0, 1, false},
    };
    for (const RateCase& c : cases) {
        const LiTimeCode timeCode(c.rate, c.flags);
        EXPECT_EQ(timeCode.getNominalRate(), c.nominal) << c.rate;
        EXPECT_EQ(timeCode.isDropFrame(), c.dropFrame) << c.rate << " flags " << c.flags;
        EXPECT_EQ(timeCode.getFlags(), c.flags) << c.rate;
        EXPECT_TRUE(timeCode.getRate() == c.rate) << c.rate;
    }
}

TEST(LiTimeCode, RejectsInvalidRates)
{
    try {
        LiTimeCode timeCode(Rational(30000, 0), 0);
        FAIL() << "the rate 30000/0 was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(),
                     "The frame rate 30000/0 cannot count a timecode: its numerator and denominator must both be "
                     "positive.");
    }
    try {
        LiTimeCodeFactory::getInstance().createTimeCode(Rational(2000001, 2), 0);
        FAIL() << "the rate 2000001/2 was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "The frame rate 2000001/2 is too high to count a timecode: at most 1000000 frames "
                                   "a second can be counted.");
    }
    EXPECT_NO_THROW(LiTimeCodeFactory::getInstance().createTimeCode(Rational(2000000, 2), 0));
    EXPECT_THROW(LiTimeCodeFactory::getInstance().createTimeCode(Rational(-25, 1), 0), std::invalid_argument);
}

TEST(LiTimeCodeFactory, SharesOneFormatterPerRateAndFlags)
{
    LiTimeCodeFactory& factory = LiTimeCodeFactory::getInstance();
    const RCShdPtr<LiTimeCode> first = factory.createTimeCode(Rational(24000, 1001), 0);
    const RCShdPtr<LiTimeCode> again = factory.createTimeCode(Rational(24000, 1001), 0);
    const RCShdPtr<LiTimeCode> scaled = factory.createTimeCode(Rational(48000, 2002), 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(first.get(), scaled.get());
    EXPECT_TRUE(first->getRate() == Rational(24000, 1001));

    EXPECT_NE(first.get(), factory.createTimeCode(Rational(24000, 1001), 1).get());
    EXPECT_NE(first.get(), factory.createTimeCode(Rational(24), 0).get());
    EXPECT_NE(factory.createTimeCode(Rational(30000, 1001), 0).get(),
              factory.createTimeCode(Rational(30000, 1001), 1).get());
    EXPECT_EQ(factory.createTimeCode(Rational(25), 0).get(), factory.createTimeCode(Rational(50, 2), 0).get());
}

TEST(LiTimeCodeFactory, IsASingleton)
{
    EXPECT_EQ(&LiTimeCodeFactory::getInstance(), &LiTimeCodeFactory::getInstance());
}

} // namespace
} // namespace Vx
