// Pixel conversions between the renderer's float and the files' integer types.
#include <Vx/Render/PixelConversions.h>

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include <Imath/half.h>
#include <OpenImageIO/imageio.h>

namespace Vx::Render {

void toStraight8Bit(const float* rgba, std::size_t pixelCount, unsigned char* out)
{
    const auto level = [](float v) {
        // NaN fails both tests and lands on 0.
        const float clamped = v > 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f);
        return static_cast<unsigned char>(clamped * 255.0f + 0.5f);
    };
    std::size_t p = 0;
#if defined(__SSE2__)
    // One pixel a step, its four values at once, with the arithmetic of the loop below (which
    // finishes the row and serves other processors): the colour times 1 / alpha where alpha is
    // above 0 (0 otherwise, NaN alpha included), alpha as it is; MAXPS returns its second
    // operand for NaN, so NaN lands on 0 too.
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 levels = _mm_set1_ps(255.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
    const __m128 alphaLane = _mm_castsi128_ps(_mm_set_epi32(-1, 0, 0, 0));
    for (; p < pixelCount; ++p) {
        const __m128 v = _mm_loadu_ps(rgba + p * 4);
        const __m128 a = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
        const __m128 colour =
            _mm_and_ps(_mm_mul_ps(v, _mm_div_ps(one, a)), _mm_and_ps(_mm_cmpgt_ps(a, zero), colourLanes));
        const __m128 straight = _mm_or_ps(colour, _mm_and_ps(v, alphaLane));
        const __m128 clamped = _mm_min_ps(_mm_max_ps(straight, zero), one);
        const __m128i whole = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(clamped, levels), half));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(whole, whole), _mm_setzero_si128());
        const int bytes = _mm_cvtsi128_si32(packed);
        std::memcpy(out + p * 4, &bytes, 4);
    }
#endif
    for (; p < pixelCount; ++p) {
        const float* in = rgba + p * 4;
        unsigned char* o = out + p * 4;
        const float a = in[3];
        if (a > 0.0f) {
            const float inverse = 1.0f / a; // exactly 1 for opaque pixels: their colour as it is
            o[0] = level(in[0] * inverse);
            o[1] = level(in[1] * inverse);
            o[2] = level(in[2] * inverse);
        } else {
            o[0] = o[1] = o[2] = 0;
        }
        o[3] = level(a);
    }
}

void toUnsigned16RGB(const float* rgba, std::size_t pixelCount, std::uint16_t* out)
{
    std::size_t p = 0;
#if defined(__SSE2__)
    // One pixel a step, its four values at once; the same arithmetic as the loop below (which
    // serves other processors). MAXPS
    // returns its second operand when the first is NaN: NaN lands on 0 here too.
    const __m128 scale = _mm_set1_ps(65535.0f);
    const __m128 zero = _mm_setzero_ps();
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128i bias = _mm_set1_epi32(32768);
    const __m128i unbias = _mm_set1_epi16(std::int16_t(-32768));
    const __m128i firstPixel = _mm_set_epi16(0, 0, 0, 0, 0, -1, -1, -1);
    const __m128i secondPixel = _mm_set_epi16(0, 0, -1, -1, -1, 0, 0, 0);
    // Two pixels a step: 0-65535 into unsigned 16 bits without SSE4.1's packus (shifted to
    // signed and back), then the second pixel's colour moved down over the first one's alpha.
    for (; p + 2 <= pixelCount; p += 2) {
        __m128i rounded[2];
        for (int k = 0; k < 2; ++k) {
            const __m128 v =
                _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(rgba + (p + std::size_t(k)) * 4), scale), zero), scale);
            const __m128i whole = _mm_cvttps_epi32(v);
            const __m128 up = _mm_cmpge_ps(_mm_sub_ps(v, _mm_cvtepi32_ps(whole)), half);
            rounded[k] = _mm_sub_epi32(_mm_sub_epi32(whole, _mm_castps_si128(up)), bias); // true is -1
        }
        const __m128i packed = _mm_xor_si128(_mm_packs_epi32(rounded[0], rounded[1]), unbias);
        const __m128i colour =
            _mm_or_si128(_mm_and_si128(packed, firstPixel), _mm_and_si128(_mm_srli_si128(packed, 2), secondPixel));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + p * 3), colour);
        const int last = _mm_cvtsi128_si32(_mm_srli_si128(colour, 8));
        std::memcpy(out + p * 3 + 4, &last, sizeof(last));
    }
