// The image sequence reader of kestrin-render.
#include <Vx/Render/ImageSequenceSource.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>
#include <sstream>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <Vx/Render/ColourManagement.h>
#include <Vx/Render/FileMetadata.h>
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/PixelConversions.h>
#include <Vx/Render/RenderLimits.h>
#include <Vx/Tm/TmTimeUtil.h>

namespace Vx::Render {

namespace {

// Marks in `isColour` the channels `rgbaChannels` reads as red, green and blue (premultiply's
// argument), alpha's own channel excepted.
void markColourChannels(const int rgbaChannels[4], bool isColour[64])
{
    for (int c = 0; c < 3; ++c)
        if (rgbaChannels[c] >= 0 && rgbaChannels[c] < 64 && rgbaChannels[c] != rgbaChannels[3])
            isColour[rgbaChannels[c]] = true;
}

// Rows of an 8- or 16-bit file read at a time.
constexpr int kStripRows = 64;

// The last part of a layered channel name ("beauty.R" -> "r"), in lower case.
std::string channelRole(const std::string& name)
{
    const auto dot = name.rfind('.');
    std::string role = dot == std::string::npos ? name : name.substr(dot + 1);
    for (char& c : role)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return role;
}

// The pixel aspect ratio as two small integers: the first denominator up to 1000 that gives the
// stored float back to within 1e-4 (0.9 is 9/10, 0.90909 is 10/11).
void pixelAspectTerms(float aspect, int& num, int& den)
{
    num = 1;
    den = 1;
    if (!(aspect > 0.0f) || !std::isfinite(aspect) || aspect > 1000.0f)
        return;
    for (int d = 1; d <= 1000; ++d) {
        const double n = std::round(double(aspect) * d);
        if (n >= 1.0 && std::abs(n / d - double(aspect)) < 1e-4) {
            num = int(n);
            den = d;
            return;
        }
    }
}

// Opens `path` asking for alpha as the file stores it, so that premultiplication happens here in
// float rather than in the file's own (perhaps 8-bit) type.
std::unique_ptr<OIIO::ImageInput> openFrame(const std::string& path, std::int64_t frame)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw std::runtime_error("Missing frame " + std::to_string(frame) + ": " + inQuotes(path) + " does not exist");
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in)
        throw std::runtime_error("Cannot read " + inQuotes(path) + ": " + OIIO::geterror());
    const OIIO::ImageSpec& spec = in->spec();
    if (spec.width <= 0 || spec.height <= 0 || spec.nchannels <= 0 || spec.depth > 1)
        throw std::runtime_error("Cannot read " + inQuotes(path) + ": not a two-dimensional image");
    return in;
}

} // namespace

void findRGBAChannels(const OIIO::ImageSpec& spec, int rgba[4])
{
    for (int i = 0; i < 4; ++i)
        rgba[i] = -1;
    for (int i = 0; i < spec.nchannels; ++i) {
        const std::string role = channelRole(spec.channel_name(i));
        const int slot = role == "r" || role == "red"     ? 0
                         : role == "g" || role == "green" ? 1
                         : role == "b" || role == "blue"  ? 2
                         : role == "a" || role == "alpha" ? 3
                                                          : -1;
        if (slot >= 0 && rgba[slot] < 0)
            rgba[slot] = i;
    }
    if (rgba[3] < 0 && spec.alpha_channel >= 0 && spec.alpha_channel < spec.nchannels)
        rgba[3] = spec.alpha_channel;
    if (rgba[0] >= 0 || rgba[1] >= 0 || rgba[2] >= 0)
        return;
    // No colour channel is named: take the others in order.
    std::vector<int> others;
    for (int i = 0; i < spec.nchannels; ++i)
        if (i != rgba[3])
            others.push_back(i);
    if (others.size() >= 3) {
        rgba[0] = others[0];
        rgba[1] = others[1];
        rgba[2] = others[2];
    } else if (!others.empty()) {
        rgba[0] = rgba[1] = rgba[2] = others[0];
        if (others.size() == 2 && rgba[3] < 0)
            rgba[3] = others[1];
    }
}

void SourceFrame::getPremultipliedRGBA(int column, int row, float rgba[4]) const
{
    getRGBA(std::size_t(row) * std::size_t(spec.width) + std::size_t(column), 1, rgba);
}

