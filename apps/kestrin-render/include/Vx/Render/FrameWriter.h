// Writes rendered frames to image files, and the checks made on outputs before a render starts.
//
// The file format follows the path's extension: .exr (half float RGBA, zip, or the input's layout
// and compression), .png (8-bit RGBA), .tif/.tiff (16-bit RGBA), .dpx (10-bit RGB), .jpg/.jpeg
// (8-bit RGB, quality 95). EXR zip and PNG are written at the zip level of the options (fastest by
// default). PNG is written by PngEncoder (libdeflate), the others by OpenImageIO. Formats that
// store unassociated alpha get the rendered premultiplied colour divided by alpha as it is written
// (PNG here, in float; the others by OpenImageIO); formats without alpha drop it.
//
// Every frame is first written under a hidden temporary name in the destination folder (see
// TemporaryFile: created exclusively, under a random name, written through its descriptor), then
// flushed, closed and renamed over the destination only when the writer and the system reported
// no error, so that a failed write (a full disk) or an interrupted run never leaves a half-written
// frame, and the frame it would have replaced stays as it was.
//
// With an input frame (from ImageSequenceSource) and an EXR output of the input's size, the output
// keeps the input's channels, their data types and its metadata: the rendered R, G, B and A replace
// the input's R, G, B and A channels (alpha is added when the input has none), every other channel
// passes through. Channels pass through as float, exact for half and float channels and for
// integer channels up to 2^24.
//
// Errors are std::runtime_error naming the file (or folder, or patterns). write() is const and may
// run on several threads at once for different paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <OpenImageIO/imagebuf.h>

#include <Vx/Px/PxImage.h>
#include <Vx/Render/FramePattern.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/ImageSequenceSource.h>

namespace Vx::Render {

class TileRenderer;

class FrameWriter
{
public:
    struct Options
    {
        /// The compression level of EXR outputs compressed with zip or zips (zlib's) and of PNG
        /// outputs (libdeflate's): 1 writes fastest, 9 the smallest files. Level 1 files are a
        /// few percent larger than level 6.
        int zipLevel = 1;
    };

    FrameWriter();
    /// Throws std::invalid_argument for a zip level outside 1-9.
    explicit FrameWriter(const Options& options);

    /// Writes `image` (float RGBA, premultiplied, top row first, as TileRenderer makes it) to
    /// `path`, its format chosen by the extension. With `input`, an EXR output follows the input's
    /// layout (see above). Throws std::runtime_error naming `path` when the extension is not one
    /// of the supported ones or the file cannot be written; the destination is then unchanged.
    void write(const std::string& path, const OIIO::ImageBuf& image, const SourceFrame* input = nullptr) const;

    /// Renders frame `time` of `node` at resolution level `level` with `renderer` and writes it
    /// to `path` as write() writes renderer.render(node, time, level), byte for byte, without
    /// ever holding the whole rendered frame: a strip of rows (a row of tiles) at a time, each
    /// tile converted to the file's pixels on the worker that rendered it, the strip handed to
    /// the format's writer before the next one is rendered (PNG's encoder keeps the frame's 8-bit
    /// rows and compresses them once the last strip is in). The first error of a tile is
    /// rethrown as it was raised (no file is left behind); errors of the file as for write().
    void write(const std::string& path, const TileRenderer& renderer, const PxImageProtocol& node, double time,
               int level, const SourceFrame* input = nullptr) const;

    /// `image` (as for write) encoded as the PNG file write() would make of it, in memory: the
    /// browser panel's preview, byte for byte what a .png output holds. Throws std::runtime_error
    /// when it cannot be encoded.
    std::vector<unsigned char> encodePng(const OIIO::ImageBuf& image) const;

    /// OpenImageIO's name of the format for `path`'s extension ("openexr", "png", "tiff", "dpx",
    /// "jpeg"), or an empty string for an extension this writer does not handle.
    static std::string formatForPath(const std::string& path);

    /// Throws std::runtime_error naming `folder` unless it exists, is a folder, and a file can be
    /// created in it (tried by creating and removing one).
    static void checkWritableFolder(const std::string& folder);

    /// Throws std::runtime_error naming both patterns when writing `outputFrames` of `output`
    /// would replace a file among `inputFrames` of `input` (paths compared after resolving ".."
    /// and symbolic links of the folders that exist). Patterns whose folders or fixed parts of
    /// the name differ are told apart without visiting frames, so ranges of any length are
    /// checked at once; frame numbers inside folder names are compared frame by frame.
    static void checkNoOverwrite(const FramePattern& input, const FrameRange& inputFrames, const FramePattern& output,
                                 const FrameRange& outputFrames);

private:
    void writeFrame(const std::string& path, const OIIO::ImageBuf& image, const SourceFrame* input) const;

    Options m_options;
};

} // namespace Vx::Render