#endif
    for (; p < pixelCount; ++p)
        for (std::size_t c = 0; c < 3; ++c) {
            // NaN fails the first test and lands on 0. Half away from zero, as roundf rounds: the
            // fraction is exact below 2^23, so comparing it with 0.5 rounds exactly.
            const float v = rgba[p * 4 + c] * 65535.0f;
            const float clamped = v > 0.0f ? (v < 65535.0f ? v : 65535.0f) : 0.0f;
            const int whole = int(clamped);
            out[p * 3 + c] = std::uint16_t(whole + (clamped - float(whole) >= 0.5f ? 1 : 0));
        }
}

namespace {

// Every value of an integer type as float, as OpenImageIO converts it, and whether each of those
// is the value times 1 / (the type's largest value), in float: then a loop that multiplies (which
// the compiler vectorises) gives the same values as the table.
template <class T> struct Levels
{
    std::vector<float> table;
    bool scaled = true;

    explicit Levels(OIIO::TypeDesc type) : table(std::size_t(1) << (8 * sizeof(T)))
    {
        std::vector<T> levels(table.size());
        for (std::size_t v = 0; v < levels.size(); ++v)
            levels[v] = T(v);
        OIIO::convert_pixel_values(type, levels.data(), OIIO::TypeFloat, table.data(), int(levels.size()));
        const float scale = 1.0f / float(levels.size() - 1);
        for (std::size_t v = 0; v < levels.size(); ++v)
            scaled = scaled && table[v] == float(v) * scale;
    }

    // Three values a pixel in, four out, the fourth 1: the colour as convert() gives it.
    void convertRGBToRGBA(const T* __restrict in, std::size_t pixelCount, float* __restrict out) const
    {
        std::size_t p = 0;
        const float scale = 1.0f / float(table.size() - 1);
#if defined(__SSE2__)
        if (scaled && sizeof(T) == 2) {
            // A pixel a step: its three values and the next pixel's first (four 16-bit values),
            // widened, converted and multiplied as convert() does; the fourth replaced by 1. The
            // last pixel is left to the loop below, so that nothing past the row is read.
            const __m128 factor = _mm_set1_ps(scale);
            const __m128 colour = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
            const __m128 opaque = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
            const __m128i zero = _mm_setzero_si128();
            for (; p + 1 < pixelCount; ++p) {
                const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + p * 3));
                const __m128 values = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), factor);
                _mm_storeu_ps(out + p * 4, _mm_or_ps(_mm_and_ps(values, colour), opaque));
            }
        }
#endif
        for (; p < pixelCount; ++p)
            for (std::size_t c = 0; c < 4; ++c)
                out[p * 4 + c] = c == 3 ? 1.0f : scaled ? float(in[p * 3 + c]) * scale : table[in[p * 3 + c]];
    }

    void convert(const T* __restrict in, std::size_t count, float* __restrict out) const
    {
        if (!scaled) {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = table[in[i]];
            return;
        }
        const float scale = 1.0f / float(table.size() - 1);
        std::size_t i = 0;
#if defined(__SSE2__)
        // Sixteen values a step, widened to 32-bit integers, converted and multiplied: the same
        // operations as the loop below, which finishes the run.
        const __m128 factor = _mm_set1_ps(scale);
        const __m128i zero = _mm_setzero_si128();
        const auto store = [&](float* to, __m128i words) {
            _mm_storeu_ps(to, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), factor));
            _mm_storeu_ps(to + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)), factor));
        };
        for (; i + 16 <= count; i += 16) {
            if constexpr (sizeof(T) == 1) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
                store(out + i, _mm_unpacklo_epi8(bytes, zero));
                store(out + i + 8, _mm_unpackhi_epi8(bytes, zero));
            } else {
                store(out + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
                store(out + i + 8, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8)));
            }
        }
#endif
        for (; i < count; ++i)
            out[i] = float(in[i]) * scale;
    }
};

const Levels<std::uint16_t>& wordLevels()
{
    static const Levels<std::uint16_t> levels(OIIO::TypeDesc::UINT16);
    return levels;
}

} // namespace

void unsigned8ToFloat(const unsigned char* in, std::size_t count, float* out)
{
    static const Levels<unsigned char> levels(OIIO::TypeDesc::UINT8);
    levels.convert(in, count, out);
}

