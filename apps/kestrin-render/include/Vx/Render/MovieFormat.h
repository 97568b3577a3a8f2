// What kestrin-render knows about movie files before any is opened: which names are movies, the
// codecs it writes and which container holds which, checked on the command line before anything
// renders. No FFmpeg library is needed here (see MovieWriter for the writing itself).
//
//   container   codecs (the first is the default)
//   .mov        prores, prores4444, h264, dnxhr
//   .mp4        h264
//   .mxf        dnxhr
//
// A movie output is one file: its name takes no frame number token (#, @, %d). A movie input is
// any file OpenImageIO's movie reader opens; its frames are its subimages. Functions only, callable
// from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Vx::Render {

enum class MovieCodec
{
    ProRes,     ///< ProRes 422 HQ, 10-bit 4:2:2
    ProRes4444, ///< ProRes 4444, 10-bit 4:4:4 with alpha
    H264,       ///< H.264 (libx264), 8-bit 4:2:0, quality set by the constant rate factor
    DNxHR,      ///< DNxHR HQ, 8-bit 4:2:2
};

/// The H.264 constant rate factor when none is given, and the range of them.
constexpr int kDefaultCrf = 18;
constexpr int kMaxCrf = 51;

/// The codec's name on the command line ("prores", "prores4444", "h264", "dnxhr").
const char* getMovieCodecName(MovieCodec codec);

/// Whether `path` names a movie kestrin-render writes: its extension is .mov, .mp4 or .mxf (any case).
bool isMovieOutputPath(const std::string& path);
/// Whether `path` names a movie to read: an extension of OpenImageIO's movie reader (.mov, .mp4,
/// .m4v, .avi, .qt, .mpg...) or .mxf, and no frame number token in the name.
bool isMovieInputPath(const std::string& path);

/// The codec of `text`; throws std::invalid_argument "--codec: ..." listing the codecs otherwise.
MovieCodec parseMovieCodec(const std::string& text);
/// The codec named `text` ("prores", "h264"...), or nothing when no codec has that name.
std::optional<MovieCodec> findMovieCodec(const std::string& text);
/// The codecs' names as a message lists them: "prores, prores4444, h264 or dnxhr".
std::string describeMovieCodecs();

/// The codecs the container of `path` (a movie output) holds, its default first.
std::vector<MovieCodec> getContainerCodecs(const std::string& path);

/// The codec a movie output is written with: `codec` when given, else the container's default.
/// Throws std::invalid_argument naming the codec, the file and what the container takes when it
/// cannot hold the codec, and for a `crf` given with a codec other than h264 or outside 0-51.
/// `codecOrigin` and `crfOrigin` say in those messages where the values came from: the options,
/// or a composition file and its key.
MovieCodec chooseMovieCodec(const std::string& path, const std::optional<MovieCodec>& codec,
                            const std::optional<int>& crf, const std::string& codecOrigin = "--codec",
                            const std::string& crfOrigin = "--crf");

/// Throws std::invalid_argument naming the option when `pattern` (of -o) is a movie name with a
/// frame number token: "out.####.mov" would be one movie, not frames.
void checkMovieOutputName(const std::string& pattern);

} // namespace Vx::Render
