// Puts frames that worker threads render out of order into a MovieWriter in the movie's order, on
// a thread of its own, so that encoding runs while the next frames render.
//
//   worker k:  render frame i, convert it, submit(i, frame)  -- waits while i >= next + window
//   encoder:   encode(next), next + 1, ...                   -- waits for frame `next`
//
// At most `window` converted frames wait at once, so memory does not grow with the range. A
// worker holding frame `next` never waits, so the run cannot lock up whatever the window (at
// least 1). After the encoder fails, submit() throws its error (the scheduler then stops starting
// frames) and so does finish(); abort() (a failure elsewhere, a stop signal) ends the thread
// without the frames still missing: a worker whose frame failed aborts, so that the others stop
// waiting for it. Constructed, finished and destroyed on the main thread; submit() and abort()
// from any number of worker threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <Vx/Render/MovieWriter.h>

namespace Vx::Render {

class MovieEncodeQueue
{
public:
    /// Starts the encoder thread. Throws std::system_error when it cannot start.
    MovieEncodeQueue(MovieWriter& writer, std::size_t window);
    /// Aborts and joins the thread.
    ~MovieEncodeQueue();
    MovieEncodeQueue(const MovieEncodeQueue&) = delete;
    MovieEncodeQueue& operator=(const MovieEncodeQueue&) = delete;

    /// Hands over frame `index` of the movie (from 0), waiting while it is `window` or more frames
    /// ahead of the next one to encode. Throws std::runtime_error with the encoder's error once it
    /// failed; drops the frame after abort().
    void submit(std::uint64_t index, MovieFramePtr frame);
    /// Waits until frames 0 to count - 1 are encoded and ends the thread; throws the encoder's
    /// error when it failed.
    void finish(std::uint64_t count);
    /// Ends the thread without waiting for the frames not yet handed over (after the frame being
    /// encoded); submit() throws from then on. Any thread.
    void abort();

private:
    void run();

    MovieWriter& m_writer;
    std::size_t m_window;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::uint64_t, MovieFramePtr> m_waiting; // guarded by m_mutex
    std::uint64_t m_next = 0;                         // guarded by m_mutex
    std::uint64_t m_total = UINT64_MAX;               // guarded by m_mutex: set by finish()
    bool m_aborted = false;                           // guarded by m_mutex
    std::string m_error;                              // guarded by m_mutex
    std::thread m_thread;
};

} // namespace Vx::Render