void unsigned16ToFloat(const std::uint16_t* in, std::size_t count, float* out)
{
    wordLevels().convert(in, count, out);
}

void unsigned16RGBToFloatRGBA(const std::uint16_t* rgb, std::size_t pixelCount, float* rgba)
{
    wordLevels().convertRGBToRGBA(rgb, pixelCount, rgba);
}

namespace {

#if defined(__x86_64__)
// The processor's own conversions (F16C), eight values a step, where the processor has them. They
// round as Imath's half does (checked for every float); only NaN's payload differs, so eight
// values holding a NaN are left to Imath's conversion.
bool hasHalfInstructions()
{
    // F16C from CPUID (leaf 1, ECX bit 29): not every compiler's __builtin_cpu_supports knows it.
    static const bool has = [] {
        unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __builtin_cpu_supports("avx") && __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & (1u << 29)) != 0;
    }();
    return has;
}

__attribute__((target("avx,f16c"))) std::size_t halfToFloat8(const std::uint16_t* in, std::size_t count, float* out)
{
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 v = _mm256_cvtph_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
        if (_mm256_movemask_ps(_mm256_cmp_ps(v, v, _CMP_UNORD_Q)) != 0)
            break;
        _mm256_storeu_ps(out + i, v);
    }
    return i;
}

__attribute__((target("avx,f16c"))) std::size_t floatToHalf8(const float* in, std::size_t count, std::uint16_t* out)
{
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 v = _mm256_loadu_ps(in + i);
        if (_mm256_movemask_ps(_mm256_cmp_ps(v, v, _CMP_UNORD_Q)) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_cvtps_ph(v, _MM_FROUND_TO_NEAREST_INT));
    }
    return i;
}
#endif

} // namespace

void halfToFloat(const std::uint16_t* in, std::size_t count, float* out)
{
    for (std::size_t i = 0; i < count;) {
#if defined(__x86_64__)
        if (hasHalfInstructions())
            i += halfToFloat8(in + i, count - i, out + i);
#endif
        // The rest, or the eight values where a NaN stopped the loop above.
        for (const std::size_t end = std::min(count, i + 8); i < end; ++i) {
            Imath::half h;
            h.setBits(in[i]);
            out[i] = float(h);
        }
    }
}

void floatToHalf(const float* in, std::size_t count, std::uint16_t* out)
{
    for (std::size_t i = 0; i < count;) {
#if defined(__x86_64__)
        if (hasHalfInstructions())
            i += floatToHalf8(in + i, count - i, out + i);
#endif
        for (const std::size_t end = std::min(count, i + 8); i < end; ++i)
            out[i] = Imath::half(in[i]).bits();
    }
}

void premultiplyRGBA(float* rgba, std::size_t pixelCount)
{
    static const bool kColour[64] = {true, true, true};
    premultiply(rgba, pixelCount, 4, 3, kColour);
}

void premultiply(float* pixels, std::size_t pixelCount, int channels, int alpha, const bool isColour[64])
{
    // The common layouts (RGBA, alpha last) in loops of their own, which the compiler unrolls.
    if (channels == 4 && alpha == 3 && isColour[0] && isColour[1] && isColour[2]) {
        std::size_t p = 0;
#if defined(__SSE2__)
        // A pixel a step: its colour times (a, a, a) and its alpha times 1, the same products.
        const __m128 colour = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
        const __m128 oneInAlpha = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
        for (; p < pixelCount; ++p) {
            const __m128 v = _mm_loadu_ps(pixels + p * 4);
            const __m128 a = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
            _mm_storeu_ps(pixels + p * 4, _mm_mul_ps(v, _mm_or_ps(_mm_and_ps(a, colour), oneInAlpha)));
        }
#endif
        for (; p < pixelCount; ++p) {
            float* px = pixels + p * 4;
            const float a = px[3];
            px[0] *= a;
            px[1] *= a;
            px[2] *= a;
        }
        return;
    }
    const std::size_t n = std::size_t(channels);
    for (std::size_t p = 0; p < pixelCount; ++p) {
        float* px = pixels + p * n;
        const float a = px[alpha];
        for (std::size_t c = 0; c < n && c < 64; ++c)
            if (isColour[c])
                px[c] *= a;
    }
}

} // namespace Vx::Render
