// kestrin-render's image file reading and writing, in a library of its own that the program loads
// the first time a run reads or writes a file.
//
//   kestrin-render (links no image library)
//        |  ImageIO::get(): dlopen("libkestrin_render_io.so") once, on first use
//        v
//   libkestrin_render_io.so: ImageSequenceSource, FrameWriter, FileMetadata, PixelConversions,
//   TileRenderer::render (into an OpenImageIO buffer), ColourManagement (OpenColorIO), movie
//   input (MovieReader: FFmpeg's libraries) and the Slate panel's server (cpp-httplib), linked to
//   those libraries
//
// Movies are written by a library of their own (MovieIO.h), which needs FFmpeg's libraries only.
//
// OpenImageIO pulls in some 260 shared libraries, whose symbol binding costs about 0.2 s of
// start-up and 130 MB of resident memory: a run that reads and writes no file (--null-output
// over a generated plate, --help, --describe, --list-fonts) never loads them.
//
// A new reader or writer joins the library like this: its .cpp goes in the library's sources
// (KESTRIN_RENDER_IO_SOURCES in apps/kestrin-render/CMakeLists.txt, with its own libraries linked
// to kestrin_render_io); the program reaches it only through a virtual function of ImageIO (or
// an interface like FrameSource and FrameOutput below) that the library implements in
// ImageIOLibrary.cpp. Program code must not call its functions or name its libraries' symbols:
// the program does not link the library, so a direct call fails to link.

#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include <Vx/Px/PxImage.h>
#include <Vx/Render/FramePattern.h>
#include <Vx/Tm/Rational.h>

namespace Vx::Render {

struct ColourOptions;
struct CompositionDoc;
struct RenderOptions;
struct SourceFrame;
class TileRenderer;

/// The input image sequence as the program sees it: a processing node (ImageSequenceSource in
/// the library) that also hands out whole decoded frames.
class FrameSource : public PxImageProtocol
{
public:
    struct Options
    {
        Rational frameRate{24, 1};   ///< the rate time is counted in; frame N starts at N / rate
        std::int64_t firstFrame = 1; ///< the frame whose size is the node's format
        /// Decoded frames kept (at least 1). Frames that a caller still holds (from getFrame) are
        /// kept on top of these and leave the cache only once released.
        std::size_t cacheSize = 3;
        /// For a movie (FramePattern::movie): the frame its first picture is; picture k is frame
        /// movieStartFrame + k.
        std::int64_t movieStartFrame = 1;
    };

    /// Frame `frame`, decoded (or from the cache). Throws std::runtime_error naming the file.
    /// Any thread.
    virtual std::shared_ptr<const SourceFrame> getFrame(std::int64_t frame) const = 0;
    /// The number of channels of the first frame's file.
    virtual int getFirstChannelCount() const = 0;
    virtual const FramePattern& getPattern() const = 0;
};

/// Rendered frames written to files (FrameWriter in the library).
class FrameOutput
{
public:
    virtual ~FrameOutput() = default;
    /// Renders frame `time` of `node` at resolution level `level` with `renderer` and writes it
    /// to `path`, following `input` as FrameWriter::write does.
    virtual void write(const TileRenderer& renderer, const PxImageProtocol& node, double time, int level,
                       const std::string& path, const SourceFrame* input) const = 0;
};

class ImageIO
{
public:
    /// The library, loaded on the first call (any thread). Throws std::runtime_error naming the
    /// library when it cannot be loaded.
    static const ImageIO& get();

    virtual ~ImageIO() = default;

    /// An ImageSequenceSource over `pattern` (call on the graph thread, as pxCreateNode).
    virtual PxStrongHndl<FrameSource> createSequenceSource(const FramePattern& pattern,
                                                           const FrameSource::Options& options) const = 0;
    /// A FrameWriter writing EXR zip (zlib) and PNG (libdeflate) at level `zipLevel` (1-9).
    virtual std::unique_ptr<FrameOutput> createFrameWriter(int zipLevel) const = 0;
    /// The header attributes of the image file `path`, as texts (see FileMetadata.h). Throws
    /// std::runtime_error naming the file when it cannot be read.
    virtual PxMetadataPtr readMetadata(const std::string& path) const = 0;

    /// Chooses the colour conversion of a run (ColourConversion::choose: from `source`'s first
    /// frame to the space `outputPath` and `options` ask for) and hands it to `source`; with no
    /// source, only checks the names `options` gives. Throws UsageError.
    virtual void setUpColour(const ColourOptions& options, const std::string& executablePath, FrameSource* source,
                             const std::string& outputPath) const = 0;
    /// Prints the colour configuration's spaces, displays and views (--list-colorspaces). Throws
    /// UsageError when the configuration does not load.
    virtual void listColourSpaces(const ColourOptions& options, const std::string& executablePath,
                                  std::ostream& out) const = 0;
    /// The header attributes of the picture of the movie `path` that is frame `frame`, its first
    /// picture being frame `first`. Throws std::runtime_error naming the movie and the frames it
    /// holds when `frame` is not one of them.
    virtual PxMetadataPtr readMovieMetadata(const std::string& path, std::int64_t first, std::int64_t frame) const = 0;
    struct MovieInfo
    {
        std::int64_t frames = 0;      ///< how many pictures the movie holds
        std::optional<Rational> rate; ///< the frame rate its header gives, if any
    };
    /// The length and rate of the movie `path`. Throws std::runtime_error naming the movie and
    /// the reader's reason when it cannot be opened.
    virtual MovieInfo readMovieInfo(const std::string& path) const = 0;
    /// Serves the Slate panel until a stop signal (--serve; see PanelServer.h) and returns the
    /// exit code.
    virtual int servePanel(const std::optional<CompositionDoc>& file, const RenderOptions& options,
                           const std::string& pluginFolder, const std::string& executablePath, std::ostream& out,
                           std::ostream& err) const = 0;
};

} // namespace Vx::Render
