// ImImage: 8-bit images with byte strides, and the bytes they need. (Reading through the strides:
// the Slate glyph blend, whose raster uses every other byte.)
#include <Vx/Im/ImImage.h>
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Vx {
namespace {

TEST(ImImage, BytesTooFewForTheStridesFailTheAssertion)
{
    // The last pixel of a 3 x 2 image with strides 2 and 8 is byte 12: 12 bytes are one too few.
    EXPECT_THROW(ImImage(3, 2, 2, 8, std::vector<std::uint8_t>(12)), RCExAssertionFailed);
    EXPECT_NO_THROW(ImImage(3, 2, 2, 8, std::vector<std::uint8_t>(13)));
    EXPECT_THROW(ImImage(-1, 2), RCExAssertionFailed);
    EXPECT_NO_THROW(ImImage(0, 0));
}

} // namespace
} // namespace Vx
