// PxAnimValueNode: constants hold for all time; keyframes interpolate linearly (double, colour) or
// hold the previous key (int, bool, string), with results valid for the frame asked for.
#include <Vx/Co/CoColor.h>
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxRequestMgr.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Vx {
namespace {

using Rgb = CoRgbColorTyped<float>;

const Rational k24{24, 1};

/// Frame n of 24 frames a second, written out by hand: [n / 24, (n + 1) / 24).
PxValidityInterval frame24(int n)
{
    return {n / 24.0, (n + 1) / 24.0};
}

template <class T>
PxStrongHndl<PxAnimValueNode<T>> makeKeyed(std::vector<typename PxAnimValueNode<T>::Key> keys,
                                           const Rational& rate = k24)
{
    return pxCreateNode<PxAnimValueNode<T>>(std::move(keys), rate);
}

TEST(PxAnimValueNode, ConstantHoldsForAllTime)
{
    auto node = pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(2.5, PxValidityInterval::FULL));
    EXPECT_FALSE(node->isAnimated());
    for (double time : {-1000.0, 0.0, 0.5, 1e6}) {
        const PxResult<double> r = node->getValue(time);
        EXPECT_EQ(r.value, 2.5) << time;
        EXPECT_TRUE(r.validity.isFull()) << time;
    }
}

TEST(PxAnimValueNode, ConstantKeepsTheIntervalItWasGiven)
{
    auto node = pxCreateNode<PxAnimValueNode<std::string>>(PxResult<std::string>("Take 3", {1.0, 2.0}));
    const PxResult<std::string> r = node->getValue(1.5);
    EXPECT_EQ(r.value, "Take 3");
    EXPECT_EQ(r.validity, (PxValidityInterval{1.0, 2.0}));
}

TEST(PxAnimValueNode, DoubleInterpolatesLinearly)
{
    // Given out of order: the node sorts its keys.
    auto node = makeKeyed<double>({{3.0, 20.0}, {1.0, 10.0}});
    EXPECT_TRUE(node->isAnimated());

    const PxResult<double> quarter = node->getValue(1.5); // 25% of the way from 1 s to 3 s
    EXPECT_EQ(quarter.value, 12.5);
    EXPECT_EQ(quarter.validity, frame24(36));

    EXPECT_EQ(node->getValue(2.0).value, 15.0);
    EXPECT_EQ(node->getValue(2.5).value, 17.5);
    EXPECT_EQ(node->getValue(1.0).value, 10.0);
    EXPECT_EQ(node->getValue(3.0).value, 20.0);
}

TEST(PxAnimValueNode, DoubleInterpolatesWithinTheRightSegment)
{
    auto node = makeKeyed<double>({{0.0, 0.0}, {1.0, 10.0}, {2.0, 30.0}});
    EXPECT_EQ(node->getValue(0.25).value, 2.5);
    EXPECT_EQ(node->getValue(1.0).value, 10.0);
    EXPECT_EQ(node->getValue(1.25).value, 15.0);
    EXPECT_EQ(node->getValue(1.75).value, 25.0);
}

TEST(PxAnimValueNode, ColourInterpolatesEachChannelLinearly)
{
    auto node = makeKeyed<Rgb>({{0.0, Rgb{0.0f, 0.5f, 1.0f}}, {2.0, Rgb{1.0f, 0.5f, 0.0f}}});
    const PxResult<Rgb> quarter = node->getValue(0.5);
    EXPECT_EQ(quarter.value, (Rgb{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(quarter.validity, frame24(12));
    EXPECT_EQ(node->getValue(1.0).value, (Rgb{0.5f, 0.5f, 0.5f}));
}

TEST(PxAnimValueNode, IntHoldsThePreviousKey)
{
    auto node = makeKeyed<int>({{0.0, 1}, {1.0, 5}, {2.0, -3}});
    EXPECT_EQ(node->getValue(0.0).value, 1);
    EXPECT_EQ(node->getValue(0.25).value, 1);
    EXPECT_EQ(node->getValue(0.99).value, 1);
    EXPECT_EQ(node->getValue(1.0).value, 5);
    EXPECT_EQ(node->getValue(1.75).value, 5);
    EXPECT_EQ(node->getValue(2.0).value, -3);
    EXPECT_EQ(node->getValue(0.25).validity, frame24(6));
}

TEST(PxAnimValueNode, BoolHoldsThePreviousKey)
{
    auto node = makeKeyed<bool>({{0.0, false}, {1.0, true}});
    EXPECT_FALSE(node->getValue(0.5).value);
    EXPECT_FALSE(node->getValue(0.999).value);
    EXPECT_TRUE(node->getValue(1.0).value);
    EXPECT_EQ(node->getValue(0.5).validity, frame24(12));
}

TEST(PxAnimValueNode, StringHoldsThePreviousKey)
{
    auto node = makeKeyed<std::string>({{0.0, "A"}, {1.0, "B"}, {2.0, "C"}});
    EXPECT_EQ(node->getValue(0.5).value, "A");
    EXPECT_EQ(node->getValue(1.0).value, "B");
    EXPECT_EQ(node->getValue(1.5).value, "B");
    EXPECT_EQ(node->getValue(2.5).value, "C");
}

TEST(PxAnimValueNode, BeforeTheFirstKeyAndAfterTheLastTheEndKeysHold)
{
    auto node = makeKeyed<double>({{1.0, 10.0}, {3.0, 20.0}});
    const PxResult<double> before = node->getValue(-5.0);
    EXPECT_EQ(before.value, 10.0);
    EXPECT_EQ(before.validity, frame24(-120));
    EXPECT_EQ(node->getValue(0.99).value, 10.0);

    const PxResult<double> after = node->getValue(100.0);
    EXPECT_EQ(after.value, 20.0);
    EXPECT_EQ(after.validity, frame24(2400));

    auto colour = makeKeyed<Rgb>({{1.0, Rgb{0.25f, 0.5f, 0.75f}}, {2.0, Rgb{1.0f, 1.0f, 1.0f}}});
    EXPECT_EQ(colour->getValue(0.0).value, (Rgb{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(colour->getValue(7.0).value, (Rgb{1.0f, 1.0f, 1.0f}));
}

TEST(PxAnimValueNode, ASingleKeyHoldsEverywhereForOneFrameAtATime)
{
    auto node = makeKeyed<double>({{1.0, 4.0}});
    EXPECT_EQ(node->getValue(-1.0).value, 4.0);
    EXPECT_EQ(node->getValue(1.0).value, 4.0);
    EXPECT_EQ(node->getValue(9.0).value, 4.0);
    EXPECT_EQ(node->getValue(1.0).validity, frame24(24));
}

TEST(PxAnimValueNode, ValidityIsTheFrameOfTheNodesRate)
{
    const Rational ntsc{24000, 1001};
    auto node = makeKeyed<double>({{0.0, 0.0}, {100.0, 1.0}}, ntsc);
    const double start = TmTimeUtil::getSecondsFromFrames(ntsc, 1001);
    const PxValidityInterval validity = node->getValue(start).validity;
    EXPECT_EQ(validity.start, start);
    EXPECT_EQ(validity.end, TmTimeUtil::getSecondsFromFrames(ntsc, 1002));
}

TEST(PxAnimValueNode, SetRequestsReplaceConstantsAndKeys)
{
    auto node = makeKeyed<double>({{0.0, 0.0}, {1.0, 1.0}});
    const RCShdPtr<PxAnimValueNode<double>> target(node.get());
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    const std::uint64_t invalidations = node->getInvalidationCount();

    using ConstantRequest = PxSetRequest<PxAnimValueNode<double>, const PxResult<double>&>;
    mgr.queueRequest(makeShared<ConstantRequest>(target, &PxAnimValueNode<double>::setConstant,
                                                 PxResult<double>(8.0, PxValidityInterval::FULL),
                                                 PxValidityInterval::FULL));
    mgr.waitForIdle();
    EXPECT_FALSE(node->isAnimated());
    EXPECT_EQ(node->getValue(0.5).value, 8.0);
    EXPECT_TRUE(node->getValue(0.5).validity.isFull());
    EXPECT_EQ(node->getInvalidationCount(), invalidations + 1);

    using Keys = std::vector<PxAnimValueNode<double>::Key>;
    using KeysRequest = PxSetRequest<PxAnimValueNode<double>, const Keys&>;
    mgr.queueRequest(makeShared<KeysRequest>(target, &PxAnimValueNode<double>::setKeys, Keys{{2.0, 6.0}, {0.0, 2.0}},
                                             PxValidityInterval{0.0, 2.0}));
    mgr.waitForIdle();
    EXPECT_TRUE(node->isAnimated());
    EXPECT_EQ(node->getValue(0.5).value, 3.0);
    EXPECT_EQ(node->getValue(0.5).validity, frame24(12));
    EXPECT_EQ(node->getInvalidationCount(), invalidations + 2);
    EXPECT_EQ(node->getLastInvalidation(), (PxValidityInterval{0.0, 2.0}));
}

} // namespace
} // namespace Vx
