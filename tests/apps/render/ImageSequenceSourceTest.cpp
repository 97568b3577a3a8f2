// The image sequence source: pixels read back exactly as written (y up, premultiplied), the
// format, levels, the frame cache and its errors.
#include "common/ExpectThrowMessage.h"
#include <Vx/Render/ImageSequenceSource.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include <Vx/Tm/TmTimeUtil.h>

#include "RenderTestUtil.h"

using namespace Vx;
using namespace Vx::Render;
using namespace Vx::Render::test;

namespace {

constexpr int kWidth = 37; // odd sizes: tiles never divide them evenly
constexpr int kHeight = 23;
const Rational kRate{24, 1};

// Values that half floats hold exactly (multiples of 1/64 below 32), different per frame.
float exrValue(int column, int row, int channel, int frame)
{
    if (channel == 3)
        return float((column + row) % 5) / 4.0f;
    return float(column + 2 * row + 7 * channel + frame % 7) / 64.0f;
}

void writeExrSequence(const ScratchFolder& folder, int first, int last)
{
    for (int f = first; f <= last; ++f) {
        OIIO::ImageSpec spec(kWidth, kHeight, 4, OIIO::TypeHalf);
        spec.attribute("PixelAspectRatio", 2.0f);
        writeImage(FramePattern(folder.file("plate.####.exr")).path(f),
                   makeImage(kWidth, kHeight, 4, [f](int x, int y, int c) { return exrValue(x, y, c, f); }), spec);
    }
}

double timeOf(int frame, const Rational& rate = kRate)
{
    // Inside the frame, not at its start: any time within the frame selects it.
    return TmTimeUtil::getSecondsFromFrames(rate, frame) + 0.4 / rate.toDouble();
}

PxStrongHndl<ImageSequenceSource> makeSource(const std::string& pattern, int first, std::size_t cacheSize = 3,
                                             const Rational& rate = kRate)
{
    ImageSequenceSource::Options options;
    options.frameRate = rate;
    options.firstFrame = first;
    options.cacheSize = cacheSize;
    return pxCreateNode<ImageSequenceSource>(FramePattern(pattern), options);
}

// Pixel (x, y) of a full frame read by readTiles.
const float* pixelAt(const std::vector<float>& pixels, int width, int x, int y)
{
    return &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
}

} // namespace

// One half-float EXR sequence: the format of its first frame, its pixels exactly (top row first),
// level one as every other pixel, and transparent black outside the frame.
TEST(ImageSequenceSource, ExrSequenceFormatPixelsLevelOneAndOutside)
{
    ScratchFolder folder;
    writeExrSequence(folder, 1001, 1003);
    const Rational ntsc(24000, 1001);
    const auto source = makeSource(folder.file("plate.####.exr"), 1001, 3, ntsc);
    const PxImageFormat format = source->getImageFormat();
    EXPECT_EQ(format.width, kWidth);
    EXPECT_EQ(format.height, kHeight);
    EXPECT_EQ(format.pixelAspectNum, 2);
    EXPECT_EQ(format.pixelAspectDen, 1);
    EXPECT_EQ(format.frameRate.num, 24000);
    EXPECT_EQ(format.frameRate.den, 1001);
    EXPECT_EQ(source->getFirstSpec().format, OIIO::TypeHalf);
    EXPECT_EQ(source->frameAt(timeOf(1001, ntsc)), 1001);

    const GeRectangle<int> frame(0, kWidth, 0, kHeight);
    for (int f = 1001; f <= 1003; ++f) {
        SCOPED_TRACE(f);
        const std::vector<float> pixels = readTiles(*source, timeOf(f, ntsc), 0, frame, 16);
        int mismatches = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 4; ++c)
                    // Image row 0 is the top: y = height - 1.
                    mismatches += pixelAt(pixels, kWidth, x, y)[c] != exrValue(x, kHeight - 1 - y, c, f);
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_EQ(source->getDecodeCount(), 3u);

    const GeRectangle<int> half(0, (kWidth + 1) / 2, 0, (kHeight + 1) / 2);
    const std::vector<float> fullPixels = readTiles(*source, timeOf(1001, ntsc), 0, frame, 64);
    const std::vector<float> halfPixels = readTiles(*source, timeOf(1001, ntsc), 1, half, 7);
    for (int y = 0; y < half.y1; ++y)
        for (int x = 0; x < half.x1; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(pixelAt(halfPixels, half.x1, x, y)[c], pixelAt(fullPixels, kWidth, 2 * x, 2 * y)[c])
                    << x << ", " << y;

    const std::vector<float> edge =
        readTiles(*source, timeOf(1001, ntsc), 0, GeRectangle<int>(-2, 2, kHeight - 1, kHeight + 1), 4);
    // Columns -2 and -1 and row kHeight lie outside; (0, kHeight - 1) is the top-left pixel.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(pixelAt(edge, 4, x, y)[c], x >= 2 && y == 0 ? exrValue(x - 2, 0, c, 1001) : 0.0f)
                    << x << ", " << y;
}

TEST(ImageSequenceSource, Png8BitIsPremultipliedInFloat)
{
    ScratchFolder folder;
    const auto value = [](int x, int y, int c) {
        const int v = c == 3 ? (x * 31 + y * 17) % 256 : (x * 7 + y * 13 + c * 50) % 256;
        return float(v) / 255.0f;
    };
    OIIO::ImageSpec spec(kWidth, kHeight, 4, OIIO::TypeDesc::UINT8);
    // The values are stored as given: colour not premultiplied, as PNG keeps it.
    spec.attribute("oiio:UnassociatedAlpha", 1);
    writeImage(folder.file("logo.0007.png"), makeImage(kWidth, kHeight, 4, value), spec);
    const auto source = makeSource(folder.file("logo.%04d.png"), 7);
    const std::vector<float> pixels = readTiles(*source, timeOf(7), 0, GeRectangle<int>(0, kWidth, 0, kHeight), 10);

    constexpr float kTolerance = 1.0f / 255.0f;
    int transparentChecked = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int row = kHeight - 1 - y;
            const float alpha = value(x, row, 3);
            const float* p = pixelAt(pixels, kWidth, x, y);
            ASSERT_NEAR(p[3], alpha, kTolerance) << x << ", " << y;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(p[c], value(x, row, c) * alpha, kTolerance) << x << ", " << y << " channel " << c;
            if (alpha == 0.0f && value(x, row, 0) > 0.1f)
                ++transparentChecked;
        }
    }
    // Some pixels have colour under zero alpha: without premultiplication they would not be black.
    EXPECT_GT(transparentChecked, 0);
}

