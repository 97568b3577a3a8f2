// Runs the frames of a range on a few threads at once: while one frame is being read or written
// (work on one core), others are rendered.
//
// Frames start in the range's order, each on the next free thread (worker 0 is the calling
// thread, workers 1 to inFlight - 1 are started here). After a failure, or once stop() says so
// (a stop signal), no new frame starts and the frames under way finish: a frame is written whole
// or not at all. A thread that cannot be started (the system's limit of threads or processes)
// stops the run the same way, after the threads already started are joined. Called on the main
// thread; renderFrame runs on the workers, several at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <Vx/Render/FrameRange.h>

namespace Vx::Render {

struct FrameFailure
{
    std::int64_t frame = 0;
    std::string message;
};

struct FrameRunOutcome
{
    std::uint64_t framesDone = 0;
    /// The failure of the earliest frame that failed.
    std::optional<FrameFailure> failure;
    /// Why a worker thread could not start ("Cannot start worker thread 3 of 8: ...").
    std::string threadError;
    /// Whether stop() ended the run before every frame had started.
    bool stopped = false;
};

class FrameScheduler
{
public:
    using RenderFrame = std::function<void(std::int64_t frame, std::size_t worker)>;
    /// Starts a thread running its argument; throws std::system_error when it cannot.
    using StartThread = std::function<std::thread(std::function<void()>)>;

    /// Runs `renderFrame` for every frame of `frames`, up to `inFlight` at once; `frameDone` is
    /// called after each frame that succeeded, `stop` before each frame starts. `startThread`
    /// (tests only) replaces the start of std::thread.
    static FrameRunOutcome run(const FrameRange& frames, std::size_t inFlight, const RenderFrame& renderFrame,
                               const std::function<void()>& frameDone, const std::function<bool()>& stop,
                               const StartThread& startThread = {});
};

} // namespace Vx::Render
