// PxValidityInterval: the intersection of validities. (The frame a time falls in: the time
// utilities and the Slate token renders.)
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/Tm/Rational.h>

#include <gtest/gtest.h>

#include <limits>

namespace Vx {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

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

} // namespace
} // namespace Vx
