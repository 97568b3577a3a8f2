// A PNG file of 8-bit RGBA (straight alpha) made from rows handed over in any order, compressed
// in one piece when the frame is complete: what FrameWriter writes for .png outputs and the
// browser panel's preview, and what floor-io writes.
//
//   PngEncoder png(width, height, zipLevel);      // holds the whole frame, filtered: (1 + 4 w) h bytes
//   toStraight8Bit(rgba, width, png.getRow(y));   // each pixel once, from any thread
//   png.filterRows(first, end);                   // once a row's pixels are all there, one thread
//   png.write(sink);                              // signature, IHDR, IDAT..., IEND, in order
//
// Rows are stored with PNG's "sub" filter (each byte minus the one of the pixel to its left),
// which compresses about as well as choosing a filter for each row, at a fraction of the cost.
// The filtered frame is compressed with libdeflate at `zipLevel` (1 fastest, 9 smallest) into
// one zlib stream, written in IDAT chunks of at most 1 MiB. The file holds no ancillary chunk:
// the only one OpenImageIO wrote for these frames was an image offset of 0, 0 (oFFs), what a
// reader takes when there is none.
//
// One encoder per frame; it is not copyable. getRow() may be used from several threads for
// different pixels; filterRows() and write() from one thread at a time. Depends on nothing of
// the renderer (floor-io compiles this file on its own).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace Vx::Render {

class PngEncoder
{
public:
    /// Where write() hands the file's bytes, in order; may throw, which ends write().
    using Sink = std::function<void(const unsigned char* data, std::size_t size)>;

    /// An encoder of a `width` x `height` frame. Throws std::invalid_argument for a size below
    /// 1x1 or a zip level outside 1-9, std::bad_alloc when the frame cannot be held.
    PngEncoder(int width, int height, int zipLevel);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }

    /// Where the 4 * width bytes (R, G, B, A of each pixel, left to right) of row `y` (0 the
    /// top) go. They are filtered in place by filterRows(): write each pixel before that, once.
    unsigned char* getRow(int y) { return m_rows.get() + rowOffset(y) + 1; }
    /// Bytes from the start of a row given by getRow() to the start of the next one.
    std::size_t getRowStride() const { return m_rowBytes; }

    /// Filters rows `first` to `end` (exclusive), whose pixels are all written. Every row of
    /// the frame must be filtered once before write().
    void filterRows(int first, int end);

    /// Compresses the frame and hands the whole PNG file to `sink`. Throws std::logic_error
    /// when some row was not filtered, std::bad_alloc when memory runs out.
    void write(const Sink& sink) const;

private:
    std::size_t rowOffset(int y) const { return std::size_t(y) * m_rowBytes; }

    int m_width;
    int m_height;
    int m_zipLevel;
    std::size_t m_rowBytes; // the filter type byte and the row's pixels
    std::unique_ptr<unsigned char[]> m_rows;
    std::size_t m_filteredRows = 0;
};

} // namespace Vx::Render
