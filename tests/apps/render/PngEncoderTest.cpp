// PNG frames of our own encoder against the frames OpenImageIO's PNG writer made of the same
// pixels, and the chunks a reader does not check.
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/PixelConversions.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <zlib.h>

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

// The file's 8-bit values, colour as stored (not multiplied by alpha), after a line describing
// the file as OpenImageIO reads it.
std::string storedPixels(const std::string& path)
{
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in)
        return "cannot open: " + OIIO::geterror();
    const OIIO::ImageSpec& s = in->spec();
    std::string pixels(s.image_pixels() * std::size_t(s.nchannels), '\0');
    const bool read = in->read_image(0, 0, 0, s.nchannels, OIIO::TypeDesc::UINT8, pixels.data());
    return s.format.c_str() +
           (" " + std::to_string(s.width) + "x" + std::to_string(s.height) + "+" + std::to_string(s.x) + "+" +
            std::to_string(s.y) + " " + std::to_string(s.nchannels) + " " +
            std::string(s.get_string_attribute("oiio:ColorSpace")) + (read ? "\n" : " unread\n")) +
           pixels;
}

// The types of the chunks of `png`, in order: "BAD" for a chunk whose CRC (checked with zlib)
// is wrong or that runs past the end, "TRAILING" for bytes after the last chunk.
std::vector<std::string> chunkTypes(const std::vector<unsigned char>& png)
{
    std::vector<std::string> types;
    const auto number = [&](std::size_t at) {
        return std::uint32_t(png[at]) << 24 | std::uint32_t(png[at + 1]) << 16 | std::uint32_t(png[at + 2]) << 8 |
               png[at + 3];
    };
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t size = number(at);
        if (at + 12 + size > png.size())
            return types.push_back("BAD"), types;
        const bool good = crc32(0, png.data() + at + 4, uInt(size + 4)) == number(at + 8 + size);
        types.push_back(good ? std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8) : "BAD");
        at += 12 + size;
        if (at < png.size() && at + 12 > png.size())
            types.push_back("TRAILING");
    }
    return types;
}

} // namespace

TEST(PngEncoder, FramesReadBackAsOpenImageIOWroteThemAtEveryLevel)
{
    ScratchFolder folder;
    struct Case
    {
        int width;
        int height;
        float (*value)(int x, int y, int c);
        int idats;
        // libdeflate's level 9 comes out larger than its level 1 on noise and on some frames of
        // a few hundred bytes: sizes are compared on the frames that compress.
        bool smallerAtLevel9;
    };
    const auto ramp = [](int x, int y, int c) {
        return c == 3 ? 1.0f : float((x * 3 + y * 5 + c * 40) % 256) / 255.0f;
    };
    // Alpha 0, partial alpha and colour above alpha; out-of-range values and NaN.
    const auto alphas = [](int x, int y, int c) {
        const float alpha = float((x + y * 7) % 5) / 4.0f;
        if (c != 3 && (x + c) % 9 == 0)
            return (x + y) % 2 ? -0.5f : std::nanf("");
        return c == 3 ? alpha : alpha * float((x * 11 + y * 13 + c * 17) % 300) / 255.0f;
    };
    // Opaque noise (murmur3's finaliser), which does not compress: more than one IDAT chunk.
    const auto noise = [](int x, int y, int c) {
        std::uint32_t h = std::uint32_t((y * 900 + x) * 4 + c);
        h = (h ^ (h >> 16)) * 0x85ebca6bu;
        h = (h ^ (h >> 13)) * 0xc2b2ae35u;
        return c == 3 ? 1.0f : float((h ^ (h >> 16)) & 255u) / 255.0f;
    };
    // A frame goes to the file in strips of 128 rows: one row, a part strip, and one row past one.
    const Case cases[] = {{1, 1, ramp, 1, true},
                          {37, 5, alphas, 1, false},
                          {130, 128, alphas, 1, true},
                          {64, 129, ramp, 1, true},
                          {900, 400, noise, 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const TestImage rendered = makeImage(c.width, c.height, 4, c.value);
        OIIO::ImageBuf image(OIIO::ImageSpec(c.width, c.height, 4, OIIO::TypeFloat));
        image.set_pixels(image.roi(), OIIO::TypeFloat, rendered.pixels.data());
        // OpenImageIO's PNG writer as FrameWriter used it: zlib level 1, the "sub" filter.
        std::vector<unsigned char> straight(rendered.pixels.size());
        toStraight8Bit(rendered.pixels.data(), straight.size() / 4, straight.data());
        OIIO::ImageSpec spec(c.width, c.height, 4, OIIO::TypeDesc::UINT8);
        spec.attribute("png:compressionLevel", 1);
        spec.attribute("png:filter", 0x10);
        spec.attribute("oiio:UnassociatedAlpha", 1);
        auto out = OIIO::ImageOutput::create("png");
        ASSERT_TRUE(out->open(folder.file("old.png"), spec) &&
                    out->write_image(OIIO::TypeDesc::UINT8, straight.data()) && out->close());
        std::vector<std::string> types(std::size_t(c.idats + 2), "IDAT");
        types.front() = "IHDR";
        types.back() = "IEND";
        std::size_t sizes[2];
        for (const int level : {1, 9}) {
            SCOPED_TRACE(level);
            const FrameWriter writer(FrameWriter::Options{level});
            const std::string path = folder.file("ours.png");
            writer.write(path, image);
            EXPECT_TRUE(storedPixels(path) == storedPixels(folder.file("old.png")));
            // Readers stop at the last IDAT: the chunks and their CRCs are checked here.
            std::ifstream file(path, std::ios::binary);
            const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), {}};
            EXPECT_EQ(chunkTypes(bytes), types);
            EXPECT_TRUE(writer.encodePng(image) == bytes);
            sizes[level / 9] = bytes.size();
        }
        EXPECT_TRUE(!c.smallerAtLevel9 || sizes[1] <= sizes[0]) << sizes[1] << " bytes at level 9, " << sizes[0];
    }
}
