// Movies through libavformat and libavcodec; the conversion to YUV is done here, in float.
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/MovieWriter.h>

#include <Vx/Render/TemporaryFile.h>
#include <Vx/Render/YuvConversion.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Vx::Render {

class MovieFrame
{
public:
    AVFrame* frame = nullptr;
};

void MovieFrameDeleter::operator()(MovieFrame* frame) const
{
    av_frame_free(&frame->frame);
    delete frame;
}

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// How each codec is encoded: libavcodec's encoder and the pixel format.
struct CodecSetup
{
    const char* encoder;
    AVPixelFormat format;
};

CodecSetup setupFor(MovieCodec codec)
{
    switch (codec) {
    case MovieCodec::ProRes:
        return {"prores_ks", AV_PIX_FMT_YUV422P10LE};
    case MovieCodec::ProRes4444:
        return {"prores_ks", AV_PIX_FMT_YUVA444P10LE};
    case MovieCodec::H264:
        return {"libx264", AV_PIX_FMT_YUV420P};
    case MovieCodec::DNxHR:
        return {"dnxhd", AV_PIX_FMT_YUV422P};
    }
    throw std::logic_error("unknown movie codec");
}

// The planes of `format` as the conversion fills them: bits, chroma subsampling, alpha.
YuvLayout planesOf(AVPixelFormat format)
{
    const AVPixFmtDescriptor& d = *av_pix_fmt_desc_get(format);
    YuvLayout layout;
    layout.bits = d.comp[0].depth;
    layout.chromaWidth = 1 << d.log2_chroma_w;
    layout.chromaHeight = 1 << d.log2_chroma_h;
    layout.alpha = (d.flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    return layout;
}

// The luma weights of red and blue (Kr, Kb) of a matrix coefficient tag; false for a tag that is
// not a plain luma/colour-difference matrix.
bool lumaWeights(AVColorSpace space, float& kr, float& kb)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        kr = 0.2126f, kb = 0.0722f;
        return true;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        kr = 0.299f, kb = 0.114f;
        return true;
    case AVCOL_SPC_SMPTE240M:
        kr = 0.212f, kb = 0.087f;
        return true;
    case AVCOL_SPC_FCC:
        kr = 0.30f, kb = 0.11f;
        return true;
    case AVCOL_SPC_BT2020_NCL:
        kr = 0.2627f, kb = 0.0593f;
        return true;
    default:
        return false;
    }
}

// A colour tag by its FFmpeg name, or std::invalid_argument naming it.
int colourTag(int value, const std::string& kind, const std::string& name)
{
    if (value < 0)
        throw std::invalid_argument("Movie colour " + kind + " " + inQuotes(name) + " is not one FFmpeg knows");
    return value;
}

} // namespace

struct MovieWriter::Impl
{
    std::string path;
    Options options;
    CodecSetup setup{};
    std::unique_ptr<TemporaryFile> file;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVIOContext* io = nullptr;
    AVPacket* packet = nullptr;
    std::uint64_t encoded = 0;
    bool finished = false;
    // The system's reason when a write of the file failed (a full disk), for the message.
    std::string ioError;
    YuvLayout layout; // how frames are converted
    // One pool of buffers a plane; null past the format's planes.
    AVBufferPool* pools[4] = {};
    int linesizes[4] = {};

    ~Impl()
    {
        for (AVBufferPool*& pool : pools)
            av_buffer_pool_uninit(&pool);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format)
            avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    [[noreturn]] void fail(const std::string& what, int code) const
    {
        throw std::runtime_error("Cannot write " + inQuotes(path) + ": " + what + ": " +
                                 (ioError.empty() ? avError(code) : ioError));
    }

