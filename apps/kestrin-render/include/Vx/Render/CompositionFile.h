// Compositions as JSON files: what kestrin-render reads with COMPOSITION.json and writes with
// --save.
//
// A file holds the composition's name, version name and number, frame rate, frame range and
// user-defined attributes, its nodes (each with a tool, input values and stored values), the
// connections between them and the output pattern:
//
//   {
//     "name": "shot010", "version": {"name": "comp", "number": 3},
//     "fps": "24000/1001", "range": {"first": 1001, "last": 1100},
//     "attributes": {"client": "ACME"},
//     "timecode": {"start": "01:00:00:00", "from": "input", "dropFrame": false},
//     "nodes": [
//       {"name": "Plate", "tool": "Read", "file": "plates/shot010.####.exr"},
//       {"name": "Burn-in", "tool": "Slate",
//        "inputs": {"Text": "<CompName> v<VersionNo>  <FrameNo>", "Text Size": 36,
//                   "Text Color": [1, 1, 1],
//                   "Offset.Y": {"keys": [[1001, 0.0], [1100, 120.0]]}},
//        "stored": {"Substituted Text": "shot010 v3  <FrameNo>"}}
//     ],
//     "connections": [{"from": "Plate", "to": "Burn-in", "input": "Input"}],
//     "output": "out/shot010.####.exr",
//     "movie": {"codec": "h264", "crf": 20},
//     "colour": {"ocio": "show.ocio", "in": "ACEScg", "display": "sRGB", "view": "Standard"}
//   }
//
// An input value is a JSON number, boolean, string or [r, g, b] array, or {"keys": [[frame,
// value], ...]} for keyframes at frame numbers (interpolated linearly). Values stay JSON here;
// they are checked against the tool's own policies when the composition is built.
//
// "timecode" (optional, each key optional) says how <Timecode> counts: "start" is the timecode of
// the range's first frame, "from": "input" takes each frame's header timecode, "dropFrame": false
// counts 29.97 and 59.94 non-drop-frame. Without it, frame N is N frames after 00:00:00:00,
// drop-frame at 29.97 and 59.94. The start is checked against the rate when the composition is
// built.
//
// "movie" (optional, each key optional) is how a movie output is encoded, as --codec and --crf
// say it: "codec" one of prores, prores4444, h264, dnxhr (without it, the container's default),
// "crf" h264's constant rate factor, 0 to 51. "colour" (optional, each key optional) is the colour
// management of --ocio, --colorspace-in, --colorspace-out, --display and --view: "ocio" the
// configuration file, "in" the plate's colour space, "out" the output's, or "display" and "view";
// "out" and "display"/"view" together are refused. Names are checked against the configuration,
// and the codec against the output's container, when the composition is rendered; the command
// line's options replace the file's values. Files without them render as before.
#pragma once

#include <nlohmann/json.hpp>

#include <Vx/Render/ColourOptions.h>
#include <Vx/Render/MovieFormat.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vx::Render {

struct NodeDoc
{
    std::string name;
    std::string tool;
    std::string file;                                                   ///< the sequence pattern of a "Read" node
    std::vector<std::pair<std::string, nlohmann::ordered_json>> inputs; ///< in file order
    std::vector<std::pair<std::string, nlohmann::ordered_json>> stored;
};

struct ConnectionDoc
{
    std::string from;
    std::string to;
    std::string input;
};

struct CompositionDoc
{
    std::string name = "untitled";
    std::string versionName = "v1";
    int versionNumber = 1;
    std::string fps = "24";
    std::int64_t first = 1;
    std::int64_t last = 1;
    std::map<std::string, std::string> attributes;
    std::string startTimecode;      ///< "timecode" "start"; empty: frame N is N frames after 00:00:00:00
    bool timecodeFromInput = false; ///< "timecode" "from": "input"
    bool dropFrame = true;          ///< "timecode" "dropFrame": false counts 29.97 and 59.94 non-drop
    std::vector<NodeDoc> nodes;
    std::vector<ConnectionDoc> connections;
    std::string output;
    std::optional<MovieCodec> codec; ///< "movie" "codec"; none: the output container's default
    std::optional<int> crf;          ///< "movie" "crf", h264's constant rate factor
    /// "colour": the configuration and colour spaces; its origins are the options' (see
    /// getRunColour for the ones a run names).
    ColourOptions colour;

    NodeDoc* findNode(const std::string& name);
};

/// How deep arrays and objects may nest in a composition file: deeper files are refused.
constexpr int kCompositionNestingLimit = 64;

/// A composition file that cannot be read or understood. what() names the file and, for a
/// syntax error or nesting deeper than kCompositionNestingLimit, its line and column.
class CompositionFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Reads `path`. Unknown keys are errors (a typo must not pass silently), and so is a folder.
CompositionDoc readCompositionFile(const std::string& path);
/// Parses `text` as read from `path` (which only names the file in errors).
CompositionDoc parseComposition(const std::string& text, const std::string& path);
/// The JSON text of `doc`, indented. Throws CompositionFileError (naming where, not a file) when
/// a text of `doc` is not UTF-8, which JSON cannot hold.
std::string formatComposition(const CompositionDoc& doc);
/// Writes `doc` to `path` atomically: to a temporary file in the same folder, then renamed.
/// Throws std::runtime_error (not CompositionFileError) when the file cannot be written.
void writeCompositionFile(const CompositionDoc& doc, const std::string& path);

} // namespace Vx::Render
