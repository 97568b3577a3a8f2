// Frames written to image files, atomically.
#include <Vx/Render/FrameWriter.h>

#include <Vx/Render/InQuotes.h>
#include <Vx/Render/PixelConversions.h>
#include <Vx/Render/PngEncoder.h>
#include <Vx/Render/TemporaryFile.h>
#include <Vx/Render/TileRenderer.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>

#include <stdlib.h>
#include <unistd.h>

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

namespace Vx::Render {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxJpegSide = 65500;

// OpenImageIO's writers write through this proxy into the descriptor of the temporary file, so
// that (1) no writer opens a file by name: the file written is the one TemporaryFile created
// exclusively, whatever happens to its name meanwhile; and (2) every write error is seen here with
// its errno, whether or not the format's library checks what its writes return (a full disk
// used to leave truncated PNG frames that were reported written).
class DescriptorOutput final : public OIIO::Filesystem::IOProxy
{
public:
    DescriptorOutput(int fd, const std::string& path) : IOProxy(path, Write), m_fd(fd) {}
    const char* proxytype() const override { return "kestrin-render descriptor"; }
    void close() override { m_mode = Closed; }
    size_t write(const void* buf, size_t size) override
    {
        const size_t written = pwrite(buf, size, m_pos);
        m_pos += int64_t(written);
        return written;
    }
    size_t read(void* buf, size_t size) override { return pread(buf, size, m_pos); }
    size_t pwrite(const void* buf, size_t size, int64_t offset) override
    {
        const char* p = static_cast<const char*>(buf);
        size_t written = 0;
        while (written < size) {
            const ssize_t n = ::pwrite(m_fd, p + written, size - written, off_t(offset) + off_t(written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (m_errno == 0)
                    m_errno = n < 0 ? errno : ENOSPC;
                break;
            }
            written += size_t(n);
        }
        m_size = std::max(m_size, offset + int64_t(written));
        return written;
    }
    size_t pread(void* buf, size_t size, int64_t offset) override
    {
        // Some writers read back what they wrote (TIFF directories).
        const ssize_t n = ::pread(m_fd, buf, size, off_t(offset));
        if (n < 0 && m_errno == 0)
            m_errno = errno;
        return n < 0 ? 0 : size_t(n);
    }
    size_t size() const override { return size_t(m_size); }
    /// The first errno a write failed with, or 0.
    int getErrno() const { return m_errno; }

private:
    int m_fd;
    int64_t m_size = 0;
    int m_errno = 0;
};

// The index of the channel named `name` (case-insensitive), or -1.
int findChannel(const OIIO::ImageSpec& spec, const char* name)
{
    for (int i = 0; i < spec.nchannels; ++i)
        if (OIIO::Strutil::iequals(spec.channel_name(i), name))
            return i;
    return -1;
}

// The output layout of an EXR that follows `input`: its spec with R, G, B and A found or added,
// and where each of the four rendered channels goes.
OIIO::ImageSpec followInput(const SourceFrame& input, int target[4])
{
    OIIO::ImageSpec spec = input.spec;
    // Reading hints are not the file's metadata.
    spec.erase_attribute("oiio:UnassociatedAlpha");
    static const char* const kNames[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) {
        target[c] = findChannel(spec, kNames[c]);
        if (target[c] >= 0)
            continue;
        target[c] = spec.nchannels++;
        spec.channelnames.emplace_back(kNames[c]);
        if (!spec.channelformats.empty())
            spec.channelformats.push_back(spec.format);
    }
    spec.alpha_channel = target[3];
    return spec;
}

// The EXR compression `compression` ("zip", "zips:4", "piz"...) at zlib level `zipLevel` when it
// is one of the zlib methods; other methods as they are.
std::string withZipLevel(const std::string& compression, int zipLevel)
{
    const std::string method = compression.substr(0, compression.find(':'));
    if (method != "zip" && method != "zips")
        return compression;
    return method + ":" + std::to_string(zipLevel);
}

// The image description (OIIO::ImageSpec) of a plain output of `format`: the channels and depth that format is written
// with.
OIIO::ImageSpec plainSpec(const std::string& format, int width, int height, int zipLevel)
{
    if (format == "openexr") {
        OIIO::ImageSpec spec(width, height, 4, OIIO::TypeHalf);
        spec.attribute("compression", withZipLevel("zip", zipLevel));
        return spec;
    }
    // PNG is written by PngEncoder, at the zip level of the Layout.
    if (format == "png")
        return OIIO::ImageSpec(width, height, 4, OIIO::TypeDesc::UINT8);
    if (format == "tiff")
        return OIIO::ImageSpec(width, height, 4, OIIO::TypeDesc::UINT16);
    if (format == "dpx") {
        OIIO::ImageSpec spec(width, height, 3, OIIO::TypeDesc::UINT16);
        spec.attribute("oiio:BitsPerSample", 10);
        return spec;
    }
    OIIO::ImageSpec spec(width, height, 3, OIIO::TypeDesc::UINT8);
    spec.attribute("Compression", "jpeg:95");
    return spec;
}

// How rows are handed to the writer: float as rendered, or converted to the file's type first.
enum class RowType
{
    Float,         // OpenImageIO converts to the file's type
    Straight8Bit,  // PNG: 8-bit RGBA, colour divided by alpha, converted into PngEncoder's frame
    Unsigned16RGB, // DPX: 16-bit RGB for its 10-bit writer, converted here (OpenImageIO's is slower)
    Half,          // EXR of half RGBA: converted here, eight values at a time where the processor can
};

// Rows handed over at a time: any conversion needs a strip of the frame, not a frame (EXR zip
// compresses 16 rows a block: a strip is 8 blocks).
constexpr int kStripRows = 128;

// The format of `path`'s extension; throws std::runtime_error naming the file for an extension
// no writer handles.
std::string checkedFormat(const std::string& path)
{
    const std::string format = FrameWriter::formatForPath(path);
    if (format.empty())
        throw std::runtime_error("Cannot write " + inQuotes(path) + ": unknown file extension \"" +
                                 fs::path(path).extension().string() +
                                 "\" (use exr, png, tif, tiff, dpx, jpg or jpeg)");
    return format;
}

// What a frame becomes in its file: the format, the file's description, how rows are handed
// over, and (an EXR that follows its input) where the rendered channels go among the input's.
struct Layout
{
    std::string format;
    OIIO::ImageSpec spec;
    RowType rows = RowType::Float;
    int zipLevel = 1;
    bool follow = false; // pixels merged with the input's other channels (see mergeWithInput)
    int target[4] = {0, 1, 2, 3};
};

// `count` rendered pixels (`rgba`), which are the input's pixels from index `first` on, merged
// with them into `out` as the layout's file holds them: the input's channels with R, G, B and A
// replaced.
void mergeWithInput(const SourceFrame& input, const Layout& layout, const float* rgba, std::size_t first,
                    std::size_t count, float* out)
{
    const std::size_t inChannels = std::size_t(input.spec.nchannels);
    const std::size_t outChannels = std::size_t(layout.spec.nchannels);
    std::vector<float> values(count * inChannels);
    input.getValues(first, count, values.data());
    const float* in = values.data();
    for (std::size_t p = 0; p < count; ++p, in += inChannels, out += outChannels, rgba += 4) {
        std::copy_n(in, inChannels, out);
        for (int c = 0; c < 4; ++c)
            out[layout.target[c]] = rgba[c];
    }
}

Layout chooseLayout(const std::string& path, int width, int height, const SourceFrame* input, int zipLevel)
{
    Layout layout;
    layout.format = checkedFormat(path);
    layout.zipLevel = zipLevel;
    // libjpeg ends the process on a frame it cannot hold instead of reporting an error.
    if (layout.format == "jpeg" && (width > kMaxJpegSide || height > kMaxJpegSide))
        throw std::runtime_error("Cannot write " + inQuotes(path) + ": JPEG holds at most " +
                                 std::to_string(kMaxJpegSide) + " pixels a side, the frame is " +
                                 std::to_string(width) + "x" + std::to_string(height));
    const std::size_t pixelCount = std::size_t(width) * std::size_t(height);
    layout.follow = layout.format == "openexr" && input && input->spec.width == width && input->spec.height == height &&
                    input->spec.x == 0 && input->spec.y == 0 && input->holdsPixels(pixelCount);
    if (layout.follow) {
        layout.spec = followInput(*input, layout.target);
        layout.spec.attribute("compression",
                              withZipLevel(layout.spec.get_string_attribute("compression", "zip"), zipLevel));
        const int* t = layout.target;
        const bool onlyRGBA = layout.spec.nchannels == 4 && t[0] == 0 && t[1] == 1 && t[2] == 2 && t[3] == 3;
        // The input's other channels go along, pixel by pixel, unless the rendered RGBA is all
        // the file holds.
        layout.follow = !onlyRGBA;
    } else {
        layout.spec = plainSpec(layout.format, width, height, zipLevel);
        // Formats of three channels take the rendered RGBA with alpha stepped over (JPEG), or
        // converted without it (DPX).
        if (layout.format == "png")
            layout.rows = RowType::Straight8Bit;
        else if (layout.format == "dpx")
            layout.rows = RowType::Unsigned16RGB;
    }
    if (layout.format == "openexr" && !layout.follow && layout.spec.format == OIIO::TypeDesc::HALF &&
        layout.spec.channelformats.empty() && layout.spec.nchannels == 4)
        layout.rows = RowType::Half;
    return layout;
}

// A strip of whole rows of a frame in its file's pixels: rendered pixels are converted into it
// (from any thread, each pixel once), then its rows are handed to the writer. A PNG frame is
// compressed whole: its pixels go straight into the encoder's frame, whose rows are filtered
// strip by strip.
class FileStrip
{
public:
    FileStrip(const Layout& layout, const SourceFrame* input, int rows)
        : m_layout(layout), m_input(input), m_width(std::size_t(layout.spec.width))
    {
        const std::size_t pixels = m_width * std::size_t(rows);
        if (layout.rows == RowType::Straight8Bit) {
            m_png = std::make_unique<PngEncoder>(layout.spec.width, layout.spec.height, layout.zipLevel);
        } else if (layout.rows == RowType::Unsigned16RGB || layout.rows == RowType::Half) {
            const bool half = layout.rows == RowType::Half;
            m_pixelValues = half ? 4 : 3;
            m_words.resize(pixels * m_pixelValues);
            m_type = half ? OIIO::TypeDesc::HALF : OIIO::TypeDesc::UINT16;
        } else {
            m_pixelValues = std::size_t(layout.follow ? layout.spec.nchannels : 4);
            m_floats.resize(pixels * m_pixelValues);
        }
    }

