// The command line of kestrin-render, parsed and checked.
//
// Everything a user can get wrong on the command line (a pattern without a frame number, a bad
// range or rate, a --set without "=") is caught here, before any plug-in is loaded or frame
// rendered, with a message that names the option and the text at fault.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <Vx/Render/ColourOptions.h>
#include <Vx/Render/FrameChunk.h>
#include <Vx/Render/MovieFormat.h>

namespace Vx::Render {

/// A --layer and the --set options that follow it.
struct SlateLayerOptions
{
    /// --layer N: the N-th Slate node of the composition (from 1, in file order); empty for a
    /// plain --layer, which adds a Slate node stacked over the image so far.
    std::optional<int> select;
    std::vector<std::pair<std::string, std::string>> sets; ///< --set "Input Name=value", in order
};

struct RenderOptions
{
    std::string composition;                               ///< COMPOSITION.json, may be empty
    std::string input;                                     ///< -i pattern of the plate sequence
    std::string output;                                    ///< -o pattern of the frames written
    std::string frames;                                    ///< -f range, as typed
    std::vector<std::pair<std::string, std::string>> sets; ///< --set "Input Name=value", in order
    std::optional<std::string> compName;
    std::optional<std::string> versionName;
    std::optional<int> versionNumber;
    std::optional<std::string> fps;                              ///< as typed; checked by parseFrameRate
    std::optional<std::pair<std::int64_t, std::int64_t>> range;  ///< --range FIRST-LAST
    std::vector<std::pair<std::string, std::string>> attributes; ///< --attr name=value, in order
    std::optional<std::pair<int, int>> size;                     ///< --size WxH of a generated plate
    int threads = 0;                                             ///< 0: one per core
    int tileSize = 256;
    int zipLevel = 1;       ///< compression level of EXR zip (zlib) and PNG (libdeflate) outputs
    std::string save;       ///< --save FILE.json
    std::string pluginPath; ///< --plugin-path, else the default folder
    bool describe = false;
    bool listFonts = false;
    bool quiet = false;
    bool nullOutput = false; ///< render every tile, write nothing

    // Render farms.
    std::optional<FrameChunk> chunk; ///< --chunk K/N: the K-th of N chunks of the frames selected
    bool skipExisting = false;       ///< --skip-existing: frames whose file exists are not rendered
    std::string log;                 ///< --log FILE (or "-"): one JSON line per frame finished
    bool listMissing = false;        ///< --list-missing: render nothing, list the frames not written
    // Where <Timecode> counts from, several Slate nodes, the input's header.
    std::optional<std::string> startTimecode; ///< --start-timecode, as typed; checked against the rate
    bool timecodeFromInput = false;           ///< --timecode-from input
    std::optional<bool> dropFrame;            ///< --drop-frame (true) or --non-drop-frame (false)
    /// Each --layer with the --set options after it; `sets` holds those before the first.
    std::vector<SlateLayerOptions> layers;
    bool listMetadata = false; ///< --list-metadata: print the first input frame's header
    // Colour management.
    ColourOptions colour; ///< --ocio, --colorspace-in/out, --display, --view, --list-colorspaces
    // Reduced resolution and the browser panel.
    int level = 0;                  ///< --level K: frames rendered at 1 / 2^K of full resolution
    bool serve = false;             ///< --serve: edit the composition in a browser instead of rendering
    int port = 8640;                ///< --port N of --serve; 0 lets the system choose a free one
    std::string bind = "127.0.0.1"; ///< --bind ADDR of --serve
    // Movie outputs (-o NAME.mov, .mp4, .mxf).
    std::optional<MovieCodec> codec; ///< --codec; the container's default when not given
    std::optional<int> crf;          ///< --crf, h264's constant rate factor
};

/// The outcome of parsing: options to run with, or an exit code with text already printed
/// (--help, a usage error).
struct ParsedCommandLine
{
    std::optional<RenderOptions> options;
    int exitCode = 0;
};

/// Parses the command line; --help and errors are printed to `out` / `err`.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace Vx::Render
