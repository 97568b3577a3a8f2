// The font service from many threads at once: glyphs of one shared face, and the glyph table read
// while it is written. Run under ThreadSanitizer too.
#include "host/fonts/FoTestSupport.h"

#include "Fo/FoFontConfig.h"
#include "Fo/FoFtFace.h"
#include "Fo/FoFtLibrary.h"
#include "Fo/FoGlyphTable.h"

#include <Vx/Fo/FoFontMgr.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Vx {
namespace {

using FoTest::kFamily;
using FoTest::sameGlyph;

constexpr int kThreads = 8;

/// Runs `work(thread)` on kThreads threads released together.
template <class Work> void runTogether(Work work)
{
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0)
                std::this_thread::yield();
            work(t);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

std::wstring sampleText()
{
    std::wstring text = L"The quick brown fox jumps over the lazy dog. 0123456789 \u00e9\u00e8\u00e0\u00df\u20ac\u2014";
    for (wchar_t c = 0x21; c < 0x250; ++c)
        text += c;
    text += wchar_t(0xFFE9);
    text += wchar_t(0x4E00);
    return text;
}

// Eight threads ask one fresh shared face for the same glyphs in different orders, rasters too;
// every answer equals the one a separate face gives when asked serially.
TEST(FoFontThreads, ConcurrentGlyphsMatchSerial)
{
    // A size no other test uses, so that the shared face starts with empty caches.
    const FoFont shared = FoFontMgr::getInstance().getFont(kFamily, FoFontMgr::Regular, 37, 41);
    ASSERT_TRUE(shared.isValid());
    const std::wstring text = sampleText();
    const std::size_t n = text.size();

    std::vector<std::vector<FoFont::Glyph>> metrics(kThreads, std::vector<FoFont::Glyph>(n));
    std::vector<std::vector<FoFont::Glyph>> rasters(kThreads, std::vector<FoFont::Glyph>(n));
    runTogether([&](int t) {
        for (std::size_t k = 0; k < n; ++k) {
            // Threads walk the text from different starting points and directions.
            const std::size_t i =
                (t % 2 == 0) ? (k + std::size_t(t) * 37) % n : (n - 1 - (k + std::size_t(t) * 11) % n);
            metrics[t][i] = shared.getChar(text[i]);
            rasters[t][i] = shared.rasterizeGlyph(metrics[t][i].id);
        }
    });

    const FoStyleFaces files = FoFontConfig().findStyleFaces(kFamily);
    ASSERT_TRUE(files[0].has_value());
    const FoFtFace serial(makeShared<FoFtLibrary>(), files[0]->file, files[0]->index, 37, 41);
    for (std::size_t i = 0; i < n; ++i) {
        const FoFont::Glyph& expectedMetrics = serial.getChar(text[i]);
        const FoFont::Glyph& expectedRaster = serial.rasterizeGlyph(expectedMetrics.id);
        for (int t = 0; t < kThreads; ++t) {
            ASSERT_TRUE(sameGlyph(metrics[t][i], expectedMetrics))
                << "thread " << t << " U+" << std::hex << int(text[i]);
            ASSERT_TRUE(sameGlyph(rasters[t][i], expectedRaster))
                << "thread " << t << " U+" << std::hex << int(text[i]);
        }
    }
}

} // namespace
} // namespace Vx