    /// The strip holds the rows from image row `first` (0 the top) on.
    void start(int first) { m_first = first; }
    /// `count` rendered pixels (float RGBA) of image row `row`, from column `column` on.
    void put(int row, int column, int count, const float* rgba)
    {
        const std::size_t at = (std::size_t(row - m_first) * m_width + std::size_t(column)) * m_pixelValues;
        if (m_png)
            toStraight8Bit(rgba, std::size_t(count), m_png->getRow(row) + std::size_t(column) * 4);
        else if (m_layout.rows == RowType::Unsigned16RGB)
            toUnsigned16RGB(rgba, std::size_t(count), m_words.data() + at);
        else if (m_layout.rows == RowType::Half)
            floatToHalf(rgba, std::size_t(count) * 4, m_words.data() + at);
        else if (m_layout.follow)
            mergeWithInput(*m_input, m_layout, rgba, std::size_t(row) * m_width + std::size_t(column),
                           std::size_t(count), m_floats.data() + at);
        else
            std::memcpy(m_floats.data() + at, rgba, std::size_t(count) * 4 * sizeof(float));
    }
    /// The encoder of a PNG frame, or null: the strips of other formats go to OpenImageIO's
    /// writer, set with setOutput().
    PngEncoder* getPngEncoder() const { return m_png.get(); }
    void setOutput(OIIO::ImageOutput* out) { m_out = out; }
    /// Writes the strip's rows up to image row `end` (exclusive); false when the writer fails.
    bool write(int end) const
    {
        if (m_png) {
            m_png->filterRows(m_first, end);
            return true;
        }
        const void* data =
            m_words.empty() ? static_cast<const void*>(m_floats.data()) : static_cast<const void*>(m_words.data());
        return m_out->write_scanlines(m_layout.spec.y + m_first, m_layout.spec.y + end, 0, m_type, data,
                                      OIIO::stride_t(m_pixelValues * m_type.size()));
    }

private:
    const Layout& m_layout;
    const SourceFrame* m_input;
    std::size_t m_width;
    std::size_t m_pixelValues = 0; // values a pixel takes in the strip
    OIIO::TypeDesc m_type = OIIO::TypeFloat;
    std::vector<float> m_floats;
    std::vector<std::uint16_t> m_words;
    std::unique_ptr<PngEncoder> m_png;
    OIIO::ImageOutput* m_out = nullptr;
    int m_first = 0;
};

// Writes the frame whose strips `writeRows` fills and writes (see FileStrip::write) to `path`,
// through a TemporaryFile.
void writeFile(const std::string& path, const Layout& layout, FileStrip& strip, const std::function<bool()>& writeRows)
{
    TemporaryFile file(path);
    if (const PngEncoder* png = strip.getPngEncoder()) {
        writeRows();
        png->write([&](const unsigned char* data, std::size_t size) { file.write(data, size); });
        file.commit();
        return;
    }
    DescriptorOutput proxy(file.getDescriptor(), file.getPath());
    auto out = OIIO::ImageOutput::create(layout.format);
    if (!out)
        file.fail(OIIO::geterror());
    std::string error;
    if (!out->set_ioproxy(&proxy)) {
        error = "the " + layout.format + " writer cannot write through a file descriptor";
    } else {
        // close() is called even after a failed write, so that the writer lets go of the proxy.
        // Every byte goes through the proxy, so a write error of any format shows in its errno.
        // OpenImageIO 2.4's TIFF writer leaves a message about the empty Exif directory it fails
        // to add through a proxy while the image is complete and close() succeeds: for TIFF only
        // the results of the calls count.
        bool ok = false;
        try {
            strip.setOutput(out.get());
            ok = out->open(file.getPath(), layout.spec) && writeRows();
        } catch (...) {
            // A frame rendered as it is written fails in its tiles: the writer lets go of the
            // file, which is removed, before the tile's error goes on.
            out->close();
            out.reset();
            throw;
        }
        const bool closed = out->close();
        if (proxy.getErrno() != 0)
            error = std::strerror(proxy.getErrno());
        else if (!ok || !closed || (out->has_error() && layout.format != "tiff"))
            error = out->geterror();
        if (error.empty() && (!ok || !closed))
            error = "the image could not be written";
    }
    out.reset();
    if (!error.empty())
        file.fail(error);
    file.commit();
}

} // namespace

FrameWriter::FrameWriter() = default;

FrameWriter::FrameWriter(const Options& options) : m_options(options)
{
    if (options.zipLevel < 1 || options.zipLevel > 9)
        throw std::invalid_argument("Invalid zip level " + std::to_string(options.zipLevel) +
                                    ": it must be between 1 (fastest) and 9 (smallest files)");
}

void FrameWriter::write(const std::string& path, const OIIO::ImageBuf& image, const SourceFrame* input) const
{
    // The conversions hold up to a frame's worth of pixels again: memory may run out here even
    // when the frame itself could be rendered.
    try {
        writeFrame(path, image, input);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot write " + inQuotes(path) + ": out of memory converting the " +
                                 std::to_string(image.spec().width) + "x" + std::to_string(image.spec().height) +
                                 " frame for its format");
    }
}

