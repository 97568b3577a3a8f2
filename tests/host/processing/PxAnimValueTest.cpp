// PxAnimValueNode: constants hold for all time; keyframes interpolate linearly (double, colour) or
// hold the previous key (int, string), with results valid for the frame asked for; a set request
// replaces the keys.
#include "PxTestSupport.h"

#include <Vx/Co/CoColor.h>
#include <Vx/Px/PxAnimValue.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Vx {
namespace {

using Rgb = CoRgbColorTyped<float>;

/// Frame n of 24 frames a second, written out by hand: [n / 24, (n + 1) / 24).
PxValidityInterval frame24(int n)
{
    return {n / 24.0, (n + 1) / 24.0};
}

template <class T>
PxStrongHndl<PxAnimValueNode<T>> makeKeyed(std::vector<typename PxAnimValueNode<T>::Key> keys,
                                           const Rational& rate = Rational{24, 1})
{
    return pxCreateNode<PxAnimValueNode<T>>(std::move(keys), rate);
}

TEST(PxAnimValueNode, DoubleAndColourInterpolateLinearlyWithinTheRightSegment)
{
    // Given out of order: the node sorts its keys.
    auto node = makeKeyed<double>({{2.0, 30.0}, {0.0, 0.0}, {1.0, 10.0}});
    const struct
    {
        double time, value;
    } cases[] = {{0.25, 2.5}, {1.0, 10.0}, {1.25, 15.0}, {1.75, 25.0}, {2.0, 30.0}};
    for (const auto& c : cases)
        EXPECT_EQ(node->getValue(c.time).value, c.value) << c.time;
    EXPECT_EQ(node->getValue(1.5).validity, frame24(36));

    auto colour = makeKeyed<Rgb>({{0.0, Rgb{0.0f, 0.5f, 1.0f}}, {2.0, Rgb{1.0f, 0.5f, 0.0f}}});
    EXPECT_EQ(colour->getValue(0.5).value, (Rgb{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(colour->getValue(0.5).validity, frame24(12));
}

TEST(PxAnimValueNode, IntAndStringHoldThePreviousKey)
{
    auto ints = makeKeyed<int>({{0.0, 1}, {1.0, 5}, {2.0, -3}});
    EXPECT_EQ(ints->getValue(0.99).value, 1);
    EXPECT_EQ(ints->getValue(1.0).value, 5);
    EXPECT_EQ(ints->getValue(1.75).value, 5);
    EXPECT_EQ(ints->getValue(0.25).validity, frame24(6));
    auto strings = makeKeyed<std::string>({{0.0, "A"}, {1.0, "B"}, {2.0, "C"}});
    EXPECT_EQ(strings->getValue(1.5).value, "B");
    EXPECT_EQ(strings->getValue(2.5).value, "C");
}

TEST(PxAnimValueNode, EndKeysHoldOutsideTheKeysForOneFrameAtATime)
{
    auto node = makeKeyed<double>({{1.0, 10.0}, {3.0, 20.0}});
    EXPECT_EQ(node->getValue(-5.0).value, 10.0);
    EXPECT_EQ(node->getValue(-5.0).validity, frame24(-120));
    EXPECT_EQ(node->getValue(100.0).value, 20.0);
    EXPECT_EQ(node->getValue(100.0).validity, frame24(2400));
    auto single = makeKeyed<double>({{1.0, 4.0}});
    EXPECT_EQ(single->getValue(9.0).value, 4.0);
    EXPECT_EQ(single->getValue(1.0).validity, frame24(24));
}

TEST(PxAnimValueNode, ASetRequestReplacesTheKeysByAConstant)
{
    auto node = makeKeyed<double>({{0.0, 0.0}, {1.0, 1.0}});
    const std::uint64_t invalidations = node->getInvalidationCount();
    pxtest::setConstant(node, 8.0);
    EXPECT_FALSE(node->isAnimated());
    EXPECT_EQ(node->getValue(0.5).value, 8.0);
    EXPECT_TRUE(node->getValue(0.5).validity.isFull());
    EXPECT_EQ(node->getInvalidationCount(), invalidations + 1);
}

} // namespace
} // namespace Vx