void SourceFrame::getRGBA(std::size_t first, std::size_t count, float* rgba) const
{
    if (!bytes.empty()) {
        getValues(first, count, rgba);
        return;
    }
    if (halfWords) {
        halfToFloat(&words[first * 4], count * 4, rgba);
        return;
    }
    if (!words.empty()) {
        unsigned16RGBToFloatRGBA(&words[first * 3], count, rgba);
        return;
    }
    const std::size_t channels = std::size_t(spec.nchannels);
    const float* from = &pixels[first * channels];
    const int* const order = rgbaChannels;
    const bool inOrder = order[0] == 0 && order[1] == 1 && order[2] == 2;
    if (inOrder && channels == 4 && order[3] == 3) {
        std::memcpy(rgba, from, count * 4 * sizeof(float));
        return;
    }
    std::size_t p = 0;
#if defined(__SSE2__)
    if (inOrder && channels == 3 && order[3] < 0) {
        // A pixel a step as four floats, the fourth (the next pixel's red) replaced by alpha 1,
        // bit for bit; the last pixel below, so that nothing past the frame is read.
        const __m128 colour = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
        const __m128 opaque = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
        for (; p + 1 < count; ++p)
            _mm_storeu_ps(rgba + p * 4, _mm_or_ps(_mm_and_ps(_mm_loadu_ps(from + p * 3), colour), opaque));
    }
#endif
    for (; p < count; ++p)
        for (int i = 0; i < 4; ++i)
            rgba[p * 4 + std::size_t(i)] =
                order[i] >= 0 ? from[p * channels + std::size_t(order[i])] : (i == 3 ? 1.0f : 0.0f);
}

void SourceFrame::getValues(std::size_t first, std::size_t count, float* out) const
{
    const std::size_t channels = std::size_t(spec.nchannels);
    if (!bytes.empty()) {
        unsigned8ToFloat(&bytes[first * channels], count * channels, out);
        if (unassociated)
            premultiplyRGBA(out, count);
    } else if (halfWords)
        halfToFloat(&words[first * channels], count * channels, out);
    else if (!words.empty())
        unsigned16ToFloat(&words[first * channels], count * channels, out);
    else
        std::copy_n(&pixels[first * channels], count * channels, out);
}

bool SourceFrame::holdsPixels(std::size_t pixelCount) const
{
    const std::size_t values = pixelCount * std::size_t(spec.nchannels);
    return pixels.size() == values || words.size() == values || bytes.size() == values;
}

ImageSequenceSource::ImageSequenceSource(const Init& init, const FramePattern& pattern, const Options& options)
    : PxNode(init), m_pattern(pattern), m_options(options)
{
    if (!m_options.frameRate.isValid()) {
        std::ostringstream message;
        message << "Invalid frame rate " << m_options.frameRate << " for " << inQuotes(pattern.text())
                << ": it must be above zero.";
        throw std::invalid_argument(message.str());
    }
    m_options.cacheSize = std::max<std::size_t>(1, m_options.cacheSize);
    if (pattern.isMovie()) {
        m_movie = std::make_unique<MovieReader>(pattern.text());
        m_firstSpec = m_movie->getSpec();
    } else {
        m_firstSpec = openFrame(pattern.path(options.firstFrame), options.firstFrame)->spec();
    }
    m_format.width = m_firstSpec.full_width > 0 ? m_firstSpec.full_width : m_firstSpec.width;
    m_format.height = m_firstSpec.full_height > 0 ? m_firstSpec.full_height : m_firstSpec.height;
    pixelAspectTerms(m_firstSpec.get_float_attribute("PixelAspectRatio", 1.0f), m_format.pixelAspectNum,
                     m_format.pixelAspectDen);
    m_format.frameRate = m_options.frameRate;
}

ImageSequenceSource::~ImageSequenceSource() = default;

PxImageFormat ImageSequenceSource::getImageFormat() const
{
    return m_format;
}

std::int64_t ImageSequenceSource::frameAt(double seconds) const
{
    return TmTimeUtil::getDtTimeFromSeconds(m_options.frameRate, seconds).frames;
}

PxRODResult ImageSequenceSource::getImageROD(const PxImageContext& ctx) const
{
    return {m_format.getNominalFrame(), PxValidityInterval::createFrameInterval(m_options.frameRate, ctx.time)};
}

