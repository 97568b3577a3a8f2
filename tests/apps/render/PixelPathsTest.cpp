// Frames written strip by strip with kestrin-render's own conversions, and 8- and 16-bit files read
// by table, against OpenImageIO converting the whole frame: the same pixels, value for value.
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/ImageSequenceSource.h>
#include <Vx/Render/PixelConversions.h>
#include <Vx/Render/TileRenderer.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include <Imath/half.h>
#include <gtest/gtest.h>

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

// Taller than two strips, with a part strip last; every 16-bit level and the values half way
// between two levels, out of range values and NaN, under alpha 1 and partial alpha.
constexpr int kWidth = 509;
constexpr int kHeight = 300;

float edgeValue(int x, int y, int c)
{
    const int i = (y * kWidth + x) * 3 + c;
    if (c == 3)
        return y % 3 == 0 ? float(x % 256) / 255.0f : 1.0f;
    switch (i % 7) {
    case 0:
        return float((i / 7) % 65536) / 65535.0f;
    case 1:
        return (float((i / 7) % 65535) + 0.5f) / 65535.0f;
    case 2:
        return std::nextafter((float((i / 7) % 65535) + 0.5f) / 65535.0f, 0.0f);
    case 3:
        return i % 2 ? -0.25f : 1.75f;
    case 4:
        return std::numeric_limits<float>::quiet_NaN();
    default:
        return float(i % 1000) / 999.0f;
    }
}

// The pixels of `path` as the file stores them (its own type), with the file's spec.
std::vector<unsigned char> nativePixels(const std::string& path, OIIO::ImageSpec& spec)
{
    auto in = OIIO::ImageInput::open(path);
    EXPECT_TRUE(in) << OIIO::geterror();
    if (!in)
        return {};
    spec = in->spec();
    std::vector<unsigned char> pixels(spec.image_bytes(true));
    EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, spec.format, pixels.data())) << in->geterror();
    return pixels;
}

// The bytes of the file `path`, with what differs from one writing to the next blanked: a DPX
// file's name field (the temporary file's name) and TIFF's DateTime ("2026:01:31 12:00:00").
std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".dpx") == 0 && bytes.size() > 136)
        bytes.replace(36, 100, 100, '\0');
    const std::string date = "dddd:dd:dd dd:dd:dd";
    for (std::size_t i = 0; i + date.size() <= bytes.size(); ++i) {
        std::size_t k = 0;
        while (k < date.size() &&
               (date[k] == 'd' ? std::isdigit(static_cast<unsigned char>(bytes[i + k])) != 0 : bytes[i + k] == date[k]))
            ++k;
        if (k == date.size())
            bytes.replace(i, k, k, '\0');
    }
    return bytes;
}

} // namespace

TEST(PixelPaths, FramesRenderedStripByStripAreTheFilesOfWholeFrames)
{
    ScratchFolder folder;
    // A plate of five channels (R, G, B, A and a depth that an EXR carries through).
    const FramePattern pattern(folder.file("plate.####.exr"));
    OIIO::ImageSpec plateSpec(kWidth, kHeight, 5, OIIO::TypeFloat);
    plateSpec.channelnames = {"R", "G", "B", "A", "Z"};
    plateSpec.alpha_channel = 3;
    writeImage(
        pattern.path(1),
        makeImage(kWidth, kHeight, 5, [](int x, int y, int c) { return c == 4 ? float(x * y) : edgeValue(x, y, c); }),
        plateSpec);
    ImageSequenceSource::Options options;
    const auto source = pxCreateNode<ImageSequenceSource>(FramePattern(pattern), options);
    const auto input = source->getFrame(1);
    struct Case
    {
        const char* extension;
        bool withInput;
        int level;
    };
    const Case cases[] = {{"exr", true, 0},  {"exr", false, 0}, {"png", false, 0}, {"png", false, 1},
                          {"tif", false, 0}, {"dpx", false, 0}, {"jpg", false, 0}};
    // Tiles of 64 rows leave a part strip at the top; 100 x 128 tiles are wider than a strip of
    // the writer's own.
    for (const auto& [tileWidth, tileHeight] : {std::pair<int, int>(64, 64), std::pair<int, int>(100, 128)}) {
        const TileRenderer renderer(2, tileWidth, tileHeight);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.extension) + (c.withInput ? " with input" : "") + " level " +
                         std::to_string(c.level) + " tiles " + std::to_string(tileHeight));
            const std::string whole = folder.file(std::string("whole.") + c.extension);
            const std::string strips = folder.file(std::string("strips.") + c.extension);
            const SourceFrame* in = c.withInput ? input.get() : nullptr;
            FrameWriter().write(whole, renderer.render(*source, 1.0 / 24.0, c.level), in);
            FrameWriter().write(strips, renderer, *source, 1.0 / 24.0, c.level, in);
            const std::string bytes = fileBytes(whole);
            EXPECT_GT(bytes.size(), 1000u);
            EXPECT_TRUE(bytes == fileBytes(strips));
        }
    }
}

