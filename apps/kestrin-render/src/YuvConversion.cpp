// Float RGBA into Y'CbCr planes: SSE2 eight pixels at a time, the same arithmetic in the same order
// one pixel at a time at the ends of rows (and where SSE2 is not there), so that every pixel gets
// the same codes either way.
#include <Vx/Render/YuvConversion.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace Vx::Render {

namespace {

// SSE's max and min: the second operand where either is NaN, so that a NaN clamps to the low end.
inline float maxOf(float a, float b)
{
    return a > b ? a : b;
}
inline float minOf(float a, float b)
{
    return a < b ? a : b;
}

// The layout's arithmetic, worked out once.
struct Coefficients
{
    float top;          // the highest code
    float lumaScale;    // Y' 0-1 to codes
    float lumaOffset;   // the code of black
    float chromaOffset; // the code of no colour
    float uScale;       // B - Y' to Cb codes
    float vScale;       // R - Y' to Cr codes
    float kr, kg, kb;
    float mean; // 1 over the pixels a chroma sample covers
};

Coefficients coefficientsOf(const YuvLayout& m)
{
    Coefficients k{};
    k.top = float((1 << m.bits) - 1);
    const float unit = float(1 << (m.bits - 8));
    k.lumaScale = m.fullRange ? k.top : 219.0f * unit;
    k.lumaOffset = m.fullRange ? 0.0f : 16.0f * unit;
    const float chromaScale = m.fullRange ? k.top : 224.0f * unit;
    k.chromaOffset = float(1 << (m.bits - 1));
    k.uScale = chromaScale * (0.5f / (1.0f - m.kb));
    k.vScale = chromaScale * (0.5f / (1.0f - m.kr));
    k.kr = m.kr;
    k.kg = 1.0f - m.kr - m.kb;
    k.kb = m.kb;
    k.mean = 1.0f / float(m.chromaWidth * m.chromaHeight);
    return k;
}

template <typename Sample> Sample code(float v, float top)
{
    return Sample(int(minOf(maxOf(v, 0.0f), top) + 0.5f));
}

// One pixel's colour, divided by alpha where alpha is kept, clamped to 0-1.
struct Colour
{
    float r, g, b;
};

Colour colourOf(const float* p, bool alpha)
{
    const float scale = alpha && p[3] > 0.0f ? 1.0f / p[3] : 1.0f;
    return {minOf(maxOf(p[0] * scale, 0.0f), 1.0f), minOf(maxOf(p[1] * scale, 0.0f), 1.0f),
            minOf(maxOf(p[2] * scale, 0.0f), 1.0f)};
}

template <typename Sample> Sample lumaOf(const Coefficients& k, const Colour& c)
{
    return code<Sample>(k.lumaOffset + k.lumaScale * (k.kr * c.r + k.kg * c.g + k.kb * c.b), k.top);
}

// The chroma codes of a sample whose colour sums are r, g, b.
template <typename Sample> void chromaOf(const Coefficients& k, float r, float g, float b, Sample& u, Sample& v)
{
    r *= k.mean;
    g *= k.mean;
    b *= k.mean;
    const float luma = k.kr * r + k.kg * g + k.kb * b;
    u = code<Sample>(k.chromaOffset + k.uScale * (b - luma), k.top);
    v = code<Sample>(k.chromaOffset + k.vScale * (r - luma), k.top);
}

// The colour sums of a row's chroma samples, one plane each, added row to row.
struct Sums
{
    float* r;
    float* g;
    float* b;
};

#if defined(__SSE2__)
struct Quad
{
    __m128 r, g, b, a;
};

// Four pixels as a colour each of red, green, blue (clamped, divided by alpha where kept) and alpha.
inline Quad loadQuad(const float* p, bool alpha)
{
    Quad q{_mm_loadu_ps(p), _mm_loadu_ps(p + 4), _mm_loadu_ps(p + 8), _mm_loadu_ps(p + 12)};
    _MM_TRANSPOSE4_PS(q.r, q.g, q.b, q.a);
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    if (alpha) {
        const __m128 some = _mm_cmpgt_ps(q.a, zero);
        const __m128 scale = _mm_or_ps(_mm_and_ps(some, _mm_div_ps(one, q.a)), _mm_andnot_ps(some, one));
        q.r = _mm_mul_ps(q.r, scale);
        q.g = _mm_mul_ps(q.g, scale);
        q.b = _mm_mul_ps(q.b, scale);
    }
    q.r = _mm_min_ps(_mm_max_ps(q.r, zero), one);
    q.g = _mm_min_ps(_mm_max_ps(q.g, zero), one);
    q.b = _mm_min_ps(_mm_max_ps(q.b, zero), one);
    return q;
}

inline __m128i codes(__m128 v, float top)
{
    const __m128 clamped = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(top));
    return _mm_cvttps_epi32(_mm_add_ps(clamped, _mm_set1_ps(0.5f)));
}

