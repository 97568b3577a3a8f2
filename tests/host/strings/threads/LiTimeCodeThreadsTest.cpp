// The timecode factory and its shared formatters used from several threads at once, as worker
// threads rendering different frames do.
#include <Vx/Li/LiTimeCode.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

const Rational kRates[] = {Rational(24000, 1001), Rational(48000, 2002), Rational(24),          Rational(25),
                           Rational(30000, 1001), Rational(60000, 2002), Rational(60000, 1001), Rational(60)};
constexpr int kRateCount = sizeof(kRates) / sizeof(kRates[0]);

TEST(LiTimeCodeFactoryThreads, GivesEveryThreadTheSameFormatterForARate)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::vector<std::vector<LiTimeCode*>> seen(kThreads, std::vector<LiTimeCode*>(kRateCount, nullptr));
    std::vector<int> mismatches(kThreads, 0);
    std::atomic<bool> go{false};

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                // Each thread walks the rates in its own order so that first requests collide.
                for (int i = 0; i < kRateCount; ++i) {
                    const int r = (i + t * 3) % kRateCount;
                    const RCShdPtr<LiTimeCode> timeCode =
                        LiTimeCodeFactory::getInstance().createTimeCode(kRates[r], round % 2);
                    if (round % 2 != 0)
                        continue;
                    if (!seen[t][r])
                        seen[t][r] = timeCode.get();
                    else if (seen[t][r] != timeCode.get())
                        ++mismatches[t];
                }
            }
        });
    }
    go = true;
    for (std::thread& thread : threads)
        thread.join();

    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
        for (int r = 0; r < kRateCount; ++r)
            EXPECT_EQ(seen[t][r], seen[0][r]) << "thread " << t << " rate " << kRates[r];
    }
    // Equal rates written differently share one formatter.
    EXPECT_EQ(seen[0][0], seen[0][1]);
    EXPECT_EQ(seen[0][4], seen[0][5]);
    EXPECT_NE(seen[0][0], seen[0][2]);
}

TEST(LiTimeCodeFactoryThreads, FormatsTheSameFromEveryThread)
{
    const RCShdPtr<LiTimeCode> timeCode = LiTimeCodeFactory::getInstance().createTimeCode(Rational(30000, 1001), 0);
    constexpr std::int64_t kFrames = 20000;
    std::vector<std::string> expected;
    for (std::int64_t frame = 0; frame < kFrames; ++frame) {
        DtTime time;
        time.frames = frame;
        time.rate = Rational(30000, 1001);
        expected.push_back(timeCode->toString(time));
    }

    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (std::int64_t frame = t; frame < kFrames; ++frame) {
                DtTime time;
                time.frames = frame;
                time.rate = Rational(30000, 1001);
                if (timeCode->toString(time) != expected[std::size_t(frame)])
                    ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

} // namespace
} // namespace Vx
