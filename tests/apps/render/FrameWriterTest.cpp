// The frame writer: formats by extension, EXR layout and metadata kept from the input, atomic
// writes, and the checks made on outputs before rendering.
#include "common/ExpectThrowMessage.h"
#include <Vx/Render/FrameWriter.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include <Vx/Tm/TmTimeUtil.h>

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

// A rendered frame as TileRenderer makes it: float RGBA, pixel values from `value`.
OIIO::ImageBuf makeRendered(int width, int height, const std::function<float(int, int, int)>& value)
{
    OIIO::ImageSpec spec(width, height, 4, OIIO::TypeFloat);
    OIIO::ImageBuf image(spec);
    std::vector<float> pixels;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            for (int c = 0; c < 4; ++c)
                pixels.push_back(value(column, row, c));
    image.set_pixels(image.roi(), OIIO::TypeFloat, pixels.data());
    return image;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

float rendered(int x, int y, int c)
{
    return c == 3 ? 1.0f : float((x + y + c) % 8) / 8.0f;
}

} // namespace

TEST(FrameWriter, FormatFollowsTheExtension)
{
    struct Case
    {
        const char* name;
        const char* format;
        int channels;
    };
    const Case cases[] = {
        {"f.0001.exr", "openexr", 4}, {"f.0001.png", "png", 4},  {"f.0001.tif", "tiff", 4},  {"f.0001.TIFF", "tiff", 4},
        {"f.0001.dpx", "dpx", 3},     {"f.0001.jpg", "jpeg", 3}, {"f.0001.jpeg", "jpeg", 3},
    };
    ScratchFolder folder;
    const OIIO::ImageBuf image = makeRendered(16, 8, rendered);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FrameWriter::formatForPath(c.name), c.format);
        FrameWriter().write(folder.file(c.name), image);
        auto in = OIIO::ImageInput::open(folder.file(c.name));
        ASSERT_TRUE(in) << OIIO::geterror();
        EXPECT_EQ(std::string(in->format_name()), c.format);
        EXPECT_EQ(in->spec().width, 16);
        EXPECT_EQ(in->spec().height, 8);
        EXPECT_EQ(in->spec().nchannels, c.channels);
    }
    EXPECT_EQ(FrameWriter::formatForPath("f.0001.mov"), "");
    EXPECT_THROW_MESSAGE(FrameWriter().write(folder.file("f.0001.xyz"), image), std::runtime_error,
                         "Cannot write \"" + folder.file("f.0001.xyz") +
                             "\": unknown file extension \".xyz\" (use exr, png, tif, tiff, dpx, jpg or jpeg)");
}

TEST(FrameWriter, ExrWithoutInputIsHalfRGBA)
{
    ScratchFolder folder;
    FrameWriter().write(folder.file("out.0001.exr"), makeRendered(12, 6, rendered));
    OIIO::ImageSpec spec;
    const TestImage back = readImage(folder.file("out.0001.exr"), &spec);
    EXPECT_EQ(spec.format, OIIO::TypeHalf);
    ASSERT_EQ(spec.nchannels, 4);
    EXPECT_EQ(spec.channel_name(0), "R");
    EXPECT_EQ(spec.channel_name(3), "A");
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 12; ++column)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(back.at(column, row, c), rendered(column, row, c)); // multiples of 1/8: exact in half
}

