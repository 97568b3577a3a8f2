// Render progress on the console.
#include <Vx/Render/ProgressReporter.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include <unistd.h>

namespace Vx::Render {

namespace {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string fixed1(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

} // namespace

ProgressReporter::ProgressReporter(std::size_t totalFrames, std::ostream& out, const Options& options, Clock clock)
    : m_total(totalFrames), m_out(out), m_options(options), m_clock(clock ? std::move(clock) : Clock(steadySeconds)),
      m_start(m_clock())
{
}

ProgressReporter ProgressReporter::forStderr(std::size_t totalFrames, bool quiet, bool summary)
{
    Options options;
    options.quiet = quiet;
    options.summary = summary;
    options.terminal = ::isatty(STDERR_FILENO) == 1;
    return ProgressReporter(totalFrames, std::cerr, options);
}

void ProgressReporter::frameDone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_done;
    updateLocked();
}

void ProgressReporter::frameSkipped()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_skipped;
    updateLocked();
}

void ProgressReporter::updateLocked()
{
    if (m_options.quiet || !m_options.terminal)
        return;
    const double now = m_clock();
    if (now - m_lastUpdate < kUpdateSeconds && m_done + m_skipped < m_total)
        return;
    m_lastUpdate = now;
    // Back to the start of the line, the new text, then clear whatever the longer old text left.
    m_out << '\r' << progressLocked(now) << "\x1b[K" << std::flush;
    m_lineShown = true;
}

void ProgressReporter::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_options.quiet)
        return;
    if (m_lineShown)
        m_out << '\n';
    m_lineShown = false;
    if (m_options.summary)
        m_out << summaryLocked(m_clock()) << '\n' << std::flush;
}

std::size_t ProgressReporter::getFramesDone() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

std::size_t ProgressReporter::getFramesSkipped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_skipped;
}

std::string ProgressReporter::describeProgress() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return progressLocked(m_clock());
}

std::string ProgressReporter::describeSummary() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return summaryLocked(m_clock());
}

std::string ProgressReporter::summaryLocked(double now) const
{
    const double elapsed = now - m_start;
    std::ostringstream line;
    line << "Rendered " << m_done << (m_done == 1 ? " frame" : " frames") << " in " << fixed1(elapsed) << " s";
    if (elapsed > 0.0)
        line << " (" << fixed1(double(m_done) / elapsed) << " fps)";
    if (m_skipped > 0)
        line << ", skipped " << m_skipped << " already written";
    return line.str();
}

std::string ProgressReporter::progressLocked(double now) const
{
    std::ostringstream line;
    line << "Frame " << m_done + m_skipped << "/" << m_total;
    const double elapsed = now - m_start;
    if (m_done > 0 && elapsed > 0.0) {
        const double fps = double(m_done) / elapsed;
        line << "  " << fixed1(fps) << " fps  " << formatDuration(double(m_total - m_done - m_skipped) / fps)
             << " left";
    }
    return line.str();
}

std::string ProgressReporter::formatDuration(double seconds)
{
    const long long total = seconds > 0.0 ? (long long)std::ceil(seconds) : 0;
    char text[48];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

} // namespace Vx::Render
