// Running the built kestrin-render as a user runs it, from a test program that defines
// KESTRIN_RENDER_PATH (the CMake target's compile definition): exit code, output and errors.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderTestUtil.h"

namespace Vx::Render::test {

struct RunResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// Runs kestrin-render with `args` in `folder`; its output and errors are captured.
inline RunResult runRender(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    std::string command = "cd " + shellQuoted(folder.path()) + " && " + shellQuoted(KESTRIN_RENDER_PATH);
    for (const std::string& arg : args)
        command += " " + shellQuoted(arg);
    const std::string outFile = folder.file(".run.out");
    const std::string errFile = folder.file(".run.err");
    command += " >" + shellQuoted(outFile) + " 2>" + shellQuoted(errFile);
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = contents(outFile);
    result.err = contents(errFile);
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
    return result;
}

/// Runs and expects success, showing the errors when it fails.
inline void renderOk(const ScratchFolder& folder, const std::vector<std::string>& args)
{
    const RunResult result = runRender(folder, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

/// `a` followed by `b`: arguments shared by several runs, then each run's own.
inline std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// The file "STEM.####.png" names for `frame`.
inline std::string frameName(const std::string& stem, long long frame)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04lld", frame);
    return stem + "." + digits + ".png";
}

/// The pixels of the image `name` in `folder`, every channel as float.
inline std::vector<float> pixelsOf(const ScratchFolder& folder, const std::string& name)
{
    return readImage(folder.file(name)).pixels;
}

} // namespace Vx::Render::test
