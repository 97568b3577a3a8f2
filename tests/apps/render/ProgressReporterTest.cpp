// Render progress: the updating line on a terminal, silence elsewhere, the summary, quiet mode.
#include <Vx/Render/ProgressReporter.h>

#include <sstream>

#include <gtest/gtest.h>

using Vx::Render::ProgressReporter;

namespace {

// A clock the test moves by hand.
struct ManualClock
{
    double now = 100.0;
    ProgressReporter::Clock function()
    {
        return [this] { return now; };
    }
};

ProgressReporter::Options options(bool terminal, bool quiet = false, bool summary = true)
{
    ProgressReporter::Options o;
    o.terminal = terminal;
    o.quiet = quiet;
    o.summary = summary;
    return o;
}

} // namespace

TEST(ProgressReporter, TerminalLineUpdatesInPlace)
{
    ManualClock clock;
    std::ostringstream out;
    ProgressReporter progress(4, out, options(true), clock.function());
    EXPECT_EQ(progress.describeProgress(), "Frame 0/4"); // no rate before the first frame
    clock.now += 1.0;
    progress.frameDone();
    EXPECT_EQ(out.str(), "\rFrame 1/4  1.0 fps  0:03 left\x1b[K");
    // Within the update interval the line is left alone...
    clock.now += 0.05;
    progress.frameDone();
    EXPECT_EQ(out.str(), "\rFrame 1/4  1.0 fps  0:03 left\x1b[K");
    // ...and rewritten after it.
    clock.now += 0.95;
    progress.frameDone();
    EXPECT_EQ(out.str(), "\rFrame 1/4  1.0 fps  0:03 left\x1b[K"
                         "\rFrame 3/4  1.5 fps  0:01 left\x1b[K");
    // The last frame is always shown, however soon it comes.
    out.str("");
    progress.frameDone();
    EXPECT_EQ(out.str(), "\rFrame 4/4  2.0 fps  0:00 left\x1b[K");
    clock.now += 0.01;
    progress.frameDone(); // beyond the total: still counted
    EXPECT_EQ(progress.getFramesDone(), 5u);
    out.str("");
    progress.finish();
    EXPECT_EQ(out.str(), "\nRendered 5 frames in 2.0 s (2.5 fps)\n");
}

TEST(ProgressReporter, PipeGetsOnlyTheSummary)
{
    ManualClock clock;
    std::ostringstream out;
    ProgressReporter progress(3, out, options(false), clock.function());
    for (int i = 0; i < 3; ++i) {
        clock.now += 1.0;
        progress.frameDone();
    }
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(progress.describeProgress(), "Frame 3/3  1.0 fps  0:00 left");
    progress.finish();
    EXPECT_EQ(out.str(), "Rendered 3 frames in 3.0 s (1.0 fps)\n");
}

TEST(ProgressReporter, FormatDuration)
{
    struct Case
    {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0:00"},     {-3.0, "0:00"},      {0.2, "0:01"},       {59.2, "1:00"},        {61.0, "1:01"},
        {3599.0, "59:59"}, {3600.0, "1:00:00"}, {3725.0, "1:02:05"}, {36000.0, "10:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressReporter::formatDuration(c.seconds), c.text) << c.seconds;
}
