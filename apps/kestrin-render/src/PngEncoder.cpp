// PNG files of 8-bit RGBA: rows filtered in place, the frame compressed whole with libdeflate.
#include <Vx/Render/PngEncoder.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include <libdeflate.h>

namespace Vx::Render {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char kFilterSub = 1;
constexpr std::size_t kPixelBytes = 4;
// IDAT chunks of a mebibyte: far below the format's 2^31 - 1 bytes a chunk, whatever the frame.
constexpr std::size_t kIdatBytes = std::size_t(1) << 20;

void putBigEndian(std::uint32_t value, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

// One chunk to `sink`: its length, type, `size` bytes of `data` and the CRC of type and data.
void writeChunk(const PngEncoder::Sink& sink, const char type[4], const unsigned char* data, std::size_t size)
{
    unsigned char head[8];
    putBigEndian(std::uint32_t(size), head);
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    unsigned char tail[4];
    sink(head, sizeof head);
    if (size > 0) {
        crc = libdeflate_crc32(crc, data, size);
        sink(data, size);
    }
    putBigEndian(crc, tail);
    sink(tail, sizeof tail);
}

// The "sub" filter of the `bytes` pixel bytes of a row, in place. Right to left, so that every
// byte is taken from its left neighbour before that neighbour is filtered in turn: 16 bytes at a
// time, both loaded before the result is stored (the compiler makes one vector subtraction of
// the inner loop), the first bytes one by one.
void subFilter(unsigned char* row, std::size_t bytes)
{
    std::size_t i = bytes;
    for (; i >= 16 + kPixelBytes; i -= 16) {
        unsigned char here[16];
        unsigned char left[16];
        std::memcpy(here, row + i - 16, 16);
        std::memcpy(left, row + i - 16 - kPixelBytes, 16);
        for (int k = 0; k < 16; ++k)
            here[k] = static_cast<unsigned char>(here[k] - left[k]);
        std::memcpy(row + i - 16, here, 16);
    }
    for (; i > kPixelBytes; --i)
        row[i - 1] = static_cast<unsigned char>(row[i - 1] - row[i - 1 - kPixelBytes]);
}

struct CompressorFree
{
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

} // namespace

PngEncoder::PngEncoder(int width, int height, int zipLevel) : m_width(width), m_height(height), m_zipLevel(zipLevel)
{
    if (width < 1 || height < 1)
        throw std::invalid_argument("Cannot encode a PNG of " + std::to_string(width) + "x" + std::to_string(height) +
                                    " pixels: both sides must be 1 or more");
    if (zipLevel < 1 || zipLevel > 9)
        throw std::invalid_argument("Invalid zip level " + std::to_string(zipLevel) +
                                    ": it must be between 1 (fastest) and 9 (smallest files)");
    m_rowBytes = 1 + kPixelBytes * std::size_t(width);
    if (std::size_t(height) > std::numeric_limits<std::size_t>::max() / m_rowBytes)
        throw std::bad_alloc();
    // Not zeroed: every byte is written by the caller or filterRows().
    m_rows.reset(new unsigned char[m_rowBytes * std::size_t(height)]);
}

PngEncoder::~PngEncoder() = default;

void PngEncoder::filterRows(int first, int end)
{
    for (int y = first; y < end; ++y) {
        unsigned char* row = m_rows.get() + rowOffset(y);
        row[0] = kFilterSub;
        subFilter(row + 1, m_rowBytes - 1);
    }
    m_filteredRows += std::size_t(end > first ? end - first : 0);
}

void PngEncoder::write(const Sink& sink) const
{
    if (m_filteredRows != std::size_t(m_height))
        throw std::logic_error("PngEncoder::write: " + std::to_string(m_filteredRows) + " rows of " +
                               std::to_string(m_height) + " were filtered");
    // A compressor costs microseconds to make, against milliseconds to compress a frame: one a
    // frame, no state kept between frames or threads.
    const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(libdeflate_alloc_compressor(m_zipLevel));
    if (!compressor)
        throw std::bad_alloc();
    const std::size_t size = m_rowBytes * std::size_t(m_height);
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), size);
    // Not zeroed either: the pages past the compressed size are never touched, nor counted in
    // the process's memory.
    const std::unique_ptr<unsigned char[]> compressed(new unsigned char[bound]);
    const std::size_t compressedSize =
        libdeflate_zlib_compress(compressor.get(), m_rows.get(), size, compressed.get(), bound);
    if (compressedSize == 0)
        throw std::logic_error("PngEncoder::write: libdeflate found its own bound too small");

    unsigned char header[13];
    putBigEndian(std::uint32_t(m_width), header);
    putBigEndian(std::uint32_t(m_height), header + 4);
    header[8] = 8;  // bits a value
    header[9] = 6;  // colour with alpha
    header[10] = 0; // deflate
    header[11] = 0; // the five filters of rows
    header[12] = 0; // not interlaced
    sink(kSignature, sizeof kSignature);
    writeChunk(sink, "IHDR", header, sizeof header);
    for (std::size_t at = 0; at < compressedSize; at += kIdatBytes)
        writeChunk(sink, "IDAT", compressed.get() + at, std::min(kIdatBytes, compressedSize - at));
    writeChunk(sink, "IEND", nullptr, 0);
}

} // namespace Vx::Render
