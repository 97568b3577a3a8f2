// PxValidityInterval: all of time, intersection of validities, and the frame a time falls in.
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/Tm/Rational.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <gtest/gtest.h>

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
    EXPECT_TRUE(v.contains(1.0));
    EXPECT_TRUE(v.contains(1.999));
    EXPECT_FALSE(v.contains(2.0));
    EXPECT_FALSE(v.contains(0.999));
}

TEST(PxValidityInterval, IntersectionKeepsTheLargerStartAndTheSmallerEnd)
{
    const struct
    {
        PxValidityInterval a, b, expected;
        bool empty;
    } cases[] = {
        {{0.0, 10.0}, {5.0, 20.0}, {5.0, 10.0}, false},
        {{5.0, 20.0}, {0.0, 10.0}, {5.0, 10.0}, false},
        {{0.0, 10.0}, {2.0, 3.0}, {2.0, 3.0}, false},
        {PxValidityInterval::FULL, {1.0, 2.0}, {1.0, 2.0}, false},
        {{-kInfinity, 4.0}, {3.0, kInfinity}, {3.0, 4.0}, false},
        {PxValidityInterval::FULL, PxValidityInterval::FULL, PxValidityInterval::FULL, false},
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

TEST(PxValidityInterval, FrameIntervalAt24)
{
    const Rational rate{24, 1};
    // Frame 12 is [0.5, 13/24).
    EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, 0.5), (PxValidityInterval{0.5, 13.0 / 24.0}));
    EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, 0.52), (PxValidityInterval{0.5, 13.0 / 24.0}));
    EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, 0.0), (PxValidityInterval{0.0, 1.0 / 24.0}));
    EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, -0.01), (PxValidityInterval{-1.0 / 24.0, 0.0}));
}

TEST(PxValidityInterval, FrameIntervalOfFrame1001At24And23_976)
{
    for (const Rational rate : {Rational{24, 1}, Rational{24000, 1001}}) {
        const double start = TmTimeUtil::getSecondsFromFrames(rate, 1001);
        const double next = TmTimeUtil::getSecondsFromFrames(rate, 1002);
        // Frame n starts at n / rate.
        EXPECT_DOUBLE_EQ(start, 1001.0 * double(rate.den) / double(rate.num)) << rate;
        const PxValidityInterval frame{start, next};
        EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, start), frame) << rate;
        EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, (start + next) / 2.0), frame) << rate;
        // A microsecond before the frame is the frame before.
        EXPECT_EQ(PxValidityInterval::createFrameInterval(rate, start - 1e-6),
                  (PxValidityInterval{TmTimeUtil::getSecondsFromFrames(rate, 1000), start}))
            << rate;
    }
}

} // namespace
} // namespace Vx
