// kestrin-render end to end with movies: every codec's movie read back with FFmpeg's own libraries
// (codec, pixel format, frame count, rate, timecode track, colour tags, alpha, and decoded frames
// against the same frames written as 16-bit TIFFs), a composition saved with the movie and colour
// options rendering the same movie again, the options a movie refuses, a movie that fails
// half-way leaving nothing, and a movie written here with libavcodec read back as input frames in
// order.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;

/// What libavformat and libavcodec find in a movie, and one of its frames as RGB (0-1, full range
/// through the BT.709 matrix from TV range).
struct MovieContents
{
    std::string codec;
    std::string profile;
    std::string pixelFormat;
    int frames = 0;
    AVRational rate{0, 1};
    std::string timecode;
    std::string primaries, transfer, matrix, range;
    /// Every frame, 3 floats a pixel, top row first.
    std::vector<std::vector<float>> rgb;
    /// Every frame's alpha plane in 12-bit codes (0-4095), for ProRes 4444; empty otherwise.
    std::vector<std::vector<float>> alpha;
};

MovieContents readMovie(const std::string& path)
{
    av_log_set_level(AV_LOG_ERROR);
    MovieContents movie;
    AVFormatContext* format = nullptr;
    EXPECT_EQ(avformat_open_input(&format, path.c_str(), nullptr, nullptr), 0) << path;
    if (!format)
        return movie;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* stream = format->streams[index];
    // MXF keeps the timecode with the file, the QuickTime formats with the stream.
    for (AVDictionary* metadata : {format->metadata, stream->metadata})
        if (const AVDictionaryEntry* tc = av_dict_get(metadata, "timecode", nullptr, 0))
            movie.timecode = tc->value;
    movie.rate = stream->avg_frame_rate;
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, stream->codecpar);
    avcodec_open2(codec, decoder, nullptr);
    movie.codec = decoder->name;
    movie.profile = avcodec_profile_name(codec->codec_id, codec->profile);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto take = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            movie.pixelFormat = av_get_pix_fmt_name(AVPixelFormat(frame->format));
            movie.primaries = av_color_primaries_name(frame->color_primaries);
            movie.transfer = av_color_transfer_name(frame->color_trc);
            movie.matrix = av_color_space_name(frame->colorspace);
            movie.range = av_color_range_name(frame->color_range);
            ++movie.frames;
            std::vector<std::uint16_t> rgb(std::size_t(frame->width) * std::size_t(frame->height) * 3);
            SwsContext* sws = sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), frame->width, frame->height,
                AV_PIX_FMT_RGB48, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(sws, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
            std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(rgb.data())};
            const int stride[1] = {frame->width * 6};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
            sws_freeContext(sws);
            movie.rgb.emplace_back();
            for (const std::uint16_t v : rgb)
                movie.rgb.back().push_back(float(v) / 65535.0f);
            // ProRes 4444 decodes to 12-bit planes, the fourth the alpha.
            movie.alpha.resize(frame->format == AV_PIX_FMT_YUVA444P12LE ? movie.rgb.size() : 0);
            for (int y = 0; !movie.alpha.empty() && y < frame->height; ++y) {
                const auto* row = reinterpret_cast<const std::uint16_t*>(frame->data[3] + y * frame->linesize[3]);
                movie.alpha.back().insert(movie.alpha.back().end(), row, row + frame->width);
            }
        }
    };
    while (av_read_frame(format, packet) == 0) {
        if (packet->stream_index == index)
            avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        take();
    }
    avcodec_send_packet(codec, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return movie;
}

/// The smallest rectangle {x0, y0, x1, y1} holding every pixel brighter than `threshold` in any
/// of its first three of `channels` channels.
std::vector<int> brightBox(const std::vector<float>& pixels, int channels, float threshold)
{
    std::vector<int> box = {kWidth, kHeight, -1, -1};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                if (pixels[(std::size_t(y) * kWidth + std::size_t(x)) * std::size_t(channels) + std::size_t(c)] >
                    threshold)
                    box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    return box;
}

