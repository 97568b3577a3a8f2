// A file written under a temporary name beside its destination and renamed over it only once it is
// complete: the way every file kestrin-render writes (frames, saved compositions) reaches its name.
//
//   TemporaryFile file("out/sh010.1001.exr");   // creates out/.sh010.1001.tmp-<random>.exr
//   ... write through file.getDescriptor() ...
//   file.commit();   // fsync, close, rename over the destination, fsync the folder
//   (leaving scope without commit() closes and removes the temporary file; the destination stays)
//
// The temporary name is hidden, keeps the destination's extension, and carries a random suffix
// drawn from the system's random source, so that nobody can guess it ahead of the write. The file
// is created with O_CREAT | O_EXCL | O_NOFOLLOW: if anything already has that name, a file or a
// symbolic link planted there, the creation fails and another name is tried; an existing file
// is never opened, and a link is never followed to a file outside the folder. Everything written
// goes through the descriptor of the file created here, never through its name again, so the name
// cannot be swapped for something else between creation and writing. The file is created with
// mode 0666 less the umask, as any file the user creates.
//
// Errors are TemporaryFileError (a std::runtime_error) "Cannot write "<destination>": <reason>", the reason being the
// system's (strerror). One object per file; objects on different threads are independent.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace Vx::Render {

/// The error of a TemporaryFile: what() is the whole message, getReason() the reason alone.
class TemporaryFileError : public std::runtime_error
{
public:
    TemporaryFileError(const std::string& destination, const std::string& reason)
        : std::runtime_error("Cannot write \"" + destination + "\": " + reason), m_reason(reason)
    {
    }
    const std::string& getReason() const { return m_reason; }

private:
    std::string m_reason;
};

class TemporaryFile
{
public:
    /// Creates the temporary file for `destination` in the destination's folder (the current
    /// folder for a bare name). Throws std::runtime_error naming the destination and the reason
    /// when no file can be created there.
    explicit TemporaryFile(const std::string& destination);
    /// Removes the temporary file unless commit() succeeded.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    /// The open descriptor of the temporary file (read and write), owned by this object.
    int getDescriptor() const { return m_fd; }
    /// The temporary file's path, for messages; nothing should open it by this name.
    const std::string& getPath() const { return m_path; }
    const std::string& getDestination() const { return m_destination; }

    /// Writes all of `size` bytes at the current position. Throws on a write error (ENOSPC...).
    void write(const void* data, std::size_t size);
    /// Flushes the file to storage, closes it, renames it over the destination and flushes the
    /// folder, so that the new name survives a crash. Throws, leaving the destination as it was,
    /// when any of these fails (a full disk shows here when nothing reported it before).
    void commit();
    /// Throws TemporaryFileError "Cannot write "<destination>": <reason>".
    [[noreturn]] void fail(const std::string& reason) const;

private:
    std::string m_destination;
    std::string m_path;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace Vx::Render
