// The frame log of --log.
#include <Vx/Render/FrameLog.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace Vx::Render {

namespace {

const char* statusName(FrameLog::Status status)
{
    switch (status) {
    case FrameLog::Status::Written:
        return "written";
    case FrameLog::Status::Skipped:
        return "skipped";
    case FrameLog::Status::Rendered:
        return "rendered";
    case FrameLog::Status::Failed:
        return "failed";
    }
    return "failed";
}

} // namespace

FrameLog::FrameLog(const std::string& path) : m_path(path)
{
    if (path == "-") {
        m_fd = STDOUT_FILENO;
        return;
    }
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw std::runtime_error("--log \"" + path + "\": " + std::strerror(errno));
    m_owned = true;
}

FrameLog::~FrameLog()
{
    if (m_owned)
        ::close(m_fd);
}

std::string FrameLog::formatLine(std::int64_t frame, const std::optional<std::string>& output, double seconds,
                                 Status status, const std::optional<std::string>& error)
{
    nlohmann::ordered_json line;
    line["frame"] = frame;
    line["output"] = output ? nlohmann::ordered_json(*output) : nlohmann::ordered_json(nullptr);
    // Milliseconds are as fine as a dashboard shows.
    line["seconds"] = std::round(seconds * 1000.0) / 1000.0;
    line["status"] = statusName(status);
    line["error"] = error ? nlohmann::ordered_json(*error) : nlohmann::ordered_json(nullptr);
    // A path or a message that is not UTF-8 is logged with U+FFFD in place of its bad bytes.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void FrameLog::log(std::int64_t frame, const std::optional<std::string>& output, double seconds, Status status,
                   const std::optional<std::string>& error)
{
    const std::string line = formatLine(frame, output, seconds, status, error) + "\n";
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(m_fd, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("--log \"" + m_path + "\": " + std::strerror(n < 0 ? errno : EIO));
        written += std::size_t(n);
    }
}

} // namespace Vx::Render
