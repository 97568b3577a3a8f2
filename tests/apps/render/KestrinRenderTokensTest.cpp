// kestrin-render end to end for burn-ins that follow the plates: where <Timecode> counts from
// (a start timecode, each frame's header timecode, drop-frame or not), <meta:NAME> references to
// the input frame's header attributes, and several Slate nodes from the command line (--layer).
//
// Every rendered token is compared pixel for pixel with the same node given the literal text it
// should show: the two pictures must be identical.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

// The look every burn-in here shares: small, white, on a small generated card or plate.
const std::vector<std::string> kLook = {"-q", "-s", "Text Size=18", "-s", "Vertical Alignment=Bottom"};

/// Renders frame `frame` with `args` and the literal text, and compares it with `rendered`.
void expectLiteral(const ScratchFolder& folder, const std::vector<std::string>& args, const std::string& frame,
                   const std::string& literal, const std::string& rendered)
{
    SCOPED_TRACE(literal);
    renderOk(folder, with(args, {"-f", frame, "-s", "Text=" + literal, "-o", "literal.####.png"}));
    EXPECT_EQ(pixelsOf(folder, frameName(rendered, std::stoll(frame))),
              pixelsOf(folder, frameName("literal", std::stoll(frame))));
}

/// An SMPTE time word in binary-coded decimal, as EXR and DPX headers store it.
std::uint32_t timeWord(int hours, int minutes, int seconds, int frames)
{
    const auto bcd = [](int v) { return std::uint32_t((v / 10) << 4 | (v % 10)); };
    return bcd(frames) | bcd(seconds) << 8 | bcd(minutes) << 16 | bcd(hours) << 24;
}

struct PlateHeader
{
    std::vector<std::uint32_t> timeCode; ///< {time word, user bits}; empty: none
    std::string reel;                    ///< "reel" attribute; empty: none
    int framesPerSecond;
};

/// Plates 96x32 "plate.NNNN.exr" from `first`, one per header, each with a "camera" attribute.
void writePlates(const ScratchFolder& folder, int first, const std::vector<PlateHeader>& headers)
{
    for (std::size_t i = 0; i < headers.size(); ++i) {
        OIIO::ImageSpec spec(96, 32, 4, OIIO::TypeHalf);
        spec.attribute("camera", "A cam 35mm");
        const int rate[2] = {headers[i].framesPerSecond, 1};
        spec.attribute("FramesPerSecond", OIIO::TypeRational, rate);
        if (!headers[i].timeCode.empty())
            spec.attribute("smpte:TimeCode", OIIO::TypeTimeCode, headers[i].timeCode.data());
        if (!headers[i].reel.empty())
            spec.attribute("reel", headers[i].reel);
        char name[64];
        std::snprintf(name, sizeof name, "plate.%04d.exr", first + int(i));
        writeImage(folder.file(name),
                   makeImage(96, 32, 4, [](int x, int, int c) { return c == 3 ? 1.0f : 0.1f + 0.002f * float(x); }),
                   spec);
    }
}

// Timecode origin -------------------------------------------------------------------------------

