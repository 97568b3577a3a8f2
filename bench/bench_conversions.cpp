// The conversions of a file sequence's frames between float and the files' integer types, one
// 1920 x 1080 frame each: on the way in 8- and 16-bit values to float and the premultiplication
// of unassociated alpha, on the way out float RGBA to PNG's straight 8-bit RGBA and to DPX's
// 16-bit RGB (what the 10-bit writer packs), also a tile's rows at a time as a strip is written.
#include <Vx/Render/PixelConversions.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace Vx::Render {
namespace {

constexpr std::size_t kPixels = 1920 * 1080;

// A frame of premultiplied float RGBA with partial alpha and values a little out of range.
std::vector<float> renderedFrame()
{
    std::vector<float> rgba(kPixels * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = i % 4 == 3 ? float(i % 1021) / 1020.0f : float(i % 1103) / 1000.0f - 0.05f;
    return rgba;
}

void setCounters(benchmark::State& state, std::size_t bytesPerFrame)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytesPerFrame));
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void BM_ToStraight8Bit(benchmark::State& state)
{
    const std::vector<float> rgba = renderedFrame();
    std::vector<unsigned char> out(kPixels * 4);
    for (auto _ : state) {
        toStraight8Bit(rgba.data(), kPixels, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setCounters(state, rgba.size() * sizeof(float));
}
BENCHMARK(BM_ToStraight8Bit)->Unit(benchmark::kMillisecond);

void BM_ToUnsigned16RGB(benchmark::State& state)
{
    const std::vector<float> rgba = renderedFrame();
    std::vector<std::uint16_t> out(kPixels * 3);
    for (auto _ : state) {
        toUnsigned16RGB(rgba.data(), kPixels, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setCounters(state, rgba.size() * sizeof(float));
}
BENCHMARK(BM_ToUnsigned16RGB)->Unit(benchmark::kMillisecond);

// A frame written strip by strip converts each rendered tile's rows into the strip (a row of
// tiles) as the tile is rendered: a 256 x 256 tile, warm in the cache, into a 1920-pixel-wide
// strip; argument 0 PNG's straight 8-bit RGBA, 1 DPX's 16-bit RGB. Bytes are the tile's floats.
void BM_TileRowsIntoStrip(benchmark::State& state)
{
    constexpr std::size_t kTile = 256;
    constexpr std::size_t kStripWidth = 1920;
    std::vector<float> tile = renderedFrame();
    tile.resize(kTile * kTile * 4);
    std::vector<unsigned char> bytes(kStripWidth * kTile * 4);
    std::vector<std::uint16_t> words(kStripWidth * kTile * 3);
    const bool dpx = state.range(0) == 1;
    for (auto _ : state) {
        for (std::size_t row = 0; row < kTile; ++row) {
            const float* rgba = tile.data() + row * kTile * 4;
            if (dpx)
                toUnsigned16RGB(rgba, kTile, words.data() + (row * kStripWidth + kTile) * 3);
            else
                toStraight8Bit(rgba, kTile, bytes.data() + (row * kStripWidth + kTile) * 4);
        }
        benchmark::DoNotOptimize(bytes.data());
        benchmark::DoNotOptimize(words.data());
    }
    setCounters(state, tile.size() * sizeof(float));
}
BENCHMARK(BM_TileRowsIntoStrip)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A conversion of a frame's worth of values: `in` made by make(i), `convert(in, out)` timed,
// `bytes` (the frame's float side) counted a run.
template <class In, class Out, class Make, class Convert>
void timeConversion(benchmark::State& state, std::size_t inValues, std::size_t outValues, std::size_t bytes, Make make,
                    Convert convert)
{
    std::vector<In> in(inValues);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = make(i);
    std::vector<Out> out(outValues);
    for (auto _ : state) {
        convert(in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setCounters(state, bytes);
}

const auto kWords = [](std::size_t i) { return static_cast<std::uint16_t>(i * 64 + i / 3); };

void BM_Unsigned8ToFloat(benchmark::State& state)
{
    const std::size_t n = kPixels * 4;
    timeConversion<unsigned char, float>(
        state, n, n, n * sizeof(float), [](std::size_t i) { return static_cast<unsigned char>(i * 7); },
        [n](const unsigned char* in, float* out) { unsigned8ToFloat(in, n, out); });
}
BENCHMARK(BM_Unsigned8ToFloat)->Unit(benchmark::kMillisecond);

void BM_Unsigned16ToFloat(benchmark::State& state)
{
    const std::size_t n = kPixels * 3;
    timeConversion<std::uint16_t, float>(state, n, n, n * sizeof(float), kWords,
                                         [n](const std::uint16_t* in, float* out) { unsigned16ToFloat(in, n, out); });
}
BENCHMARK(BM_Unsigned16ToFloat)->Unit(benchmark::kMillisecond);

// A DPX frame's 16-bit RGB as its tiles are made: float RGBA with alpha 1.
void BM_Unsigned16RGBToFloatRGBA(benchmark::State& state)
{
    timeConversion<std::uint16_t, float>(
        state, kPixels * 3, kPixels * 4, kPixels * 4 * sizeof(float), kWords,
        [](const std::uint16_t* in, float* out) { unsigned16RGBToFloatRGBA(in, kPixels, out); });
}
BENCHMARK(BM_Unsigned16RGBToFloatRGBA)->Unit(benchmark::kMillisecond);

// An EXR frame's half RGBA to float as its tiles are made, and back as it is written.
void BM_HalfToFloat(benchmark::State& state)
{
    const std::size_t n = kPixels * 4;
    timeConversion<std::uint16_t, float>(
        state, n, n, n * sizeof(float),
        [](std::size_t i) { return static_cast<std::uint16_t>(0x3000 + i % 0x0c00); }, // 0.125 to 1
        [n](const std::uint16_t* in, float* out) { halfToFloat(in, n, out); });
}
BENCHMARK(BM_HalfToFloat)->Unit(benchmark::kMillisecond);

void BM_FloatToHalf(benchmark::State& state)
{
    const std::size_t n = kPixels * 4;
    timeConversion<float, std::uint16_t>(
        state, n, n, n * sizeof(float), [](std::size_t i) { return float(i % 4096) / 4095.0f; },
        [n](const float* in, std::uint16_t* out) { floatToHalf(in, n, out); });
}
BENCHMARK(BM_FloatToHalf)->Unit(benchmark::kMillisecond);

void BM_PremultiplyRGBA(benchmark::State& state)
{
    std::vector<float> rgba = renderedFrame();
    const bool isColour[64] = {true, true, true};
    for (auto _ : state) {
        premultiply(rgba.data(), kPixels, 4, 3, isColour);
        benchmark::DoNotOptimize(rgba.data());
    }
    setCounters(state, rgba.size() * sizeof(float));
}
BENCHMARK(BM_PremultiplyRGBA)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace Vx::Render