void FrameWriter::writeFrame(const std::string& path, const OIIO::ImageBuf& image, const SourceFrame* input) const
{
    checkedFormat(path);
    const OIIO::ROI roi = image.roi();
    if (image.nchannels() < 4 || roi.width() <= 0 || roi.height() <= 0)
        throw std::invalid_argument("Cannot write " + inQuotes(path) + ": the rendered image is not an RGBA image");
    const int width = roi.width();
    const int height = roi.height();
    const Layout layout = chooseLayout(path, width, height, input, m_options.zipLevel);
    const std::size_t pixelCount = std::size_t(width) * std::size_t(height);
    // The rendered pixels as they stand when the image holds them as contiguous float RGBA (what
    // TileRenderer makes); a copy otherwise.
    std::vector<float> rgbaCopy;
    const float* rgba = nullptr;
    if (image.localpixels() && image.spec().format == OIIO::TypeFloat && image.nchannels() == 4 &&
        image.pixel_stride() == OIIO::stride_t(4 * sizeof(float)) &&
        image.scanline_stride() == OIIO::stride_t(width) * image.pixel_stride()) {
        rgba = static_cast<const float*>(image.localpixels());
    } else {
        rgbaCopy.resize(pixelCount * 4);
        image.get_pixels(OIIO::ROI(roi.xbegin, roi.xend, roi.ybegin, roi.yend, 0, 1, 0, 4), OIIO::TypeFloat,
                         rgbaCopy.data());
        rgba = rgbaCopy.data();
    }
    // Strips of the frame converted into the file's pixels, as a rendered frame is written.
    FileStrip strip(layout, input, std::min(height, kStripRows));
    writeFile(path, layout, strip, [&] {
        for (int y0 = 0; y0 < height; y0 += kStripRows) {
            const int y1 = std::min(height, y0 + kStripRows);
            strip.start(y0);
            for (int y = y0; y < y1; ++y)
                strip.put(y, 0, width, rgba + std::size_t(y) * std::size_t(width) * 4);
            if (!strip.write(y1))
                return false;
        }
        return true;
    });
}

