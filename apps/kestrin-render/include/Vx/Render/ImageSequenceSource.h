// The processing node that reads an image sequence from disk: frame N of a FramePattern for the
// requests whose time falls in frame N of the sequence's frame rate.
//
//   getImage(time, level, region)
//        |  frame = floor(time * rate)
//        v
//   frame cache (a few decoded frames, least recently used out) --miss--> OpenImageIO decode
//        |
//        v
//   tile: premultiplied float RGBA of the region, y up (image row 0 is y = height - 1)
//
// A decoded frame keeps every channel of the file as float, top row first, with the file's
// ImageSpec (channels, data type, metadata), so that a writer can carry channels other than RGBA
// and the metadata through to its output; the metadata also travels with every tile, as texts
// (PxImageResult::getMetadata, see FileMetadata.h). Many tiles asking for one frame at once decode it once:
// the first request decodes, the others wait for it. A frame that is missing or cannot be read
// raises std::runtime_error naming the file, to every request that waited for it; the failure is
// not cached, a later request tries again.
//
// Channels: R, G, B and A are found by name (case-insensitive, also as the last part of a layered
// name such as "beauty.R"); failing names, one channel is grey, two are grey and alpha, three or
// more are taken in order as R, G, B (and the file's alpha channel, if it declares one). Without
// alpha, alpha is 1. Files storing unassociated alpha (PNG, most TIFFs) are premultiplied as they
// are decoded, in float. Pixel values are taken as stored, unless a colour conversion is set
// (setColourConversion): then each frame's colour is converted once, as it is decoded.
//
// Levels: at level k > 0 the tile is subsampled by nearest neighbour, pixel (x, y) of level k
// showing full-resolution pixel (x * 2^k, y * 2^k) (y up).
//
// Size: the node's format is the size of the first frame, read at construction. A frame of another
// size keeps its top-left corner at the format's: image row r lands at y = format height - 1 - r,
// and pixels outside the frame are transparent black.
//
// Movies: a FramePattern::movie reads every frame from one movie file (see MovieReader), frame
// movieStartFrame + k being its picture k; frames outside it are missing frames.
//
// Built and released on the graph thread; getImage and getFrame are callable from many worker
// threads at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <OpenImageIO/imageio.h>

#include <Vx/Px/PxImage.h>
#include <Vx/Render/FramePattern.h>
#include <Vx/Render/ImageIO.h>
#include <Vx/Render/MovieReader.h>

namespace Vx::Render {

class ColourConversion;

/// One decoded frame of a sequence, as the file holds it.
struct SourceFrame
{
    std::int64_t frame = 0;
    std::string path;
    OIIO::ImageSpec spec; ///< the file's spec: size, channels, data types, metadata
    /// Every channel as float, spec.nchannels per pixel, top row first; the colour channels
    /// premultiplied by alpha (multiplied here when the file stores them unassociated).
    std::vector<float> pixels;
    /// Instead of `pixels`, for files read with no colour conversion that hold 16-bit R, G, B
    /// without alpha (DPX, most 16-bit TIFFs) or half R, G, B, A (most EXRs): the values as
    /// stored, spec.nchannels per pixel, top row first, turned into float as tiles are made (half
    /// the memory, and no float frame written and read again).
    std::vector<std::uint16_t> words;
    bool halfWords = false; ///< `words` holds halves (their bits), not 16-bit integers
    /// The same for 8-bit R, G, B, A files (PNG, most 8-bit TIFFs) read with no colour
    /// conversion: the values as stored, premultiplied as tiles are made when `unassociated`.
    std::vector<unsigned char> bytes;
    bool unassociated = false;              ///< `bytes` holds colour not yet multiplied by alpha
    int rgbaChannels[4] = {-1, -1, -1, -1}; ///< the channels read as R, G, B, A (-1: none)
    /// The header's attributes as texts, which every tile of the frame carries (PxMetadata).
    PxMetadataPtr metadata;
    /// The header's frame rate (FramesPerSecond), when it has one.
    std::optional<Rational> headerFrameRate;

