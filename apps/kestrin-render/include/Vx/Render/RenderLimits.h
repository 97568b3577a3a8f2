// The limits kestrin-render renders within, checked before the first frame so that a run that
// cannot fit fails at once with a message, not after hours or with a crash.
//
//   threads            at most kMaxThreads (--threads), 0 meaning one per core
//   a frame            at most kMaxFramePixels pixels (2^31: 32 GiB as float RGBA), and no more
//                      memory than the machine gives the process (see getAvailableMemory)
//   frames under way   as many as --threads asks for, fewer when that many frames would not fit
//                      in the memory available (see getFramesInFlight); at least one
//
// A frame's memory is estimated from what one frame under way holds at once: the rendered frame
// (float RGBA, 16 bytes a pixel), the copy the writer converts it into (up to 16 bytes a pixel),
// and with an input sequence the decoded input (4 bytes a channel) and its 8-bit staging (1 byte
// a channel). Called on the main thread; the functions are pure but for getAvailableMemory, which
// asks the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Vx::Render {

/// An error of the command line or of the composition (exit code 2), as opposed to one of the run
/// (a file that cannot be read or written, exit code 1).
class UsageError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

struct RenderLimits
{
    static constexpr int kMaxThreads = 256;
    static constexpr std::int64_t kMaxFramePixels = std::int64_t(1) << 31;

    /// The bytes this process may use: the least of the physical memory, the address space and
    /// data limits (ulimit -v, -d) and the control group's memory.max, where they are set.
    static std::uint64_t getAvailableMemory();
    /// The bytes one frame under way needs at most (see above); `inputChannels` 0 without input.
    static std::uint64_t getFrameBytes(std::int64_t width, std::int64_t height, int inputChannels);
    /// How many of `wanted` frames fit in `memory` bytes at once, at least 1.
    static std::size_t getFramesInFlight(std::size_t wanted, std::uint64_t frameBytes, std::uint64_t memory);
    /// "" when a width x height frame fits both limits, else why not: "the frame is 60000x60000
    /// (3600000000 pixels): at most 2147483648 pixels are rendered".
    static std::string checkFrame(std::int64_t width, std::int64_t height, int inputChannels, std::uint64_t memory);
};

} // namespace Vx::Render
