// The glyph cache from many threads at once, evicting all the time: every raster handed out
// stays whole while its holder reads it, and equals the one rendered serially. Run under
// ThreadSanitizer too.
#include "host/fonts/FoTestSupport.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Vx {
namespace {

TEST(FoGlyphCacheThreads, EvictionsUnderReadersKeepRastersWhole)
{
    FoFontMgr& fonts = FoFontMgr::getInstance();
    const std::size_t previous = fonts.getGlyphCacheLimit();
    const FoFont f = fonts.getFont(FoTest::kFamily, FoFontMgr::Regular, 151, 151);
    std::vector<FoFont::Glyph> serial;
    for (wchar_t c = L'A'; c <= L'z'; ++c)
        serial.push_back(f.rasterizeGlyph(f.getChar(c).id));

    // A bound of a few glyphs: nearly every request evicts.
    constexpr std::size_t kLimit = 64 << 10;
    fonts.setGlyphCacheLimit(kLimit);
    constexpr int kThreads = 6;
    std::atomic<int> mismatches{0};
    std::atomic<int> overBound{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 4; ++round) {
                for (std::size_t i = 0; i < serial.size(); ++i) {
                    const FoFont::Glyph& expected = serial[(i * 7 + std::size_t(t) * 13) % serial.size()];
                    const FoFont::Glyph got = f.rasterizeGlyph(expected.id);
                    if (!FoTest::sameGlyph(got, expected))
                        ++mismatches;
                    if (fonts.getGlyphCacheBytes() > kLimit)
                        ++overBound;
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    fonts.setGlyphCacheLimit(previous);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(overBound.load(), 0);
}

} // namespace
} // namespace Vx