    static int writePacket(void* opaque, std::uint8_t* data, int size)
    {
        Impl& self = *static_cast<Impl*>(opaque);
        const int fd = self.file->getDescriptor();
        for (int done = 0; done < size;) {
            const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : ENOSPC;
                self.ioError = std::strerror(error);
                return AVERROR(error);
            }
            done += int(n);
        }
        return size;
    }

    static std::int64_t seekFile(void* opaque, std::int64_t offset, int whence)
    {
        const int fd = static_cast<Impl*>(opaque)->file->getDescriptor();
        if (whence & AVSEEK_SIZE) {
            struct stat status
            {
            };
            return fstat(fd, &status) == 0 ? std::int64_t(status.st_size) : AVERROR(errno);
        }
        const off_t position = lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
        return position < 0 ? AVERROR(errno) : std::int64_t(position);
    }

    // Sends `frame` (nullptr: the end) and writes every packet the encoder has ready.
    void send(AVFrame* frame)
    {
        int status = avcodec_send_frame(codec, frame);
        if (status < 0)
            fail("the encoder refused a frame", status);
        for (;;) {
            status = avcodec_receive_packet(codec, packet);
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
                return;
            if (status < 0)
                fail("the encoder failed", status);
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            status = av_interleaved_write_frame(format, packet);
            if (status < 0)
                fail("a frame could not be written", status);
        }
    }
};

bool MovieWriter::hasEncoder(MovieCodec codec)
{
    return avcodec_find_encoder_by_name(setupFor(codec).encoder) != nullptr;
}