TEST(KestrinRenderTimecode, CountsFromTheStartTimecodeAndTheDropFrameChoiceAlsoWhenSaved)
{
    struct Case
    {
        std::vector<std::string> options;
        std::string frame;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {{"--start-timecode", "01:00:00:00", "--range", "1001-1100"}, "1001", "01:00:00:00"},
        {{"--start-timecode", "01:00:00:00", "--range", "1001-1100"}, "1025", "01:00:01:00"},
        {{"--fps", "29.97", "--range", "0-2000"}, "1800", "00:01:00;02"},
        {{"--fps", "29.97", "--non-drop-frame", "--range", "0-2000"}, "1800", "00:01:00:00"},
        {{"--fps", "59.94", "--drop-frame", "--start-timecode", "00:09:59;59", "--range", "1-9"}, "2", "00:10:00;00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        ScratchFolder folder;
        const std::vector<std::string> card = with(kLook, {"--size", "160x32", "-f", c.frame});
        const std::vector<std::string> args = with(card, c.options);
        renderOk(folder, with(args, {"-s", "Text=<Timecode>", "-o", "token.####.png", "--save", "c.json"}));
        // The composition saved keeps the origin: loaded back, it renders the same frame.
        renderOk(folder, {"-q", "c.json", "-f", c.frame, "-o", "saved.####.png"});
        renderOk(folder, with(args, {"-s", "Text=" + c.shown, "-o", "literal.####.png"}));
        renderOk(folder, with(args, {"-s", "Text=" + c.shown + "x", "-o", "other.####.png"}));
        const std::vector<float> token = pixelsOf(folder, frameName("token", std::stoll(c.frame)));
        EXPECT_EQ(token, pixelsOf(folder, frameName("literal", std::stoll(c.frame))));
        EXPECT_NE(token, pixelsOf(folder, frameName("other", std::stoll(c.frame))));
        EXPECT_EQ(token, pixelsOf(folder, frameName("saved", std::stoll(c.frame))));
    }
}

TEST(KestrinRenderTimecode, HeaderTimecodesAreBurntInAsTheyStand)
{
    ScratchFolder folder;
    // The third frame jumps an hour; the fourth counts on from there.
    const std::vector<std::string> shown = {"01:00:00:00", "01:00:00:01", "02:00:00:00", "02:00:00:01"};
    writePlates(folder, 1001,
                {{{timeWord(1, 0, 0, 0), 0}, "", 24},
                 {{timeWord(1, 0, 0, 1), 0}, "", 24},
                 {{timeWord(2, 0, 0, 0), 0}, "", 24},
                 {{timeWord(2, 0, 0, 1), 0}, "", 24}});
    const std::vector<std::string> plate = with(kLook, {"-i", "plate.####.exr"});
    renderOk(folder, with(plate, {"--timecode-from", "input", "-s", "Text=<Timecode>", "-o", "token.####.png"}));
    for (std::size_t i = 0; i < shown.size(); ++i)
        expectLiteral(folder, plate, std::to_string(1001 + i), shown[i], "token");
}

TEST(KestrinRenderTimecode, FramesWithoutHeaderTimecodeAndOtherRates)
{
    ScratchFolder folder;
    writePlates(folder, 1, {{{timeWord(10, 0, 0, 0), 0}, "", 24}, {{}, "", 24}});
    const std::vector<std::string> plate =
        with(kLook, {"-i", "plate.####.exr", "--timecode-from", "input", "-s", "Text=<Timecode>"});

    // Without a start timecode the frame without one fails the run, naming its file.
    RunResult result = runRender(folder, with(plate, {"--threads", "1", "-o", "a.####.png"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("kestrin-render: frame 2: Input frame 2 \"plate.0002.exr\" has no timecode in its "
                              "header (smpte:TimeCode), which --timecode-from input reads; give --start-timecode as "
                              "well to count on from it where frames have none"),
              std::string::npos)
        << result.err;

    // With one, that frame counts on from it (frame 2 is the range's second frame).
    renderOk(folder, with(plate, {"--start-timecode", "00:59:00:00", "-o", "b.####.png"}));
    expectLiteral(folder, with(kLook, {"-i", "plate.####.exr"}), "2", "00:59:00:01", "b");

    // Header timecodes at another rate than the composition's are shown as they stand, said once.
    ScratchFolder other;
    writePlates(other, 1,
                {{{timeWord(1, 0, 0, 24), 0}, "", 25},
                 {{timeWord(1, 0, 0, 23), 0}, "", 25},
                 {{timeWord(1, 0, 1, 0), 0}, "", 25}});
    result = runRender(other, with(plate, {"--threads", "1", "-o", "c.####.png"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "kestrin-render: warning: frame 1 \"plate.0001.exr\" carries the timecode 01:00:00:24 at "
                          "25 frames a second, the composition counts 24: it is shown as it stands; other frames are "
                          "not reported\n");
    expectLiteral(other, with(kLook, {"-i", "plate.####.exr"}), "1", "01:00:00:24", "c");
}

TEST(KestrinRenderTimecode, BadOriginsAreRefusedBeforeRendering)
{
    struct Case
    {
        std::vector<std::string> options;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--start-timecode", "25:00:00:00"},
         "--start-timecode: The timecode \"25:00:00:00\" has 25 hours: hours go from 00 to 23."},
        {{"--start-timecode", "00:00:00:24"},
         "--start-timecode: The timecode \"00:00:00:24\" has frame 24: frames go from 00 to 23 at 24 frames a "
         "second."},
        {{"--start-timecode", "00:00:00;00"},
         "--start-timecode: The timecode \"00:00:00;00\" is written drop-frame (';'), but this count is "
         "non-drop-frame: write HH:MM:SS:FF."},
        {{"--start-timecode", "ab:cd:ef:gh"},
         "--start-timecode: The timecode \"ab:cd:ef:gh\" is not written HH:MM:SS:FF (or HH:MM:SS;FF for "
         "drop-frame): two digits each for hours, minutes, seconds and frames."},
        {{"--fps", "29.97", "--start-timecode", "00:01:00;01"},
         "--start-timecode: The timecode \"00:01:00;01\" does not exist in drop-frame counting: frames 00 to 01 are "
         "skipped at the start of every minute that is not a multiple of ten."},
        {{"--drop-frame"},
         "--drop-frame: drop-frame counting exists only at 29.97 and 59.94 frames a second, not "
         "at 24"},
        {{"--timecode-from", "header"},
         "--timecode-from: \"header\" is not a timecode source: the only one is \"input\" (each frame's header "
         "timecode)"},
        {{"--timecode-from", "input"},
         "--timecode-from input: there is no input sequence whose headers give the "
         "timecodes; give -i PATTERN"},
        {{"--layer", "2", "-s", "Text=b"}, "--layer 2: the composition has 1 Slate node (--layer 1 to --layer 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ScratchFolder folder;
        const RunResult result = runRender(folder, with({"-q", "--size", "64x16", "-o", "out.####.png"}, c.options));
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "kestrin-render: " + c.message + "\n");
        EXPECT_TRUE(folder.listNames().empty());
    }
}

// File attributes -------------------------------------------------------------------------------

TEST(KestrinRenderMetadata, ReferencesShowTheFramesHeader)
{
    ScratchFolder folder;
    writePlates(folder, 1, {{{}, "R001", 24}, {{}, "R002", 24}});
    const std::vector<std::string> plate = with(kLook, {"-i", "plate.####.exr"});
    struct Case
    {
        std::string text;
        std::vector<std::string> shown; ///< per frame
    };
    const std::vector<Case> cases = {
        {"<meta:camera>", {"A cam 35mm", "A cam 35mm"}},
        {"<meta:reel> <FrameNo>", {"R001 1", "R002 2"}},
        {"<meta:lens> <meta:camera", {"<meta:lens> <meta:camera", "<meta:lens> <meta:camera"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        renderOk(folder, with(plate, {"-s", "Text=" + c.text, "-o", "token.####.png"}));
        for (std::size_t i = 0; i < c.shown.size(); ++i)
            expectLiteral(folder, plate, std::to_string(i + 1), c.shown[i], "token");
    }
    const RunResult listed = runRender(folder, {"--list-metadata", "-i", "plate.####.exr"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    for (const std::string line : {"\ncamera = A cam 35mm\n", "\nreel = R001\n", "\nFramesPerSecond = 24/1\n"})
        EXPECT_NE(("\n" + listed.out).find(line), std::string::npos) << listed.out;
}

// Several Slate nodes ---------------------------------------------------------------------------

TEST(KestrinRenderLayers, LayersRenderAsTheSameNodesFromAFile)
{
    ScratchFolder folder;
    writePlates(folder, 1, {{{}, "", 24}});
    std::ofstream(folder.file("two.json")) << R"({
  "nodes": [
    {"name": "Plate", "tool": "Read", "file": "plate.####.exr"},
    {"name": "Top", "tool": "Slate", "inputs": {"Text": "<meta:camera>", "Text Size": 12}},
    {"name": "Bottom", "tool": "Slate",
     "inputs": {"Text": "<FrameNo>", "Text Size": 14, "Vertical Alignment": "Bottom", "Horizontal Alignment": "Right"}}
  ],
  "connections": [{"from": "Plate", "to": "Top", "input": "Input"}, {"from": "Top", "to": "Bottom", "input": "Input"}],
  "range": {"first": 1, "last": 1}
})";
    renderOk(folder, {"-q", "two.json", "-o", "file.####.png"});
    const std::vector<std::string> input = {"-q", "-i", "plate.####.exr"};
    const std::vector<std::string> top = {"-s", "Text=<meta:camera>", "-s", "Text Size=12"};
    const std::vector<std::string> bottomLook = {
        "-s", "Text Size=14", "-s", "Vertical Alignment=Bottom", "-s", "Horizontal Alignment=Right"};
    const std::vector<std::string> bottom = with(bottomLook, {"-s", "Text=<FrameNo>"});
    const std::vector<float> file = pixelsOf(folder, "file.0001.png");
    renderOk(folder, with(with(with(input, top), {"--layer"}), with(bottom, {"-o", "a.####.png", "--save", "a.json"})));
    EXPECT_EQ(file, pixelsOf(folder, "a.0001.png"));
    renderOk(folder, {"-q", "a.json", "-o", "saved.####.png"});
    EXPECT_EQ(file, pixelsOf(folder, "saved.0001.png"));
    // A first --layer with nothing set before it is the first Slate node, not one below it.
    renderOk(folder, with(with(with(input, {"--layer"}), top), with({"--layer"}, with(bottom, {"-o", "b.####.png"}))));
    EXPECT_EQ(file, pixelsOf(folder, "b.0001.png"));

    // --layer N changes the file's N-th Slate node: the two texts swapped.
    renderOk(folder, {"-q", "two.json", "-o", "c.####.png", "--layer", "1", "-s", "Text=<FrameNo>", "--layer", "2",
                      "-s", "Text=<meta:camera>"});
    renderOk(folder, with(with(with(input, {"-s", "Text=<FrameNo>", "-s", "Text Size=12", "--layer"}), bottomLook),
                          {"-s", "Text=<meta:camera>", "-o", "d.####.png"}));
    EXPECT_EQ(pixelsOf(folder, "c.0001.png"), pixelsOf(folder, "d.0001.png"));
    EXPECT_NE(pixelsOf(folder, "c.0001.png"), file);
}

} // namespace
