// LiTimeCode and LiTimeCodeFactory: SMPTE timecodes at whole and drop-frame rates, checked
// against known values and against a reference clock that counts one frame at a time.
#include "common/ExpectThrowMessage.h"

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
        {Rational(24), 0, 86400, "01:00:00:00"},
        // 25
        {Rational(25), 0, 90000, "01:00:00:00"},
        {Rational(25), 0, 90000 + 1500 + 25 + 3, "01:01:01:03"},
        // 30 non-drop
        {Rational(30), 0, 108000, "01:00:00:00"},
        // 23.976 counts 24 frames a second, non-drop
        {Rational(24000, 1001), 0, 86400, "01:00:00:00"},
        // 29.97 drop-frame (the first minutes and the day's end: the reference clock below)
        {Rational(30000, 1001), 0, 1800, "00:01:00;02"},
        {Rational(30000, 1001), 0, 17982, "00:10:00;00"},
        {Rational(30000, 1001), 0, 107892, "01:00:00;00"},
        // 29.97 counted without drop
        {Rational(30000, 1001), 1, 1800, "00:01:00:00"},
        {Rational(30000, 1001), 1, 107892, "00:59:56:12"},
        // 59.94 drop-frame
        {Rational(60000, 1001), 0, 215784, "01:00:00;00"},
        // a rate given unreduced is the same rate
        {Rational(60000, 2002), 0, 1800, "00:01:00;02"},
        // hours wrap at 24
        {Rational(24), 0, 2073600 + 86400 + 25, "01:00:01:01"},
        // negative counts: the magnitude after a minus
        {Rational(25), 0, -90000, "-01:00:00:00"},
        {Rational(24), 0, -2073601, "-00:00:00:01"},
    };
    for (const TimeCodeCase& c : cases)
        EXPECT_EQ(timeCodeOf(c.rate, c.frames, c.flags), c.expected)
            << "frame " << c.frames << " at " << c.rate << " flags " << c.flags;
}

TEST(LiTimeCode, MatchesTheReferenceClockAcrossMinutesAndTheDayWrap)
{
    struct ClockCase
    {
        Rational rate;
        int framesPerSecond;
        int dropped;
        std::int64_t framesPerDay;
        const char* midnight;
    };
    const ClockCase cases[] = {
        {Rational(30000, 1001), 30, 2, 2589408, "00:00:00;00"}, {Rational(60000, 1001), 60, 4, 5178816, "00:00:00;00"},
        {Rational(24), 24, 0, 2073600, "00:00:00:00"},          {Rational(25), 25, 0, 2160000, "00:00:00:00"},
        {Rational(30), 30, 0, 2592000, "00:00:00:00"},          {Rational(24000, 1001), 24, 0, 2073600, "00:00:00:00"},
    };
    // From midnight across the first ten minutes, and from late in the day across the wrap (the
    // clock is set from the first count, the known midnight after it proves where it started).
    for (const ClockCase& c : cases) {
        EXPECT_EQ(timeCodeOf(c.rate, c.framesPerDay), c.midnight) << c.rate;
        for (const std::int64_t start : {std::int64_t(0), c.framesPerDay - 40000}) {
            ReferenceClock clock(c.framesPerSecond, c.dropped);
            clock.set(timeCodeOf(c.rate, start));
            for (std::int64_t frame = start; frame < start + 44000; ++frame, clock.step())
                ASSERT_EQ(timeCodeOf(c.rate, frame), clock.text()) << "frame " << frame << " at " << c.rate;
        }
    }
}

TEST(LiTimeCode, WritesNegativeCountsAsTheMagnitudeAfterAMinusUpToTheExtremes)
{
    const Rational rate(30000, 1001);
    ReferenceClock clock(30, 2);
    clock.step();
    for (std::int64_t frame = 1; frame < 4000; ++frame, clock.step())
        ASSERT_EQ(timeCodeOf(rate, -frame), "-" + clock.text()) << "frame " << -frame;
    // The most negative count is one frame further than the largest positive one.
    const std::string largest = timeCodeOf(rate, std::numeric_limits<std::int64_t>::max());
    clock.set(largest);
    EXPECT_EQ(clock.text(), largest);
    clock.step();
    EXPECT_EQ(timeCodeOf(rate, std::numeric_limits<std::int64_t>::min()), "-" + clock.text());
}

TEST(LiTimeCode, CountsAtTheFormattersRateNotTheTimesRate)
{
    const DtTime time{1800, Rational(24)};
    EXPECT_EQ(LiTimeCodeFactory::getInstance().createTimeCode(Rational(30000, 1001), 0)->toString(time), "00:01:00;02");
}

TEST(LiTimeCode, RejectsInvalidRates)
{
    EXPECT_THROW_MESSAGE(LiTimeCode(Rational(30000, 0), 0), std::invalid_argument,
                         "The frame rate 30000/0 cannot count a timecode: its numerator and denominator must both "
                         "be positive.");
    EXPECT_THROW_MESSAGE(LiTimeCodeFactory::getInstance().createTimeCode(Rational(2000001, 2), 0),
                         std::invalid_argument,
                         "The frame rate 2000001/2 is too high to count a timecode: at most 1000000 frames a second "
                         "can be counted.");
    EXPECT_NO_THROW(LiTimeCodeFactory::getInstance().createTimeCode(Rational(2000000, 2), 0));
}

} // namespace
} // namespace Vx
