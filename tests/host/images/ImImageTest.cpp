// ImImage and ImReadGuard: 8-bit images with byte strides, row 0 at the top.
#include <Vx/Im/ImImage.h>
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

namespace Vx {
namespace {

TEST(ImImage, GetByteFollowsTheStrides)
{
    // 3 x 2 pixels, every other byte, rows 8 bytes apart (padding at the end of each row).
    std::vector<std::uint8_t> bytes(16);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t(100));
    const RCShdPtr<ImImage> image = makeShared<ImImage>(3, 2, 2, 8, bytes);
    const ImReadGuard guard(image);
    EXPECT_EQ(guard.getXStride(), 2);
    EXPECT_EQ(guard.getYStride(), 8);
    const std::uint8_t expected[2][3] = {{100, 102, 104}, {108, 110, 112}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(guard.getByte(x, y), expected[y][x]) << x << ", " << y;
    EXPECT_EQ(guard.getData(), image->getData());
}

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
