// One task's share of a render farm's frames: --chunk K/N renders the K-th of N contiguous chunks
// of the frames selected (by -f, or the composition's range).
//
// Chunks are taken by position in the selection, not by frame number: "1-9x2,100" in 2 chunks is
// "1-5" (1 3 5) and "7-9x2,100" (7 9 100). Their sizes differ by at most one frame, the larger
// ones first; every frame of the selection is in exactly one chunk. When there are fewer frames
// than chunks, the last chunks are empty (a task with nothing to do, which succeeds).
//
// `--chunk slurm` takes K and N from a Slurm job array task's environment: K is the task's place
// in the array (SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN + 1), N is SLURM_ARRAY_TASK_COUNT; the
// array must be a plain range of ids (`--array=1-4` or `--array=0-3`, no step, no list).
// Values only; parsed on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <Vx/Render/FrameRange.h>

namespace Vx::Render {

class FrameChunk
{
public:
    /// Reads an environment variable: its value, or nothing when it is not set.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    /// The largest chunk count (and chunk number) accepted.
    static constexpr std::uint64_t kMaxChunks = 999'999'999'999;

    /// Parses "K/N" (whole numbers, 1 <= K <= N <= kMaxChunks) or "slurm" (read from `environment`,
    /// the process's environment when empty). Throws std::invalid_argument with a message that
    /// starts with "--chunk: " and names the value at fault and what is allowed.
    static FrameChunk parse(const std::string& text, const Environment& environment = {});

    /// The K-th of N chunks.
    FrameChunk(std::uint64_t index, std::uint64_t count) : m_index(index), m_count(count) {}

    std::uint64_t getIndex() const { return m_index; } ///< K, from 1
    std::uint64_t getCount() const { return m_count; } ///< N

    /// Where this chunk starts among `total` frames (an index from 0) and how many frames it holds.
    std::uint64_t getBegin(std::uint64_t total) const;
    std::uint64_t getSize(std::uint64_t total) const;

    /// This chunk's frames of `frames`; nothing when the chunk is empty.
    std::optional<FrameRange> select(const FrameRange& frames) const;

    /// "2/4", as typed.
    std::string describe() const;

private:
    std::uint64_t m_index;
    std::uint64_t m_count;
};

} // namespace Vx::Render
