// kestrin-render end to end against a hostile user: inputs it must refuse before rendering (with
// the option, the value and what is allowed, and the exit code), a disk that fills up, stop
// signals, frame numbers past 2^31 and an input frame of another size. Each run is the built
// program in a scratch folder, started with fork/exec so that a signal can reach it.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

struct RenderRun
{
    pid_t pid = -1;
    std::string errPath;
};

RenderRun startRender(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    RenderRun run{-1, folder.file("stderr.txt")};
    std::vector<char*> argv{const_cast<char*>(KESTRIN_RENDER_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    run.pid = ::fork();
    if (run.pid == 0) {
        const int err = ::open(run.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        if (::chdir(folder.path().c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return run;
}

RunResult finish(const RenderRun& run)
{
    int status = 0;
    ::waitpid(run.pid, &status, 0);
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = contents(run.errPath);
    fs::remove(run.errPath);
    return result;
}

std::vector<std::string> temporaries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

/// Opaque RGBA noise: PNG cannot compress it, so every frame costs its full 4 bytes a pixel.
TestImage noise(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    return makeImage(width, height, 4, [&](int, int, int c) { return c == 3 ? 1.0f : float(random() % 256) / 255.0f; });
}

} // namespace

TEST(RenderLimits, RefusedBeforeRenderingWithOptionValueAndWhatIsAllowed)
{
    ScratchFolder folder;
    // A 393-byte EXR whose display window is 60000x60000 pixels.
    OIIO::ImageSpec huge(1, 1, 4, OIIO::TypeFloat);
    huge.full_width = huge.full_height = 60000;
    const float pixel[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const auto out = OIIO::ImageOutput::create("openexr");
    ASSERT_TRUE(out->open(folder.file("big.0001.exr"), huge) && out->write_image(OIIO::TypeFloat, pixel) &&
                out->close());
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"--size", "60000x60000", "-o", "a.####.png"},
         2,
         "--size 60000x60000: the frame is 60000x60000 (3600000000 pixels): at most 2147483648 pixels are rendered"},
        {{"-i", "big.####.exr", "-o", "a.####.exr", "-f", "1"},
         1,
         "Input frame 1 \"big.0001.exr\": the frame is 60000x60000 (3600000000 pixels): at most 2147483648 pixels "
         "are rendered"},
        {{"--threads", "100000", "-o", "a.####.png"},
         2,
         "--threads: \"100000\" is not a thread count: use a whole number from 0 (one per core) to 256"},
        {{"-o", "a.%060d.png"},
         2,
         "--output: Output pattern \"a.%060d.png\" pads frame numbers to 60 digits: at most 13 are allowed (a frame "
         "number has up to 12 digits and a sign)"},
        // --save is checked before the first frame: no frame is written.
        {{"-f", "1-3", "--size", "64x36", "-o", "a.####.png", "--save", "missing/comp.json"},
         2,
         "--save \"missing/comp.json\": the file cannot be written: cannot create a file in the folder \"missing\": "
         "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const auto start = std::chrono::steady_clock::now();
        const RunResult result = runRender(folder, c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.err, "kestrin-render: " + c.message + "\n");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{"big.0001.exr"});
}

TEST(RenderLimits, AFullDiskFailsNamingTheFrameAndKeepsTheGoodFrames)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    ScratchFolder folder;
    fs::create_directory(folder.file("disk"));
    if (::mount("tmpfs", folder.file("disk").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    struct Unmount
    {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{folder.file("disk")};
    OIIO::ImageSpec png(320, 256, 4, OIIO::TypeDesc::UINT8);
    std::vector<std::string> good;
    for (int frame = 1; frame <= 3; ++frame) {
        writeImage(folder.file("plate.000" + std::to_string(frame) + ".png"), noise(320, 256, unsigned(frame)), png);
        // Three good frames of 320 KiB fill most of the megabyte: a fourth does not fit.
        writeImage(folder.file("disk/o.000" + std::to_string(frame) + ".png"), noise(320, 256, 10u + unsigned(frame)),
                   png);
        good.push_back(contents(folder.file("disk/o.000" + std::to_string(frame) + ".png")));
    }
    for (const std::string format : {"png", "exr", "tif"}) {
        SCOPED_TRACE(format);
        const RunResult result = runRender(folder, {"-q", "--threads", "1", "-i", "plate.####.png", "-f", "1-3", "-o",
                                                    "disk/o.####." + format, "-s", "Text=<FrameNo>"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err,
                  "kestrin-render: frame 1: Cannot write \"disk/o.0001." + format + "\": No space left on device\n");
        EXPECT_EQ(temporaries(folder.file("disk")), std::vector<std::string>{});
    }
    for (int frame = 1; frame <= 3; ++frame)
        EXPECT_TRUE(contents(folder.file("disk/o.000" + std::to_string(frame) + ".png")) == good[frame - 1]) << frame;
}

TEST(RenderLimits, StopSignalsFinishTheFramesUnderWayAndLeaveNoTemporaryFile)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ScratchFolder folder;
        // Long enough that it is still running when the signal comes; each frame takes a while.
        const RenderRun run = startRender(folder, {"-q", "--threads", "2", "--size", "640x360", "-f", "1-999999999999",
                                                   "--zip-level", "9", "-s", "Text=<FrameNo>", "-o", "s.####.png"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        const auto written = [&] {
            std::vector<std::string> frames;
            for (const std::string& name : folder.listNames())
                if (name.rfind("s.", 0) == 0)
                    frames.push_back(name);
            return frames;
        };
        while (written().size() < 3 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(run.pid, signal);
        const RunResult result = finish(run);
        EXPECT_EQ(result.exitCode, 128 + signal) << result.err;
        const std::string signalName = signal == SIGINT ? "SIGINT" : "SIGTERM";
        EXPECT_EQ(result.err.rfind("kestrin-render: stopped by " + signalName + " after ", 0), 0u) << result.err;
        EXPECT_EQ(temporaries(folder.path()), std::vector<std::string>{});
        const std::vector<std::string> names = written();
        EXPECT_EQ(folder.listNames().size(), names.size());
        EXPECT_GE(names.size(), 3u);
        for (const std::string& name : names) {
            OIIO::ImageSpec spec;
            const TestImage image = readImage(folder.file(name), &spec);
            EXPECT_EQ(image.width * image.height, 640 * 360) << name;
        }
    }
}

TEST(RenderLimits, AnInputFrameOfAnotherSizeIsReportedOnce)
{
    ScratchFolder folder;
    OIIO::ImageSpec png(32, 16, 4, OIIO::TypeDesc::UINT8);
    for (int frame = 1; frame <= 4; ++frame)
        writeImage(folder.file("p.000" + std::to_string(frame) + ".png"), noise(frame % 2 ? 32 : 48, 16, 1u), png);
    const RunResult result = runRender(folder, {"-q", "--threads", "1", "-i", "p.####.png", "-o", "o.####.png"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "kestrin-render: warning: frame 2 \"p.0002.png\" is 48x16, the sequence is 32x16 (frame 1): "
                          "it is placed at the top left, the rest transparent black; other frames of another size "
                          "are not reported\n");
    EXPECT_EQ(readImage(folder.file("o.0002.png")).width, 32);
}