    /// The premultiplied RGBA of pixel (column, row), row 0 at the top.
    void getPremultipliedRGBA(int column, int row, float rgba[4]) const;
    /// The same for `count` pixels from pixel index `first` on (one run of the frame), into
    /// `rgba` (4 values a pixel).
    void getRGBA(std::size_t first, std::size_t count, float* rgba) const;
    /// Every channel of `count` pixels from pixel index `first` on, as float (spec.nchannels a
    /// pixel), into `out`.
    void getValues(std::size_t first, std::size_t count, float* out) const;
    /// Whether the frame holds the values of `pixelCount` pixels of every channel.
    bool holdsPixels(std::size_t pixelCount) const;
};

class ImageSequenceSource : public FrameSource
{
public:
    using Options = FrameSource::Options;

    /// Reads the header of `options.firstFrame`; throws std::runtime_error naming the file when
    /// that frame is missing or unreadable, std::invalid_argument for an invalid frame rate.
    ImageSequenceSource(const Init& init, const FramePattern& pattern, const Options& options);
    ~ImageSequenceSource() override;

    /// The first frame's size and pixel aspect ratio (1 when the file gives none), at the rate
    /// given in the options.
    PxImageFormat getImageFormat() const override;
    /// The frame, valid for the frame of the sequence that `ctx.time` falls in.
    PxImageResult getImage(const PxImageContext& ctx) const override;
    PxRODResult getImageROD(const PxImageContext& ctx) const override;
    bool producesFullFrames() const override { return true; }

    /// The frame of the sequence that `seconds` falls in.
    std::int64_t frameAt(double seconds) const;
    /// Frame `frame`, decoded (or from the cache). Throws std::runtime_error naming the file.
    /// Any thread.
    std::shared_ptr<const SourceFrame> getFrame(std::int64_t frame) const override;
    /// The image description (OIIO::ImageSpec) of the first frame's file, as read at construction.
    const OIIO::ImageSpec& getFirstSpec() const { return m_firstSpec; }
    const FramePattern& getPattern() const override { return m_pattern; }
    int getFirstChannelCount() const override { return m_firstSpec.nchannels; }
    /// Converts the colour of every frame decoded from now on (see ColourManagement.h); empty for
    /// none. Main thread, before the first frame is asked for.
    void setColourConversion(std::shared_ptr<const ColourConversion> conversion) { m_colour = std::move(conversion); }
    /// How many times a file was decoded since construction (cache misses).
    std::uint64_t getDecodeCount() const { return m_decodes.load(); }

private:
    using FrameFuture = std::shared_future<std::shared_ptr<const SourceFrame>>;

    std::shared_ptr<const SourceFrame> decode(std::int64_t frame) const;
    std::shared_ptr<const SourceFrame> decodeMovieFrame(std::int64_t frame) const;
    void touch(std::int64_t frame) const; // caller holds m_mutex
    void evictUnused() const;             // caller holds m_mutex

    FramePattern m_pattern;
    Options m_options;
    OIIO::ImageSpec m_firstSpec;
    PxImageFormat m_format;
    std::shared_ptr<const ColourConversion> m_colour;
    std::unique_ptr<MovieReader> m_movie; // a movie's frames, when the pattern is one

    // The pixel stores of frames no longer held by anyone, handed to the next decode: a frame of
    // the same size decoded into one needs neither zeroing nor fresh pages from the system.
    struct PixelStores
    {
        std::mutex mutex;
        std::vector<std::vector<float>> spare;              // at most kSpareStores
        std::vector<std::vector<std::uint16_t>> spareWords; // the same for SourceFrame::words
        std::vector<std::vector<unsigned char>> spareBytes; // and SourceFrame::bytes
    };
    static constexpr std::size_t kSpareStores = 2;
    std::shared_ptr<PixelStores> m_stores = std::make_shared<PixelStores>();

    mutable std::mutex m_mutex;
    struct CacheEntry
    {
        FrameFuture future;
        std::uint64_t id; // tells a failed decode's own entry from a newer one for the same frame
    };
    mutable std::map<std::int64_t, CacheEntry> m_cache; // guarded by m_mutex
    mutable std::uint64_t m_lastId = 0;                 // guarded by m_mutex
    mutable std::list<std::int64_t> m_recent;           // most recent first; guarded by m_mutex
    mutable std::atomic<std::uint64_t> m_decodes{0};
};

/// Which channels of a file with `spec` are read as R, G, B and A (see above); -1 where there is
/// none. Grey files give the same channel for R, G and B.
void findRGBAChannels(const OIIO::ImageSpec& spec, int rgbaChannels[4]);

} // namespace Vx::Render
