// Progress of a render on the console.
//
// On a terminal, one line rewritten in place as frames complete:
//   Frame 12/100  4.8 fps  0:18 left
// Anywhere else (a pipe, a CI log) nothing while rendering, so logs stay clean, and an optional
// summary line at the end:
//   Rendered 100 frames in 20.8 s (4.8 fps)
// (with ", skipped 20 already written" when --skip-existing left frames whose file exists).
// Quiet mode prints nothing at all. frameDone() may be called from any thread; the line is
// rewritten at most every kUpdateSeconds (and always for the last frame).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

namespace Vx::Render {

class ProgressReporter
{
public:
    /// Seconds since some fixed start, monotonic. Tests give their own clock.
    using Clock = std::function<double()>;

    struct Options
    {
        bool quiet = false;    ///< print nothing
        bool summary = true;   ///< print the summary line at finish()
        bool terminal = false; ///< the stream is a terminal: show the updating line
    };

    static constexpr double kUpdateSeconds = 0.1;

    /// A reporter for `totalFrames` frames writing to `out`, timed by `clock` (a steady clock when
    /// empty). The clock starts now.
    ProgressReporter(std::size_t totalFrames, std::ostream& out, const Options& options, Clock clock = {});
    /// A reporter on stderr, that is a terminal when isatty says so.
    static ProgressReporter forStderr(std::size_t totalFrames, bool quiet, bool summary);

    /// Counts one more frame done and updates the line on a terminal. Any thread.
    void frameDone();
    /// Counts one more frame left as it was (its file exists) and updates the line. Any thread.
    void frameSkipped();
    /// Ends the line on a terminal and prints the summary when asked for. Call once, at the end.
    void finish();

    std::size_t getFramesDone() const;
    std::size_t getFramesSkipped() const;
    /// The progress line as it stands ("Frame 12/100  4.8 fps  0:18 left").
    std::string describeProgress() const;
    /// The summary line ("Rendered 100 frames in 20.8 s (4.8 fps)").
    std::string describeSummary() const;

    /// A duration in seconds as m:ss or h:mm:ss, rounded up to whole seconds.
    static std::string formatDuration(double seconds);

private:
    std::string progressLocked(double now) const;
    std::string summaryLocked(double now) const;

    std::size_t m_total;
    std::ostream& m_out;
    Options m_options;
    Clock m_clock;
    double m_start;
    mutable std::mutex m_mutex;
    void updateLocked();

    std::size_t m_done = 0;         // guarded by m_mutex
    std::size_t m_skipped = 0;      // guarded by m_mutex
    double m_lastUpdate = -1.0e300; // guarded by m_mutex
    bool m_lineShown = false;       // guarded by m_mutex
};

} // namespace Vx::Render
