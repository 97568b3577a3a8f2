// The floor under any burn-in of a file sequence: each frame read and written again, nothing else.
//
// Frames are read with OpenImageIO in the type the file stores (no conversion to float) and written
// in that type with kestrin-render's output settings: EXR half with zip at zlib level 1, DPX 10-bit
// RGB, both by OpenImageIO; PNG 8-bit RGBA by kestrin-render's own encoder (PngEncoder, compiled
// in: rows with the "sub" filter, compressed with libdeflate at level 1). Frames go in parallel,
// one per thread (one thread per core by default), and OpenImageIO and OpenEXR keep their own
// threads as well: no tool built on these libraries can read and write the same files faster than
// this.
//
//   floor-io [--threads N] [--zip-level L] [--csv] FIRST-LAST IN OUT
//
// IN and OUT are file patterns with #### for the frame number; OUT's extension picks the format.
// Prints frames per second (with --csv: "frames,threads,fps", what bench/compare-peers reads).
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <OpenImageIO/imageio.h>

#include <Vx/Render/PngEncoder.h>

namespace {

// `pattern` with its run of '#' replaced by `frame`, zero-padded to the run's length.
std::string framePath(const std::string& pattern, int frame)
{
    const std::size_t first = pattern.find('#');
    if (first == std::string::npos)
        return pattern;
    const std::size_t last = pattern.find_first_not_of('#', first);
    const std::size_t width = (last == std::string::npos ? pattern.size() : last) - first;
    std::string number = std::to_string(frame);
    if (number.size() < width)
        number.insert(0, width - number.size(), '0');
    return pattern.substr(0, first) + number + (last == std::string::npos ? "" : pattern.substr(last));
}

// The output description kestrin-render would give a frame read as `in`, for the format of `path`.
OIIO::ImageSpec outputSpec(const OIIO::ImageSpec& in, const std::string& format, int zipLevel)
{
    OIIO::ImageSpec spec(in.width, in.height, in.nchannels, in.format);
    spec.channelnames = in.channelnames;
    spec.alpha_channel = in.alpha_channel;
    if (format == "openexr") {
        spec.set_format(OIIO::TypeHalf);
        spec.attribute("compression", "zip:" + std::to_string(zipLevel));
    } else if (format == "dpx") {
        spec.set_format(OIIO::TypeDesc::UINT16);
        spec.attribute("oiio:BitsPerSample", 10);
    }
    return spec;
}

// Reads the 8-bit RGBA frame of `reader` and writes it to `path` as kestrin-render writes a PNG
// frame; returns an error message, empty on success.
std::string copyToPng(OIIO::ImageInput& reader, const std::string& from, const std::string& path, int zipLevel)
{
    const OIIO::ImageSpec& spec = reader.spec();
    if (spec.format != OIIO::TypeDesc::UINT8 || spec.nchannels != 4)
        return "cannot write " + path + ": PNG is written as kestrin-render writes it, from 8-bit RGBA only, and " +
               from + " is not 8-bit RGBA";
    // The rows are read straight into the encoder's frame, as kestrin-render converts them there.
    Vx::Render::PngEncoder png(spec.width, spec.height, zipLevel);
    if (!reader.read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT8, png.getRow(0), 4, OIIO::stride_t(png.getRowStride())))
        return "cannot read " + from + ": " + reader.geterror();
    png.filterRows(0, spec.height);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return "cannot write " + path + ": " + std::strerror(errno);
    bool written = true;
    png.write([&](const unsigned char* data, std::size_t size) {
        written = written && std::fwrite(data, 1, size, file.get()) == size;
    });
    if (!written || std::fclose(file.release()) != 0)
        return "cannot write " + path + ": " + std::strerror(errno);
    return {};
}

// Reads frame `frame` of `in` and writes it to `out`; returns an error message, empty on success.
std::string copyFrame(const std::string& in, const std::string& out, int frame, int zipLevel)
{
    const std::string from = framePath(in, frame);
    const std::string to = framePath(out, frame);
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1); // PNG colour as stored, as kestrin-render reads it
    auto reader = OIIO::ImageInput::open(from, &config);
    if (!reader)
        return "cannot read " + from + ": " + OIIO::geterror();
    if (OIIO::Strutil::iends_with(to, ".png"))
        return copyToPng(*reader, from, to, zipLevel);
    const OIIO::ImageSpec& spec = reader->spec();
    // Ten-bit DPX is unpacked to 16 bits by the reader; EXR stays half.
    std::vector<unsigned char> pixels(spec.image_bytes(true));
    if (!reader->read_image(0, 0, 0, spec.nchannels, spec.format, pixels.data()))
        return "cannot read " + from + ": " + reader->geterror();
    auto writer = OIIO::ImageOutput::create(to);
    if (!writer)
        return "cannot write " + to + ": " + OIIO::geterror();
    const OIIO::ImageSpec written = outputSpec(spec, writer->format_name(), zipLevel);
    if (!writer->open(to, written) || !writer->write_image(spec.format, pixels.data()) || !writer->close())
        return "cannot write " + to + ": " + writer->geterror();
    return {};
}

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [--threads N] [--zip-level L] [--csv] FIRST-LAST IN OUT\n"
                 "Reads frames FIRST to LAST of IN (a pattern with ####) and writes them to OUT as\n"
                 "kestrin-render writes its formats, frames in parallel, and prints frames per second.\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    int zipLevel = 1;
    bool csv = false;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--threads" || arg == "--zip-level") && i + 1 < argc) {
            const int value = std::atoi(argv[++i]);
            if (value < 1 || (arg == "--zip-level" && value > 9)) {
                std::fprintf(stderr, "%s: %s must be %s, not \"%s\"\n", argv[0], arg.c_str(),
                             arg == "--threads" ? "1 or more" : "between 1 and 9", argv[i]);
                return 2;
            }
            (arg == "--threads" ? threads : zipLevel) = value;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg.rfind("--", 0) == 0) {
            return usage(argv[0]);
        } else {
            rest.push_back(arg);
        }
    }
    int first = 0;
    int last = -1;
    if (rest.size() != 3 || std::sscanf(rest[0].c_str(), "%d-%d", &first, &last) != 2 || last < first)
        return usage(argv[0]);
    const std::string in = rest[1];
    const std::string out = rest[2];

    std::atomic<int> next{first};
    std::mutex errorMutex;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (int frame = next++; frame <= last; frame = next++) {
                const std::string failed = copyFrame(in, out, frame, zipLevel);
                if (!failed.empty()) {
                    const std::lock_guard<std::mutex> lock(errorMutex);
                    error = failed;
                    next = last + 1;
                }
            }
        });
    for (std::thread& w : workers)
        w.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        return 1;
    }
    const int frames = last - first + 1;
    if (csv)
        std::printf("%d,%d,%.2f\n", frames, threads, frames / seconds);
    else
        std::printf("%d frames on %d threads: %.2f frames/s\n", frames, threads, frames / seconds);
    return 0;
}
