// The image I/O library (and OpenImageIO's some 260 libraries under it) is loaded only by runs
// that read or write image files, the movie library only by runs that write a movie: the dynamic
// loader's own account of what it loads (LD_DEBUG=libs).
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

TEST(LazyImageIO, LoadedOnlyByRunsThatReadOrWriteFiles)
{
    ScratchFolder folder;
    struct Case
    {
        std::vector<std::string> args;
        bool loadsImageIO;
        bool loadsMovie;
    };
    const std::vector<std::string> plate = {"-q", "-f", "1-2", "--size", "64x48", "-s", "Text=<FrameNo>"};
    const Case cases[] = {
        {with(plate, {"--null-output"}), false, false},
        {{"--help"}, false, false},
        {with(plate, {"-o", "plate.####.png"}), true, false},
        {{"-q", "-f", "1-2", "-i", "plate.####.png", "-o", "out.####.exr"}, true, false},
        {with(plate, {"-o", "generated.mov"}), false, true},
    };
    // The loader writes its account to one file per process (the shell's and the program's).
    ScratchFolder debug;
    ASSERT_EQ(setenv("LD_DEBUG", "libs", 1), 0);
    ASSERT_EQ(setenv("LD_DEBUG_OUTPUT", debug.file("loader").c_str(), 1), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult result = runRender(folder, c.args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::string loaded;
        for (const std::string& name : debug.listNames()) {
            loaded += contents(debug.file(name));
            std::filesystem::remove(debug.file(name));
        }
        EXPECT_NE(loaded.find("libvxhost.so"), std::string::npos);
        EXPECT_EQ(loaded.find("libkestrin_render_io.so") != std::string::npos, c.loadsImageIO);
        EXPECT_EQ(loaded.find("libOpenImageIO.so") != std::string::npos, c.loadsImageIO);
        EXPECT_EQ(loaded.find("libkestrin_render_movie.so") != std::string::npos, c.loadsMovie);
    }
    unsetenv("LD_DEBUG");
    unsetenv("LD_DEBUG_OUTPUT");
    EXPECT_EQ(folder.listNames(), (std::vector<std::string>{"generated.mov", "out.0001.exr", "out.0002.exr",
                                                            "plate.0001.png", "plate.0002.png"}));
}
