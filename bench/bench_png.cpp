// A 1920 x 1080 frame of 8-bit RGBA (a gradient with a little noise, as the peer comparison's
// plates) made a PNG file in memory: by PngEncoder as FrameWriter writes PNG frames (rows put
// into the encoder's frame, filtered, compressed whole with libdeflate), and, for comparison, by
// OpenImageIO's PNG writer (libpng and zlib) with the same "sub" filter, as frames were written
// before. The argument is the zip level; "file_bytes" the size of the file made.
#include <Vx/Render/PngEncoder.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

namespace Vx::Render {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kRowBytes = std::size_t(kWidth) * 4;

std::vector<unsigned char> plateFrame()
{
    std::vector<unsigned char> rgba(kRowBytes * kHeight);
    std::uint32_t state = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 4; ++c) {
                state = state * 1664525u + 1013904223u;
                const int noise = int(state >> 29) - 4; // -4 to 3
                const int gradient = (x * (60 + 40 * c) / kWidth + y * (80 - 20 * c) / kHeight) + 25 * c + 20;
                rgba[std::size_t(y) * kRowBytes + std::size_t(x) * 4 + std::size_t(c)] =
                    static_cast<unsigned char>(c == 3 ? 255 : gradient + noise);
            }
    return rgba;
}

void setCounters(benchmark::State& state, std::size_t fileBytes)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kRowBytes * kHeight));
    state.counters["file_bytes"] = double(fileBytes);
}

void BM_PngEncoder(benchmark::State& state)
{
    const std::vector<unsigned char> rgba = plateFrame();
    std::vector<unsigned char> file;
    for (auto _ : state) {
        file.clear();
        PngEncoder png(kWidth, kHeight, int(state.range(0)));
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(png.getRow(y), rgba.data() + std::size_t(y) * kRowBytes, kRowBytes);
        png.filterRows(0, kHeight);
        png.write([&](const unsigned char* data, std::size_t size) { file.insert(file.end(), data, data + size); });
        benchmark::DoNotOptimize(file.data());
    }
    setCounters(state, file.size());
}
BENCHMARK(BM_PngEncoder)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond);

// The filter alone, rows in place: the rows are filtered again and again, which costs the same.
void BM_PngFilterRows(benchmark::State& state)
{
    PngEncoder png(kWidth, kHeight, 1);
    const std::vector<unsigned char> rgba = plateFrame();
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(png.getRow(y), rgba.data() + std::size_t(y) * kRowBytes, kRowBytes);
    for (auto _ : state) {
        png.filterRows(0, kHeight);
        benchmark::DoNotOptimize(png.getRow(0));
    }
    setCounters(state, 0);
}
BENCHMARK(BM_PngFilterRows)->Unit(benchmark::kMillisecond);

void BM_PngOpenImageIOWriter(benchmark::State& state)
{
    const std::vector<unsigned char> rgba = plateFrame();
    OIIO::ImageSpec spec(kWidth, kHeight, 4, OIIO::TypeDesc::UINT8);
    spec.attribute("png:compressionLevel", int(state.range(0)));
    spec.attribute("png:filter", 0x10); // libpng's PNG_FILTER_SUB
    spec.attribute("oiio:UnassociatedAlpha", 1);
    std::vector<unsigned char> file;
    for (auto _ : state) {
        file.clear();
        OIIO::Filesystem::IOVecOutput proxy(file);
        auto out = OIIO::ImageOutput::create("png");
        if (!out || !out->set_ioproxy(&proxy) || !out->open("frame.png", spec) ||
            !out->write_image(OIIO::TypeDesc::UINT8, rgba.data()) || !out->close()) {
            state.SkipWithError("OpenImageIO could not write the PNG");
            break;
        }
        benchmark::DoNotOptimize(file.data());
    }
    setCounters(state, file.size());
}
BENCHMARK(BM_PngOpenImageIOWriter)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace Vx::Render
