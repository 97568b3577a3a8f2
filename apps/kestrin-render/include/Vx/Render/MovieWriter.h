// Writes rendered frames into one movie file with FFmpeg's libraries (libavformat, libavcodec,
// libavutil): ProRes 422 HQ, ProRes 4444, H.264 or DNxHR HQ in a QuickTime, MP4 or MXF container
// (see MovieFormat for which holds which).
//
//   worker threads:  render(...) -> MovieFrame      (each tile converted from float RGBA to the
//                                                    codec's YUV as it is rendered: see
//                                                    YuvConversion.h)
//   one thread:      encode(frame), in frame order  (libavcodec's own threads encode the slices)
//   at the end:      finish()                       (flush, trailer, rename into place)
//
// The movie runs at the composition's rate exactly (23.976 is 24000/1001, one tick of the time
// base a frame); a timecode track (QuickTime's tmcd, MXF's timecode) starts at the first frame's
// timecode; the colour tags (primaries, transfer, matrix, range) say what was written, BT.709 and
// TV range by default, and the matrix and range are the ones the conversion uses. Frames are
// taken as premultiplied over black; ProRes 4444 stores the alpha and the colour divided by it.
//
// The movie is written under a temporary name in the destination's folder (see TemporaryFile) and
// renamed over the destination by finish(); a writer destroyed before finish() (a failure, a stop
// signal) removes it, so that nothing stays under the final name. Errors are std::runtime_error
// naming the file; an encoder that is not there or a frame size the codec cannot take are
// std::invalid_argument, thrown by the constructor before any frame is rendered.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <Vx/Px/PxImage.h>
#include <Vx/Render/MovieFormat.h>
#include <Vx/Render/TileRenderer.h>
#include <Vx/Tm/Rational.h>

namespace Vx::Render {

/// One frame converted for the encoder; owned by whoever holds it, released on any thread.
class MovieFrame;

struct MovieFrameDeleter
{
    void operator()(MovieFrame* frame) const;
};
using MovieFramePtr = std::unique_ptr<MovieFrame, MovieFrameDeleter>;

class MovieWriter
{
public:
    /// The colour tags written in the movie, by FFmpeg's names: primaries ("bt709", "bt2020"...),
    /// transfer ("bt709", "iec61966-2-1" for sRGB, "linear"...), matrix ("bt709", "bt470bg"...),
    /// range ("tv" or "pc").
    struct ColourTags
    {
        std::string primaries = "bt709";
        std::string transfer = "bt709";
        std::string matrix = "bt709";
        std::string range = "tv";
    };

    struct Options
    {
        MovieCodec codec = MovieCodec::ProRes;
        int crf = kDefaultCrf; ///< h264 only
        int width = 0;         ///< pixels
        int height = 0;
        Rational rate{24, 1};
        /// The first frame's timecode (HH:MM:SS:FF, or ;FF drop-frame); empty writes no timecode.
        std::string timecode;
        ColourTags colour;
        /// Encoder threads; 0 lets libavcodec choose.
        int threads = 0;
    };

    /// Opens the encoder and the temporary file beside `path` and writes the header.
    MovieWriter(const std::string& path, const Options& options);
    /// Removes the temporary file unless finish() succeeded.
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    /// Frame `time` of `node` at `level` (options' size), rendered with `renderer` straight into
    /// the codec's pixel format. Any thread, several at once (each with its own renderer).
    MovieFramePtr render(const TileRenderer& renderer, const PxImageProtocol& node, double time, int level) const;
    /// Encodes the next frame of the movie. One thread at a time, frames in order.
    void encode(MovieFramePtr frame);
    /// Flushes the encoder, writes the trailer and renames the movie into place.
    void finish();

    std::uint64_t getFramesEncoded() const;
    const std::string& getPath() const;
    /// The pixel format written ("yuv422p10le"...).
    std::string getPixelFormatName() const;
    /// Whether this build of libavcodec has the encoder `codec` needs (libx264 for h264).
    static bool hasEncoder(MovieCodec codec);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Vx::Render
