// Command-line parsing with CLI11, and the checks that need no plug-in.
#include <Vx/Render/RenderOptions.h>

#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameRate.h>
#include <Vx/Render/RenderLimits.h>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <regex>
#include <stdexcept>

namespace Vx::Render {

namespace {

const char* const kDescription = R"(kestrin-render: renders slates and burn-ins over image sequences.

Loads the Slate plug-in, builds a composition (from COMPOSITION.json, or from the options), and
renders the frame range tile by tile on worker threads. With -i the slate is drawn over that
image sequence; without it, over a generated plate (--size, default 1920x1080).

The text may hold the tokens <CompName>, <CompLength>, <VersionName>, <VersionNo>, <FrameNo>,
<Timecode>, attribute references <attr:name> and file attribute references <meta:NAME>. The
frame number of frame N is N; its timecode is N frames after 00:00:00:00 at the composition's
rate (drop-frame, with ';', at 29.97 and 59.94; hours wrap at 24).

Timecode: --start-timecode HH:MM:SS:FF (HH:MM:SS;FF drop-frame) is the timecode of the first frame
of the composition's range (--range), the others counting on from it; --timecode-from input takes
each frame's timecode from its input file's header (smpte:TimeCode; a frame without one is an
error, unless --start-timecode is given too: then it counts on from that); --non-drop-frame
counts 29.97 and 59.94 non-drop. The composition file keeps these ("timecode").
<meta:NAME> is the input frame's header attribute NAME, per frame, as --list-metadata names it;
a missing one (or no input) is shown as written.

Several Slate nodes: --layer adds a Slate node stacked over the image so far, and the --set options
after it apply to it; with a composition of several Slate nodes, --layer N (from 1, in file order)
says which one the --set options after it change. --save writes them all.

Text is UTF-8; a byte that is not part of a UTF-8 sequence is read as its Latin-1 character. A
character the font lacks is drawn from the installed font fontconfig ranks first for the family
that has it; one no installed font has is drawn as the font's missing-glyph box, with a warning
naming it (U+XXXX). A tab advances to the next stop, every eight spaces. Multi-line text:
--set-file "Text=notes.txt", or the shell's -s $'Text=line 1\nline 2'.

Patterns: #### or # (4 digits), @@@@ (one digit per @), %04d; padding up to 13 digits. Ranges:
1001-1100, 1001-1100x2, comma lists (1001,1010-1020); frame numbers from -999999999999 to
999999999999. Rates: 24, 25, 23.976, 29.97, 59.94, 24000/1001.
Every frame is rendered independently: a render farm may split a range with -f.

Limits: a frame holds at most 2147483648 pixels and must fit in the memory available (fewer
frames are under way at once when --threads of them would not); --threads at most 256.
Each frame is written to a temporary file beside it and renamed once complete; a frame that
cannot be written (a full disk) fails the run and the frame it would have replaced stays.
SIGINT and SIGTERM stop the run: no new frame starts, the frames under way finish, no temporary
file stays, and the exit status is 130 (SIGINT) or 143 (SIGTERM).
An input frame of another size than the first is rendered (top left, padded with transparent
black) with a warning.

Values (--set, or a composition's "inputs") are checked before anything renders: a number out of
the input's range, a whole number too large, a label that is not a choice, keyframes on an input
that does not animate (--describe says which do) or two keyframes at one frame are errors naming
the input, the value and what is allowed. Composition files are UTF-8 JSON; arrays and objects
nest at most 64 levels deep. Times of the generated plate (In Time, Out Time, Time Offset) are in
seconds; frames outside In Time to Out Time render transparent, with a warning.

Render farms: --chunk K/N renders the K-th of N contiguous chunks of the frames selected (sizes
differ by at most one frame; a chunk with no frames succeeds and says so). In a Slurm job array
give --chunk slurm (the array a plain range of ids, --array=1-N or 0-(N-1)), or the same by hand:
--chunk $((SLURM_ARRAY_TASK_ID+1))/$SLURM_ARRAY_TASK_COUNT for --array=0-(N-1). --skip-existing
leaves frames whose file exists (a frame reaches its name only once complete, so a file there is
whole, and a temporary file is never taken for a frame): a retried task renders only the frames
the attempt before did not finish. --log FILE writes one JSON line per frame as it finishes;
--list-missing prints the frames not written (exit status 1 when any is missing).
The exit status is the contract a queue acts on: 0 done, 1 retry may help, 2 retry will not
help (fix the command or the composition), 130/143 stopped by a signal (cancel, preemption,
requeue) with every frame written whole and no temporary file left: requeue, and
--skip-existing continues.

Colour (OpenColorIO): the configuration is --ocio FILE, else $OCIO, else the one shipped in
../share/ocio/config.ocio next to the program (scene-linear Rec.709, ACEScg, ACES2065-1; sRGB and
Rec.709 displays with the views Standard and ACES 1.0 SDR-video; "linear", "sRGB" and "Rec709"
name its spaces as they name OpenImageIO's). The plate is converted from --colorspace-in (default:
the file's oiio:ColorSpace when the configuration knows it, else linear for float files and sRGB
for 8/10/16-bit ones) to --colorspace-out, or to --display D --view V (default: exr none, png tif
dpx jpg sRGB, mov mp4 mxf Rec709), then the slate is drawn: its colours are output values (white
text is 1.0). The same space on both sides converts nothing (EXR to EXR and PNG to PNG are as
without colour management). --list-colorspaces prints the spaces, aliases, roles, displays and
views. The composition file keeps the colour options ("colour") and --codec and --crf ("movie");
options given with it replace its values.

Movies: -o NAME.mov, .mp4 or .mxf writes one movie (no frame number in the name) at the
composition's rate, with a timecode track from the first frame's timecode and the colour tags
of its colour space (BT.709 by default). --codec prores (ProRes 422 HQ, 10-bit 4:2:2; the default for .mov), prores4444 (with
alpha), h264 (4:2:0, --crf 0-51, default 18; the default and only codec for .mp4), dnxhr (DNxHR
HQ; .mxf and .mov). Frames render in parallel and are encoded in order; the movie reaches its
name only when every frame is in it. --chunk, --skip-existing and --list-missing do not apply
to a movie. -i NAME.mov (any movie OpenImageIO reads) gives its pictures as the frames from the
composition's first (1, or --range's); its timecode, when it has one, is each frame's header
timecode (smpte:TimeCode).

Exit status: 0 every frame written; 1 a frame could not be read, rendered or written (an input
frame too large included) or --save failed; 2 a mistake in the command line, a --set value or
the composition (a --size too large included; nothing rendered); 130 or 143 after SIGINT or SIGTERM.

Examples:
  kestrin-render -i plates/shot010.####.exr -o out/shot010.####.exr -f 1001-1100 \
      --comp-name shot010 --version-number 3 \
      -s "Text=<CompName> v<VersionNo>  <FrameNo>  <Timecode>" -s "Vertical Alignment=Bottom"
  kestrin-render comp.json -f 1001-1010 --save comp.json
  kestrin-render -i plates/sh010.####.exr -o out/sh010.####.exr --timecode-from input \
      -s "Text=<Timecode>" -s "Horizontal Alignment=Right" -s "Vertical Alignment=Bottom" \
      --layer -s "Text=<meta:camera>" -s "Vertical Alignment=Top"
  kestrin-render --list-metadata -i plates/sh010.####.exr
  kestrin-render --describe)";

std::pair<std::string, std::string> splitAssignment(const std::string& text, const std::string& option)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw std::invalid_argument(option + ": expected \"Name=value\", got \"" + text + "\"");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

// --threads: a whole number from 0 (one per core) to RenderLimits::kMaxThreads.
int parseThreads(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 4 && text.find_first_not_of("0123456789") == std::string::npos;
    const int value = digits ? std::stoi(text) : -1;
    if (value < 0 || value > RenderLimits::kMaxThreads)
        throw std::invalid_argument("--threads: \"" + text + "\" is not a thread count: use a whole number from 0 " +
                                    "(one per core) to " + std::to_string(RenderLimits::kMaxThreads));
    return value;
}

// --layer N: a Slate node number, from 1.
int parseLayerNumber(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
    const int value = digits ? std::stoi(text) : 0;
    if (value < 1)
        throw std::invalid_argument("--layer: \"" + text +
                                    "\" is not a Slate node number: --layer N takes 1 for the composition's first "
                                    "Slate node, 2 for the second...; --layer alone adds a Slate node");
    return value;
}

// The marker a plain --layer (one adding a Slate node) is given for the parser.
const std::string kNewLayer = "+";

// The command line with each "--layer" given its value: "--layer N" becomes "--layer=N" when N
// is a number, a plain "--layer" becomes "--layer=+", so that the parser sees one value each.
std::vector<std::string> withLayerValues(int argc, const char* const* argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i == 0 || arg != "--layer") {
            args.push_back(arg);
            continue;
        }
        const std::string next = i + 1 < argc ? argv[i + 1] : "";
        if (!next.empty() && next.find_first_not_of("0123456789") == std::string::npos) {
            args.push_back("--layer=" + next);
            ++i;
        } else {
            args.push_back("--layer=" + kNewLayer);
        }
    }
    return args;
}

