// Frames into the movie in order.
#include <Vx/Render/MovieEncodeQueue.h>

#include <algorithm>
#include <stdexcept>

namespace Vx::Render {

MovieEncodeQueue::MovieEncodeQueue(MovieWriter& writer, std::size_t window)
    : m_writer(writer), m_window(std::max<std::size_t>(1, window))
{
    m_thread = std::thread([this] { run(); });
}

MovieEncodeQueue::~MovieEncodeQueue()
{
    abort();
    if (m_thread.joinable())
        m_thread.join();
}

void MovieEncodeQueue::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_aborted || m_next >= m_total || m_waiting.count(m_next) != 0; });
        if (m_aborted || m_next >= m_total)
            return;
        MovieFramePtr frame = std::move(m_waiting.at(m_next));
        m_waiting.erase(m_next);
        lock.unlock();
        std::string error;
        try {
            m_writer.encode(std::move(frame));
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
        if (!error.empty()) {
            m_error = error;
            m_aborted = true;
            m_waiting.clear();
            m_changed.notify_all();
            return;
        }
        ++m_next;
        m_changed.notify_all();
    }
}

void MovieEncodeQueue::submit(std::uint64_t index, MovieFramePtr frame)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_aborted || index < m_next + m_window; });
    if (!m_error.empty())
        throw std::runtime_error(m_error);
    // Abandoned because another frame failed (that failure is the one to report) or the run stops.
    if (m_aborted)
        return;
    m_waiting.emplace(index, std::move(frame));
    m_changed.notify_all();
}

void MovieEncodeQueue::finish(std::uint64_t count)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_total = count;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_error.empty())
        throw std::runtime_error(m_error);
    if (m_next < count)
        throw std::runtime_error("Cannot write \"" + m_writer.getPath() + "\": " + std::to_string(m_next) + " of " +
                                 std::to_string(count) + " frames went in");
}

void MovieEncodeQueue::abort()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_aborted = true;
    m_waiting.clear();
    m_changed.notify_all();
}

} // namespace Vx::Render
