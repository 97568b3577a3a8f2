// slate_demo: renders a short generated plate sequence through the Slate processing node and
// writes it as PNG frames. It shows the rendering path end to end until the command-line host
// takes over: a colour source, a SlateProcNode with box, shadow and frame tokens, tiles rendered
// on worker threads, frames written with OpenImageIO.
#include "SlateProcNode.h"

#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace Vx;

namespace {

template <class T> PxNodePtr<PxNode const> constant(const T& value)
{
    return PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(value, PxValidityInterval::FULL)));
}

// Renders one frame as 256x256 tiles on `threads` threads into 8-bit RGB.
std::vector<unsigned char> renderFrame(const SlateProcNode& node, double time, const PxImageFormat& format,
                                       unsigned threads)
{
    const int w = format.width;
    const int h = format.height;
    constexpr int kTile = 256;
    const int tilesX = (w + kTile - 1) / kTile;
    const int tilesY = (h + kTile - 1) / kTile;
    std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
    std::atomic<int> next{0};
    auto work = [&] {
        PxRequestMgr::RenderScope scope;
        for (int i = next++; i < tilesX * tilesY; i = next++) {
            const int x0 = (i % tilesX) * kTile;
            const int y0 = (i / tilesX) * kTile;
            const GeRectangle<int> region(x0, std::min(x0 + kTile, w), y0, std::min(y0 + kTile, h));
            const PxImageResult result = node.getImage(PxImageContext{time, 0, region});
            const IxReadGuard guard = result.getTileGuard();
            for (int y = region.y0; y < region.y1; ++y) {
                // Image files store the top row first; the graph's y points up.
                unsigned char* out = &rgb[(std::size_t(h - 1 - y) * std::size_t(w) + std::size_t(region.x0)) * 3];
                const float* in = guard.getPixel(region.x0, y);
                for (int x = region.x0; x < region.x1; ++x, in += 4)
                    for (int c = 0; c < 3; ++c)
                        *out++ = static_cast<unsigned char>(std::clamp(in[c], 0.0f, 1.0f) * 255.0f + 0.5f);
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
    return rgb;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string outDir = argc > 1 ? argv[1] : "out/demo";
    const int frames = argc > 2 ? std::atoi(argv[2]) : 24;
    const int first = 1001;

    PxImageFormat format; // 1920x1080, square pixels, 24 fps
    auto formatNode = pxCreateNode<PxImageFormatNode>(format);
    auto plateColor = constant(CoRgbColorTyped<float>{0.18f, 0.22f, 0.28f});
    auto black = constant(CoRgbColorTyped<float>::ZERO);
    auto source = pxCreateNode<PxColorSourceNode>(
        PxNodePtr<PxImageFormatProtocol const>(formatNode), PxNodePtr<PxAnimValueProtocol<int> const>(),
        PxNodePtr<PxAnimValueProtocol<int> const>(),
        pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(plateColor),
        pxDownCast<PxAnimValueProtocol<double> const>(constant(1.0)),
        pxDownCast<PxAnimValueProtocol<CoRgbColorTyped<float>> const>(black),
        pxDownCast<PxAnimValueProtocol<double> const>(constant(0.0)));

    const std::string text = "shot010 v3  <FrameNo>  <Timecode>\nKestrin Slate demo";
    auto slate = pxCreateNode<SlateProcNode>(
        PxNodePtr<PxImageProtocol const>(source), text, constant(std::string("DejaVu Sans")), constant(1),
        constant(72.0), constant(CoRgbColorTyped<float>{1.0f, 1.0f, 1.0f}), constant(1.0), constant(true),
        constant(CoRgbColorTyped<float>::ZERO), constant(0.7), constant(4.0), constant(-4.0), constant(true),
        constant(CoRgbColorTyped<float>::ZERO), constant(0.5), constant(24.0), constant(0.0), constant(-300.0),
        constant(1), constant(1));

    std::filesystem::create_directories(outDir);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (int f = first; f < first + frames; ++f) {
        const double time = TmTimeUtil::getSecondsFromFrames(format.frameRate, f);
        const std::vector<unsigned char> rgb = renderFrame(*slate, time, format, threads);
        char name[64];
        std::snprintf(name, sizeof name, "slate.%04d.png", f);
        const std::string path = outDir + "/" + name;
        const std::string partial = path + ".partial";
        // Written under a temporary name and renamed, so that no half-written frame is ever left.
        auto out = OIIO::ImageOutput::create(path);
        if (!out || !out->open(partial, OIIO::ImageSpec(format.width, format.height, 3, OIIO::TypeDesc::UINT8)) ||
            !out->write_image(OIIO::TypeDesc::UINT8, rgb.data()) || !out->close()) {
            std::fprintf(stderr, "slate_demo: cannot write %s: %s\n", path.c_str(),
                         out ? out->geterror().c_str() : OIIO::geterror().c_str());
            return 1;
        }
        std::filesystem::rename(partial, path);
    }
    std::printf("slate_demo: wrote %d frames, %s/slate.%04d.png to slate.%04d.png\n", frames, outDir.c_str(), first,
                first + frames - 1);
    return 0;
}
