// kestrin-render as a render farm's task runs it: --chunk, --skip-existing, --log and
// --list-missing through the built program, on small generated frames in a scratch folder.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

// Frames 1-10 of a generated card; every frame has its own text.
std::vector<std::string> card(const std::string& output)
{
    return {"--size", "96x54",        "--range", "1-10", "-s",        "Text=<FrameNo> <Timecode>",
            "-s",     "Text Size=12", "-o",      output, "--threads", "2"};
}

std::vector<nlohmann::json> logLines(const std::string& text)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}

} // namespace

// A chunk retried over a half-finished attempt (frames missing, a stray temporary of another
// attempt beside them) renders only what is missing, byte for byte the frames of one run, and
// logs every frame it looked at.
TEST(KestrinRenderFarm, ChunksAndRetriesGiveTheFramesOfOneRun)
{
    const ScratchFolder folder;
    renderOk(folder, with(card("one.####.png"), {"-q"}));

    // The other chunks are done (their frames are the one run's: the chunk table shows the split);
    // the second chunk's first attempt stopped after one frame: frames 5 and 6 are missing, and a
    // temporary file (as another attempt leaves while writing) sits under frame 5's hidden name.
    for (const int frame : {1, 2, 3, 4, 7, 8, 9, 10})
        fs::copy_file(folder.file(frameName("one", frame)), folder.file(frameName("farm", frame)));
    const std::string stray = folder.file(".farm.0005.tmp-a1b2c3.png");
    std::ofstream(stray) << "half a frame";

    const RunResult missing = runRender(folder, with(card("farm.####.png"), {"--list-missing"}));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "farm.0005.png\nfarm.0006.png\n");
    EXPECT_EQ(missing.err, "kestrin-render: 2 of 10 frames of \"1-10\" are missing: frames 5-6\n");

    const RunResult retry =
        runRender(folder, with(card("farm.####.png"), {"--chunk", "2/4", "--skip-existing", "--log", "task-2.jsonl"}));
    ASSERT_EQ(retry.exitCode, 0) << retry.err;
    EXPECT_NE(retry.err.find("kestrin-render: chunk 2/4: frames \"4-6\""), std::string::npos) << retry.err;
    EXPECT_NE(retry.err.find("Rendered 2 frames in "), std::string::npos) << retry.err;
    EXPECT_NE(retry.err.find(", skipped 1 already written\n"), std::string::npos) << retry.err;
    EXPECT_EQ(contents(stray), "half a frame");

    // One line per frame of the chunk, in the order they finished.
    std::map<std::int64_t, std::string> statuses;
    for (const nlohmann::json& line : logLines(contents(folder.file("task-2.jsonl")))) {
        EXPECT_EQ(line.size(), 5u) << line;
        const std::int64_t frame = line.at("frame").get<std::int64_t>();
        EXPECT_EQ(line.at("output"), frameName("farm", int(frame)));
        EXPECT_GE(line.at("seconds").get<double>(), 0.0);
        EXPECT_TRUE(line.at("error").is_null());
        EXPECT_TRUE(statuses.emplace(frame, line.at("status").get<std::string>()).second) << "twice: " << frame;
    }
    EXPECT_EQ(statuses, (std::map<std::int64_t, std::string>{{4, "skipped"}, {5, "written"}, {6, "written"}}));

    for (int frame = 1; frame <= 10; ++frame)
        EXPECT_EQ(contents(folder.file(frameName("farm", frame))), contents(folder.file(frameName("one", frame))))
            << "frame " << frame;
    const RunResult complete = runRender(folder, with(card("farm.####.png"), {"--list-missing"}));
    EXPECT_EQ(complete.exitCode, 0);
    EXPECT_EQ(complete.out, "");
}

// A bad chunk is a usage error before any frame (its messages are the chunk parser's table);
// frames fewer than chunks: the empty chunk succeeds and says so; the log on the standard output
// holds one line per frame, a failed frame with its error, and the exit status of a failure.
TEST(KestrinRenderFarm, BadAndEmptyChunksAndFailedFramesAreReported)
{
    const ScratchFolder folder;
    const std::vector<std::string> three = {"--size", "64x36", "--range", "1-3", "-o", "c.####.png"};
    const RunResult bad = runRender(folder, with(three, {"--chunk", "5/4"}));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "kestrin-render: --chunk: \"5/4\": the chunk must be from 1 to 4\n");
    const RunResult empty = runRender(folder, with(three, {"--chunk", "4/5", "--log", "-"}));
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.err, "kestrin-render: chunk 4/5 of the 3 frames \"1-3\" is empty: nothing to render\n");
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(folder.listNames(), std::vector<std::string>{});

    // Frame 2's name is taken by a folder: the frame fails, the run exits 1 and the log says why.
    fs::create_directory(folder.file("c.0002.png"));
    const RunResult failed = runRender(folder, with(three, {"--threads", "1", "--log", "-", "-q"}));
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    const std::vector<nlohmann::json> lines = logLines(failed.out);
    ASSERT_EQ(lines.size(), 2u) << failed.out;
    EXPECT_EQ(lines[0].at("frame"), 1);
    EXPECT_EQ(lines[0].at("status"), "written");
    EXPECT_EQ(lines[1].at("frame"), 2);
    EXPECT_EQ(lines[1].at("status"), "failed");
    EXPECT_EQ(lines[1].at("error").get<std::string>().rfind("Cannot write \"c.0002.png\": ", 0), 0u) << lines[1];

    const RunResult noLog = runRender(folder, with(three, {"--log", "no-such-folder/log.jsonl"}));
    EXPECT_EQ(noLog.exitCode, 2);
    EXPECT_EQ(noLog.err, "kestrin-render: --log \"no-such-folder/log.jsonl\": No such file or directory\n");
}
