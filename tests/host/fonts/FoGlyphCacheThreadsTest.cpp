// The font service from many threads at once: one fresh shared face asked for the same glyphs in
// different orders (the glyph table read while it is written) while the raster cache evicts all
// the time. Every metric and every raster handed out equals the one a separate face gives when
// asked serially, and stays whole while its holder reads it. Run under ThreadSanitizer too.
#include "host/fonts/FoTestSupport.h"

#include "Fo/FoFontConfig.h"
#include "Fo/FoFtFace.h"
#include "Fo/FoFtLibrary.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

TEST(FoGlyphCacheThreads, ConcurrentGlyphsUnderEvictionsMatchSerial)
{
    FoFontMgr& fonts = FoFontMgr::getInstance();
    const std::size_t previous = fonts.getGlyphCacheLimit();
    // A size no other test uses, so that the shared face starts with empty tables.
    const FoFont f = fonts.getFont(FoTest::kFamily, FoFontMgr::Regular, 151, 149);
    ASSERT_TRUE(f.isValid());
    std::wstring text = L"\u00e9\u00df\u20ac\u2014";
    for (wchar_t c = L'!'; c <= L'z'; ++c)
        text += c;
    const FoStyleFaces files = FoFontConfig().findStyleFaces(FoTest::kFamily);
    ASSERT_TRUE(files[0].has_value());
    const FoFtFace serialFace(makeShared<FoFtLibrary>(), files[0]->file, files[0]->index, 151, 149);
    std::vector<FoFont::Glyph> metrics;
    std::vector<FoFont::Glyph> rasters;
    for (const wchar_t c : text) {
        metrics.push_back(serialFace.getChar(c));
        rasters.push_back(serialFace.rasterizeGlyph(metrics.back().id));
    }

    // A bound of a few glyphs: nearly every request evicts.
    constexpr std::size_t kLimit = 64 << 10;
    fonts.setGlyphCacheLimit(kLimit);
    constexpr int kThreads = 6;
    std::atomic<int> mismatches{0};
    std::atomic<int> overBound{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (std::size_t k = 0; k < text.size(); ++k) {
                    // Threads walk the text from different starting points and directions.
                    const std::size_t i = t % 2 == 0 ? (k * 7 + std::size_t(t) * 13) % text.size()
                                                     : text.size() - 1 - (k + std::size_t(t) * 11) % text.size();
                    const FoFont::Glyph got = f.getChar(text[i]);
                    if (!FoTest::sameGlyph(got, metrics[i]) || !FoTest::sameGlyph(f.rasterizeGlyph(got.id), rasters[i]))
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
