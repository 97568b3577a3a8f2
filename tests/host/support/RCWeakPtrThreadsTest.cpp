// Weak references racing with the last release: whichever thread drops the last strong
// reference, a lock() either yields a live object or nothing, and the object dies exactly once.
// Run many times over so that the threads meet at every step of the release.
#include "Probe.h"

#include <Vx/RC/RCShdPtr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace SupportTest {
namespace {

using Vx::makeShared;
using Vx::RCShdPtr;
using Vx::RCWeakPtr;

constexpr int kIterations = 3000;
constexpr int kValue = 1234;

// Spins until every participant has arrived, so that they start their racing steps together.
void arriveAndWait(std::atomic<int>& arrived, int participants)
{
    arrived.fetch_add(1);
    while (arrived.load() < participants)
        std::this_thread::yield();
}

TEST(RCWeakPtrThreads, LockRacesWithTheLastRelease)
{
    int lockedLive = 0;
    int wrongValues = 0;
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        std::atomic<int> deaths{0};
        RCShdPtr<Probe> strong = makeShared<Probe>(deaths, kValue);
        // Each thread has its own handles: a handle object is used by one thread at a time.
        RCWeakPtr<Probe> weakA(strong);
        RCWeakPtr<Probe> weakB(strong);
        std::atomic<int> arrived{0};
        int lockedByA = 0;
        int lockedByB = 0;
        int wrongA = 0;
        int wrongB = 0;

        auto locker = [&arrived](RCWeakPtr<Probe> weak, int& locked, int& wrong) {
            arriveAndWait(arrived, 3);
            // Lock until the object is gone; a locked handle may well be the last one released.
            while (RCShdPtr<Probe> held = weak.lock()) {
                ++locked;
                if (held->getValue() != kValue)
                    ++wrong;
            }
        };
        std::thread a(locker, std::move(weakA), std::ref(lockedByA), std::ref(wrongA));
        std::thread b(locker, std::move(weakB), std::ref(lockedByB), std::ref(wrongB));
        std::thread releaser([&arrived, held = std::move(strong)]() mutable {
            arriveAndWait(arrived, 3);
            held.reset();
        });
        a.join();
        b.join();
        releaser.join();

        ASSERT_EQ(deaths, 1) << "iteration " << iteration;
        lockedLive += lockedByA + lockedByB;
        wrongValues += wrongA + wrongB;
    }
    EXPECT_EQ(wrongValues, 0);
    // Not a requirement, a sign that the race was run: some locks found the object alive.
    RecordProperty("LocksOfALiveObject", lockedLive);
}

} // namespace
} // namespace SupportTest
