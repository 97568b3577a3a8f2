// Frames on worker threads.
#include <Vx/Render/FrameScheduler.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <vector>

namespace Vx::Render {

FrameRunOutcome FrameScheduler::run(const FrameRange& frames, std::size_t inFlight, const RenderFrame& renderFrame,
                                    const std::function<void()>& frameDone, const std::function<bool()>& stop,
                                    const StartThread& startThread)
{
    std::atomic<std::uint64_t> next{0};
    std::atomic<std::uint64_t> done{0};
    std::atomic<bool> halt{false};
    std::atomic<bool> stopped{false};
    std::mutex failureMutex;
    FrameRunOutcome outcome;
    const auto work = [&](std::size_t worker) {
        while (!halt.load()) {
            if (stop && stop()) {
                stopped.store(true);
                halt.store(true);
                return;
            }
            const std::uint64_t i = next.fetch_add(1);
            if (i >= frames.size())
                return;
            const std::int64_t frame = frames.at(i);
            std::string message;
            try {
                renderFrame(frame, worker);
                done.fetch_add(1);
                if (frameDone)
                    frameDone();
                continue;
            } catch (const std::exception& e) {
                message = e.what();
            } catch (...) {
                message = "unknown error";
            }
            halt.store(true);
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!outcome.failure || frame < outcome.failure->frame)
                outcome.failure = FrameFailure{frame, message};
            return;
        }
    };

    const std::size_t count = std::size_t(std::min<std::uint64_t>(frames.size(), std::max<std::size_t>(1, inFlight)));
    std::vector<std::thread> helpers;
    helpers.reserve(count);
    for (std::size_t k = 1; k < count; ++k) {
        try {
            std::function<void()> body = [&work, k] { work(k); };
            helpers.push_back(startThread ? startThread(std::move(body)) : std::thread(std::move(body)));
        } catch (const std::system_error& e) {
            // The threads already started finish their frame and are joined below; no frame is
            // left half-written.
            outcome.threadError = "Cannot start worker thread " + std::to_string(k + 1) + " of " +
                                  std::to_string(count) + ": " + e.code().message() +
                                  " (the system's limit of threads; see --threads)";
            halt.store(true);
            break;
        }
    }
    if (outcome.threadError.empty())
        work(0);
    for (std::thread& helper : helpers)
        helper.join();
    outcome.framesDone = done.load();
    outcome.stopped = stopped.load();
    return outcome;
}

} // namespace Vx::Render
