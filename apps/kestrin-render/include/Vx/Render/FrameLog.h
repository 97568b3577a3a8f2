// The frame log of --log: one JSON object a line for every frame that finished, in the order the
// frames finish, for a render farm's dashboards and wranglers:
//
//   {"frame":1001,"output":"out/sh010.1001.exr","seconds":0.412,"status":"written","error":null}
//
// status is "written", "skipped" (--skip-existing found the frame's file), "rendered" (with
// --null-output, nothing written) or "failed" (error then holds the message); output is null with
// --null-output. A file is opened for appending, so that the attempts of a retried task follow
// one another in one log; "-" is the standard output.
//
// Each line is formatted whole and handed to the system in one write under a lock: frames that
// finish at once on several threads never mix their lines, and a log that other processes append
// to as well (O_APPEND) keeps whole lines. log() may be called from any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace Vx::Render {

class FrameLog
{
public:
    enum class Status
    {
        Written,
        Skipped,
        Rendered,
        Failed,
    };

    /// Opens `path` for appending (created with mode 0666 less the umask), or the standard output
    /// for "-". Throws std::runtime_error "--log "<path>": <reason>" when it cannot be opened.
    explicit FrameLog(const std::string& path);
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    /// Writes the line of one frame: `output` the file's path (nothing with --null-output),
    /// `seconds` the frame's wall time, `error` the message of a failed frame. Throws
    /// std::runtime_error naming the log when the system refuses the write.
    void log(std::int64_t frame, const std::optional<std::string>& output, double seconds, Status status,
             const std::optional<std::string>& error = std::nullopt);

    /// The line log() writes, without its line feed.
    static std::string formatLine(std::int64_t frame, const std::optional<std::string>& output, double seconds,
                                  Status status, const std::optional<std::string>& error);

private:
    std::string m_path;
    int m_fd = -1;
    bool m_owned = false;
    std::mutex m_mutex;
};

} // namespace Vx::Render