TEST(PixelPaths, StripsWrittenAsOpenImageIOWritesTheWholeFrame)
{
    ScratchFolder folder;
    const TestImage rendered = makeImage(kWidth, kHeight, 4, edgeValue);
    OIIO::ImageBuf image(OIIO::ImageSpec(kWidth, kHeight, 4, OIIO::TypeFloat));
    image.set_pixels(image.roi(), OIIO::TypeFloat, rendered.pixels.data());
    struct Case
    {
        const char* extension;
        OIIO::ImageSpec spec; // as the writer describes the file
    };
    std::vector<Case> cases = {{"dpx", OIIO::ImageSpec(kWidth, kHeight, 3, OIIO::TypeDesc::UINT16)},
                               {"exr", OIIO::ImageSpec(kWidth, kHeight, 4, OIIO::TypeHalf)},
                               {"tif", OIIO::ImageSpec(kWidth, kHeight, 4, OIIO::TypeDesc::UINT16)},
                               {"jpg", OIIO::ImageSpec(kWidth, kHeight, 3, OIIO::TypeDesc::UINT8)}};
    cases[0].spec.attribute("oiio:BitsPerSample", 10);
    cases[1].spec.attribute("compression", "zip:1");
    cases[3].spec.attribute("Compression", "jpeg:95");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::string ours = folder.file(std::string("ours.") + c.extension);
        const std::string whole = folder.file(std::string("whole.") + c.extension);
        FrameWriter().write(ours, image);
        // The whole frame at once, as float: OpenImageIO converts every value.
        std::vector<float> floats;
        for (std::size_t p = 0; p < rendered.pixels.size() / 4; ++p)
            floats.insert(floats.end(), &rendered.pixels[p * 4], &rendered.pixels[p * 4] + c.spec.nchannels);
        auto out = OIIO::ImageOutput::create(whole);
        ASSERT_TRUE(out && out->open(whole, c.spec) && out->write_image(OIIO::TypeFloat, floats.data()) &&
                    out->close());
        OIIO::ImageSpec oursSpec, wholeSpec;
        const std::vector<unsigned char> oursPixels = nativePixels(ours, oursSpec);
        EXPECT_TRUE(oursPixels == nativePixels(whole, wholeSpec));
        EXPECT_EQ(oursSpec.format, c.spec.format);
        EXPECT_EQ(oursSpec.get_int_attribute("oiio:BitsPerSample"), wholeSpec.get_int_attribute("oiio:BitsPerSample"));
    }
}

