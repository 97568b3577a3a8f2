// Writing movies, in a library of its own that the program loads the first time a run writes one.
//
//   kestrin-render
//        |  MovieIO::get(): dlopen("libkestrin_render_movie.so") once, on first use
//        v
//   libkestrin_render_movie.so: MovieWriter, MovieEncodeQueue and YuvConversion, linked to
//   FFmpeg's libraries (libavformat, libavcodec, libavutil) and no image library
//
// A movie of a generated plate so loads no image I/O (ImageIO.h): OpenImageIO's libraries cost
// about a quarter of a second of start-up and 90 MB. As for ImageIO, the program reaches the
// library only through the virtual functions below, implemented in MovieIOLibrary.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <Vx/Px/PxImage.h>
#include <Vx/Render/MovieWriter.h>

namespace Vx::Render {

class TileRenderer;

/// A movie being written (MovieWriter with its MovieEncodeQueue in the library): frames render
/// and convert on the workers and are encoded in order on a thread of its own.
class MovieOutput
{
public:
    /// Removes the movie's temporary file unless finish() succeeded.
    virtual ~MovieOutput() = default;
    /// Renders frame `time` of `node` at `level` with `renderer`, converts it to the codec's
    /// pixels and hands it over as the movie's picture `index` (from 0). Worker threads; blocks
    /// while the pictures waiting for the encoder fill the window.
    virtual void submit(std::uint64_t index, const TileRenderer& renderer, const PxImageProtocol& node, double time,
                        int level) = 0;
    /// Stops the encoder: pictures not yet encoded are dropped. Any thread.
    virtual void abort() = 0;
    /// Waits for pictures 0 to `count` - 1, writes the trailer and renames the movie into place.
    /// Throws std::runtime_error naming the movie.
    virtual void finish(std::uint64_t count) = 0;
};

class MovieIO
{
public:
    /// The library, loaded on the first call (any thread). Throws std::runtime_error naming the
    /// library when it cannot be loaded.
    static const MovieIO& get();

    virtual ~MovieIO() = default;

    /// Whether this build of libavcodec has the encoder `codec` needs (MovieWriter::hasEncoder).
    virtual bool hasEncoder(MovieCodec codec) const = 0;
    /// Opens the movie `path` for writing (see MovieWriter), with at most `window` pictures waiting
    /// for the encoder. Throws std::runtime_error naming the movie.
    virtual std::unique_ptr<MovieOutput> createOutput(const std::string& path, const MovieWriter::Options& options,
                                                      std::size_t window) const = 0;
};

} // namespace Vx::Render
