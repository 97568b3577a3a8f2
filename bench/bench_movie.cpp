// A movie frame's conversion from float RGBA to the codec's Y'CbCr planes, one 1920 x 1080 frame of
// many colours (no row the same as the one above it, so every pixel is converted) for each layout
// the movie codecs use: ProRes 422 (10-bit 4:2:2), ProRes 4444 (10-bit 4:4:4 with alpha), H.264
// (8-bit 4:2:0); and a frame of one colour, as a plain background's tiles are.
#include <Vx/Render/YuvConversion.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace Vx::Render {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void convertFrame(benchmark::State& state, int bits, int chromaWidth, int chromaHeight, bool alpha, bool plain)
{
    std::vector<float> rgba(std::size_t(kWidth) * kHeight * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = plain ? 0.25f : i % 4 == 3 ? float(i % 1021) / 1020.0f : float(i % 1103) / 1000.0f - 0.05f;
    YuvLayout layout;
    layout.bits = bits;
    layout.chromaWidth = chromaWidth;
    layout.chromaHeight = chromaHeight;
    layout.alpha = alpha;
    const int bytes = bits == 8 ? 1 : 2;
    std::vector<std::uint8_t> planes[4];
    YuvPlanes out;
    out.width = kWidth;
    out.height = kHeight;
    for (int p = 0; p < 4; ++p) {
        const bool chroma = p == 1 || p == 2;
        out.linesize[p] = (chroma ? kWidth / chromaWidth : kWidth) * bytes;
        planes[p].resize(std::size_t(out.linesize[p]) * std::size_t(chroma ? kHeight / chromaHeight : kHeight));
        out.data[p] = planes[p].data();
    }
    const FrameTile frame{0, 0, kWidth, kHeight, rgba.data(), std::ptrdiff_t(kWidth) * 4};
    for (auto _ : state) {
        convertToYuv(layout, frame, out);
        benchmark::DoNotOptimize(planes[0].data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(rgba.size() * sizeof(float)));
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void BM_ToYuv422p10(benchmark::State& state)
{
    convertFrame(state, 10, 2, 1, false, false);
}
BENCHMARK(BM_ToYuv422p10)->Unit(benchmark::kMillisecond);

void BM_ToYuva444p10(benchmark::State& state)
{
    convertFrame(state, 10, 1, 1, true, false);
}
BENCHMARK(BM_ToYuva444p10)->Unit(benchmark::kMillisecond);

void BM_ToYuv420p(benchmark::State& state)
{
    convertFrame(state, 8, 2, 2, false, false);
}
BENCHMARK(BM_ToYuv420p)->Unit(benchmark::kMillisecond);

void BM_ToYuv422p10OneColour(benchmark::State& state)
{
    convertFrame(state, 10, 2, 1, false, true);
}
BENCHMARK(BM_ToYuv422p10OneColour)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace Vx::Render
