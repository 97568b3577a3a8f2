// The floor under any renderer: copying a frame's bytes in memory, nothing else.
//
// For each size and pixel type it copies one frame buffer into another, frame after frame, with
// the frame cut into bands shared among N threads (one per core by default), and prints the frames
// per second. Source and destination are different buffers larger than the caches, as a renderer's
// input and output are, and both are touched once before timing so that page faults do not count.
//
//   floor-copy [--frames N] [--threads N] [--csv]
//
// With --csv the output is one line per measurement: size,type,threads,fps (what
// bench/compare-peers reads); otherwise a table.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Case
{
    const char* size;
    int width;
    int height;
    const char* type;
    std::size_t bytesPerPixel;
};

// Copies `frames` frames of `bytes` each from `from` to `to` on `threads` threads (bands of rows);
// returns the frames per second.
double copyFrames(const unsigned char* from, unsigned char* to, std::size_t bytes, int frames, int threads)
{
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        std::vector<std::thread> workers;
        const std::size_t band = (bytes + std::size_t(threads) - 1) / std::size_t(threads);
        for (int t = 0; t < threads; ++t) {
            const std::size_t begin = std::min(bytes, band * std::size_t(t));
            const std::size_t end = std::min(bytes, begin + band);
            workers.emplace_back([=] { std::memcpy(to + begin, from + begin, end - begin); });
        }
        for (std::thread& w : workers)
            w.join();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return frames / seconds;
}

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [--frames N] [--threads N] [--csv]\n"
                 "Copies 1920x1080 and 3840x2160 frames (float RGBA and 8-bit RGBA) in memory and prints\n"
                 "frames per second: the fastest any renderer could go.\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 200;
    int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    bool csv = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--frames" || arg == "--threads") && i + 1 < argc) {
            const int value = std::atoi(argv[++i]);
            if (value < 1) {
                std::fprintf(stderr, "%s: %s must be 1 or more, not \"%s\"\n", argv[0], arg.c_str(), argv[i]);
                return 2;
            }
            (arg == "--frames" ? frames : threads) = value;
        } else if (arg == "--csv") {
            csv = true;
        } else {
            return usage(argv[0]);
        }
    }

    const Case cases[] = {
        {"1920x1080", 1920, 1080, "float", 16},
        {"1920x1080", 1920, 1080, "8-bit", 4},
        {"3840x2160", 3840, 2160, "float", 16},
        {"3840x2160", 3840, 2160, "8-bit", 4},
    };
    if (!csv)
        std::printf("%-10s %-6s %8s %12s\n", "size", "type", "threads", "frames/s");
    for (const Case& c : cases) {
        const std::size_t bytes = std::size_t(c.width) * std::size_t(c.height) * c.bytesPerPixel;
        std::vector<unsigned char> from(bytes, 0x3f);
        std::vector<unsigned char> to(bytes, 0);
        copyFrames(from.data(), to.data(), bytes, 2, threads); // warm up
        // Fewer 4K frames: the same time per case.
        const int n = std::max(1, frames * 1920 * 1080 / (c.width * c.height));
        const double fps = copyFrames(from.data(), to.data(), bytes, n, threads);
        if (csv)
            std::printf("%s,%s,%d,%.1f\n", c.size, c.type, threads, fps);
        else
            std::printf("%-10s %-6s %8d %12.1f\n", c.size, c.type, threads, fps);
        if (to[bytes / 2] != 0x3f) {
            std::fprintf(stderr, "%s: the copy did not land\n", argv[0]);
            return 1;
        }
    }
    return 0;
}
