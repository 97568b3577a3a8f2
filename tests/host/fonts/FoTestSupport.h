// Helpers shared by the font service tests: the fonts they rely on and small raster measures.
#pragma once

#include <Vx/Fo/FoFont.h>
#include <Vx/Im/ImImage.h>

#include <gtest/gtest.h>

#include <string>

namespace Vx::FoTest {

/// The family every font test relies on (fonts-dejavu-core).
inline const std::string kFamily = "DejaVu Sans";

/// The number of pixels of row `y` of `image` whose coverage is at least half.
inline int countCovered(const RCShdPtr<ImImage>& image, int y)
{
    const ImReadGuard raster(image);
    int count = 0;
    for (int x = 0; x < raster.getWidth(); ++x)
        count += raster.getByte(x, y) >= 128 ? 1 : 0;
    return count;
}

/// Whether two glyphs agree in every field; images by content.
inline ::testing::AssertionResult sameGlyph(const FoFont::Glyph& a, const FoFont::Glyph& b)
{
    if (a.id != b.id)
        return ::testing::AssertionFailure() << "ids differ: " << a.id << " and " << b.id;
    if (a.box != b.box)
        return ::testing::AssertionFailure() << "boxes differ: " << a.box << " and " << b.box;
    if (a.advanceX != b.advanceX || a.advanceY != b.advanceY)
        return ::testing::AssertionFailure() << "advances differ: (" << a.advanceX << ", " << a.advanceY << ") and ("
                                             << b.advanceX << ", " << b.advanceY << ")";
    if (a.image.isNull() != b.image.isNull())
        return ::testing::AssertionFailure() << "only one glyph has a raster";
    if (a.image.isNull())
        return ::testing::AssertionSuccess();
    const ImReadGuard ra(a.image);
    const ImReadGuard rb(b.image);
    if (ra.getWidth() != rb.getWidth() || ra.getHeight() != rb.getHeight())
        return ::testing::AssertionFailure() << "raster sizes differ";
    for (int y = 0; y < ra.getHeight(); ++y) {
        for (int x = 0; x < ra.getWidth(); ++x) {
            if (ra.getByte(x, y) != rb.getByte(x, y))
                return ::testing::AssertionFailure() << "rasters differ at (" << x << ", " << y << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace Vx::FoTest