TEST(FrameWriter, PngStoresColourDividedByAlphaRoundedToEightBits)
{
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        float colour; // premultiplied, as rendered
        float alpha;
        int stored; // the PNG's colour byte
        int storedAlpha;
    };
    const Case cases[] = {
        {0.3f, 0.5f, 153, 128},  // 0.6 of 255; alpha 127.5 rounds up
        {0.15f, 1.0f, 38, 255},  // 38.25
        {0.6f, 0.75f, 204, 191}, // 0.8; alpha 191.25
        {0.9f, 0.5f, 255, 128},  // 1.8 clamps
        {-0.2f, 1.0f, 0, 255},   // negative clamps
        {0.7f, 0.0f, 0, 0},      // no alpha: black
        {kNaN, 1.0f, 0, 255},    // NaN is 0
        {0.5f, kNaN, 0, 0},      // and so is colour under NaN alpha
        {0.5f, -1.0f, 0, 0},     // or negative alpha
        {0.25f, 2.0f, 32, 255},  // alpha above 1 divides too (32.375), then clamps
    };
    const int count = int(std::size(cases));
    ScratchFolder folder;
    FrameWriter().write(folder.file("out.0001.png"), makeRendered(count, 1, [&](int x, int, int c) {
                            return c == 3 ? cases[x].alpha : cases[x].colour;
                        }));
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(folder.file("out.0001.png"), &config);
    ASSERT_TRUE(in) << OIIO::geterror();
    std::vector<unsigned char> bytes(std::size_t(count) * 4);
    ASSERT_TRUE(in->read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT8, bytes.data()));
    for (int x = 0; x < count; ++x) {
        SCOPED_TRACE(x);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(int(bytes[std::size_t(x) * 4 + std::size_t(c)]), cases[x].stored);
        EXPECT_EQ(int(bytes[std::size_t(x) * 4 + 3]), cases[x].storedAlpha);
    }
}

TEST(FrameWriter, ExrKeepsTheInputChannelsAndMetadata)
{
    ScratchFolder folder;
    constexpr int kWidth = 20;
    constexpr int kHeight = 10;
    // Input: half RGBA, a float depth channel and metadata of our own.
    OIIO::ImageSpec spec(kWidth, kHeight, 5, OIIO::TypeHalf);
    spec.channelnames = {"R", "G", "B", "A", "Z"};
    spec.channelformats = {OIIO::TypeHalf, OIIO::TypeHalf, OIIO::TypeHalf, OIIO::TypeHalf, OIIO::TypeFloat};
    spec.attribute("kestrin:shot", "sh010");
    spec.attribute("kestrin:take", 3);
    const auto depth = [](int x, int y) { return 1000.0f + float(x) * 0.123f + float(y) * 7.5f; };
    writeImage(folder.file("in.0001.exr"),
               makeImage(kWidth, kHeight, 5, [&](int x, int y, int c) { return c == 4 ? depth(x, y) : 0.5f; }), spec);

    ImageSequenceSource::Options options;
    options.firstFrame = 1;
    const auto source = pxCreateNode<ImageSequenceSource>(FramePattern(folder.file("in.####.exr")), options);
    const auto input = source->getFrame(1);

    FrameWriter().write(folder.file("out.0001.exr"), makeRendered(kWidth, kHeight, rendered), input.get());

    OIIO::ImageSpec outSpec;
    const TestImage out = readImage(folder.file("out.0001.exr"), &outSpec);
    ASSERT_EQ(outSpec.nchannels, 5);
    std::vector<std::string> names;
    for (int c = 0; c < 5; ++c)
        names.push_back(outSpec.channel_name(c));
    const int z = int(std::find(names.begin(), names.end(), "Z") - names.begin());
    ASSERT_LT(z, 5);
    ASSERT_EQ(outSpec.channelformats.size(), 5u);
    EXPECT_EQ(outSpec.channelformats[std::size_t(z)], OIIO::TypeFloat);
    EXPECT_EQ(outSpec.channelformats[0], OIIO::TypeHalf);
    EXPECT_EQ(outSpec.get_string_attribute("kestrin:shot"), "sh010");
    EXPECT_EQ(outSpec.get_int_attribute("kestrin:take"), 3);
    // The rendered colour replaces the input's (its values: the test without input); the depth is kept.
    const int red = int(std::find(names.begin(), names.end(), "R") - names.begin());
    ASSERT_LT(red, 5);
    for (int row = 0; row < kHeight; ++row)
        for (int column = 0; column < kWidth; ++column) {
            ASSERT_EQ(out.at(column, row, red), rendered(column, row, 0));
            ASSERT_EQ(out.at(column, row, z), depth(column, row));
        }
}

