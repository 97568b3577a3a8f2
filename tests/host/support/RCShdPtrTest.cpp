// RCShdPtr, OPtr and RCWeakPtr on one thread: reference counts, destruction at zero, assignment
// and moves, weak references locking before and after the object's death, the error raised by an
// empty handle.
#include "Probe.h"
#include "common/ExpectThrowMessage.h"

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
using Vx::RCWeakPtr;

TEST(RCShdPtr, CountsReferencesAndDestroysAtZero)
{
    std::atomic<int> deaths{0};
    auto* raw = new Probe(deaths, 7);
    EXPECT_EQ(raw->getRefCount(), 0);
    RCShdPtr<Probe> first(raw);
    EXPECT_EQ(first->getRefCount(), 1);
    {
        RCShdPtr<Probe> second = first;
        RCShdPtr<Probe> third;
        third = second;
        EXPECT_EQ(first->getRefCount(), 3);
        EXPECT_EQ(third.get(), raw);
        // Assigned what it holds: kept. (Named apart, so that clang does not flag a self-assignment.)
        const RCShdPtr<Probe>& same = third;
        third = same;
        third.assign(third.get());
        EXPECT_EQ(first->getRefCount(), 3);
    }
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(deaths, 0);
    RCShdPtr<DerivedProbe> derived = makeShared<DerivedProbe>(deaths, 3);
    first = derived; // releases the old object, converts to the base
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(derived->getRefCount(), 2);
    derived.reset();
    EXPECT_EQ(first->getValue(), 3);
    first.reset();
    first.reset();
    EXPECT_EQ(deaths, 2);
    EXPECT_TRUE(first.isNull());
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
    head.assign(next);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(head.get(), next);
    EXPECT_EQ(head->getRefCount(), 1);
    head.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(RCShdPtr, EmptyHandlesNameTheirTypeWhenDereferenced)
{
    RCShdPtr<Probe> empty;
    EXPECT_THROW_MESSAGE(empty->getValue(), Vx::RCExNullPtr,
                         "Null pointer: a Vx::RCStrongBasePtr<SupportTest::Probe, Vx::LkCounter<int> > was used while "
                         "empty.");
    EXPECT_THROW(*empty, Vx::RCExNullPtr);
    OPtr<Probe> emptyOwner;
    EXPECT_THROW_MESSAGE(emptyOwner->getValue(), Vx::RCExNullPtr,
                         "Null pointer: a Vx::OPtr<SupportTest::Probe> was used while empty.");
}

TEST(OPtr, OwnsUntilReleased)
{
    std::atomic<int> deaths{0};
    {
        OPtr<Probe> owner(new Probe(deaths, 5));
        OPtr<Probe> next(std::move(owner));
        EXPECT_FALSE(static_cast<bool>(owner));
        EXPECT_EQ(next->getValue(), 5);
    }
    EXPECT_EQ(deaths, 1);
    OPtr<Probe> owner(new Probe(deaths));
    RCShdPtr<Probe> shared(owner.release());
    EXPECT_EQ(owner.get(), nullptr);
    EXPECT_EQ(deaths, 1);
    shared.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(RCWeakPtr, LocksALiveObjectWithoutKeepingItAlive)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths, 11);
    RCWeakPtr<Probe> weak(strong);
    RCWeakPtr<Probe> copy(weak);
    RCWeakPtr<Probe> assigned;
    assigned = weak;
    EXPECT_EQ(strong->getRefCount(), 1);
    {
        RCWeakPtr<Probe> shortLived(strong); // may die before the object
    }
    RCShdPtr<Probe> locked = weak.lock();
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->getValue(), 11);
    EXPECT_EQ(strong->getRefCount(), 2);
    strong.reset();
    EXPECT_EQ(deaths, 0) << "the locked handle keeps the object";
    EXPECT_FALSE(copy.expired());
    locked.reset();
    EXPECT_EQ(deaths, 1);
    for (const RCWeakPtr<Probe>* w : {&weak, &copy, &assigned}) {
        EXPECT_TRUE(w->expired());
        EXPECT_TRUE(w->lock().isNull());
    }
    EXPECT_TRUE(RCWeakPtr<Probe>().expired());
    EXPECT_TRUE(RCWeakPtr<Probe>(RCShdPtr<Probe>()).lock().isNull());

    // Assigning over a weak reference to a dead object lets go of it.
    std::atomic<int> otherDeaths{0};
    RCShdPtr<Probe> other = makeShared<Probe>(otherDeaths);
    copy = RCWeakPtr<Probe>(other);
    EXPECT_EQ(copy.lock().get(), other.get());
}

} // namespace
} // namespace SupportTest
