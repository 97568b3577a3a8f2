// RCWeakPtr on one thread: locking before and after the object's death, copies, and weak
// references that outlive or predecease the object.
#include "Probe.h"

#include <Vx/RC/RCShdPtr.h>

#include <gtest/gtest.h>

#include <atomic>

namespace SupportTest {
namespace {

using Vx::makeShared;
using Vx::RCShdPtr;
using Vx::RCWeakPtr;

TEST(RCWeakPtr, LocksALiveObjectWithoutKeepingItAlive)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths, 11);
    RCWeakPtr<Probe> weak(strong);
    EXPECT_EQ(strong->getRefCount(), 1);
    EXPECT_FALSE(weak.expired());
    {
        RCShdPtr<Probe> locked = weak.lock();
        ASSERT_TRUE(locked);
        EXPECT_EQ(locked.get(), strong.get());
        EXPECT_EQ(locked->getValue(), 11);
        EXPECT_EQ(strong->getRefCount(), 2);
    }
    EXPECT_EQ(strong->getRefCount(), 1);

    strong.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(weak.lock().isNull());
    EXPECT_TRUE(weak.expired());
}

TEST(RCWeakPtr, LockedHandleKeepsTheObjectAfterTheOriginalIsReleased)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths);
    RCWeakPtr<Probe> weak(strong);
    RCShdPtr<Probe> locked = weak.lock();
    strong.reset();
    EXPECT_EQ(deaths, 0);
    EXPECT_FALSE(weak.expired());
    locked.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(weak.expired());
}

TEST(RCWeakPtr, EmptyWeakReferencesLockToNothing)
{
    RCWeakPtr<Probe> none;
    EXPECT_TRUE(none.lock().isNull());
    EXPECT_TRUE(none.expired());
    RCWeakPtr<Probe> fromEmpty{RCShdPtr<Probe>()};
    EXPECT_TRUE(fromEmpty.expired());
}

TEST(RCWeakPtr, CopiesObserveTheSameObject)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths);
    RCWeakPtr<Probe> first(strong);
    RCWeakPtr<Probe> second(strong);
    RCWeakPtr<Probe> copy(first);
    RCWeakPtr<Probe> assigned;
    assigned = second;
    EXPECT_EQ(copy.lock().get(), strong.get());
    EXPECT_EQ(assigned.lock().get(), strong.get());

    strong.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(second.expired());
    EXPECT_TRUE(copy.expired());
    EXPECT_TRUE(assigned.expired());

    // Assigning over a weak reference to a dead object lets go of it.
    std::atomic<int> otherDeaths{0};
    RCShdPtr<Probe> other = makeShared<Probe>(otherDeaths);
    copy = RCWeakPtr<Probe>(other);
    EXPECT_EQ(copy.lock().get(), other.get());
}

TEST(RCWeakPtr, MayDieBeforeTheObject)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths);
    {
        RCWeakPtr<Probe> weak(strong);
        EXPECT_TRUE(weak.lock());
    }
    EXPECT_EQ(strong->getRefCount(), 1);
    RCWeakPtr<Probe> later(strong);
    EXPECT_EQ(later.lock().get(), strong.get());
    strong.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(later.expired());
}

} // namespace
} // namespace SupportTest
