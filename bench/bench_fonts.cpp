// The font service's hot paths: what a tile render pays per character and per font look-up, and
// what the first use of a glyph costs.
#include <Vx/Fo/FoFontMgr.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using Vx::FoFont;
using Vx::FoFontMgr;

const std::string kFamily = "DejaVu Sans";
// A slate line: clip name, take, date and timecode, a few accented letters; 60 characters.
constexpr wchar_t kLineText[] = L"Slate 0042 / take 3 - 2024-05-17 14:03:27:12 - \u00e9t\u00e9 \u00d1and\u00fa ok!";
static_assert(std::size(kLineText) - 1 == 60, "the line has 60 characters");
const std::wstring kLine = kLineText;

FoFont warmFont(int size)
{
    FoFont font = FoFontMgr::getInstance().getFont(kFamily, FoFontMgr::Regular, size, size);
    for (wchar_t c : kLine)
        font.rasterizeGlyph(font.getChar(c).id);
    return font;
}

// Glyph metrics of a 60-character line, every glyph already cached: the layout cost of a tile.
void BM_GetCharLineCached(benchmark::State& state)
{
    const FoFont font = warmFont(48);
    for (auto _ : state) {
        int pen = 0;
        for (wchar_t c : kLine)
            pen += font.getChar(c).advanceX;
        benchmark::DoNotOptimize(pen);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kLine.size()));
}
BENCHMARK(BM_GetCharLineCached)->Threads(1)->Threads(2);

// rasterizeGlyph of a glyph rendered before: a table look-up and a handle copy.
void BM_RasterizeGlyphCached(benchmark::State& state)
{
    const FoFont font = warmFont(48);
    const std::uint32_t id = font.getChar(L'g').id;
    for (auto _ : state) {
        Vx::RCShdPtr<Vx::ImImage> image = font.rasterizeGlyph(id).image;
        benchmark::DoNotOptimize(image.get());
    }
}
BENCHMARK(BM_RasterizeGlyphCached);

// The first rasterisation of a glyph at 96 px: FreeType loads, hints and renders it, the face
// copies the bitmap and publishes it. Every glyph is rendered once per face and size, so each
// iteration takes the next glyph index not yet rendered in a 96 px face: the figure is a mean over
// glyphs in index order (Latin, Greek, Cyrillic, symbols, ...), not the cost of one letter. When a
// face has no glyph left (rasterizeGlyph reports the index out of range: a one-off inside the
// timing) the next DejaVu face at 96 px is taken, its opening left out of the timing; the state is
// kept across runs so that no glyph is rendered twice.
void BM_RasterizeGlyphFirstTime96(benchmark::State& state)
{
    struct Source
    {
        const char* family;
        int style;
    };
    static const std::array<Source, 12> sources = {{{"DejaVu Sans", 0},
                                                    {"DejaVu Sans", 1},
                                                    {"DejaVu Serif", 0},
                                                    {"DejaVu Serif", 1},
                                                    {"DejaVu Sans Mono", 0},
                                                    {"DejaVu Sans Mono", 1},
                                                    {"DejaVu Sans", 2},
                                                    {"DejaVu Sans", 3},
                                                    {"DejaVu Serif", 2},
                                                    {"DejaVu Serif", 3},
                                                    {"DejaVu Sans Mono", 2},
                                                    {"DejaVu Sans Mono", 3}}};
    static std::size_t source = 0;
    static std::uint32_t next = 0;
    static FoFont font;

    std::int64_t pixels = 0;
    for (auto _ : state) {
        std::optional<FoFont::Glyph> glyph;
        while (!glyph && source < sources.size()) {
            if (!font.isValid()) {
                state.PauseTiming();
                font = FoFontMgr::getInstance().getFont(sources[source].family, sources[source].style, 96, 96);
                next = 0;
                if (!font.isValid())
                    ++source; // a style this machine lacks
                state.ResumeTiming();
                continue;
            }
            try {
                glyph = font.rasterizeGlyph(next++);
            } catch (const std::out_of_range&) {
                font = FoFont();
                ++source;
            }
        }
        if (!glyph) {
            state.SkipWithError("Every glyph of every DejaVu face at 96 px was rendered already.");
            break;
        }
        if (!glyph->image.isNull())
            pixels += std::int64_t(glyph->image->getWidth()) * glyph->image->getHeight();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pixels/glyph"] =
        benchmark::Counter(double(pixels) / double(state.iterations() > 0 ? state.iterations() : 1));
}
// A fixed count, so that the framework's trial runs do not use up the glyphs: the first 4000 glyphs
// of DejaVu Sans Book.
BENCHMARK(BM_RasterizeGlyphFirstTime96)->Iterations(4000);

// getFont of a font asked for before: what every tile pays to find its font.
void BM_GetFontResolved(benchmark::State& state)
{
    const FoFont warm = FoFontMgr::getInstance().getFont(kFamily, FoFontMgr::Bold, 48, 48);
    if (!warm.isValid()) {
        state.SkipWithError("DejaVu Sans Bold is not installed.");
        return;
    }
    for (auto _ : state) {
        FoFont font = FoFontMgr::getInstance().getFont(kFamily, FoFontMgr::Bold, 48, 48);
        benchmark::DoNotOptimize(font.getFace().get());
    }
}
BENCHMARK(BM_GetFontResolved)->Threads(1)->Threads(2);

} // namespace