/// A ProRes 422 HQ movie written with libavcodec and libavformat: one flat grey frame per value
/// (0-1023, 10-bit luma; neutral chroma), a timecode track starting at `timecode`, 24 fps.
void writeGreyMovie(const std::string& path, const std::vector<int>& greys, const std::string& timecode)
{
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* format = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&format, nullptr, nullptr, path.c_str()), 0);
    const AVCodec* encoder = avcodec_find_encoder_by_name("prores_ks");
    AVCodecContext* codec = avcodec_alloc_context3(encoder);
    codec->width = kWidth;
    codec->height = kHeight;
    codec->pix_fmt = AV_PIX_FMT_YUV422P10LE;
    codec->time_base = {1, 24};
    codec->framerate = {24, 1};
    ASSERT_EQ(avcodec_open2(codec, encoder, nullptr), 0);
    AVStream* stream = avformat_new_stream(format, nullptr);
    avcodec_parameters_from_context(stream->codecpar, codec);
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    av_dict_set(&stream->metadata, "timecode", timecode.c_str(), 0);
    ASSERT_GE(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_EQ(avformat_write_header(format, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    const auto drain = [&] {
        while (avcodec_receive_packet(codec, packet) == 0) {
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            av_interleaved_write_frame(format, packet);
        }
    };
    for (std::size_t i = 0; i < greys.size(); ++i) {
        AVFrame* frame = av_frame_alloc();
        frame->format = codec->pix_fmt;
        frame->width = kWidth;
        frame->height = kHeight;
        av_frame_get_buffer(frame, 0);
        for (int plane = 0; plane < 3; ++plane)
            for (int y = 0; y < kHeight; ++y) {
                auto* row = reinterpret_cast<std::uint16_t*>(frame->data[plane] + y * frame->linesize[plane]);
                std::fill(row, row + (plane == 0 ? kWidth : kWidth / 2), std::uint16_t(plane == 0 ? greys[i] : 512));
            }
        frame->pts = std::int64_t(i);
        avcodec_send_frame(codec, frame);
        av_frame_free(&frame);
        drain();
    }
    avcodec_send_frame(codec, nullptr);
    drain();
    av_write_trailer(format);
    avio_closep(&format->pb);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_free_context(format);
}

const std::vector<std::string> kCard = {"-q",
                                        "--size",
                                        std::to_string(kWidth) + "x" + std::to_string(kHeight),
                                        "--range",
                                        "1-5",
                                        "--fps",
                                        "23.976",
                                        "--start-timecode",
                                        "01:00:00:00",
                                        "-s",
                                        "Fill Color=0.1,0.15,0.2",
                                        "-s",
                                        "Text=<FrameNo> SLATE",
                                        "-s",
                                        "Text Size=40"};

/// Every difference between a decoded movie frame (RGB) and a TIFF frame (RGBA), sorted.
std::vector<float> sortedErrors(const std::vector<float>& rgb, const TestImage& tiff)
{
    std::vector<float> errors;
    for (std::size_t p = 0; p < std::size_t(kWidth * kHeight); ++p)
        for (std::size_t c = 0; c < 3; ++c)
            errors.push_back(std::abs(rgb[p * 3 + c] - tiff.pixels[p * std::size_t(tiff.channels) + c]));
    std::sort(errors.begin(), errors.end());
    return errors;
}

double mean(const std::vector<float>& values)
{
    double sum = 0;
    for (const float v : values)
        sum += v;
    return sum / double(values.size());
}

} // namespace

// --save keeps the movie and colour options: the composition saved with them renders, with no
// option, the files the run that saved it wrote, byte for byte (the movie carries no creation
// time), which differ from the same run's without the colour options. Options given with the file replace
// its values, the output's colour as one choice (--colorspace-out replaces a saved display and view).
TEST(MovieOutput, SavedCompositionKeepsTheMovieAndColourOptions)
{
    ScratchFolder folder;
    renderOk(folder, {"-q", "--size", "320x180", "--range", "1-2", "-s", "Fill Color=0.2,0.5,0.9", "-s",
                      "Text=<FrameNo>", "-s", "Text Color=3,0.2,0", "-o", "plate.####.exr"});
    const std::string config =
        std::filesystem::path(KESTRIN_RENDER_PATH).parent_path().parent_path() / "share/ocio/config.ocio";
    // Each run: its output and the options the run without colour keeps, the options it goes without,
    // the run from a saved file, the files written.
    const std::vector<std::array<std::vector<std::string>, 4>> cases = {
        {{{"-o", "a.mov", "--codec", "h264", "--crf", "30"},
          {"--ocio", config, "--colorspace-in", "ACEScg", "--display", "sRGB", "--view", "ACES 1.0 SDR-video", "--save",
           "saved.json"},
          {"saved.json"},
          {"a.mov"}}},
        {{{"-o", "a.mov", "--codec", "h264", "--crf", "40"},
          {"--ocio", config, "--colorspace-in", "ACEScg", "--colorspace-out", "sRGB"},
          {"saved.json", "--crf", "40", "--colorspace-out", "sRGB"},
          {"a.mov"}}},
        {{{"-o", "f.####.png"},
          {"--ocio", config, "--colorspace-in", "ACEScg", "--colorspace-out", "Rec709", "--save", "frames.json"},
          {"frames.json"},
          {"f.0001.png", "f.0002.png"}}},
    };
    const auto take =
        [&](const std::vector<std::string>& names) { // the files' bytes; the next run must write them again
            std::string taken;
            for (const std::string& name : names) {
                taken += contents(folder.file(name));
                std::filesystem::remove(folder.file(name));
            }
            return taken;
        };
    for (const auto& [output, colour, again, written] : cases) {
        SCOPED_TRACE(again.front() + " " + written.front());
        const std::vector<std::string> plain = with({"-q", "-i", "plate.####.exr", "-s", "Text=<FrameNo>"}, output);
        renderOk(folder, with(plain, colour));
        const std::string direct = take(written);
        renderOk(folder, with({"-q"}, again));
        EXPECT_TRUE(take(written) == direct);
        renderOk(folder, plain);
        EXPECT_FALSE(take(written) == direct);
    }
}

// Every codec's movie as libavformat reads it: codec, profile and pixel format (FFmpeg decodes any
// ProRes 4444 at 12 bits), frame count, rate, timecode track and colour tags; and each decoded
// frame against the frames written as 16-bit TIFFs by the same render, within the codec's
// tolerance on the mean, the 99th percentile and the largest difference of the values (about
// twice what was measured: ProRes 422 HQ 0.0008, 0.005, 0.03; prores4444 0.0001, 0.0041, 0.0056;
// h264 0.0024, 0.025, 0.145, its 4:2:0 chroma at the text's edges; dnxhr 0.0018, 0.0098, 0.047),
// better than against any other frame's TIFF (the frames went in in order), with the white text
// within a pixel of where the TIFF has it. ProRes 4444 keeps the alpha of a transparent plate, the
// colour divided by it: exactly 0 away from the text and 1 inside the glyphs' stems, the TIFF's
// within a 10-bit step at the edges. A higher --crf writes a smaller h264 movie.
TEST(MovieOutput, EveryCodecReadsBackWithItsRateTimecodeTagsAndPictures)
{
    struct Case
    {
        std::vector<std::string> plate; // options of the movie and of its TIFFs
        std::vector<std::string> codec;
        std::string movie;
        std::string decoded; // codec, profile and pixel format
        double mean, percentile99, largest;
    };
    const std::vector<Case> cases = {
        {{}, {}, "review.mov", "prores HQ yuv422p10le", 0.002, 0.01, 0.05},
        {{"-s", "Fill Alpha=0"}, {"--codec", "prores4444"}, "a.mov", "prores 4444 yuva444p12le", 3e-4, 0.01, 0.012},
        {{}, {}, "review.mp4", "h264 High yuv420p", 0.005, 0.05, 0.3},
        {{}, {"--codec", "dnxhr"}, "review.mxf", "dnxhd DNXHR HQ yuv422p", 0.004, 0.02, 0.1},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.movie);
        renderOk(folder, with(with(kCard, c.plate), with(c.codec, {"-o", c.movie})));
        renderOk(folder, with(with(kCard, c.plate), {"-o", "ref.####.tif"}));
        MovieContents movie = readMovie(folder.file(c.movie));
        EXPECT_EQ(movie.codec + " " + movie.profile + " " + movie.pixelFormat, c.decoded);
        EXPECT_EQ(std::to_string(movie.rate.num) + "/" + std::to_string(movie.rate.den), "24000/1001");
        EXPECT_EQ(movie.timecode, "01:00:00:00");
        EXPECT_EQ(movie.primaries + " " + movie.transfer + " " + movie.matrix + " " + movie.range,
                  "bt709 bt709 bt709 tv");
        ASSERT_EQ(movie.rgb.size(), 5u); // the frame count
        ASSERT_EQ(movie.alpha.size(), c.plate.empty() ? 0u : 5u);
        std::vector<TestImage> tiffs;
        for (int frame = 1; frame <= 5; ++frame)
            tiffs.push_back(readImage(folder.file("ref.000" + std::to_string(frame) + ".tif")));
        for (std::size_t k = 0; k < 5; ++k) {
            SCOPED_TRACE("movie frame " + std::to_string(k + 1));
            float alphaError = 0;
            int opaque = 0;
            for (std::size_t p = 0; !movie.alpha.empty() && p < std::size_t(kWidth * kHeight); ++p) {
                const float alpha = movie.alpha[k][p] / 4095.0f;
                const float expected = tiffs[k].pixels[p * 4 + 3];
                const bool exact = expected == 0.0f || expected == 1.0f;
                alphaError = std::max(alphaError, exact && alpha != expected ? 1.0f : std::abs(alpha - expected));
                opaque += expected == 1.0f;
                for (std::size_t i = 0; i < 3; ++i)
                    movie.rgb[k][p * 3 + i] *= alpha;
            }
            EXPECT_LE(alphaError, 1.0f / 1023.0f);
            EXPECT_GE(opaque, movie.alpha.empty() ? 0 : 500);
            EXPECT_EQ(movie.alpha.empty() ? 0.0f : movie.alpha[k][0], 0.0f); // a corner, away from the text
            const std::vector<float> errors = sortedErrors(movie.rgb[k], tiffs[k]);
            EXPECT_LT(mean(errors), c.mean);
            EXPECT_LT(errors[errors.size() * 99 / 100], c.percentile99);
            EXPECT_LT(errors.back(), c.largest);
            for (std::size_t other = (k + 1) % 5; other != k; other = (other + 1) % 5)
                EXPECT_LT(mean(errors), mean(sortedErrors(movie.rgb[k], tiffs[other]))) << "TIFF " << other + 1;
            const std::vector<int> movieBox = brightBox(movie.rgb[k], 3, 0.5f);
            const std::vector<int> tiffBox = brightBox(tiffs[k].pixels, tiffs[k].channels, 0.5f);
            ASSERT_GE(tiffBox[2], tiffBox[0]) << "no text in the TIFF";
            for (std::size_t i = 0; i < 4; ++i)
                EXPECT_NEAR(movieBox[i], tiffBox[i], 1) << "box side " << i;
        }
    }
    EXPECT_EQ(folder.listNames().size(), 9u); // the movies and five TIFFs: no temporary file stays
    renderOk(folder, with(kCard, {"--crf", "35", "-o", "smaller.mp4"}));
    EXPECT_LT(std::filesystem::file_size(folder.file("smaller.mp4")),
              std::filesystem::file_size(folder.file("review.mp4")));
}