MovieWriter::MovieWriter(const std::string& path, const Options& options) : m_impl(std::make_unique<Impl>())
{
    Impl& m = *m_impl;
    m.path = path;
    m.options = options;
    m.setup = setupFor(options.codec);
    // Errors reach the user in the exceptions thrown here; libavcodec need not print them too.
    av_log_set_level(AV_LOG_FATAL);

    m.layout = planesOf(m.setup.format);
    // Chroma halved across (4:2:2) or both ways (4:2:0) needs whole pairs of pixels.
    const bool halfHeight = m.layout.chromaHeight == 2;
    const bool halfWidth = m.layout.chromaWidth == 2;
    if ((halfWidth && options.width % 2 != 0) || (halfHeight && options.height % 2 != 0))
        throw std::invalid_argument(std::string("--codec ") + getMovieCodecName(options.codec) +
                                    ": cannot encode frames of " + std::to_string(options.width) + "x" +
                                    std::to_string(options.height) + " pixels: " + getMovieCodecName(options.codec) +
                                    (halfHeight ? " needs an even width and height" : " needs an even width"));
    const AVCodec* encoder = avcodec_find_encoder_by_name(m.setup.encoder);
    if (!encoder)
        throw std::invalid_argument(std::string("--codec ") + getMovieCodecName(options.codec) +
                                    ": this build of FFmpeg's libavcodec has no " + m.setup.encoder + " encoder");
    AVRational rate{};
    if (!av_reduce(&rate.num, &rate.den, options.rate.num, options.rate.den, INT_MAX) || rate.num <= 0)
        throw std::invalid_argument("The frame rate " + std::to_string(options.rate.num) + "/" +
                                    std::to_string(options.rate.den) + " cannot be stored in a movie exactly");
    const auto primaries = AVColorPrimaries(colourTag(av_color_primaries_from_name(options.colour.primaries.c_str()),
                                                      "primaries", options.colour.primaries));
    const auto transfer = AVColorTransferCharacteristic(
        colourTag(av_color_transfer_from_name(options.colour.transfer.c_str()), "transfer", options.colour.transfer));
    const auto space = AVColorSpace(
        colourTag(av_color_space_from_name(options.colour.matrix.c_str()), "matrix", options.colour.matrix));
    const auto range =
        AVColorRange(colourTag(av_color_range_from_name(options.colour.range.c_str()), "range", options.colour.range));
    if (!lumaWeights(space, m.layout.kr, m.layout.kb))
        throw std::invalid_argument(
            "Movie colour matrix " + inQuotes(options.colour.matrix) +
            " cannot be converted to: use bt709, bt470bg, smpte170m, smpte240m, fcc or bt2020nc");
    m.layout.fullRange = range == AVCOL_RANGE_JPEG;

    int status = avformat_alloc_output_context2(&m.format, nullptr, nullptr, path.c_str());
    if (status < 0 || !m.format)
        throw std::invalid_argument("Output " + inQuotes(path) +
                                    ": no movie container for this name: " + avError(status));
    m.codec = avcodec_alloc_context3(encoder);
    m.packet = av_packet_alloc();
    if (!m.codec || !m.packet)
        throw std::bad_alloc();
    AVCodecContext& c = *m.codec;
    c.width = options.width;
    c.height = options.height;
    c.pix_fmt = m.setup.format;
    c.time_base = AVRational{rate.den, rate.num};
    c.framerate = rate;
    c.sample_aspect_ratio = AVRational{1, 1};
    c.color_primaries = primaries;
    c.color_trc = transfer;
    c.colorspace = space;
    c.color_range = range;
    c.thread_count = options.threads;
    c.thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (m.format->oformat->flags & AVFMT_GLOBALHEADER)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    switch (options.codec) {
    case MovieCodec::ProRes:
    case MovieCodec::ProRes4444:
        av_opt_set_int(c.priv_data, "profile", options.codec == MovieCodec::ProRes ? 3 : 4, 0);
        av_opt_set(c.priv_data, "vendor", "apl0", 0);
        if (options.codec == MovieCodec::ProRes4444)
            av_opt_set_int(c.priv_data, "alpha_bits", 16, 0);
        break;
    case MovieCodec::H264:
        av_opt_set_int(c.priv_data, "crf", options.crf, 0);
        break;
    case MovieCodec::DNxHR:
        av_opt_set(c.priv_data, "profile", "dnxhr_hq", 0);
        break;
    }
    status = avcodec_open2(&c, encoder, nullptr);
    if (status < 0)
        throw std::invalid_argument(std::string("--codec ") + getMovieCodecName(options.codec) + ": cannot encode " +
                                    std::to_string(options.width) + "x" + std::to_string(options.height) +
                                    " frames: " + avError(status));

    m.stream = avformat_new_stream(m.format, nullptr);
    if (!m.stream)
        throw std::bad_alloc();
    avcodec_parameters_from_context(m.stream->codecpar, &c);
    m.stream->time_base = c.time_base;
    m.stream->avg_frame_rate = rate;
    m.stream->r_frame_rate = rate;
    if (!options.timecode.empty()) {
        av_dict_set(&m.stream->metadata, "timecode", options.timecode.c_str(), 0);
        av_dict_set(&m.format->metadata, "timecode", options.timecode.c_str(), 0);
    }

    // Laid out as av_frame_get_buffer lays frames out, which encoders may count on: rows padded to
    // 64 pixels, planes as tall as the picture rounded up to 32 rows, and a few bytes past the end.
    if (av_image_fill_linesizes(m.linesizes, m.setup.format, FFALIGN(options.width, 64)) < 0)
        throw std::invalid_argument("Output " + inQuotes(path) + ": cannot lay out frames of " +
                                    std::to_string(options.width) + " pixels");
    const int alignedHeight = FFALIGN(options.height, 32);
    for (int plane = 0; plane < 4 && m.linesizes[plane] > 0; ++plane) {
        const int rows = plane == 1 || plane == 2 ? alignedHeight / m.layout.chromaHeight : alignedHeight;
        m.pools[plane] = av_buffer_pool_init(std::size_t(m.linesizes[plane]) * std::size_t(rows) + 16 + 64, nullptr);
        if (!m.pools[plane])
            throw std::bad_alloc();
    }

    m.file = std::make_unique<TemporaryFile>(path);
    constexpr int kBufferSize = 1 << 20;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    m.io =
        buffer ? avio_alloc_context(buffer, kBufferSize, 1, &m, nullptr, &Impl::writePacket, &Impl::seekFile) : nullptr;
    if (!m.io) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    m.format->pb = m.io;
    m.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // QuickTime and MP4 keep the colour tags in a colr atom only when asked to.
    AVDictionary* muxing = nullptr;
    av_dict_set(&muxing, "movflags", "write_colr", 0);
    status = avformat_write_header(m.format, &muxing);
    av_dict_free(&muxing);
    if (status < 0)
        m.fail("the movie's header", status);
}

