// RCShdPtr and RCWeakPtr on one thread: reference counts, destruction at zero, assignment
// and moves, weak references locking before and after the object's death, the error raised by an
// empty handle.
#include "Probe.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/RC/RCShdPtr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <utility>

namespace SupportTest {
namespace {

using Vx::makeShared;
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
        // Assigned what it holds: kept. (Named apart, so that clang does not flag a self-assignment.)
        const RCShdPtr<Probe>& same = second;
        second = same;
        EXPECT_EQ(first->getRefCount(), 2);
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
}

TEST(RCWeakPtr, LocksALiveObjectWithoutKeepingItAlive)
{
    std::atomic<int> deaths{0};
    RCShdPtr<Probe> strong = makeShared<Probe>(deaths, 11);
    RCWeakPtr<Probe> weak(strong);
    RCWeakPtr<Probe> copy(weak);
    EXPECT_EQ(strong->getRefCount(), 1);
    RCShdPtr<Probe> locked = weak.lock();
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->getValue(), 11);
    EXPECT_EQ(strong->getRefCount(), 2);
    strong.reset();
    EXPECT_EQ(deaths, 0) << "the locked handle keeps the object";
    locked.reset();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(copy.expired());
    EXPECT_TRUE(copy.lock().isNull());
}

} // namespace
} // namespace SupportTest
