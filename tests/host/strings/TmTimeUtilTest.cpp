// TmTimeUtil: a frame's start converted to seconds and back gives that frame, at every rate a
// production uses, for every frame of a long range; times inside a frame give that frame.
#include <Vx/Tm/TmTimeUtil.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace Vx {
namespace {

const Rational kRates[] = {
    Rational(24000, 1001), Rational(24),          Rational(25), Rational(30000, 1001),
    Rational(30),          Rational(60000, 1001), Rational(60),
};

// The start of frame + `fraction` of a frame, in seconds, computed in long double so that the
// time lies where the test means it to.
double secondsAt(const Rational& rate, std::int64_t frame, double fraction)
{
    return static_cast<double>((static_cast<long double>(frame) + fraction) * rate.den / rate.num);
}

class TmTimeUtilAtRate : public ::testing::TestWithParam<Rational>
{
};

std::string rateName(const ::testing::TestParamInfo<Rational>& info)
{
    return std::to_string(info.param.num) + "_" + std::to_string(info.param.den);
}

INSTANTIATE_TEST_SUITE_P(ProductionRates, TmTimeUtilAtRate, ::testing::ValuesIn(kRates), rateName);

TEST_P(TmTimeUtilAtRate, RoundTripsEveryFrameOfTheFirstHundredThousand)
{
    const Rational rate = GetParam();
    for (std::int64_t frame = 0; frame <= 100000; ++frame) {
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frame);
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames, frame) << "seconds " << seconds;
    }
}

TEST_P(TmTimeUtilAtRate, RoundTripsNegativeFrames)
{
    const Rational rate = GetParam();
    for (std::int64_t frame = -100000; frame < 0; ++frame) {
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frame);
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames, frame) << "seconds " << seconds;
    }
}

TEST_P(TmTimeUtilAtRate, RoundTripsEveryFrameUpToTenMillion)
{
    const Rational rate = GetParam();
    for (std::int64_t frame = 0; frame <= 10000000; ++frame) {
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frame);
        if (TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames != frame)
            FAIL() << "frame " << frame << " came back as " << TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames;
    }
}

TEST_P(TmTimeUtilAtRate, RoundTripsSampledFramesBeyondTenMillion)
{
    const Rational rate = GetParam();
    for (std::int64_t frame = 10000000; frame <= 1000000000; frame += 9973) {
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, TmTimeUtil::getSecondsFromFrames(rate, frame)).frames, frame);
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, TmTimeUtil::getSecondsFromFrames(rate, -frame)).frames,
                  -frame);
    }
}

TEST_P(TmTimeUtilAtRate, GivesTheFrameATimeInsideItFallsIn)
{
    const Rational rate = GetParam();
    const double fractions[] = {0.3, 0.5, 0.9, 0.999};
    for (std::int64_t frame = -100000; frame <= 10000000; frame += 97) {
        for (double fraction : fractions) {
            const double seconds = secondsAt(rate, frame, fraction);
            ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames, frame)
                << "frame " << frame << " + " << fraction;
        }
    }
}

TEST_P(TmTimeUtilAtRate, CountsATimeJustBelowAFrameStartAsThatFrame)
{
    // A frame start that lost its last bit on the way still names that frame.
    const Rational rate = GetParam();
    for (std::int64_t frame = -1000; frame <= 10000000; frame += 101) {
        const double start = TmTimeUtil::getSecondsFromFrames(rate, frame);
        const double below = std::nextafter(start, -std::numeric_limits<double>::infinity());
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, below).frames, frame) << "frame " << frame;
    }
}

TEST_P(TmTimeUtilAtRate, CountsATimeAVisibleStepBelowAFrameStartAsThePreviousFrame)
{
    // 1e-4 of a frame is far more than any rounding, so such a time belongs to the frame before.
    const Rational rate = GetParam();
    for (std::int64_t frame = -1000; frame <= 10000000; frame += 101) {
        const double seconds = secondsAt(rate, frame, -1e-4);
        ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, seconds).frames, frame - 1) << "frame " << frame;
    }
}

struct SecondsCase
{
    Rational rate;
    double seconds;
    std::int64_t frame;
};

