// 8-bit single-channel images: glyph coverage rasters and masks.
//
// Row 0 is the top row (raster order). Strides are in bytes: the byte of column x, row y is at
// data + y * yStride + x * xStride. Immutable once made; shared between threads by handle.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vx {

class ImImage : public RCObject
{
public:
    /// A w x h image of zeros, packed (x stride 1, y stride w).
    ImImage(int width, int height);
    /// Takes `bytes` laid out with the given strides.
    ImImage(int width, int height, std::ptrdiff_t xStride, std::ptrdiff_t yStride, std::vector<std::uint8_t> bytes);

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    std::ptrdiff_t getXStride() const { return m_xStride; }
    std::ptrdiff_t getYStride() const { return m_yStride; }
    const std::uint8_t* getData() const { return m_bytes.data(); }
    std::uint8_t* getData() { return m_bytes.data(); }

private:
    int m_width;
    int m_height;
    std::ptrdiff_t m_xStride;
    std::ptrdiff_t m_yStride;
    std::vector<std::uint8_t> m_bytes;
};

/// Read access to an ImImage. Raises RCExNullPtr when opened on an empty handle.
class ImReadGuard
{
public:
    explicit ImReadGuard(const RCShdPtr<ImImage>& image) : m_image(&*image) {}
    int getWidth() const { return m_image->getWidth(); }
    int getHeight() const { return m_image->getHeight(); }
    std::ptrdiff_t getXStride() const { return m_image->getXStride(); }
    std::ptrdiff_t getYStride() const { return m_image->getYStride(); }
    const std::uint8_t* getData() const { return m_image->getData(); }
    /// The byte at column x, row y (row 0 at the top).
    std::uint8_t getByte(int x, int y) const { return getData()[y * getYStride() + x * getXStride()]; }

private:
    const ImImage* m_image;
};

} // namespace Vx