// Options a movie cannot take are refused before anything renders, and nothing is written.
TEST(MovieOutput, BadOptionsAreRefusedBeforeRendering)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--codec", "vp9", "-o", "out.mov"}, "--codec: \"vp9\" is not a codec: use prores, prores4444, h264 or dnxhr"},
        {{"--codec", "prores", "-o", "out.mp4"},
         "--codec prores: a .mp4 movie cannot hold it (\"out.mp4\"); .mp4 takes h264"},
        {{"--codec", "h264", "-o", "out.mxf"},
         "--codec h264: a .mxf movie cannot hold it (\"out.mxf\"); .mxf takes dnxhr"},
        {{"--codec", "h264", "--crf", "52", "-o", "out.mov"},
         "--crf: 52 is out of range: use 0 (lossless) to 51 (smallest), default 18"},
        {{"--crf", "20", "-o", "out.mov"},
         "--crf: only h264 has a constant rate factor, the movie \"out.mov\" is prores"},
        {{"--crf", "x", "-o", "out.mp4"},
         "--crf: \"x\" is not a constant rate factor: use a whole number from 0 (lossless) to 51 (smallest)"},
        {{"-o", "out.####.mov"},
         "Output \"out.####.mov\" is a movie, one file: its name takes no frame number (#, @ or %d)"},
        {{"--codec", "h264", "-o", "out.####.png"},
         "--codec: only a movie output (-o NAME.mov, .mp4 or .mxf) has a codec"},
        {{"--chunk", "1/2", "-o", "out.mov"},
         "Output \"out.mov\": a movie is written whole by one run, so --chunk does not apply; write frames "
         "(NAME.####.exr) to split a range between tasks"},
        {{"--size", "321x180", "-o", "out.mp4"},
         "--codec h264: cannot encode frames of 321x180 pixels: h264 needs an even width and height"},
        {{"--size", "321x180", "--codec", "dnxhr", "-o", "out.mov"},
         "--codec dnxhr: cannot encode frames of 321x180 pixels: dnxhr needs an even width"},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult result = runRender(folder, with({"-q", "--range", "1-2"}, c.args));
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "kestrin-render: " + c.message + "\n");
        EXPECT_EQ(folder.listNames(), std::vector<std::string>{});
    }
}