void FrameWriter::write(const std::string& path, const TileRenderer& renderer, const PxImageProtocol& node, double time,
                        int level, const SourceFrame* input) const
{
    const GeRectangle<int> frame = TileRenderer::getFullFrame(node, level);
    const int width = frame.getWidth();
    try {
        const Layout layout = chooseLayout(path, width, frame.getHeight(), input, m_options.zipLevel);
        // One strip of the file's pixels: a row of tiles, filled by the workers as they render
        // its tiles, written before the next strip is rendered.
        FileStrip strip(layout, input, renderer.getTileHeight());
        const TileRenderer::RowConsumer convert = [&](int row, int column, int count, const float* rgba) {
            strip.put(row, column, count, rgba);
        };
        writeFile(path, layout, strip, [&] {
            const int strips = renderer.getStripCount(node, level);
            for (int s = 0; s < strips; ++s) {
                // Strips are counted from the top: each starts where the one before ended.
                const std::pair<int, int> rows = renderer.renderStrip(node, time, s, convert, level);
                if (!strip.write(rows.second))
                    return false;
                strip.start(rows.second);
            }
            return true;
        });
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot write " + inQuotes(path) + ": out of memory converting the " +
                                 std::to_string(width) + "x" + std::to_string(frame.getHeight()) +
                                 " frame for its format");
    }
}

std::vector<unsigned char> FrameWriter::encodePng(const OIIO::ImageBuf& image) const
{
    const OIIO::ROI roi = image.roi();
    if (image.nchannels() != 4 || image.spec().format != OIIO::TypeFloat || !image.localpixels())
        throw std::runtime_error("Cannot encode the preview: the rendered image is not float RGBA");
    std::vector<unsigned char> file;
    try {
        PngEncoder png(roi.width(), roi.height(), m_options.zipLevel);
        const float* rgba = static_cast<const float*>(image.localpixels());
        const std::size_t width = std::size_t(roi.width());
        for (int y = 0; y < roi.height(); ++y)
            toStraight8Bit(rgba + std::size_t(y) * width * 4, width, png.getRow(y));
        png.filterRows(0, roi.height());
        png.write([&](const unsigned char* data, std::size_t size) { file.insert(file.end(), data, data + size); });
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot encode the preview as PNG: out of memory for the " +
                                 std::to_string(roi.width()) + "x" + std::to_string(roi.height()) + " frame");
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Cannot encode the preview as PNG: ") + e.what());
    }
    return file;
}

} // namespace Vx::Render