TEST(TmTimeUtil, GivesTheFrameOfExactTimes)
{
    const SecondsCase cases[] = {
        {Rational(24), 0.0, 0},
        {Rational(24), 0.5, 12},
        {Rational(24), 2.0, 48},
        {Rational(24), -0.5, -12},
        {Rational(24), -0.01, -1},
        {Rational(25), 1.0, 25},
        {Rational(25), 0.039, 0},
        {Rational(25), 0.04, 1},
        {Rational(24000, 1001), 1001.0, 24000},
        {Rational(24000, 1001), 1.0, 23},
        {Rational(30000, 1001), 1.001, 30},
        {Rational(30000, 1001), 60.0, 1798},
        {Rational(60000, 1001), 3600.0, 215784},
        {Rational(48000, 2002), 1001.0, 24000},
    };
    for (const SecondsCase& c : cases)
        EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(c.rate, c.seconds).frames, c.frame)
            << c.seconds << " s at " << c.rate;
}

TEST(TmTimeUtil, GivesTheStartOfAFrameInSeconds)
{
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(24), 48), 2.0);
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(25), -25), -1.0);
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(24000, 1001), 24000), 1001.0);
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(30), 0), 0.0);
    const double kTolerance = 1e-12;
    EXPECT_NEAR(TmTimeUtil::getSecondsFromFrames(Rational(30000, 1001), 1), 1001.0 / 30000.0, kTolerance);
}

TEST(TmTimeUtil, KeepsTheRateInTheResult)
{
    const DtTime time = TmTimeUtil::getDtTimeFromSeconds(Rational(60000, 1001), 10.0);
    EXPECT_EQ(time.rate.num, 60000);
    EXPECT_EQ(time.rate.den, 1001);
    EXPECT_EQ(time.getFrameCount(), time.frames);
}

void expectInvalidArgument(const Rational& rate, double seconds, const std::string& expectedMessage)
{
    try {
        TmTimeUtil::getDtTimeFromSeconds(rate, seconds);
        ADD_FAILURE() << seconds << " s at " << rate << " was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(error.what(), expectedMessage);
    }
}

TEST(TmTimeUtil, RejectsInvalidRates)
{
    expectInvalidArgument(Rational(0, 1), 1.0,
                          "The frame rate 0/1 is not valid: its numerator and denominator must both be positive.");
    expectInvalidArgument(Rational(24, 0), 1.0,
                          "The frame rate 24/0 is not valid: its numerator and denominator must both be positive.");
    expectInvalidArgument(Rational(-24, 1), 1.0,
                          "The frame rate -24/1 is not valid: its numerator and denominator must both be positive.");
    expectInvalidArgument(Rational(24, -1), 1.0,
                          "The frame rate 24/-1 is not valid: its numerator and denominator must both be positive.");
    EXPECT_THROW(TmTimeUtil::getSecondsFromFrames(Rational(0, 1001), 10), std::invalid_argument);
}

TEST(TmTimeUtil, RejectsTimesWithoutAFrameCount)
{
    expectInvalidArgument(Rational(24), std::numeric_limits<double>::infinity(),
                          "The time inf seconds at the frame rate 24/1 has no frame count: the result would not be "
                          "a finite 64-bit number.");
    expectInvalidArgument(Rational(25), 1e300,
                          "The time 1.0000000000000001e+300 seconds at the frame rate 25/1 has no frame count: the "
                          "result would not be a finite 64-bit number.");
    EXPECT_THROW(TmTimeUtil::getDtTimeFromSeconds(Rational(24), std::nan("")), std::invalid_argument);
    EXPECT_THROW(TmTimeUtil::getDtTimeFromSeconds(Rational(24), -1e18), std::invalid_argument);
}

TEST(TmTimeUtil, ReachesTheEndsOfTheFrameRange)
{
    // 2^62 frames is exact in double and well inside the range.
    const double seconds = 4611686018427387904.0;
    EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(Rational(1), seconds).frames, std::int64_t{4611686018427387904});
    EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(Rational(1), -2 * seconds).frames,
              std::numeric_limits<std::int64_t>::min());
}

} // namespace
} // namespace Vx
