// The order in which kestrin-render renders the frames of a run, apart from what renders them, so
// that its rules can be tested with a callback in place of a frame.
//
// renderFrames runs renderFrame(frame, worker) for every frame of the list, up to `inFlight`
// frames at once: while one frame is read or written (work on one core), others are rendered.
// Frames start in list order. After a failure no new frame starts, the frames under way finish (a
// frame is written whole or not at all), and the failure of the earliest frame in the list order
// among those that failed is returned. Called from the main thread; renderFrame and frameDone run
// on the calling thread and on inFlight - 1 helper threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Vx::Render {

struct FrameFailure
{
    int frame;
    std::string message;
};

/// `renderFrame(int frame, std::size_t worker)`: worker 0 to inFlight - 1 says which of the frames
/// under way it is (an index into per-worker resources). `frameDone()` after each frame that
/// finished without an exception. `inFlight` below 1 counts as 1.
template <class RenderFrame, class FrameDone>
std::optional<FrameFailure> renderFrames(const std::vector<int>& frames, int inFlight, const RenderFrame& renderFrame,
                                         const FrameDone& frameDone)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex;
    std::optional<FrameFailure> failure;
    const auto work = [&](std::size_t worker) {
        while (!stop.load()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= frames.size())
                return;
            std::string message;
            try {
                renderFrame(frames[i], worker);
                frameDone();
                continue;
            } catch (const std::exception& e) {
                message = e.what();
            } catch (...) {
                message = "unknown error";
            }
            stop.store(true);
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure || frames[i] < failure->frame)
                failure = FrameFailure{frames[i], message};
            return;
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t count = std::min(frames.size(), std::size_t(std::max(1, inFlight)));
    for (std::size_t k = 1; k < count; ++k)
        helpers.emplace_back(work, k);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
    return failure;
}

} // namespace Vx::Render
