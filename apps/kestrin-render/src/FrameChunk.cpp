// A task's chunk of the frames.
#include <Vx/Render/FrameChunk.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <stdexcept>

namespace Vx::Render {

namespace {

const char* const kAllowed = "use K/N, the K-th of N chunks (K from 1 to N, e.g. 2/4), or \"slurm\"";

std::optional<std::string> processEnvironment(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// A Slurm variable as a whole number; absent or not a number is an error naming it.
std::uint64_t slurmNumber(const FrameChunk::Environment& environment, const std::string& name)
{
    const std::optional<std::string> value = environment(name);
    if (!value)
        throw std::invalid_argument("--chunk: \"slurm\" needs " + name +
                                    ", which is not set: run it as a task of a Slurm job array (sbatch --array)");
    static const std::regex number(R"(\d{1,12})");
    if (!std::regex_match(*value, number))
        throw std::invalid_argument("--chunk: \"slurm\": " + name + " is \"" + *value + "\", not a task number");
    return std::stoull(*value);
}

FrameChunk fromSlurm(const FrameChunk::Environment& environment)
{
    const std::uint64_t id = slurmNumber(environment, "SLURM_ARRAY_TASK_ID");
    const std::uint64_t count = slurmNumber(environment, "SLURM_ARRAY_TASK_COUNT");
    const std::uint64_t min = slurmNumber(environment, "SLURM_ARRAY_TASK_MIN");
    const std::uint64_t max = slurmNumber(environment, "SLURM_ARRAY_TASK_MAX");
    // A stepped array or a list of ids has holes: the task's place would not follow from its id.
    if (max < min || max - min + 1 != count || id < min || id > max)
        throw std::invalid_argument("--chunk: \"slurm\": the job array's task ids are not one plain range (ids " +
                                    std::to_string(min) + " to " + std::to_string(max) + ", " + std::to_string(count) +
                                    " tasks, this one " + std::to_string(id) +
                                    "): submit it with --array=FIRST-LAST, or give --chunk K/N");
    return FrameChunk(id - min + 1, count);
}

} // namespace

FrameChunk FrameChunk::parse(const std::string& text, const Environment& environment)
{
    if (text == "slurm")
        return fromSlurm(environment ? environment : Environment(processEnvironment));
    static const std::regex pattern(R"((\d{1,15})/(\d{1,15}))");
    std::smatch m;
    if (!std::regex_match(text, m, pattern))
        throw std::invalid_argument("--chunk: \"" + text + "\" is not a chunk: " + kAllowed);
    const std::uint64_t index = std::stoull(m[1]);
    const std::uint64_t count = std::stoull(m[2]);
    const std::string prefix = "--chunk: \"" + text + "\": ";
    if (count == 0 || count > kMaxChunks)
        throw std::invalid_argument(prefix + "the number of chunks must be from 1 to " + std::to_string(kMaxChunks));
    if (index == 0 || index > count)
        throw std::invalid_argument(prefix + "the chunk must be from 1 to " + std::to_string(count));
    return FrameChunk(index, count);
}

std::uint64_t FrameChunk::getBegin(std::uint64_t total) const
{
    // The first total % N chunks hold one frame more; no product of two large numbers is formed.
    const std::uint64_t k = m_index - 1;
    return k * (total / m_count) + std::min(k, total % m_count);
}

std::uint64_t FrameChunk::getSize(std::uint64_t total) const
{
    return total / m_count + (m_index - 1 < total % m_count ? 1 : 0);
}

std::optional<FrameRange> FrameChunk::select(const FrameRange& frames) const
{
    const std::uint64_t size = getSize(frames.size());
    if (size == 0)
        return std::nullopt;
    return frames.slice(getBegin(frames.size()), size);
}

std::string FrameChunk::describe() const
{
    return std::to_string(m_index) + "/" + std::to_string(m_count);
}

} // namespace Vx::Render
