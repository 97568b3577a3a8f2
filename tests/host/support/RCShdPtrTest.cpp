// RCShdPtr and OPtr: reference counts, destruction at zero, assignment and moves, the error
// raised by an empty handle.
#include "Probe.h"

#include <Vx/RC/RCShdPtr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>

namespace SupportTest {
namespace {

using Vx::makeShared;
using Vx::OPtr;
using Vx::RCShdPtr;

TEST(RCShdPtr, CountsReferencesAndDestroysAtZero)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> first = makeShared<Probe>(deaths, 7);
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ((*first).getValue(), 7);
    {
        RCShdPtr<Probe> second = first;
        EXPECT_EQ(first->getRefCount(), 2);
        RCShdPtr<Probe> third;
        third = second;
        EXPECT_EQ(first->getRefCount(), 3);
        EXPECT_EQ(third.get(), first.get());
    }
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(deaths, 0);
    first.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(first.isNull());
    first.reset();
    EXPECT_EQ(deaths, 1);
}

TEST(RCShdPtr, TakesTheFirstReferenceOfARawObject)
{
    std::atomic<int> deaths{0};
    auto* probe = new Probe(deaths);
    EXPECT_EQ(probe->getRefCount(), 0);
    {
        RCShdPtr<Probe> handle(probe);
        EXPECT_EQ(probe->getRefCount(), 1);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(RCShdPtr, KeepsTheObjectWhenAssignedWhatItHolds)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> handle = makeShared<Probe>(deaths);
    handle.assign(handle.get());
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(handle->getRefCount(), 1);

    const RCShdPtr<Probe>& same = handle;
    handle = same;
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(handle->getRefCount(), 1);
}

TEST(RCShdPtr, ReleasesTheOldObjectOnAssignment)
{
    std::atomic<int> oldDeaths{0};
    std::atomic<int> newDeaths{0};
    RCShdPtr<Probe> handle = makeShared<Probe>(oldDeaths);
    RCShdPtr<Probe> other = makeShared<Probe>(newDeaths);
    handle.assign(other.get());
    EXPECT_EQ(oldDeaths, 1);
    EXPECT_EQ(newDeaths, 0);
    EXPECT_EQ(other->getRefCount(), 2);
    handle.assign(nullptr);
    EXPECT_EQ(other->getRefCount(), 1);
}

// A chain link whose next link is referenced only by it.
class Link : public Vx::RCObject
{
public:
    Link(std::atomic<int>& deaths, RCShdPtr<Link> next) : m_deaths(deaths), m_next(std::move(next)) {}
    ~Link() override { ++m_deaths; }
    const RCShdPtr<Link>& getNext() const { return m_next; }

private:
    std::atomic<int>& m_deaths;
    RCShdPtr<Link> m_next;
};

TEST(RCShdPtr, ReferencesTheNewObjectBeforeReleasingTheOld)
{
    // Moving a handle to the next link destroys the current link, whose reference was the only
    // one to the next: that must be taken first.
    std::atomic<int> deaths{0};
    RCShdPtr<Link> head = makeShared<Link>(deaths, makeShared<Link>(deaths, RCShdPtr<Link>()));
    Link* next = head->getNext().get();
    EXPECT_EQ(next->getRefCount(), 1);
    head.assign(next);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(head.get(), next);
    EXPECT_EQ(head->getRefCount(), 1);
    head.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(RCShdPtr, MovesWithoutCounting)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> source = makeShared<Probe>(deaths);
    Probe* probe = source.get();
    RCShdPtr<Probe> moved(std::move(source));
    EXPECT_TRUE(source.isNull());
    EXPECT_EQ(moved.get(), probe);
    EXPECT_EQ(probe->getRefCount(), 1);

    std::atomic<int> targetDeaths{0};
    RCShdPtr<Probe> target = makeShared<Probe>(targetDeaths);
    target = std::move(moved);
    EXPECT_EQ(targetDeaths, 1);
    EXPECT_TRUE(moved.isNull());
    EXPECT_EQ(target.get(), probe);
    EXPECT_EQ(probe->getRefCount(), 1);

    RCShdPtr<Probe>& same = target;
    target = std::move(same);
    EXPECT_EQ(target.get(), probe);
    EXPECT_EQ(probe->getRefCount(), 1);
    EXPECT_EQ(deaths, 0);

    target = RCShdPtr<Probe>();
    EXPECT_EQ(deaths, 1);
}

TEST(RCShdPtr, ConvertsToABaseHandle)
{
    std::atomic<int> deaths{0};
    RCShdPtr<DerivedProbe> derived = makeShared<DerivedProbe>(deaths, 3);
    RCShdPtr<Probe> base = derived;
    EXPECT_EQ(base.get(), derived.get());
    EXPECT_EQ(base->getRefCount(), 2);
    derived.reset();
    EXPECT_EQ(base->getValue(), 3);
    base.reset();
    EXPECT_EQ(deaths, 1);
}

TEST(RCShdPtr, ComparesByObject)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> a = makeShared<Probe>(deaths);
    RCShdPtr<Probe> b = makeShared<Probe>(deaths);
    RCShdPtr<Probe> a2 = a;
    EXPECT_TRUE(a == a2);
    EXPECT_FALSE(a != a2);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(RCShdPtr<Probe>() == RCShdPtr<Probe>(nullptr));
    EXPECT_TRUE(static_cast<bool>(a));
    EXPECT_FALSE(static_cast<bool>(RCShdPtr<Probe>()));
}

TEST(RCShdPtr, NamesItsTypeWhenDereferencedEmpty)
{
    RCShdPtr<Probe> empty;
    try {
        empty->getValue();
        FAIL() << "an empty handle was dereferenced";
    } catch (const Vx::RCExNullPtr& error) {
        // The handle's full type, as the compiler spells its template arguments, is named.
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Null pointer: a Vx::RCStrongBasePtr<SupportTest::Probe, Vx::LkCounter<int>", 0), 0u)
            << message;
        EXPECT_NE(message.find("> was used while empty."), std::string::npos) << message;
    }
    EXPECT_THROW(*empty, Vx::RCExNullPtr);
}

TEST(OPtr, OwnsUntilReleased)
{
    std::atomic<int> deaths{0};
    {
        OPtr<Probe> owner(new Probe(deaths, 5));
        EXPECT_EQ(owner->getValue(), 5);
        OPtr<Probe> next(std::move(owner));
        EXPECT_FALSE(static_cast<bool>(owner));
        EXPECT_EQ((*next).getValue(), 5);
    }
    EXPECT_EQ(deaths, 1);

    OPtr<Probe> owner(new Probe(deaths));
    Probe* released = owner.release();
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(owner.get(), nullptr);
    RCShdPtr<Probe> shared(released);
    shared.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(OPtr, NamesItsTypeWhenDereferencedEmpty)
{
    OPtr<Probe> empty;
    try {
        empty->getValue();
        FAIL() << "an empty owner was dereferenced";
    } catch (const Vx::RCExNullPtr& error) {
        EXPECT_STREQ(error.what(), "Null pointer: a Vx::OPtr<SupportTest::Probe> was used while empty.");
    }
}

} // namespace
} // namespace SupportTest