TEST(FrameWriter, WritesAtomically)
{
    ScratchFolder folder;
    // Success replaces the previous frame and leaves no temporary file.
    std::ofstream(folder.file("out.0001.png")) << "previous";
    FrameWriter().write(folder.file("out.0001.png"), makeRendered(8, 8, rendered));
    EXPECT_EQ(folder.listNames(), (std::vector<std::string>{"out.0001.png"}));
    EXPECT_EQ(readImage(folder.file("out.0001.png")).width, 8);

    // A folder where the frame should go: the frame is encoded, then cannot replace it.
    const std::string path = folder.file("out.0001.exr");
    std::filesystem::create_directory(path);
    std::ofstream(path + "/keep") << "kept";
    EXPECT_THROW_MESSAGE_START(FrameWriter().write(path, makeRendered(8, 8, rendered)), std::runtime_error,
                               "Cannot write \"" + path + "\": ");
    EXPECT_EQ(contents(path + "/keep"), "kept");

    // A frame the format cannot hold is refused before anything is written.
    const std::string jpeg = folder.file("out.0001.jpg");
    std::ofstream(jpeg) << "previous frame";
    EXPECT_THROW_MESSAGE(FrameWriter().write(jpeg, makeRendered(70000, 1, rendered)), std::runtime_error,
                         "Cannot write \"" + jpeg + "\": JPEG holds at most 65500 pixels a side, the frame is 70000x1");
    EXPECT_EQ(contents(jpeg), "previous frame");
    EXPECT_EQ(folder.listNames(), (std::vector<std::string>{"out.0001.exr", "out.0001.jpg", "out.0001.png"}));
}

TEST(FrameWriter, CheckWritableFolder)
{
    ScratchFolder folder;
    EXPECT_NO_THROW(FrameWriter::checkWritableFolder(folder.path()));
    EXPECT_TRUE(folder.listNames().empty()); // the probe file is gone
    EXPECT_THROW_MESSAGE(FrameWriter::checkWritableFolder(folder.file("missing")), std::runtime_error,
                         "Output folder \"" + folder.file("missing") + "\" does not exist");
    std::ofstream(folder.file("plain")) << "x";
    EXPECT_THROW_MESSAGE(FrameWriter::checkWritableFolder(folder.file("plain")), std::runtime_error,
                         "Output folder \"" + folder.file("plain") + "\" is not a folder");
}

TEST(FrameWriter, CheckNoOverwrite)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.file("plates"));
    std::filesystem::create_directory_symlink(folder.file("plates"), folder.file("link"));
    const FramePattern input(folder.file("plates/in.####.exr"), FramePatternRole::Input);
    const FrameRange frames = FrameRange::parse("1001-1003");

    EXPECT_NO_THROW(FrameWriter::checkNoOverwrite(
        input, frames, FramePattern(folder.file("plates/out.####.exr"), FramePatternRole::Output), frames));
    // The same files under other numbers are fine when the frames do not meet.
    EXPECT_NO_THROW(FrameWriter::checkNoOverwrite(
        input, frames, FramePattern(folder.file("plates/in.####.exr"), FramePatternRole::Output),
        FrameRange::parse("1004,1005")));

    const FramePattern sameFiles(folder.file("plates/../plates/in.%04d.exr"), FramePatternRole::Output);
    EXPECT_THROW_MESSAGE(
        FrameWriter::checkNoOverwrite(input, frames, sameFiles, FrameRange::parse("1003")), std::runtime_error,
        "Output pattern \"" + sameFiles.text() + "\" would overwrite frames of input pattern \"" + input.text() +
            "\" (frame 1003 is written to \"" + sameFiles.path(1003) + "\", input frame 1003)");
    const FramePattern throughLink(folder.file("link/in.####.exr"), FramePatternRole::Output);
    EXPECT_THROW(FrameWriter::checkNoOverwrite(input, frames, throughLink, frames), std::runtime_error);
}
