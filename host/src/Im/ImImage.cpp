#include <Vx/Im/ImImage.h>

#include <Vx/RC/Assertions.h>

namespace Vx {

ImImage::ImImage(int width, int height)
    : m_width(width), m_height(height), m_xStride(1), m_yStride(width),
      m_bytes(std::size_t(width > 0 ? width : 0) * std::size_t(height > 0 ? height : 0), 0)
{
    VX_ASSERT(width >= 0 && height >= 0);
}

ImImage::ImImage(int width, int height, std::ptrdiff_t xStride, std::ptrdiff_t yStride, std::vector<std::uint8_t> bytes)
    : m_width(width), m_height(height), m_xStride(xStride), m_yStride(yStride), m_bytes(std::move(bytes))
{
    VX_ASSERT(width >= 0 && height >= 0);
    VX_ASSERT(width == 0 || height == 0 ||
              std::size_t((height - 1) * yStride + (width - 1) * xStride) < m_bytes.size());
}

} // namespace Vx
