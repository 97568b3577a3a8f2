// LiString: the host's text, to and from std::string; LiStringUtil::convertNb: decimal digits of
// ints and 64-bit integers, extremes included.
#include <Vx/Li/LiString.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>

namespace Vx {
namespace {

TEST(LiStringUtil, ConvertsIntsAndInt64sUpToTheirExtremes)
{
    const struct
    {
        int value;
        const char* expected;
    } ints[] = {{0, "0"}, {-7, "-7"}, {10, "10"}, {-1001, "-1001"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const auto& c : ints)
        EXPECT_EQ(LiStringUtil::convertNb(c.value), c.expected) << "value " << c.value;

    const struct
    {
        std::int64_t value;
        const char* expected;
    } longs[] = {
        {std::int64_t{4294967296}, "4294967296"},
        {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
        {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
        {std::numeric_limits<std::int64_t>::min() + 1, "-9223372036854775807"},
    };
    for (const auto& c : longs)
        EXPECT_EQ(LiStringUtil::convertNb(c.value), c.expected) << "value " << c.value;
}

} // namespace
} // namespace Vx
