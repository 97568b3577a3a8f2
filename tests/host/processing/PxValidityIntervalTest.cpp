// PxValidityInterval: all of time, intersection of validities, and the frame a time falls in.
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/Tm/Rational.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace Vx {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(PxValidityInterval, FullCoversAllOfTimeAndContainsIsHalfOpen)
{
    const PxValidityInterval full = PxValidityInterval::FULL;
    EXPECT_EQ(PxValidityInterval(), full);
    EXPECT_EQ(full.start, -kInfinity);
    EXPECT_EQ(full.end, kInfinity);
    EXPECT_TRUE(full.isFull() && !full.isEmpty() && full.contains(-1e300) && full.contains(1e300));
    EXPECT_FALSE((PxValidityInterval{0.0, kInfinity}).isFull());
    const PxValidityInterval v{1.0, 2.0};
    EXPECT_TRUE(v.contains(1.0) && v.contains(1.999) && !v.contains(2.0) && !v.contains(0.999));
}

TEST(PxValidityInterval, IntersectionKeepsTheLargerStartAndTheSmallerEnd)
{
    const struct
    {
        PxValidityInterval a, b, expected;
        bool empty;
    } cases[] = {
        {{0.0, 10.0}, {5.0, 20.0}, {5.0, 10.0}, false},
        {PxValidityInterval::FULL, {1.0, 2.0}, {1.0, 2.0}, false},
        {{-kInfinity, 4.0}, {3.0, kInfinity}, {3.0, 4.0}, false},
        {{0.0, 1.0}, {1.0, 2.0}, {1.0, 1.0}, true},
        {{0.0, 1.0}, {2.0, 3.0}, {2.0, 1.0}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a.intersected(c.b), c.expected) << c.a << " with " << c.b;
        EXPECT_EQ(c.a.intersected(c.b).isEmpty(), c.empty) << c.a << " with " << c.b;
        PxValidityInterval inPlace = c.a;
        inPlace.intersect(c.b);
        EXPECT_EQ(inPlace, c.expected) << c.a << " with " << c.b;
    }
}

TEST(PxValidityInterval, FrameIntervalIsTheFrameATimeFallsIn)
{
    for (const Rational rate : {Rational{24, 1}, Rational{24000, 1001}}) {
        const auto at = [&](std::int64_t frame) { return TmTimeUtil::getSecondsFromFrames(rate, frame); };
        const struct
        {
            double time;
            std::int64_t frame;
        } cases[] = {
            {0.0, 0},
            {-0.01, -1},
            // A frame's start, its middle, and a microsecond before it.
            {at(1001), 1001},
            {(at(1001) + at(1002)) / 2.0, 1001},
            {at(1001) - 1e-6, 1000},
        };
        for (const auto& c : cases)
            EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, c.time),
                      (PxValidityInterval{at(c.frame), at(c.frame + 1)}))
                << c.time << " s at " << rate;
    }
}

} // namespace
} // namespace Vx
