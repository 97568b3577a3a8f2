// Limits of threads, frame sizes and memory.
#include <Vx/Render/RenderLimits.h>

#include <algorithm>
#include <fstream>
#include <limits>

#include <sys/resource.h>
#include <unistd.h>

namespace Vx::Render {

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

std::uint64_t resourceLimit(int resource)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnlimited;
    return std::uint64_t(limit.rlim_cur);
}

// The memory.max of the control group the process runs in (cgroup v2), when it sets one.
std::uint64_t controlGroupLimit()
{
    std::ifstream in("/sys/fs/cgroup/memory.max");
    std::uint64_t bytes = 0;
    if (in >> bytes)
        return bytes;
    return kUnlimited; // "max", or no such file
}

} // namespace

std::uint64_t RenderLimits::getAvailableMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    std::uint64_t memory = pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize) : kUnlimited;
    memory = std::min(memory, resourceLimit(RLIMIT_AS));
    memory = std::min(memory, resourceLimit(RLIMIT_DATA));
    return std::min(memory, controlGroupLimit());
}

std::uint64_t RenderLimits::getFrameBytes(std::int64_t width, std::int64_t height, int inputChannels)
{
    const std::uint64_t pixels =
        std::uint64_t(std::max<std::int64_t>(0, width)) * std::uint64_t(std::max<std::int64_t>(0, height));
    const std::uint64_t perPixel = 16 + 16 + 5 * std::uint64_t(std::max(0, inputChannels));
    return pixels * perPixel;
}

std::size_t RenderLimits::getFramesInFlight(std::size_t wanted, std::uint64_t frameBytes, std::uint64_t memory)
{
    if (frameBytes == 0)
        return std::max<std::size_t>(1, wanted);
    const std::uint64_t fit = memory / frameBytes;
    return std::size_t(std::clamp<std::uint64_t>(fit, 1, std::max<std::size_t>(1, wanted)));
}

std::string RenderLimits::checkFrame(std::int64_t width, std::int64_t height, int inputChannels, std::uint64_t memory)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels > std::uint64_t(kMaxFramePixels))
        return "the frame is " + size + " (" + std::to_string(pixels) + " pixels): at most " +
               std::to_string(kMaxFramePixels) + " pixels are rendered";
    const std::uint64_t bytes = getFrameBytes(width, height, inputChannels);
    if (bytes > memory)
        return "the frame is " + size + ", which needs about " + std::to_string(bytes / (1024 * 1024)) +
               " MiB to render and write: more than the " + std::to_string(memory / (1024 * 1024)) +
               " MiB of memory available";
    return {};
}

} // namespace Vx::Render