TEST(PixelPaths, FilesReadAsOpenImageIOConvertsThem)
{
    ScratchFolder folder;
    // 16-bit and 10-bit RGB, 16-bit RGBA stored associated, 8-bit RGBA stored unassociated, half
    // RGBA.
    struct Case
    {
        const char* name;
        int channels;
        OIIO::TypeDesc type;
        int bits;
    };
    const Case cases[] = {{"rgb16.####.tif", 3, OIIO::TypeDesc::UINT16, 16},
                          {"rgb10.####.dpx", 3, OIIO::TypeDesc::UINT16, 10},
                          {"rgba16.####.tif", 4, OIIO::TypeDesc::UINT16, 16},
                          {"rgba8.####.png", 4, OIIO::TypeDesc::UINT8, 8},
                          {"rgba.####.exr", 4, OIIO::TypeDesc::HALF, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FramePattern pattern(folder.file(c.name));
        OIIO::ImageSpec spec(kWidth, kHeight, c.channels, c.type);
        spec.attribute("oiio:BitsPerSample", c.bits);
        const TestImage written = makeImage(kWidth, kHeight, c.channels, [](int x, int y, int ch) {
            return ch == 3 ? float((x + y) % 4) / 3.0f : float(((y * kWidth + x) * 7 + ch * 3) % 65536) / 65535.0f;
        });
        writeImage(pattern.path(1), written, spec);
        ImageSequenceSource::Options options;
        options.firstFrame = 1;
        const auto source = pxCreateNode<ImageSequenceSource>(FramePattern(pattern), options);
        const auto frame = source->getFrame(1);
        OIIO::ImageSpec config;
        config.attribute("oiio:UnassociatedAlpha", 1);
        auto in = OIIO::ImageInput::open(pattern.path(1), &config);
        ASSERT_TRUE(in);
        std::vector<float> expected(written.pixels.size());
        ASSERT_TRUE(in->read_image(0, 0, 0, c.channels, OIIO::TypeFloat, expected.data()));
        if (c.channels == 4 && in->spec().get_int_attribute("oiio:UnassociatedAlpha") != 0)
            for (std::size_t p = 0; p < expected.size(); p += 4)
                for (std::size_t ch = 0; ch < 3; ++ch)
                    expected[p + ch] *= expected[p + 3];
        std::vector<float> values(expected.size());
        frame->getValues(0, std::size_t(kWidth) * kHeight, values.data());
        EXPECT_TRUE(values == expected);
        // All but 16-bit RGBA are kept as stored, in a quarter or half the memory of float.
        EXPECT_EQ(frame->pixels.empty(), c.type != OIIO::TypeDesc::UINT16 || c.channels == 3);
        // Tiles: the values as read (alpha 1 for files without it), rows bottom to top.
        const std::vector<float> tiles = readTiles(*source, 1.5 / 24.0, 0, GeRectangle<int>(0, kWidth, 0, kHeight), 64);
        std::size_t differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int ch = 0; ch < 4; ++ch) {
                    const std::size_t at = (std::size_t(kHeight - 1 - y) * kWidth + x) * c.channels + ch;
                    const float want = ch == c.channels ? 1.0f : expected[at];
                    differing += tiles[(std::size_t(y) * kWidth + x) * 4 + ch] != want;
                }
        // Level 1 (half size) takes every other pixel of every other row.
        const int w = kWidth / 2;
        const std::vector<float> halfSize =
            readTiles(*source, 1.5 / 24.0, 1, GeRectangle<int>(0, w, 0, kHeight / 2), 64);
        for (int y = 0; y < kHeight / 2; ++y)
            for (int x = 0; x < w * 4; ++x)
                differing += halfSize[std::size_t(y) * w * 4 + x] !=
                             tiles[(std::size_t(y) * 2 * kWidth + x / 4 * 2) * 4 + x % 4];
        EXPECT_EQ(differing, 0u);
    }
}

TEST(PixelPaths, HalvesConvertAsOpenEXRConvertsThem)
{
    // Every half, and every float halfway between two neighbouring halves (where the rounding
    // decides), with a sweep of other floats: the same bits as Imath's half.
    std::vector<std::uint16_t> halves(65536);
    for (std::size_t h = 0; h < halves.size(); ++h)
        halves[h] = std::uint16_t(h);
    std::vector<float> floats(halves.size());
    halfToFloat(halves.data(), halves.size(), floats.data());
    std::vector<float> probes;
    for (std::size_t h = 0; h < halves.size(); ++h) {
        Imath::half expected;
        expected.setBits(halves[h]);
        const float want = expected;
        ASSERT_EQ(std::memcmp(&floats[h], &want, sizeof(want)), 0) << h;
        probes.push_back(floats[h]);
        if (h + 1 < halves.size() && std::isfinite(floats[h]) && std::isfinite(floats[h + 1]))
            probes.push_back((floats[h] + floats[h + 1]) / 2);
    }
    for (std::uint64_t bits = 0; bits < (std::uint64_t(1) << 32); bits += 65521) {
        float f = 0.0f;
        const auto word = std::uint32_t(bits);
        std::memcpy(&f, &word, sizeof(f));
        probes.push_back(f);
    }
    std::vector<std::uint16_t> converted(probes.size());
    floatToHalf(probes.data(), probes.size(), converted.data());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < probes.size(); ++i)
        differing += converted[i] != Imath::half(probes[i]).bits();
    EXPECT_EQ(differing, 0u);
}
