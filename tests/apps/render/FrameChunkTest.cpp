// A farm task's chunk of the frames (--chunk K/N, --chunk slurm) and the lines of the frame log.
#include <Vx/Render/FrameChunk.h>
#include <Vx/Render/FrameLog.h>
#include <Vx/Render/FrameRange.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/ExpectThrowMessage.h"

using Vx::Render::FrameChunk;
using Vx::Render::FrameLog;
using Vx::Render::FrameRange;

namespace {

std::vector<std::int64_t> listed(const FrameRange& range)
{
    std::vector<std::int64_t> frames;
    for (std::uint64_t i = 0; i < range.size(); ++i)
        frames.push_back(range.at(i));
    return frames;
}

} // namespace

// Every way of cutting 1 to 10 frames into 1 to 12 chunks, and selections with steps, lists and
// repeats: the chunks, one after the other, give the selection back exactly (no gap, no overlap,
// same order), their sizes differ by at most one frame, and a chunk is empty only when there are
// fewer frames than chunks. Selections are cut by position, not by frame number.
TEST(FrameChunk, ChunksCoverTheSelectionOnceInOrder)
{
    std::vector<std::string> selections = {"1-9x2,100", "5,5,5", "1-3x2,500-540x10,-3", "-5--1,10-12x2"};
    for (int total = 1; total <= 10; ++total)
        selections.push_back("1001-" + std::to_string(1000 + total));
    for (const std::string& text : selections) {
        const FrameRange selection = FrameRange::parse(text);
        for (std::uint64_t n = 1; n <= 12; ++n) {
            std::vector<std::int64_t> joined;
            std::uint64_t smallest = selection.size();
            std::uint64_t largest = 0;
            for (std::uint64_t k = 1; k <= n; ++k) {
                const std::optional<FrameRange> chunk = FrameChunk(k, n).select(selection);
                const std::uint64_t size = chunk ? chunk->size() : 0;
                smallest = std::min(smallest, size);
                largest = std::max(largest, size);
                if (!chunk)
                    continue;
                const std::vector<std::int64_t> frames = listed(*chunk);
                // The chunk's text names its frames: parsed back, it lists the same ones.
                EXPECT_EQ(listed(FrameRange::parse(chunk->text())), frames) << chunk->text();
                joined.insert(joined.end(), frames.begin(), frames.end());
            }
            EXPECT_EQ(joined, listed(selection)) << text << " in " << n << " chunks";
            EXPECT_LE(largest - smallest, 1u) << text << " in " << n << " chunks";
            EXPECT_EQ(smallest == 0, n > selection.size()) << text << " in " << n << " chunks";
        }
    }
}

TEST(FrameChunk, ChunksOfExampleSelections)
{
    struct Case
    {
        const char* frames;
        const char* chunk;
        const char* expected; // the chunk's frames, "" for an empty chunk
    };
    const std::vector<Case> cases = {
        {"1-10", "1/3", "1-4"},
        {"1-10", "3/3", "8-10"},
        {"1-9x2,100", "2/2", "7-9x2,100"},
        {"1-3", "4/8", ""},
        // 64-bit frames and a count too large to list: chunked by arithmetic, never listed.
        {"-999999999999-999999999999", "2/2", "1-999999999999"},
        {"1-999999999999", "999999999999/999999999999", "999999999999"},
    };
    for (const Case& c : cases) {
        const std::optional<FrameRange> chunk = FrameChunk::parse(c.chunk).select(FrameRange::parse(c.frames));
        EXPECT_EQ(chunk ? chunk->text() : std::string(), c.expected) << c.chunk << " of " << c.frames;
    }
}

TEST(FrameChunk, BadChunksNameTheValueAndWhatIsAllowed)
{
    const std::string allowed = "use K/N, the K-th of N chunks (K from 1 to N, e.g. 2/4), or \"slurm\"";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0/4", "--chunk: \"0/4\": the chunk must be from 1 to 4"},
        {"5/4", "--chunk: \"5/4\": the chunk must be from 1 to 4"},
        {"1/0", "--chunk: \"1/0\": the number of chunks must be from 1 to 999999999999"},
        {"1/1000000000000", "--chunk: \"1/1000000000000\": the number of chunks must be from 1 to 999999999999"},
        {"abc", "--chunk: \"abc\" is not a chunk: " + allowed},
        {"", "--chunk: \"\" is not a chunk: " + allowed},
        {"2", "--chunk: \"2\" is not a chunk: " + allowed},
        {"-1/4", "--chunk: \"-1/4\" is not a chunk: " + allowed},
        {"1/4/2", "--chunk: \"1/4/2\" is not a chunk: " + allowed},
        {" 1/4", "--chunk: \" 1/4\" is not a chunk: " + allowed},
        {"1/99999999999999999999", "--chunk: \"1/99999999999999999999\" is not a chunk: " + allowed},
        {"Slurm", "--chunk: \"Slurm\" is not a chunk: " + allowed},
    };
    for (const auto& [text, message] : cases)
        EXPECT_THROW_MESSAGE(FrameChunk::parse(text), std::invalid_argument, message);
}

