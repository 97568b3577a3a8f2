// The safety of kestrin-render's building blocks: the exclusive temporary file every frame is
// written through, symbolic links planted where a writer could write, ranges of 64-bit frame
// numbers that are never listed, the limits of frames and memory, and the frame scheduler when a
// thread cannot start or a stop is asked for.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include <gtest/gtest.h>

#include "common/ExpectThrowMessage.h"

#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameScheduler.h>
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/RenderLimits.h>
#include <Vx/Render/TemporaryFile.h>

#include "RenderTestUtil.h"

using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(TemporaryFile, CreatedExclusivelyUnderAnUnguessableNameAndRenamedWhole)
{
    ScratchFolder folder;
    const std::string destination = folder.file("comp.json");
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        TemporaryFile file(destination);
        const std::string name = fs::path(file.getPath()).filename().string();
        EXPECT_EQ(name.rfind(".comp.tmp-", 0), 0u) << name;
        EXPECT_EQ(fs::path(name).extension(), ".json");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);            // random names, none reused
    EXPECT_TRUE(folder.listNames().empty()); // each removed when left uncommitted

    const mode_t mask = ::umask(022);
    {
        TemporaryFile file(destination);
        file.write("{}\n", 3);
        file.commit();
    }
    ::umask(mask);
    EXPECT_EQ(contents(destination), "{}\n");
    EXPECT_EQ(fs::status(destination).permissions(), fs::perms(0644)); // as any file the user makes
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{"comp.json"});

    EXPECT_THROW_MESSAGE(TemporaryFile(folder.file("missing/comp.json")), TemporaryFileError,
                         "Cannot write \"" + folder.file("missing/comp.json") +
                             "\": cannot create a file in the folder \"" + folder.file("missing") +
                             "\": No such file or directory");
}

TEST(FrameWriter, PlantedLinksAreNeverFollowed)
{
    ScratchFolder folder;
    ScratchFolder outside;
    const std::string victim = outside.file("victim.txt");
    std::ofstream(victim) << "precious";
    fs::create_directory(folder.file("out"));
    // Links at every name the writer used to pick (pid and a counter), and at the destination.
    for (int n = 0; n < 64; ++n)
        fs::create_symlink(
            victim, folder.file("out/.f.0001.tmp-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".png"));
    fs::create_symlink(victim, folder.file("out/f.0001.png"));
    OIIO::ImageBuf image(OIIO::ImageSpec(8, 4, 4, OIIO::TypeFloat));
    FrameWriter().write(folder.file("out/f.0001.png"), image);
    EXPECT_EQ(contents(victim), "precious");
    // The link at the destination was replaced by the frame, not written through.
    EXPECT_FALSE(fs::is_symlink(folder.file("out/f.0001.png")));
    EXPECT_EQ(readImage(folder.file("out/f.0001.png")).width, 8);
}

TEST(FrameRange, BillionsOfFramesAreVisitedByIndexNotListed)
{
    const FrameRange range = FrameRange::parse("5,1-999999999999x2,-3");
    EXPECT_EQ(range.size(), 1u + 500000000000u + 1u);
    EXPECT_EQ(range.at(0), 5);
    EXPECT_EQ(range.at(1), 1);
    EXPECT_EQ(range.at(500000000000u), 999999999999);
    EXPECT_EQ(range.last(), -3);
    EXPECT_EQ(range.lowest(), -3);
    EXPECT_EQ(range.highest(), 999999999999);
    EXPECT_TRUE(range.contains(2147483649));
    EXPECT_FALSE(range.contains(2147483648));
    EXPECT_EQ(FrameRange::fromTo(2147483647, 2147483650).at(3), 2147483650);
    EXPECT_THROW_MESSAGE(FrameRange::fromTo(1, 1000000000000), std::invalid_argument,
                         "Invalid range \"1-1000000000000\": frame numbers go from -999999999999 to 999999999999");

    // Patterns that cannot meet are told apart without visiting the trillion frames; the same
    // files are found at the first frame.
    ScratchFolder folder;
    const FrameRange all = FrameRange::parse("1-999999999999");
    const FramePattern input(folder.file("in.####.exr"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(FrameWriter::checkNoOverwrite(input, all, FramePattern(folder.file("out.####.exr")), all));
    EXPECT_NO_THROW(FrameWriter::checkNoOverwrite(input, all, FramePattern(folder.file("in.####.dpx")), all));
    EXPECT_THROW(FrameWriter::checkNoOverwrite(input, all, FramePattern(folder.file("in.%04d.exr")), all),
                 std::runtime_error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(RenderLimits, FramesBeyondThePixelsOrTheMemoryAreRefused)
{
    const std::uint64_t gib = std::uint64_t(1) << 30;
    EXPECT_EQ(RenderLimits::checkFrame(3840, 2160, 4, 16 * gib), "");
    EXPECT_EQ(RenderLimits::checkFrame(65536, 32769, 0, 1u << 31),
              "the frame is 65536x32769 (2147549184 pixels): at most 2147483648 pixels are rendered");
    EXPECT_EQ(RenderLimits::checkFrame(40000, 40000, 4, 24 * gib),
              "the frame is 40000x40000, which needs about 79345 MiB to render and write: more than the 24576 MiB of "
              "memory available");
    // 3840x2160 with RGBA input: 52 bytes a pixel, 431 MB a frame.
    EXPECT_EQ(RenderLimits::getFrameBytes(3840, 2160, 4), 3840u * 2160u * 52u);
    EXPECT_EQ(RenderLimits::getFramesInFlight(8, 431 * 1000 * 1000, gib), 2u);
    EXPECT_EQ(RenderLimits::getFramesInFlight(8, 431 * 1000 * 1000, 16 * gib), 8u);
    EXPECT_EQ(RenderLimits::getFramesInFlight(8, 431 * 1000 * 1000, 1), 1u);
}

TEST(FrameScheduler, AThreadThatCannotStartStopsTheRunAfterJoiningTheOthers)
{
    const FrameRange frames = FrameRange::parse("1-1000");
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    const auto renderFrame = [&](std::int64_t, std::size_t) {
        ++started;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++finished;
    };
    int starts = 0;
    const FrameRunOutcome outcome =
        FrameScheduler::run(frames, 4, renderFrame, {}, {}, [&](std::function<void()> body) {
            if (++starts == 3)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(body));
        });
    EXPECT_EQ(outcome.threadError, "Cannot start worker thread 4 of 4: Resource temporarily unavailable (the "
                                   "system's limit of threads; see --threads)");
    EXPECT_FALSE(outcome.failure);
    // Every frame that started finished before run() returned, and the run stopped early.
    EXPECT_EQ(started.load(), finished.load());
    EXPECT_EQ(outcome.framesDone, std::uint64_t(finished.load()));
    EXPECT_LT(outcome.framesDone, 1000u);

    // A stop asked for after 10 frames: no frame starts after it.
    std::atomic<int> done{0};
    const FrameRunOutcome interrupted = FrameScheduler::run(
        frames, 2, [](std::int64_t, std::size_t) {}, [&] { ++done; }, [&] { return done.load() >= 10; });
    EXPECT_TRUE(interrupted.stopped);
    EXPECT_GE(interrupted.framesDone, 10u);
    EXPECT_LE(interrupted.framesDone, 11u);
}
