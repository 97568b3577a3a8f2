// Files written under an unpredictable temporary name, created exclusively, renamed into place.
#include <Vx/Render/TemporaryFile.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace Vx::Render {

namespace {

namespace fs = std::filesystem;

// How many names are tried before giving up: a clash of 64 random bits means something is
// planting files as fast as we try, or the folder refuses new files for a reason EEXIST hides.
constexpr int kAttempts = 64;

// 12 characters of 36, 62 bits, from the system's random source (std::random_device reads it:
// getrandom or /dev/urandom), not from anything another process could know (pid, time, counter).
std::string randomSuffix()
{
    static thread_local std::random_device source;
    std::uint64_t bits = (std::uint64_t(source()) << 32) | source();
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (int i = 0; i < 12; ++i, bits /= 36)
        suffix += kDigits[bits % 36];
    return suffix;
}

} // namespace

TemporaryFile::TemporaryFile(const std::string& destination) : m_destination(destination)
{
    const fs::path target(destination);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = "." + target.stem().string() + ".tmp-" + randomSuffix() + target.extension().string();
        const std::string path = (folder / name).string();
        // O_EXCL: the name must not exist at all, a dangling symbolic link included; O_NOFOLLOW
        // says the same for systems that would otherwise follow a link with O_CREAT.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_path = path;
            return;
        }
        if (errno != EEXIST && errno != ELOOP)
            fail("cannot create a file in the folder \"" + folder.string() + "\": " + std::strerror(errno));
    }
    fail("cannot create a file in the folder \"" + folder.string() + "\": every temporary name tried exists");
}

TemporaryFile::~TemporaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_path.empty())
        ::unlink(m_path.c_str());
}

void TemporaryFile::fail(const std::string& reason) const
{
    throw TemporaryFileError(m_destination, reason);
}

void TemporaryFile::write(const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(std::strerror(errno));
        if (n == 0)
            fail(std::strerror(ENOSPC));
        p += n;
        size -= std::size_t(n);
    }
}

void TemporaryFile::commit()
{
    if (::fsync(m_fd) != 0)
        fail(std::strerror(errno));
    const int fd = m_fd;
    m_fd = -1;
    // close() may report a deferred write error (NFS); the file is not to be trusted then.
    if (::close(fd) != 0)
        fail(std::strerror(errno));
    if (::rename(m_path.c_str(), m_destination.c_str()) != 0)
        fail(std::strerror(errno));
    m_committed = true;
    // The rename lives in the folder: flushing it makes the new name survive a crash. A folder
    // that cannot be opened or flushed (some network file systems) leaves the frame written.
    const fs::path target(m_destination);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace Vx::Render