// Codes are at most 15 bits: the signed packing keeps them.
inline void storeCodes(std::uint16_t* out, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(v, v));
}
inline void storeCodes(std::uint8_t* out, __m128i v)
{
    const __m128i words = _mm_packs_epi32(v, v);
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out, &bytes, sizeof bytes);
}

inline __m128 lumaOf(const Coefficients& k, const Quad& q)
{
    const __m128 y = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(k.kr), q.r), _mm_mul_ps(_mm_set1_ps(k.kg), q.g)),
                                _mm_mul_ps(_mm_set1_ps(k.kb), q.b));
    return _mm_add_ps(_mm_set1_ps(k.lumaOffset), _mm_mul_ps(_mm_set1_ps(k.lumaScale), y));
}

inline void addSums(float* sum, __m128 v, bool first)
{
    _mm_storeu_ps(sum, first ? v : _mm_add_ps(_mm_loadu_ps(sum), v));
}

// Pixel pairs' sums: (a0 + a1, a2 + a3, b0 + b1, b2 + b3).
inline __m128 pairSums(__m128 a, __m128 b)
{
    return _mm_add_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)), _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}
#endif

// One row of the tile: its luma and alpha codes, and its colour added to the sums of the chroma
// samples it falls in (stored when `first`, the sample's first row).
template <typename Sample>
void convertRow(const Coefficients& k, const YuvLayout& m, const float* p, int width, Sample* luma, Sample* alpha,
                const Sums& sums, bool first)
{
    int x = 0;
#if defined(__SSE2__)
    for (; x + 8 <= width; x += 8) {
        const Quad a = loadQuad(p + std::ptrdiff_t(x) * 4, m.alpha);
        const Quad b = loadQuad(p + std::ptrdiff_t(x) * 4 + 16, m.alpha);
        storeCodes(luma + x, codes(lumaOf(k, a), k.top));
        storeCodes(luma + x + 4, codes(lumaOf(k, b), k.top));
        if (alpha) {
            storeCodes(alpha + x, codes(_mm_mul_ps(_mm_set1_ps(k.top), a.a), k.top));
            storeCodes(alpha + x + 4, codes(_mm_mul_ps(_mm_set1_ps(k.top), b.a), k.top));
        }
        if (m.chromaWidth == 2) {
            const int s = x / 2;
            addSums(sums.r + s, pairSums(a.r, b.r), first);
            addSums(sums.g + s, pairSums(a.g, b.g), first);
            addSums(sums.b + s, pairSums(a.b, b.b), first);
        } else {
            addSums(sums.r + x, a.r, first);
            addSums(sums.r + x + 4, b.r, first);
            addSums(sums.g + x, a.g, first);
            addSums(sums.g + x + 4, b.g, first);
            addSums(sums.b + x, a.b, first);
            addSums(sums.b + x + 4, b.b, first);
        }
    }
#endif
    for (; x < width; x += m.chromaWidth) {
        float r = 0.0f;
        float g = 0.0f;
        float b = 0.0f;
        for (int i = 0; i < m.chromaWidth; ++i) {
            const float* pixel = p + std::ptrdiff_t(x + i) * 4;
            const Colour c = colourOf(pixel, m.alpha);
            luma[x + i] = lumaOf<Sample>(k, c);
            if (alpha)
                alpha[x + i] = code<Sample>(k.top * pixel[3], k.top);
            r = i == 0 ? c.r : r + c.r;
            g = i == 0 ? c.g : g + c.g;
            b = i == 0 ? c.b : b + c.b;
        }
        const int s = x / m.chromaWidth;
        sums.r[s] = first ? r : sums.r[s] + r;
        sums.g[s] = first ? g : sums.g[s] + g;
        sums.b[s] = first ? b : sums.b[s] + b;
    }
}