// Without alpha a pixel is opaque; one channel is grey, three channels of other names are taken in
// order as red, green and blue.
TEST(ImageSequenceSource, ImagesWithoutAlphaOrColourNames)
{
    ScratchFolder folder;
    const auto value = [](int x, int y, int c) { return float((x + y + 5 * c) % 16) / 16.0f; };
    for (const int channels : {1, 3}) {
        SCOPED_TRACE(channels);
        OIIO::ImageSpec spec(8, 4, channels, OIIO::TypeFloat);
        if (channels == 3)
            spec.channelnames = {"U", "V", "W"};
        const std::string name = "plain" + std::to_string(channels) + ".0001.exr";
        writeImage(folder.file(name), makeImage(8, 4, channels, value), spec);
        const auto source = makeSource(folder.file("plain" + std::to_string(channels) + ".####.exr"), 1);
        const std::vector<float> pixels = readTiles(*source, timeOf(1), 0, GeRectangle<int>(0, 8, 0, 4), 3);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(pixelAt(pixels, 8, x, y)[c], c == 3 ? 1.0f : value(x, 3 - y, channels == 1 ? 0 : c))
                        << x << ", " << y << " channel " << c;
    }
}

TEST(ImageSequenceSource, MissingAndUnreadableFramesAreNamedAndNotCached)
{
    ScratchFolder folder;
    writeExrSequence(folder, 1, 1);
    std::ofstream(folder.file("plate.0003.exr")) << "not an image";
    const auto source = makeSource(folder.file("plate.####.exr"), 1);
    const auto read = [&](int frame) { readTiles(*source, timeOf(frame), 0, GeRectangle<int>(0, 4, 0, 4), 4); };
    EXPECT_THROW_MESSAGE(read(2), std::runtime_error,
                         "Missing frame 2: \"" + folder.file("plate.0002.exr") + "\" does not exist");
    EXPECT_THROW_MESSAGE(makeSource(folder.file("other.####.exr"), 1), std::runtime_error,
                         "Missing frame 1: \"" + folder.file("other.0001.exr") + "\" does not exist");
    EXPECT_THROW_MESSAGE_START(read(3), std::runtime_error, "Cannot read \"" + folder.file("plate.0003.exr") + "\": ");

    // Once the frame is there it is read: the failure was not kept.
    writeExrSequence(folder, 2, 2);
    const auto frame = source->getFrame(2);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->path, folder.file("plate.0002.exr"));
}

TEST(ImageSequenceSource, CacheKeepsTheMostRecentFrames)
{
    ScratchFolder folder;
    writeExrSequence(folder, 1, 3);
    const auto source = makeSource(folder.file("plate.####.exr"), 1, 2);
    struct Step
    {
        int frame;
        unsigned decodes; // after the request
    };
    // Cache of two: 3 pushes out 2 (1 was used more recently), so 2 is decoded again, pushing out 3.
    const Step steps[] = {{1, 1}, {2, 2}, {1, 2}, {3, 3}, {1, 3}, {2, 4}, {3, 5}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.frame);
        EXPECT_EQ(source->getFrame(s.frame)->frame, s.frame);
        EXPECT_EQ(source->getDecodeCount(), s.decodes);
    }
}
