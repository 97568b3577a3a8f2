#include <Vx/Ix/IxTile.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace Vx {

namespace {

// The pixels of a tile of `region`; a failed allocation says which tile and how much it needed.
float* allocatePixels(const GeRectangle<int>& region)
{
    const std::size_t width = std::size_t(std::max(0, region.getWidth()));
    const std::size_t height = std::size_t(std::max(0, region.getHeight()));
    try {
        return new float[width * height * IxTile::kChannels];
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot allocate a tile of " + std::to_string(width) + "x" + std::to_string(height) +
                                 " pixels at (" + std::to_string(region.x0) + ", " + std::to_string(region.y0) +
                                 "): its " + std::to_string(width * height * IxTile::kChannels * sizeof(float)) +
                                 " bytes are more than the system gives.");
    }
}

} // namespace

IxTile::IxTile(const GeRectangle<int>& region, const CoRgbaColorTyped<float>& fill)
    : m_region(region.isEmpty() ? GeRectangle<int>() : region), m_fill(fill), m_pixels(allocatePixels(m_region))
{
}

IxTile::IxTile(const GeRectangle<int>& region, const IxTile& other)
    : m_region(region), m_fill(other.m_fill), m_pixels(other.m_pixels), m_solid(other.m_solid)
{
    VX_ASSERT(region.getWidth() == other.getWidth() && region.getHeight() == other.getHeight());
}

void IxTile::fill(const CoRgbaColorTyped<float>& c)
{
    const int width = getWidth();
    const int height = getHeight();
    if (width <= 0 || height <= 0)
        return;
    // One row pixel by pixel, then the others copied from it: memcpy runs at the memory's speed.
    float* const first = m_pixels.get();
    float* p = first;
    for (int x = 0; x < width; ++x, p += kChannels) {
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
        p[3] = c.alpha;
    }
    const std::size_t rowFloats = std::size_t(width) * kChannels;
    for (int y = 1; y < height; ++y)
        std::memcpy(first + std::size_t(y) * rowFloats, first, rowFloats * sizeof(float));
}

void ipCopy(const IxWriteGuard& destination, const IxReadGuard& source, const GeRectangle<int>* destRect,
            const GeRectangle<int>* sourceRect)
{
    VX_ASSERT(destination.isValid());
    VX_ASSERT(source.isValid());
    // Work in source coordinates: take the source part, move it to where it lands, keep what the
    // destination covers.
    const GeRectangle<int> from =
        sourceRect ? sourceRect->intersected(source.getPixelRegion()) : source.getPixelRegion();
    const int dx = destRect ? destRect->x0 - (sourceRect ? sourceRect->x0 : from.x0) : 0;
    const int dy = destRect ? destRect->y0 - (sourceRect ? sourceRect->y0 : from.y0) : 0;
    GeRectangle<int> to = from.translated(dx, dy).intersected(destination.getPixelRegion());
    if (destRect)
        to = to.intersected(*destRect);
    if (to.isEmpty())
        return;
    const std::size_t rowBytes = std::size_t(to.getWidth()) * IxTile::kChannels * sizeof(float);
    for (int y = to.y0; y < to.y1; ++y)
        std::memcpy(destination.getPixel(to.x0, y), source.getPixel(to.x0 - dx, y - dy), rowBytes);
}

} // namespace Vx