// The chroma codes of `count` samples from their sums.
template <typename Sample> void convertChroma(const Coefficients& k, const Sums& sums, int count, Sample* u, Sample* v)
{
    int s = 0;
#if defined(__SSE2__)
    const __m128 mean = _mm_set1_ps(k.mean);
    for (; s + 4 <= count; s += 4) {
        const __m128 r = _mm_mul_ps(_mm_loadu_ps(sums.r + s), mean);
        const __m128 g = _mm_mul_ps(_mm_loadu_ps(sums.g + s), mean);
        const __m128 b = _mm_mul_ps(_mm_loadu_ps(sums.b + s), mean);
        const __m128 luma = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(k.kr), r), _mm_mul_ps(_mm_set1_ps(k.kg), g)),
                                       _mm_mul_ps(_mm_set1_ps(k.kb), b));
        const __m128 offset = _mm_set1_ps(k.chromaOffset);
        storeCodes(u + s, codes(_mm_add_ps(offset, _mm_mul_ps(_mm_set1_ps(k.uScale), _mm_sub_ps(b, luma))), k.top));
        storeCodes(v + s, codes(_mm_add_ps(offset, _mm_mul_ps(_mm_set1_ps(k.vScale), _mm_sub_ps(r, luma))), k.top));
    }
#endif
    for (; s < count; ++s)
        chromaOf(k, sums.r[s], sums.g[s], sums.b[s], u[s], v[s]);
}

// Whether every pixel of the tile has the bits of its first: the first row pixel by pixel, the
// others against the first row.
bool isUniform(const FrameTile& tile)
{
    const float* first = tile.pixels;
    for (int x = 1; x < tile.width; ++x)
        if (std::memcmp(first + std::ptrdiff_t(x) * 4, first, 4 * sizeof(float)) != 0)
            return false;
    for (int row = 1; row < tile.height; ++row)
        if (std::memcmp(tile.getRow(row), first, std::size_t(tile.width) * 4 * sizeof(float)) != 0)
            return false;
    return true;
}

template <typename Sample> Sample* rowOf(const YuvPlanes& planes, int plane, int row)
{
    return reinterpret_cast<Sample*>(planes.data[plane] + std::ptrdiff_t(row) * planes.linesize[plane]);
}