// A frame that cannot be read half-way through fails the run (exit 1) and leaves no movie, and
// no temporary file, behind.
TEST(MovieOutput, AFailedFrameLeavesNoMovie)
{
    ScratchFolder folder;
    for (const int frame : {1, 2, 4})
        writeImage(folder.file(frameName("plate", frame)),
                   makeImage(kWidth, kHeight, 4, [](int, int, int c) { return c == 3 ? 1.0f : 0.5f; }),
                   OIIO::ImageSpec(kWidth, kHeight, 4, OIIO::TypeUInt8));
    const RunResult result = runRender(folder, {"-q", "-i", "plate.####.png", "--range", "1-4", "-o", "out.mov"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Missing frame 3"), std::string::npos) << result.err;
    EXPECT_EQ(folder.listNames(), (std::vector<std::string>{"plate.0001.png", "plate.0002.png", "plate.0004.png"}));
}

// Pictures k of a movie are frames first + k, in order (each a distinct grey), with the movie's
// timecode counting on in their headers.
TEST(MovieInput, PicturesAreFramesInOrderWithTheMoviesTimecode)
{
    ScratchFolder folder;
    const std::vector<int> greys = {64, 300, 520, 700, 940};
    writeGreyMovie(folder.file("greys.mov"), greys, "10:00:00:00");
    renderOk(folder, {"-q", "-i", "greys.mov", "--range", "11-15", "-s", "Text=", "-o", "out.####.tif"});
    for (std::size_t k = 0; k < greys.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "out.%04d.tif", int(11 + k));
        const TestImage image = readImage(folder.file(name));
        // 10-bit TV-range luma to full range, (Y - 64) / 876, within OpenImageIO's rounding of it.
        EXPECT_NEAR(image.at(kWidth / 2, kHeight / 2, 1), (greys[k] - 64) / 876.0f, 0.01f) << name;
    }
    const RunResult listed = runRender(folder, {"--list-metadata", "-i", "greys.mov", "--range", "11-15", "-f", "14"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("smpte:TimeCode = 10:00:00:03\n"), std::string::npos) << listed.out;

    const RunResult broken = runRender(folder, {"-q", "-i", "missing.mov", "-o", "out.####.tif"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.err, "kestrin-render: Cannot read \"missing.mov\": No such file or directory\n");
}