MovieWriter::~MovieWriter() = default;

MovieFramePtr MovieWriter::render(const TileRenderer& renderer, const PxImageProtocol& node, double time,
                                  int level) const
{
    const Impl& m = *m_impl;
    const int width = m.options.width;
    const int height = m.options.height;
    const GeRectangle<int> frame = TileRenderer::getFullFrame(node, level);
    if (frame.getWidth() != width || frame.getHeight() != height)
        throw std::runtime_error("Cannot write " + inQuotes(m.path) + ": a frame of " +
                                 std::to_string(frame.getWidth()) + "x" + std::to_string(frame.getHeight()) +
                                 " in a movie of " + std::to_string(width) + "x" + std::to_string(height));
    MovieFramePtr out(new MovieFrame);
    out->frame = av_frame_alloc();
    if (!out->frame)
        throw std::bad_alloc();
    AVFrame& f = *out->frame;
    f.format = m.setup.format;
    f.width = width;
    f.height = height;
    // The planes come from the writer's pools: a frame's memory is used again once the encoder
    // lets go of it, rather than mapped (and faulted in) anew for every frame.
    for (int plane = 0; plane < 4 && m.pools[plane]; ++plane) {
        f.buf[plane] = av_buffer_pool_get(m.pools[plane]);
        if (!f.buf[plane])
            throw std::bad_alloc();
        f.data[plane] = f.buf[plane]->data;
        f.linesize[plane] = m.linesizes[plane];
    }
    // ProRes writes the frame's own tags into every frame's header.
    f.color_primaries = m.codec->color_primaries;
    f.color_trc = m.codec->color_trc;
    f.colorspace = m.codec->colorspace;
    f.color_range = m.codec->color_range;
    YuvPlanes planes;
    for (int plane = 0; plane < 4; ++plane) {
        planes.data[plane] = f.data[plane];
        planes.linesize[plane] = f.linesize[plane];
    }
    planes.width = width;
    planes.height = height;
    // Tiles that start and end on chroma samples are converted as they are rendered, on the
    // renderer's workers, with no float frame; other tile sizes render the frame first.
    if (renderer.getTileWidth() % m.layout.chromaWidth == 0 && renderer.getTileHeight() % m.layout.chromaHeight == 0) {
        renderer.renderTiles(node, time, level, [&](const FrameTile& tile) { convertToYuv(m.layout, tile, planes); });
        return out;
    }
    std::vector<float> pixels;
    try {
        pixels.resize(std::size_t(width) * std::size_t(height) * 4);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot allocate the frame: " + std::to_string(width) + "x" + std::to_string(height) +
                                 " pixels of float RGBA need " +
                                 std::to_string(std::uint64_t(width) * std::uint64_t(height) * 16) +
                                 " bytes, more than the system gives");
    }
    renderer.renderInto(node, time, pixels.data(), level);
    FrameTile whole;
    whole.width = width;
    whole.height = height;
    whole.pixels = pixels.data();
    whole.rowStride = std::ptrdiff_t(width) * 4;
    convertToYuv(m.layout, whole, planes);
    return out;
}

void MovieWriter::encode(MovieFramePtr frame)
{
    Impl& m = *m_impl;
    if (m.finished)
        throw std::logic_error("MovieWriter::encode after finish");
    frame->frame->pts = std::int64_t(m.encoded);
    m.send(frame->frame);
    ++m.encoded;
}

void MovieWriter::finish()
{
    Impl& m = *m_impl;
    m.send(nullptr);
    const int status = av_write_trailer(m.format);
    if (status < 0)
        m.fail("the movie's index", status);
    avio_flush(m.io);
    if (m.io->error < 0)
        m.fail("the movie's end", m.io->error);
    m.file->commit();
    m.finished = true;
}

std::uint64_t MovieWriter::getFramesEncoded() const
{
    return m_impl->encoded;
}

const std::string& MovieWriter::getPath() const
{
    return m_impl->path;
}

std::string MovieWriter::getPixelFormatName() const
{
    return av_get_pix_fmt_name(m_impl->setup.format);
}

} // namespace Vx::Render