template <typename Sample> void convertTile(const YuvLayout& m, const FrameTile& tile, const YuvPlanes& planes)
{
    const Coefficients k = coefficientsOf(m);
    const int samples = tile.width / m.chromaWidth;
    const int chromaX = tile.x / m.chromaWidth;
    const int chromaY = tile.y / m.chromaHeight;
    if (tile.solid || isUniform(tile)) {
        // The codes of one pixel, its chroma summed as the pixels of a sample would be.
        const Colour c = colourOf(tile.pixels, m.alpha);
        const Sample y = lumaOf<Sample>(k, c);
        const Sample a = code<Sample>(k.top * tile.pixels[3], k.top);
        Colour sum = c;
        for (int i = 1; i < m.chromaWidth; ++i)
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        for (int i = 1; i < m.chromaHeight; ++i)
            sum = {sum.r + sum.r, sum.g + sum.g, sum.b + sum.b};
        Sample u{};
        Sample v{};
        chromaOf(k, sum.r, sum.g, sum.b, u, v);
        for (int row = 0; row < tile.height; ++row) {
            std::fill_n(rowOf<Sample>(planes, 0, tile.y + row) + tile.x, tile.width, y);
            if (m.alpha)
                std::fill_n(rowOf<Sample>(planes, 3, tile.y + row) + tile.x, tile.width, a);
        }
        for (int row = 0; row < tile.height / m.chromaHeight; ++row) {
            std::fill_n(rowOf<Sample>(planes, 1, chromaY + row) + chromaX, samples, u);
            std::fill_n(rowOf<Sample>(planes, 2, chromaY + row) + chromaX, samples, v);
        }
        return;
    }
    std::vector<float> sumPlanes(std::size_t(samples) * 3);
    const Sums sums{sumPlanes.data(), sumPlanes.data() + samples, sumPlanes.data() + 2 * samples};
    const std::size_t rowBytes = std::size_t(tile.width) * 4 * sizeof(float);
    const auto copyRow = [&](int plane, int from, int to, int x, int count) {
        std::memcpy(rowOf<Sample>(planes, plane, to) + x, rowOf<Sample>(planes, plane, from) + x,
                    std::size_t(count) * sizeof(Sample));
    };
    for (int chromaRow = 0; chromaRow < tile.height / m.chromaHeight; ++chromaRow) {
        const int top = chromaRow * m.chromaHeight;
        // Rows the same as the ones above them (a box or background beside the text) take their
        // codes.
        bool same = chromaRow > 0;
        for (int i = 0; same && i < m.chromaHeight; ++i)
            same = std::memcmp(tile.getRow(top + i), tile.getRow(top + i - m.chromaHeight), rowBytes) == 0;
        if (same) {
            for (int i = 0; i < m.chromaHeight; ++i) {
                copyRow(0, tile.y + top + i - m.chromaHeight, tile.y + top + i, tile.x, tile.width);
                if (m.alpha)
                    copyRow(3, tile.y + top + i - m.chromaHeight, tile.y + top + i, tile.x, tile.width);
            }
            copyRow(1, chromaY + chromaRow - 1, chromaY + chromaRow, chromaX, samples);
            copyRow(2, chromaY + chromaRow - 1, chromaY + chromaRow, chromaX, samples);
            continue;
        }
        for (int i = 0; i < m.chromaHeight; ++i) {
            const int row = top + i;
            convertRow(k, m, tile.getRow(row), tile.width, rowOf<Sample>(planes, 0, tile.y + row) + tile.x,
                       m.alpha ? rowOf<Sample>(planes, 3, tile.y + row) + tile.x : nullptr, sums, i == 0);
        }
        convertChroma(k, sums, samples, rowOf<Sample>(planes, 1, chromaY + chromaRow) + chromaX,
                      rowOf<Sample>(planes, 2, chromaY + chromaRow) + chromaX);
    }
}

} // namespace

void convertToYuv(const YuvLayout& layout, const FrameTile& tile, const YuvPlanes& planes)
{
    const bool chromaFits =
        (layout.chromaWidth == 1 || layout.chromaWidth == 2) && (layout.chromaHeight == 1 || layout.chromaHeight == 2);
    if (layout.bits < 8 || layout.bits > 15 || !chromaFits || tile.x % layout.chromaWidth != 0 ||
        tile.y % layout.chromaHeight != 0 || tile.width % layout.chromaWidth != 0 ||
        tile.height % layout.chromaHeight != 0 || tile.x < 0 || tile.y < 0 || tile.x + tile.width > planes.width ||
        tile.y + tile.height > planes.height)
        throw std::logic_error("convertToYuv: a tile of " + std::to_string(tile.width) + "x" +
                               std::to_string(tile.height) + " at " + std::to_string(tile.x) + "," +
                               std::to_string(tile.y) + " does not fit the planes' layout");
    if (tile.width <= 0 || tile.height <= 0)
        return;
    if (layout.bits == 8)
        convertTile<std::uint8_t>(layout, tile, planes);
    else
        convertTile<std::uint16_t>(layout, tile, planes);
}

} // namespace Vx::Render
