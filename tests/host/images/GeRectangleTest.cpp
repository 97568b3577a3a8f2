// GeRectangle: intersection and union of half-open rectangles (empty is neutral). (Moving and
// measuring near the int range: the Slate layout limits.)
#include <Vx/Ge/GeRectangle.h>

#include <gtest/gtest.h>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;

struct PairCase
{
    IRect a;
    IRect b;
    IRect intersection;
    IRect unionRect;
};

TEST(GeRectangle, IntersectionAndUnion)
{
    const PairCase cases[] = {
        // Overlapping.
        {{0, 10, 0, 10}, {5, 15, 2, 20}, {5, 10, 2, 10}, {0, 15, 0, 20}},
        // Touching edges share nothing (half-open), the union spans both.
        {{0, 5, 0, 5}, {5, 10, 0, 5}, {}, {0, 10, 0, 5}},
        // Apart.
        {{0, 2, 0, 2}, {8, 9, -4, -3}, {}, {0, 9, -4, 2}},
        // Empty is neutral for the union, whatever its corners.
        {{1, 4, 1, 4}, {}, {}, {1, 4, 1, 4}},
        {{1, 4, 1, 4}, {100, 100, -50, 50}, {}, {1, 4, 1, 4}},
    };
    for (const PairCase& c : cases) {
        EXPECT_EQ(c.a.intersected(c.b), c.intersection) << c.a << " and " << c.b;
        EXPECT_EQ(c.b.intersected(c.a), c.intersection) << c.b << " and " << c.a;
        EXPECT_EQ(c.a.united(c.b), c.unionRect) << c.a << " and " << c.b;
        EXPECT_EQ(c.b.united(c.a), c.unionRect) << c.b << " and " << c.a;
    }
    // Two empties unite to an empty rectangle.
    EXPECT_TRUE((IRect{5, 5, 0, 9}).united(IRect{}).isEmpty());
}

} // namespace
} // namespace Vx
