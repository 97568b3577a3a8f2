// The lock-free glyph table: finding, publishing, range and misuse.
#include "Fo/FoGlyphTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace Vx {
namespace {

TEST(FoGlyphTable, FindsWhatWasInserted)
{
    FoGlyphTable<const int> table(0x110000);
    std::vector<int> values = {10, 20, 30, 40};
    const std::uint32_t keys[] = {0, 255, 256, 0x10FFFF};
    for (std::size_t i = 0; i < values.size(); ++i)
        table.insert(keys[i], &values[i]);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(table.find(keys[i]), &values[i]) << keys[i];
    // Neighbours on the same page stay empty.
    EXPECT_EQ(table.find(1), nullptr);
    EXPECT_EQ(table.find(999), nullptr);
    EXPECT_EQ(table.find(254), nullptr);
    EXPECT_EQ(table.find(257), nullptr);
}

TEST(FoGlyphTable, AnEntryIsPublishedOnceWithinTheRange)
{
    FoGlyphTable<const int> table(300);
    const int first = 1;
    const int second = 2;
    table.insert(3, &first);
    EXPECT_THROW(table.insert(3, &second), RCExAssertionFailed);
    EXPECT_EQ(table.find(3), &first);
    EXPECT_EQ(table.find(300), nullptr);
    EXPECT_EQ(table.find(0xFFFFFFFFu), nullptr);
    EXPECT_THROW(table.insert(300, &first), RCExAssertionFailed);
}

} // namespace
} // namespace Vx
