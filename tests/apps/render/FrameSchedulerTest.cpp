// The frame scheduler's rules with a callback in place of a frame: every frame once, at most
// `inFlight` under way, no new frame after a failure, the frames under way finish, the earliest
// failed frame reported. Run under ThreadSanitizer with the threaded tests.
#include <Vx/Render/FrameScheduler.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Vx::Render;

namespace {

/// A flag one thread raises and others wait for.
class Signal
{
public:
    void raise()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_raised = true;
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_raised; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised = false;
};

/// Records the frames started and finished, and the most under way at once.
struct Record
{
    std::mutex mutex;
    std::multiset<int> started;
    std::multiset<int> finished;
    std::set<std::size_t> workers;
    int underWay = 0;
    int mostUnderWay = 0;

    void start(int frame, std::size_t worker)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        started.insert(frame);
        workers.insert(worker);
        mostUnderWay = std::max(mostUnderWay, ++underWay);
    }
    void finish(int frame)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        finished.insert(frame);
        --underWay;
    }
};

/// Runs the scheduler over `frames` (listed in that order) with no stop asked for.
template <class RenderFrame, class FrameDone>
std::optional<FrameFailure> renderFrames(const std::vector<int>& frames, int inFlight, const RenderFrame& renderFrame,
                                         const FrameDone& frameDone)
{
    std::string text;
    for (const int frame : frames)
        text += (text.empty() ? "" : ",") + std::to_string(frame);
    return FrameScheduler::run(FrameRange::parse(text), std::size_t(std::max(0, inFlight)),
                               [&](std::int64_t frame, std::size_t worker) { renderFrame(int(frame), worker); },
                               frameDone, {})
        .failure;
}

TEST(FrameScheduler, RendersEveryFrameOnceWithAtMostInFlightUnderWay)
{
    struct Case
    {
        int frames;
        int inFlight;
        int most; // the most frames under way at once, at most
    };
    for (const Case& c : {Case{40, 3, 3}, Case{2, 8, 2}, Case{5, 0, 1}, Case{1, 2, 1}}) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames, " + std::to_string(c.inFlight) + " in flight");
        std::vector<int> frames(std::size_t(c.frames));
        std::iota(frames.begin(), frames.end(), 1001);
        Record record;
        std::atomic<int> done{0};
        const auto failure = renderFrames(
            frames, c.inFlight,
            [&](int frame, std::size_t worker) {
                record.start(frame, worker);
                record.finish(frame);
            },
            [&] { ++done; });
        EXPECT_FALSE(failure);
        EXPECT_EQ(record.started, std::multiset<int>(frames.begin(), frames.end()));
        EXPECT_EQ(done.load(), c.frames);
        EXPECT_LE(record.mostUnderWay, c.most);
        for (const std::size_t worker : record.workers)
            EXPECT_LT(worker, std::size_t(std::max(1, c.most)));
    }
}

TEST(FrameScheduler, NoFrameStartsAfterAFailure)
{
    const std::vector<int> frames = {7, 3, 9, 1, 5};
    Record record;
    int done = 0;
    const auto failure = renderFrames(
        frames, 1,
        [&](int frame, std::size_t worker) {
            record.start(frame, worker);
            if (frame == 9)
                throw std::runtime_error("cannot write frame 9");
            record.finish(frame);
        },
        [&] { ++done; });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->frame, 9);
    EXPECT_EQ(failure->message, "cannot write frame 9");
    EXPECT_EQ(record.started, (std::multiset<int>{7, 3, 9}));
    EXPECT_EQ(done, 2);
}

TEST(FrameScheduler, FramesUnderWayFinishAndTheEarliestFailureIsReported)
{
    // Frame 10 fails only after frame 12 has failed; frame 11 finishes after both failed.
    Signal twelveFailed;
    Signal tenFailed;
    Record record;
    std::atomic<int> done{0};
    const auto failure = renderFrames(
        {10, 11, 12}, 3,
        [&](int frame, std::size_t worker) {
            record.start(frame, worker);
            if (frame == 12) {
                twelveFailed.raise();
                throw std::runtime_error("twelve");
            }
            if (frame == 10) {
                twelveFailed.wait();
                tenFailed.raise();
                throw 42; // not a std::exception
            }
            tenFailed.wait();
            record.finish(frame);
        },
        [&] { ++done; });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->frame, 10);
    EXPECT_EQ(failure->message, "unknown error");
    EXPECT_EQ(record.finished, std::multiset<int>{11});
    EXPECT_EQ(done.load(), 1);
}

} // namespace
