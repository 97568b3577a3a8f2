// TmTimeUtil: a frame's start converted to seconds and back gives that frame, at every rate a
// production uses, for every frame of a long range; times inside a frame give that frame.
#include "common/ExpectThrowMessage.h"

#include <Vx/Tm/TmTimeUtil.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace Vx {
namespace {

const Rational kRates[] = {
    Rational(24000, 1001), Rational(24),          Rational(25), Rational(30000, 1001),
    Rational(30),          Rational(60000, 1001), Rational(60),
};

// Frames near zero and near a million (a long sequence at a high rate), at every production rate.
TEST(TmTimeUtil, RoundTripsFrameStartsAndGivesTheFrameATimeFallsIn)
{
    for (const Rational& rate : kRates) {
        // The start of frame + `fraction` of a frame, computed in long double so that the time
        // lies where the test means it to.
        const auto secondsAt = [&](std::int64_t frame, double fraction) {
            return static_cast<double>((static_cast<long double>(frame) + fraction) * rate.den / rate.num);
        };
        for (const std::int64_t from : {std::int64_t(-3000), std::int64_t(997000)}) {
            for (std::int64_t frame = from; frame <= from + 6000; ++frame) {
                const double start = TmTimeUtil::getSecondsFromFrames(rate, frame);
                ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, start).frames, frame) << "at " << rate;
                for (double fraction : {0.5, 0.999})
                    ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, secondsAt(frame, fraction)).frames, frame)
                        << "frame " << frame << " + " << fraction << " at " << rate;
                // A frame start that lost its last bit on the way still names that frame...
                const double below = std::nextafter(start, -std::numeric_limits<double>::infinity());
                ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, below).frames, frame) << "at " << rate;
                // ...but 1e-4 of a frame, far more than any rounding, belongs to the frame before.
                ASSERT_EQ(TmTimeUtil::getDtTimeFromSeconds(rate, secondsAt(frame, -1e-4)).frames, frame - 1)
                    << "frame " << frame << " at " << rate;
            }
        }
    }
}

TEST(TmTimeUtil, GivesTheFrameOfExactTimesAndTheStartOfFrames)
{
    const struct
    {
        Rational rate;
        double seconds;
        std::int64_t frame;
    } cases[] = {
        {Rational(25), 0.04, 1},
        {Rational(24000, 1001), 1001.0, 24000},
        {Rational(30000, 1001), 60.0, 1798},
        {Rational(60000, 1001), 3600.0, 215784},
        {Rational(48000, 2002), 1001.0, 24000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(c.rate, c.seconds).frames, c.frame)
            << c.seconds << " s at " << c.rate;
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(25), -25), -1.0);
    EXPECT_EQ(TmTimeUtil::getSecondsFromFrames(Rational(24000, 1001), 24000), 1001.0);
    const DtTime time = TmTimeUtil::getDtTimeFromSeconds(Rational(60000, 1001), 10.0);
    EXPECT_TRUE(time.rate == Rational(60000, 1001));
}

TEST(TmTimeUtil, RejectsInvalidRatesAndTimesWithoutAFrameCount)
{
    const struct
    {
        Rational rate;
        double seconds;
        const char* message;
    } cases[] = {
        {Rational(0, 1), 1.0, "The frame rate 0/1 is not valid: its numerator and denominator must both be positive."},
        {Rational(24, -1), 1.0,
         "The frame rate 24/-1 is not valid: its numerator and denominator must both be positive."},
        {Rational(24), std::numeric_limits<double>::infinity(),
         "The time inf seconds at the frame rate 24/1 has no frame count: the result would not be a finite 64-bit "
         "number."},
        {Rational(25), 1e300,
         "The time 1.0000000000000001e+300 seconds at the frame rate 25/1 has no frame count: the result would not "
         "be a finite 64-bit number."},
    };
    for (const auto& c : cases) {
        EXPECT_THROW_MESSAGE(TmTimeUtil::getDtTimeFromSeconds(c.rate, c.seconds), std::invalid_argument, c.message);
    }
    EXPECT_THROW(TmTimeUtil::getSecondsFromFrames(Rational(0, 1001), 10), std::invalid_argument);
    EXPECT_THROW(TmTimeUtil::getDtTimeFromSeconds(Rational(24), std::nan("")), std::invalid_argument);
    EXPECT_THROW(TmTimeUtil::getDtTimeFromSeconds(Rational(24), -1e18), std::invalid_argument);
    // 2^62 frames is exact in double and well inside the range; -2^63 is its end.
    EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(Rational(1), 4611686018427387904.0).frames,
              std::int64_t{4611686018427387904});
    EXPECT_EQ(TmTimeUtil::getDtTimeFromSeconds(Rational(1), -9223372036854775808.0).frames,
              std::numeric_limits<std::int64_t>::min());
}

} // namespace
} // namespace Vx