// The longest value --set-file reads, in bytes: the longest text the Slate node shows.
constexpr std::uintmax_t kMaxSetFileBytes = std::uintmax_t(1) << 20;

// --set-file "Name=FILE": the value is the file's content, one trailing line feed dropped.
std::pair<std::string, std::string> readSetFile(const std::string& text)
{
    auto [name, path] = splitAssignment(text, "--set-file");
    const std::string what = "--set-file \"" + name + "=" + path + "\": the file \"" + path + "\" ";
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw std::invalid_argument(what + "is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::invalid_argument(what + "cannot be read: " + std::strerror(errno));
    std::string value;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        value.append(buffer, std::size_t(in.gcount()));
        // Read no further than the bound allows, whatever the file's size (a device, a pipe).
        if (value.size() > kMaxSetFileBytes + 1)
            break;
    }
    if (in.bad())
        throw std::invalid_argument(what + "cannot be read: " + std::strerror(errno));
    if (!value.empty() && value.back() == '\n')
        value.pop_back();
    if (value.size() > kMaxSetFileBytes)
        throw std::invalid_argument(what + "holds more than " + std::to_string(kMaxSetFileBytes) +
                                    " bytes; a value may be at most that long");
    return {std::move(name), std::move(value)};
}

} // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    CLI::App app(kDescription, "kestrin-render");
    app.get_formatter()->column_width(34);
    RenderOptions o;
    std::vector<std::string> sets;
    std::vector<std::string> attrs;
    std::string range;
    std::string size;
    std::string compName;
    std::string versionName;
    std::string fps;
    int versionNumber = 0;

    app.add_option("composition", o.composition, "A composition file (JSON) to render")->type_name("COMPOSITION.json");
    app.add_option("-i,--input", o.input, "The plate sequence to draw over")->type_name("PATTERN");
    app.add_option("-o,--output", o.output,
                   "Where to write the frames; the format follows the extension "
                   "(exr, png, tif, dpx, jpg), or the movie (mov, mp4, mxf)")
        ->type_name("PATTERN");
    app.add_option("-f,--frames", o.frames, "The frames to render (default: the composition's range)")
        ->type_name("RANGE");
    app.add_option("-s,--set", sets,
                   "Set a Slate input: \"Text=...\", \"Text Size=36\", \"Box=on\", "
                   "\"Text Color=1,0.8,0\", \"Vertical Alignment=Bottom\", \"Offset.Y=-40\"")
        ->type_name("\"NAME=VALUE\"");
    std::vector<std::string> setFiles;
    app.add_option("--set-file", setFiles,
                   "Set a Slate input to the content of a UTF-8 file, one trailing line feed dropped (at most "
                   "1048576 bytes): \"Text=notes.txt\"; applied in order with the --set values")
        ->type_name("\"NAME=FILE\"");
    auto* compNameOption = app.add_option("--comp-name", compName, "The composition's name (<CompName>)");
    auto* versionNameOption = app.add_option("--version-name", versionName, "The version's name (<VersionName>)");
    auto* versionNumberOption = app.add_option("--version-number", versionNumber, "The version number (<VersionNo>)");
    auto* fpsOption = app.add_option("--fps", fps, "The frame rate")->type_name("RATE");
    auto* rangeOption =
        app.add_option("--range", range, "The composition's frame range (<CompLength>)")->type_name("FIRST-LAST");
    app.add_option("--attr", attrs, "A user-defined attribute of the composition (<attr:name>)")
        ->type_name("NAME=VALUE");
    auto* sizeOption = app.add_option("--size", size, "The size of a generated plate")->type_name("WxH");
    std::string threads;
    auto* threadsOption =
        app.add_option("--threads", threads,
                       "Worker threads, 0 to 256 (default 0: one per core); as many frames are read, rendered and "
                       "written at once")
            ->type_name("N");
    app.add_option("--tile-size", o.tileSize, "Tile size in pixels")->check(CLI::Range(8, 8192));
    app.add_option("--zip-level", o.zipLevel,
                   "Compression level of EXR (zip, zips: zlib) and PNG (libdeflate) outputs: 1 writes fastest "
                   "(default), 9 the smallest files")
        ->check(CLI::Range(1, 9));
    app.add_option("--save", o.save,
                   "Write the composition to this file after the run (checked before the first frame)")
        ->type_name("FILE.json");
    app.add_option("--plugin-path", o.pluginPath, "The folder of plug-ins (default: ../plugins next to the program)")
        ->type_name("DIR");
    app.add_flag("--describe", o.describe, "Print the Slate tool's inputs and exit");
    app.add_flag("--list-fonts", o.listFonts, "Print the installed font families and styles and exit");
    app.add_flag("--null-output", o.nullOutput, "Render every tile and discard it (for timing)");
    app.add_flag("-q,--quiet", o.quiet, "No progress, no summary");
    std::string chunk;
    auto* chunkOption = app.add_option("--chunk", chunk,
                                       "Render the K-th of N contiguous chunks of the frames (K from 1), or "
                                       "\"slurm\": the chunk of this Slurm array task")
                            ->type_name("K/N|slurm");
    app.add_flag("--skip-existing", o.skipExisting,
                 "Leave frames whose output file exists (complete: frames are renamed into place whole)");
    app.add_option("--log", o.log,
                   "Append one JSON line per frame as it finishes (frame, output, seconds, status, error); - for "
                   "standard output")
        ->type_name("FILE");
    app.add_flag("--list-missing", o.listMissing,
                 "Render nothing: print the output file of every frame (of the chunk) that is not written; exit "
                 "status 1 when any is missing");
    std::string startTimecode;
    auto* startTimecodeOption =
        app.add_option("--start-timecode", startTimecode,
                       "The timecode of the range's first frame (<Timecode>); HH:MM:SS;FF for drop-frame")
            ->type_name("HH:MM:SS:FF");
    std::string timecodeFrom;
    auto* timecodeFromOption = app.add_option("--timecode-from", timecodeFrom,
                                              "input: each frame's <Timecode> is its input file's header timecode")
                                   ->type_name("input");
    bool dropFrame = false;
    bool nonDropFrame = false;
    app.add_flag("--drop-frame", dropFrame, "Count 29.97 and 59.94 drop-frame (the default)");
    app.add_flag("--non-drop-frame", nonDropFrame, "Count 29.97 and 59.94 non-drop-frame");
    std::vector<std::string> layerValues;
    auto* layerOption = app.add_option("--layer", layerValues,
                                       "Add a Slate node over the image so far; the --set options after it apply to "
                                       "it. --layer N: they change the composition's N-th Slate node")
                            ->type_name("[N]")
                            ->allow_extra_args(false);
    std::string codec;
    auto* codecOption = app.add_option("--codec", codec,
                                       "The codec of a movie output: prores (default for .mov), prores4444, h264 "
                                       "(default for .mp4), dnxhr (default for .mxf)")
                            ->type_name("CODEC");
    std::string crf;
    auto* crfOption =
        app.add_option("--crf", crf, "h264's constant rate factor, 0 (lossless) to 51 (default 18)")->type_name("N");
    app.add_flag("--list-metadata", o.listMetadata,
                 "Print the header attributes of the first frame of -i (the names <meta:NAME> takes) and exit");
    // Colour management.
    std::string colourSpaceIn;
    std::string colourSpaceOut;
    std::string display;
    std::string view;
    app.add_option("--ocio", o.colour.ocio,
                   "The OpenColorIO configuration (default: $OCIO, else the one shipped with kestrin-render)")
        ->type_name("FILE");
    auto* colourSpaceInOption =
        app.add_option("--colorspace-in", colourSpaceIn,
                       "The plate's colour space (default: the file's oiio:ColorSpace, else linear for float files, "
                       "sRGB for 8/10/16-bit ones)")
            ->type_name("NAME");
    auto* colourSpaceOutOption =
        app.add_option(
               "--colorspace-out", colourSpaceOut,
               "The output's colour space (default: none for exr, sRGB for png, tif, dpx, jpg, Rec709 for movies)")
            ->type_name("NAME");
    auto* displayOption = app.add_option("--display", display,
                                         "Convert for this display (with --view; default view: the display's first)")
                              ->type_name("D");
    auto* viewOption =
        app.add_option("--view", view, "The view of --display (default display: the configuration's first)")
            ->type_name("V");
    app.add_flag("--list-colorspaces", o.colour.listColourSpaces,
                 "Print the colour configuration's spaces (with aliases), roles, displays and views and exit");
    app.add_option("--level", o.level,
                   "Render at reduced resolution: 0 full (default), 1 half, 2 quarter, 3 an eighth of each side")
        ->check(CLI::Range(0, 3))
        ->type_name("K");
    app.add_flag("--serve", o.serve,
                 "Edit the composition in a browser: start the Slate panel's web server, print its address and "
                 "serve until stopped (Save writes --save FILE.json, else COMPOSITION.json)");
    app.add_option("--port", o.port, "The port of --serve (default 8640; 0: any free port)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--bind", o.bind, "The address --serve listens on (default 127.0.0.1, this machine only)")
        ->type_name("ADDR");
    CLI::Option* setOption = app.get_option("--set");
    CLI::Option* setFileOption = app.get_option("--set-file");

    try {
        const std::vector<std::string> args = withLayerValues(argc, argv);
        std::vector<const char*> argPointers;
        for (const std::string& arg : args)
            argPointers.push_back(arg.c_str());
        app.parse(int(argPointers.size()), argPointers.data());
        // The --set and --set-file options go to the --layer before them (to no layer before the first): the
        // parser's order of values tells which.
        std::size_t setIndex = 0;
        std::size_t setFileIndex = 0;
        std::size_t layerIndex = 0;
        for (const CLI::Option* parsed : app.parse_order()) {
            if (parsed == setOption && setIndex < sets.size()) {
                auto assignment = splitAssignment(sets[setIndex++], "--set");
                (o.layers.empty() ? o.sets : o.layers.back().sets).push_back(std::move(assignment));
            } else if (parsed == setFileOption && setFileIndex < setFiles.size()) {
                auto assignment = readSetFile(setFiles[setFileIndex++]);
                (o.layers.empty() ? o.sets : o.layers.back().sets).push_back(std::move(assignment));
            } else if (parsed == layerOption && layerIndex < layerValues.size()) {
                const std::string& value = layerValues[layerIndex++];
                SlateLayerOptions layer;
                if (value != kNewLayer)
                    layer.select = parseLayerNumber(value);
                o.layers.push_back(layer);
            }
        }
        if (startTimecodeOption->count())
            o.startTimecode = startTimecode;
        if (timecodeFromOption->count()) {
            if (timecodeFrom != "input")
                throw std::invalid_argument("--timecode-from: \"" + timecodeFrom +
                                            "\" is not a timecode source: the only one is \"input\" (each frame's "
                                            "header timecode)");
            o.timecodeFromInput = true;
        }
        if (dropFrame && nonDropFrame)
            throw std::invalid_argument("--drop-frame and --non-drop-frame: give one or the other");
        if (dropFrame || nonDropFrame)
            o.dropFrame = dropFrame;
        for (const std::string& a : attrs)
            o.attributes.push_back(splitAssignment(a, "--attr"));
        if (compNameOption->count())
            o.compName = compName;
        if (versionNameOption->count())
            o.versionName = versionName;
        if (versionNumberOption->count())
            o.versionNumber = versionNumber;
        if (fpsOption->count()) {
            try {
                parseFrameRate(fps);
            } catch (const std::exception& e) {
                throw std::invalid_argument(std::string("--fps: ") + e.what());
            }
            o.fps = fps;
        }
        if (rangeOption->count()) {
            static const std::regex pattern(R"((-?\d+)-(-?\d+))");
            std::smatch m;
            if (!std::regex_match(range, m, pattern))
                throw std::invalid_argument("--range: expected FIRST-LAST, got \"" + range + "\"");
            try {
                const FrameRange frames = FrameRange::parse(range);
                o.range = std::make_pair(frames.first(), frames.last());
            } catch (const std::exception& e) {
                throw std::invalid_argument(std::string("--range: ") + e.what());
            }
        }
        if (threadsOption->count())
            o.threads = parseThreads(threads);
        if (sizeOption->count()) {
            static const std::regex pattern(R"((\d{1,5})x(\d{1,5}))");
            std::smatch m;
            if (!std::regex_match(size, m, pattern) || std::stoi(m[1]) == 0 || std::stoi(m[2]) == 0)
                throw std::invalid_argument("--size: expected WxH such as 1920x1080, got \"" + size + "\"");
            o.size = std::make_pair(std::stoi(m[1]), std::stoi(m[2]));
        }
        if (!o.frames.empty()) {
            try {
                FrameRange::parse(o.frames);
            } catch (const std::exception& e) {
                throw std::invalid_argument(std::string("--frames: ") + e.what());
            }
        }
        if (codecOption->count())
            o.codec = parseMovieCodec(codec);
        if (crfOption->count()) {
            if (crf.empty() || crf.size() > 4 || crf.find_first_not_of("0123456789") != std::string::npos)
                throw std::invalid_argument("--crf: \"" + crf +
                                            "\" is not a constant rate factor: use a whole number " +
                                            "from 0 (lossless) to 51 (smallest)");
            o.crf = std::stoi(crf);
        }
        if (!o.output.empty() && isMovieOutputPath(o.output)) {
            checkMovieOutputName(o.output);
            // A composition file may hold the codec: the run checks the two together.
            if (o.composition.empty())
                chooseMovieCodec(o.output, o.codec, o.crf);
        }
        if (!o.input.empty()) {
            try {
                FramePattern::input(o.input);
            } catch (const std::exception& e) {
                throw std::invalid_argument(std::string("--input: ") + e.what());
            }
        }
        if (!o.output.empty() && !isMovieOutputPath(o.output)) {
            try {
                FramePattern(o.output, FramePatternRole::Output);
            } catch (const std::exception& e) {
                throw std::invalid_argument(std::string("--output: ") + e.what());
            }
        }
        if (chunkOption->count())
            o.chunk = FrameChunk::parse(chunk);
        if (colourSpaceInOption->count())
            o.colour.colourSpaceIn = colourSpaceIn;
        if (colourSpaceOutOption->count())
            o.colour.colourSpaceOut = colourSpaceOut;
        if (displayOption->count())
            o.colour.display = display;
        if (viewOption->count())
            o.colour.view = view;
        if (o.skipExisting && o.nullOutput)
            throw std::invalid_argument("--skip-existing: there are no files to look for with --null-output");
        if (o.listMissing && o.nullOutput)
            throw std::invalid_argument("--list-missing: there are no files to look for with --null-output");
        if (o.listMetadata && o.input.empty())
            throw std::invalid_argument("--list-metadata needs -i PATTERN: the sequence whose first frame's header "
                                        "attributes are printed");
        const bool rendering = !o.describe && !o.listFonts && !o.listMetadata && !o.colour.listColourSpaces && !o.serve;
        if (rendering && o.output.empty() && o.composition.empty() && !o.nullOutput)
            throw std::invalid_argument("--output is required (or a composition file naming one, or --null-output)");
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return {std::nullopt, 0};
    } catch (const CLI::ParseError& e) {
        err << "kestrin-render: " << e.what() << "\nRun with --help for the options.\n";
        return {std::nullopt, 2};
    } catch (const std::exception& e) {
        err << "kestrin-render: " << e.what() << "\n";
        return {std::nullopt, 2};
    }
    return {o, 0};
}

} // namespace Vx::Render
