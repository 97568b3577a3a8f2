// Tiles: a rectangle of pixels of one image at one resolution level, and the guards that open
// it for reading or writing.
//
// Pixels are float RGBA, premultiplied by alpha, the natural store of a compositing host. Rows
// go bottom to top as y grows (y up): pixel (x, y) of region R sits at index
// ((y - R.y0) * width + (x - R.x0)) * 4. A tile is written by the one request that allocated it
// and read by any number of threads once it is handed on in a result.
#pragma once

#include <Vx/Co/CoColor.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/RC/Assertions.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstddef>
#include <memory>

namespace Vx {

class IxTile : public RCObject
{
public:
    static constexpr int kChannels = 4;

    /// A tile over `region` (pixels of the current resolution). Its pixels are not initialised.
    /// `fill` is the premultiplied colour the image has outside the region. Throws
    /// std::runtime_error naming the tile's size and bytes when they cannot be allocated.
    explicit IxTile(const GeRectangle<int>& region, const CoRgbaColorTyped<float>& fill = {});
    /// A tile over `region` whose pixels are those of `other`, shared, not copied: for images
    /// whose tiles of one size all hold the same pixels (a solid colour). `other` must have the
    /// same width and height and must not be written any more.
    IxTile(const GeRectangle<int>& region, const IxTile& other);

    const GeRectangle<int>& getPixelRegion() const { return m_region; }
    const CoRgbaColorTyped<float>& getFillColor() const { return m_fill; }
    int getWidth() const { return m_region.getWidth(); }
    int getHeight() const { return m_region.getHeight(); }

    float* getData() { return m_pixels.get(); }
    const float* getData() const { return m_pixels.get(); }

    /// Sets every pixel to the premultiplied colour `c`.
    void fill(const CoRgbaColorTyped<float>& premultiplied);
    /// Records that every pixel holds one colour (fill() set them) and that the tile is not
    /// written any more: readers may take the first pixel for all. Kept by tiles sharing its pixels.
    void markSolid() { m_solid = true; }
    bool isSolid() const { return m_solid; }

private:
    GeRectangle<int> m_region;
    CoRgbaColorTyped<float> m_fill;
    std::shared_ptr<float[]> m_pixels;
    bool m_solid = false;
};

class IxWriteGuard;

/// Read access to a tile. Cheap to make and copy: it borrows the tile from whoever keeps it.
class IxReadGuard
{
public:
    IxReadGuard() = default;
    explicit IxReadGuard(const IxTile* tile)
        : m_data(tile ? tile->getData() : nullptr), m_region(tile ? tile->getPixelRegion() : GeRectangle<int>())
    {
    }
    /// Reads the tile that `writer` writes, as it stands.
    inline explicit IxReadGuard(const IxWriteGuard& writer);

    bool isValid() const { return m_data != nullptr; }
    const GeRectangle<int>& getPixelRegion() const { return m_region; }
    /// The first float of pixel (x, y); (x, y) must lie in the region.
    const float* getPixel(int x, int y) const
    {
        return m_data + ((std::ptrdiff_t(y) - m_region.y0) * m_region.getWidth() + (x - m_region.x0)) * 4;
    }
    const float* getRow(int y) const { return getPixel(m_region.x0, y); }

private:
    const float* m_data = nullptr;
    GeRectangle<int> m_region;
};

/// Write access to a tile, held by the request that fills it.
class IxWriteGuard
{
public:
    IxWriteGuard() = default;
    explicit IxWriteGuard(IxTile* tile)
        : m_data(tile ? tile->getData() : nullptr), m_region(tile ? tile->getPixelRegion() : GeRectangle<int>())
    {
    }

    bool isValid() const { return m_data != nullptr; }
    const GeRectangle<int>& getPixelRegion() const { return m_region; }
    float* getPixel(int x, int y) const
    {
        return m_data + ((std::ptrdiff_t(y) - m_region.y0) * m_region.getWidth() + (x - m_region.x0)) * 4;
    }
    float* getRow(int y) const { return getPixel(m_region.x0, y); }
    float* getData() const { return m_data; }

private:
    float* m_data = nullptr;
    GeRectangle<int> m_region;
};

inline IxReadGuard::IxReadGuard(const IxWriteGuard& writer)
    : m_data(writer.getData()), m_region(writer.getPixelRegion())
{
}

/// Pixel access in the tile's own terms: premultiplied RGBA as stored.
struct IxPixelUtil
{
    static CoRgbaColorTyped<float> getPixelColor(const IxReadGuard& guard, int x, int y)
    {
        const float* p = guard.getPixel(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    static void setPixelColor(const IxWriteGuard& guard, int x, int y, const CoRgbaColorTyped<float>& c)
    {
        float* p = guard.getPixel(x, y);
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
        p[3] = c.alpha;
    }
};

/// Copies pixels from `source` to `destination` over the part both cover. With rectangles given,
/// copies only `sourceRect` of the source, landing at `destRect`'s lower-left corner; either may be
/// null for "the whole tile". Pixels of the destination outside the copied part are left alone.
void ipCopy(const IxWriteGuard& destination, const IxReadGuard& source, const GeRectangle<int>* destRect = nullptr,
            const GeRectangle<int>* sourceRect = nullptr);

} // namespace Vx