PxImageResult ImageSequenceSource::getImage(const PxImageContext& ctx) const
{
    const PxValidityInterval validity = PxValidityInterval::createFrameInterval(m_options.frameRate, ctx.time);
    if (ctx.region.isEmpty())
        return PxImageResult(RCShdPtr<IxTile>(), validity);
    const std::shared_ptr<const SourceFrame> frame = getFrame(frameAt(ctx.time));
    const OIIO::ImageSpec& spec = frame->spec;
    RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, CoRgbaColorTyped<float>(), ctx.region);
    const IxWriteGuard out(tile.get());
    // Where the file's data window starts within its display window: EXR frames may hold only part
    // of their frame.
    const int dataX = spec.x - spec.full_x;
    const int dataY = spec.y - spec.full_y;
    const int scale = 1 << ctx.level;
    for (int y = ctx.region.y0; y < ctx.region.y1; ++y) {
        float* p = out.getRow(y);
        const int row = m_format.height - 1 - y * scale - dataY;
        // At full size a row's pixels inside the file's data window are one run of the frame.
        if (scale == 1) {
            const int inside0 = std::clamp(dataX, ctx.region.x0, ctx.region.x1);
            const int inside1 = std::clamp(dataX + spec.width, inside0, ctx.region.x1);
            float* const end = p + std::size_t(ctx.region.getWidth()) * 4;
            if (row >= 0 && row < spec.height && inside1 > inside0) {
                std::fill(p, p + std::size_t(inside0 - ctx.region.x0) * 4, 0.0f);
                frame->getRGBA(std::size_t(row) * std::size_t(spec.width) + std::size_t(inside0 - dataX),
                               std::size_t(inside1 - inside0), p + std::size_t(inside0 - ctx.region.x0) * 4);
                std::fill(p + std::size_t(inside1 - ctx.region.x0) * 4, end, 0.0f);
            } else {
                std::fill(p, end, 0.0f);
            }
            continue;
        }
        for (int x = ctx.region.x0; x < ctx.region.x1; ++x, p += 4) {
            const int column = x * scale - dataX;
            if (row < 0 || row >= spec.height || column < 0 || column >= spec.width) {
                p[0] = p[1] = p[2] = p[3] = 0.0f;
                continue;
            }
            frame->getPremultipliedRGBA(column, row, p);
        }
    }
    PxImageResult result(tile, validity);
    result.setMetadata(frame->metadata);
    return result;
}

std::shared_ptr<const SourceFrame> ImageSequenceSource::getFrame(std::int64_t frame) const
{
    std::promise<std::shared_ptr<const SourceFrame>> promise;
    FrameFuture future;
    bool decodeHere = false;
    std::uint64_t id = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_cache.find(frame);
        if (it != m_cache.end()) {
            future = it->second.future;
            touch(frame);
        } else {
            // The first request for a frame decodes it; later ones wait on its future.
            future = promise.get_future().share();
            id = ++m_lastId;
            m_cache.emplace(frame, CacheEntry{future, id});
            m_recent.push_front(frame);
            decodeHere = true;
            evictUnused();
        }
    }
    if (decodeHere) {
        try {
            promise.set_value(decode(frame));
        } catch (...) {
            // Failures are not kept: the file may appear or be repaired before the next request.
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                const auto it = m_cache.find(frame);
                // Unless the entry was evicted meanwhile and the frame asked for again.
                if (it != m_cache.end() && it->second.id == id) {
                    m_cache.erase(it);
                    m_recent.remove(frame);
                }
            }
            promise.set_exception(std::current_exception());
        }
    }
    return future.get();
}

