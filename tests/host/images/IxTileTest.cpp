// IxTile and its guards: row order (y up), pixel access, guards reading what was written, and
// ipCopy over whole tiles and rectangles. (Filling a tile: the Slate glyph blend starts from one.)
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Ix/IxTile.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace Vx {
namespace {

using IRect = GeRectangle<int>;
using Rgba = CoRgbaColorTyped<float>;

/// A colour that names its pixel: red x, green y, blue the tile's tag, alpha 1.
Rgba marker(int x, int y, float tag)
{
    return {float(x), float(y), tag, 1.0f};
}

RCShdPtr<IxTile> makeMarkedTile(const IRect& region, float tag)
{
    RCShdPtr<IxTile> tile = makeShared<IxTile>(region);
    const IxWriteGuard guard(tile.get());
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            IxPixelUtil::setPixelColor(guard, x, y, marker(x, y, tag));
    return tile;
}

TEST(IxTile, RowsGoUpFromTheBottomRow)
{
    // 3 x 2 pixels at (10, 5): row y = 5 first in memory, then row y = 6.
    RCShdPtr<IxTile> tile = makeShared<IxTile>(IRect{10, 13, 5, 7});

    const IxWriteGuard guard(tile.get());
    IxPixelUtil::setPixelColor(guard, 10, 5, {1, 2, 3, 4});
    IxPixelUtil::setPixelColor(guard, 12, 5, {5, 6, 7, 8});
    IxPixelUtil::setPixelColor(guard, 10, 6, {9, 10, 11, 12});
    IxPixelUtil::setPixelColor(guard, 12, 6, {13, 14, 15, 16});

    const float* data = tile->getData();
    const float expected[][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
    const int offsets[] = {0, 8, 12, 20}; // floats from the start: (10,5) (12,5) (10,6) (12,6)
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(data[offsets[i] + c], expected[i][c]) << "pixel " << i << " channel " << c;

    EXPECT_EQ(guard.getRow(5), tile->getData());
    EXPECT_EQ(guard.getRow(6), tile->getData() + 12);
    EXPECT_EQ(guard.getPixel(11, 6), tile->getData() + 16);
}

/// One ipCopy: tiles, rectangles, and the destination pixels it must change, with the offset
/// (destination minus source) they come from.
struct CopyCase
{
    const char* name;
    IRect source;
    IRect destination;
    bool withSourceRect;
    IRect sourceRect;
    bool withDestRect;
    IRect destRect;
    IRect expectedCopied; // destination pixels that change
    int dx;
    int dy;
};

const CopyCase kCopyCases[] = {
    {"partial overlap", {0, 8, 0, 8}, {4, 12, 2, 10}, false, {}, false, {}, {4, 8, 2, 8}, 0, 0},
    {"no overlap", {0, 4, 0, 4}, {4, 8, 0, 4}, false, {}, false, {}, {}, 0, 0},
    {"source rectangle partly outside the source",
     {0, 4, 0, 4},
     {8, 24, 16, 32},
     true,
     {2, 6, 2, 6},
     true,
     {10, 14, 20, 24},
     {10, 12, 20, 22},
     8,
     18},
    {"destination rectangle partly outside the destination",
     {0, 8, 0, 8},
     {0, 8, 0, 8},
     true,
     {0, 4, 0, 4},
     true,
     {6, 10, 5, 9},
     {6, 8, 5, 8},
     6,
     5},
    {"destination rectangle only",
     {0, 4, 0, 2},
     {0, 16, 0, 16},
     false,
     {},
     true,
     {10, 20, 7, 8},
     {10, 14, 7, 8},
     10,
     7},
};

TEST(IpCopy, CopiesExactlyTheCoveredPixelsAndNothingElse)
{
    for (const CopyCase& c : kCopyCases) {
        SCOPED_TRACE(c.name);
        const RCShdPtr<IxTile> source = makeMarkedTile(c.source, 1.0f);
        const RCShdPtr<IxTile> destination = makeMarkedTile(c.destination, 2.0f);
        const std::vector<float> sourceBefore(source->getData(),
                                              source->getData() + source->getWidth() * source->getHeight() * 4);

        ipCopy(IxWriteGuard(destination.get()), IxReadGuard(source.get()), c.withDestRect ? &c.destRect : nullptr,
               c.withSourceRect ? &c.sourceRect : nullptr);

        const IxReadGuard result(destination.get());
        int copied = 0;
        for (int y = c.destination.y0; y < c.destination.y1; ++y) {
            for (int x = c.destination.x0; x < c.destination.x1; ++x) {
                const bool inside = c.expectedCopied.contains(x, y);
                const Rgba expected = inside ? marker(x - c.dx, y - c.dy, 1.0f) : marker(x, y, 2.0f);
                EXPECT_EQ(IxPixelUtil::getPixelColor(result, x, y), expected) << "at " << x << ", " << y;
                copied += inside ? 1 : 0;
            }
        }
        EXPECT_EQ(copied, c.expectedCopied.getWidth() * c.expectedCopied.getHeight());
        // The source is only read.
        EXPECT_EQ(std::memcmp(sourceBefore.data(), source->getData(), sourceBefore.size() * sizeof(float)), 0);
    }
}

} // namespace
} // namespace Vx
