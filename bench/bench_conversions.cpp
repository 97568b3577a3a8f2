// The conversions of a file sequence's frames between float and the files' integer types, one
// 1920 x 1080 frame each: on the way in 8- and 16-bit values to float and the premultiplication
// of unassociated alpha, on the way out float RGBA to PNG's straight 8-bit RGBA and to DPX's
// 16-bit RGB (what the 10-bit writer packs).
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

void BM_Unsigned8ToFloat(benchmark::State& state)
{
    std::vector<unsigned char> in(kPixels * 4);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<unsigned char>(i * 7);
    std::vector<float> out(in.size());
    for (auto _ : state) {
        unsigned8ToFloat(in.data(), in.size(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setCounters(state, out.size() * sizeof(float));
}
BENCHMARK(BM_Unsigned8ToFloat)->Unit(benchmark::kMillisecond);

void BM_Unsigned16ToFloat(benchmark::State& state)
{
    std::vector<std::uint16_t> in(kPixels * 3);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<std::uint16_t>(i * 64 + i / 3);
    std::vector<float> out(in.size());
    for (auto _ : state) {
        unsigned16ToFloat(in.data(), in.size(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setCounters(state, out.size() * sizeof(float));
}
BENCHMARK(BM_Unsigned16ToFloat)->Unit(benchmark::kMillisecond);

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