void ImageSequenceSource::evictUnused() const
{
    // Least recently used first; a frame still being decoded, or held by anyone but the cache
    // (a frame being rendered and written), stays: dropping it would only decode it again.
    for (auto it = m_recent.end(); m_cache.size() > m_options.cacheSize && it != m_recent.begin();) {
        --it;
        const auto entry = m_cache.find(*it);
        const FrameFuture& future = entry->second.future;
        if (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            continue;
        bool unused = true; // a failed decode is not kept anyway
        try {
            unused = future.get().use_count() == 1;
        } catch (...) {
        }
        if (!unused)
            continue;
        m_cache.erase(entry);
        it = m_recent.erase(it);
    }
}

void ImageSequenceSource::touch(std::int64_t frame) const
{
    const auto it = std::find(m_recent.begin(), m_recent.end(), frame);
    if (it != m_recent.begin() && it != m_recent.end())
        m_recent.splice(m_recent.begin(), m_recent, it);
}

std::shared_ptr<const SourceFrame> ImageSequenceSource::decodeMovieFrame(std::int64_t frame) const
{
    const std::int64_t index = frame - m_options.movieStartFrame;
    const int count = m_movie->getFrameCount();
    if (index < 0 || index >= count)
        throw std::runtime_error(
            "Missing frame " + std::to_string(frame) + ": the movie " + inQuotes(m_pattern.text()) + " holds frames " +
            std::to_string(m_options.movieStartFrame) + "-" + std::to_string(m_options.movieStartFrame + count - 1));
    auto result = std::make_shared<SourceFrame>();
    result->frame = frame;
    result->path = m_pattern.text();
    m_movie->read(int(index), result->spec, result->pixels);
    findRGBAChannels(result->spec, result->rgbaChannels);
    result->metadata = makeMetadata(result->spec);
    // Movies keep alpha unassociated (ProRes 4444): premultiplied here, as for image files.
    const int alpha = result->rgbaChannels[3];
    if (alpha >= 0) {
        bool isColour[64] = {};
        markColourChannels(result->rgbaChannels, isColour);
        premultiply(result->pixels.data(), result->pixels.size() / std::size_t(result->spec.nchannels),
                    result->spec.nchannels, alpha, isColour);
    }
    m_decodes.fetch_add(1);
    return result;
}

std::shared_ptr<const SourceFrame> ImageSequenceSource::decode(std::int64_t frame) const
{
    if (m_movie)
        return decodeMovieFrame(frame);
    // The frame's pixels go back to the spare stores when the last holder lets go of it.
    std::shared_ptr<SourceFrame> result(new SourceFrame, [stores = m_stores](SourceFrame* done) {
        {
            const std::lock_guard<std::mutex> lock(stores->mutex);
            if (stores->spare.size() < kSpareStores && !done->pixels.empty())
                stores->spare.push_back(std::move(done->pixels));
            if (stores->spareWords.size() < kSpareStores && !done->words.empty())
                stores->spareWords.push_back(std::move(done->words));
            if (stores->spareBytes.size() < kSpareStores && !done->bytes.empty())
                stores->spareBytes.push_back(std::move(done->bytes));
        }
        delete done;
    });
    result->frame = frame;
    result->path = m_pattern.path(frame);
    const auto in = openFrame(result->path, frame);
    result->spec = in->spec();
    const OIIO::ImageSpec& spec = result->spec;
    findRGBAChannels(spec, result->rgbaChannels);
    // 8- and 16-bit files (PNG, JPEG, DPX, most TIFFs) are read as stored, a strip of rows at a
    // time, and turned into float here by table: the same values as OpenImageIO's conversion,
    // without its per-value arithmetic and without a second frame's worth of memory. 16-bit R,
    // G, B alone and half R, G, B, A, with no colour to convert, stay as stored until tiles are
    // made (see words); so do 8-bit R, G, B, A (see bytes).
    const bool bytes = spec.format == OIIO::TypeDesc::UINT8 && spec.channelformats.empty();
    const bool words = spec.format == OIIO::TypeDesc::UINT16 && spec.channelformats.empty();
    const int* order = result->rgbaChannels;
    const bool inOrder = order[0] == 0 && order[1] == 1 && order[2] == 2;
    result->halfWords = spec.format == OIIO::TypeDesc::HALF && spec.channelformats.empty() && !m_colour &&
                        spec.nchannels == 4 && inOrder && order[3] == 3 &&
                        spec.get_int_attribute("oiio:UnassociatedAlpha", 0) == 0;
    const bool keepWords = result->halfWords || (words && !m_colour && spec.nchannels == 3 && inOrder && order[3] < 0);
    const bool keepBytes = bytes && !m_colour && spec.nchannels == 4 && inOrder && order[3] == 3;
    // The type the frame is held in.
    const OIIO::TypeDesc held = result->halfWords ? OIIO::TypeDesc::HALF
                                : keepWords       ? OIIO::TypeDesc::UINT16
                                : keepBytes       ? OIIO::TypeDesc::UINT8
                                                  : OIIO::TypeFloat;
    {
        const std::lock_guard<std::mutex> lock(m_stores->mutex);
        const auto take = [](auto& spare, auto& store) {
            if (!spare.empty()) {
                store = std::move(spare.back());
                spare.pop_back();
            }
        };
        if (keepWords)
            take(m_stores->spareWords, result->words);
        else if (keepBytes)
            take(m_stores->spareBytes, result->bytes);
        else
            take(m_stores->spare, result->pixels);
    }
    const std::size_t count = std::size_t(spec.width) * std::size_t(spec.height) * std::size_t(spec.nchannels);
    const std::string size = std::to_string(spec.width) + "x" + std::to_string(spec.height) + " pixels of " +
                             std::to_string(spec.nchannels) + " channels";
    if (std::int64_t(spec.width) * spec.height > RenderLimits::kMaxFramePixels)
        throw std::runtime_error("Cannot read " + inQuotes(result->path) + ": its data window is " + size +
                                 ", more than the " + std::to_string(RenderLimits::kMaxFramePixels) +
                                 " pixels a frame may hold");
    try {
        // Every value is written by the decode below: a spare store of the frame's size is used
        // as it is (resize zeroes only values it adds).
        if (keepWords)
            result->words.resize(count);
        else if (keepBytes)
            result->bytes.resize(count);
        else
            result->pixels.resize(count);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Cannot read " + inQuotes(result->path) + ": " + size + " need " +
                                 std::to_string(count * held.size()) + " bytes, more than the system gives");
    }
    const std::size_t rowValues = std::size_t(spec.width) * std::size_t(spec.nchannels);
    std::vector<unsigned char> strip8;
    std::vector<std::uint16_t> strip16;
    // Tiled files are read whole; the others a strip at a time, the library converting (or
    // holding) a strip rather than a frame.
    const int stripRows = spec.tile_width > 0 ? spec.height : kStripRows;
    const auto readRows = [&](int y0, int y1, OIIO::TypeDesc type, void* data) {
        return spec.tile_width > 0
                   ? in->read_image(0, 0, 0, spec.nchannels, type, data)
                   : in->read_scanlines(0, 0, spec.y + y0, spec.y + y1, 0, 0, spec.nchannels, type, data);
    };
    // Colour stored unassociated from alpha (PNG, most TIFFs) is premultiplied once, here, in
    // float, a strip at a time while it is fresh in the cache: tiles and writers then see
    // premultiplied colour only.
    const int alpha = result->rgbaChannels[3];
    const bool unassociated = spec.get_int_attribute("oiio:UnassociatedAlpha", 0) != 0 && alpha >= 0;
    result->unassociated = keepBytes && unassociated;
    bool isColour[64] = {};
    markColourChannels(result->rgbaChannels, isColour);
    bool read = true;
    for (int y0 = 0; read && y0 < spec.height; y0 += stripRows) {
        const int y1 = std::min(spec.height, y0 + stripRows);
        const std::size_t values = std::size_t(y1 - y0) * rowValues;
        if (keepWords || keepBytes) {
            auto* const store = keepBytes ? static_cast<void*>(result->bytes.data()) : result->words.data();
            read = readRows(y0, y1, held, static_cast<char*>(store) + std::size_t(y0) * rowValues * held.size());
            continue;
        }
        float* const out = &result->pixels[std::size_t(y0) * rowValues];
        if (bytes) {
            strip8.resize(values);
            read = readRows(y0, y1, OIIO::TypeDesc::UINT8, strip8.data());
            if (read)
                unsigned8ToFloat(strip8.data(), values, out);
        } else if (words) {
            strip16.resize(values);
            read = readRows(y0, y1, OIIO::TypeDesc::UINT16, strip16.data());
            if (read)
                unsigned16ToFloat(strip16.data(), values, out);
        } else {
            read = readRows(y0, y1, OIIO::TypeFloat, out);
        }
        if (read && unassociated)
            premultiply(out, std::size_t(y1 - y0) * std::size_t(spec.width), spec.nchannels, alpha, isColour);
    }
    if (!read)
        throw std::runtime_error("Cannot read " + inQuotes(result->path) + ": " + in->geterror());
    result->metadata = makeMetadata(spec);
    result->headerFrameRate = Vx::Render::headerFrameRate(spec);
    // Here, on the thread that decoded the frame, so that frames under way convert in parallel and
    // every tile of the frame reads converted colour.
    if (m_colour)
        m_colour->convert(*result);
    m_decodes.fetch_add(1);
    return result;
}

} // namespace Vx::Render