// --chunk slurm: the task's place in a plain array of ids, from 0 or from 1; anything else is
// refused with the variable or the ids at fault.
TEST(FrameChunk, SlurmArrayTasks)
{
    const char* const names[4] = {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_MIN",
                                  "SLURM_ARRAY_TASK_MAX"};
    const std::string notSet = " which is not set: run it as a task of a Slurm job array (sbatch --array)";
    const std::string notPlain = "--chunk: \"slurm\": the job array's task ids are not one plain range ";
    const std::string submit = "submit it with --array=FIRST-LAST, or give --chunk K/N";
    struct Case
    {
        std::array<const char*, 4> env; // in the order of `names`; nullptr: not set
        std::string expected;           // "K/N", or the error
    };
    const std::vector<Case> cases = {
        {{"0", "4", "0", "3"}, "1/4"},
        {{"4", "4", "1", "4"}, "4/4"},
        {{"12", "3", "10", "12"}, "3/3"},
        {{nullptr, nullptr, nullptr, nullptr}, "--chunk: \"slurm\" needs SLURM_ARRAY_TASK_ID," + notSet},
        {{"1", nullptr, "1", "4"}, "--chunk: \"slurm\" needs SLURM_ARRAY_TASK_COUNT," + notSet},
        {{"x1", "4", "1", "4"}, "--chunk: \"slurm\": SLURM_ARRAY_TASK_ID is \"x1\", not a task number"},
        // --array=1-7:2 (ids 1 3 5 7) and --array=1,2,9: the place of a task cannot follow from its id.
        {{"3", "4", "1", "7"}, notPlain + "(ids 1 to 7, 4 tasks, this one 3): " + submit},
        {{"9", "3", "1", "9"}, notPlain + "(ids 1 to 9, 3 tasks, this one 9): " + submit},
    };
    for (const Case& c : cases) {
        const FrameChunk::Environment environment = [&](const std::string& name) -> std::optional<std::string> {
            for (int i = 0; i < 4; ++i)
                if (name == names[i] && c.env[std::size_t(i)])
                    return std::string(c.env[std::size_t(i)]);
            return std::nullopt;
        };
        std::string outcome;
        try {
            outcome = FrameChunk::parse("slurm", environment).describe();
        } catch (const std::invalid_argument& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, c.expected);
    }
}

TEST(FrameLog, LinesAreOneJsonObjectWithTheFieldsInOrder)
{
    struct Case
    {
        std::int64_t frame;
        std::optional<std::string> output;
        double seconds;
        FrameLog::Status status;
        std::optional<std::string> error;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {1001, "out/sh010.1001.exr", 0.41249, FrameLog::Status::Written, std::nullopt,
         R"({"frame":1001,"output":"out/sh010.1001.exr","seconds":0.412,"status":"written","error":null})"},
        {-999999999999, "a \"b\"\n.png", 0.0, FrameLog::Status::Skipped, std::nullopt,
         R"({"frame":-999999999999,"output":"a \"b\"\n.png","seconds":0.0,"status":"skipped","error":null})"},
        {7, std::nullopt, 2.5, FrameLog::Status::Rendered, std::nullopt,
         R"({"frame":7,"output":null,"seconds":2.5,"status":"rendered","error":null})"},
        {8, "x\xE9.exr", 1.0, FrameLog::Status::Failed, "Cannot write \"x\": No space left on device",
         "{\"frame\":8,\"output\":\"x\xEF\xBF\xBD.exr\",\"seconds\":1.0,\"status\":\"failed\",\"error\":\"Cannot "
         "write \\\"x\\\": No space left on device\"}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameLog::formatLine(c.frame, c.output, c.seconds, c.status, c.error), c.expected);
}
