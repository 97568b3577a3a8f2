// Pixel conversions between the renderer's float and the files' integer types.
#include <Vx/Render/PixelConversions.h>

#include <vector>

#include <OpenImageIO/imageio.h>

namespace Vx::Render {

void toStraight8Bit(const float* rgba, std::size_t pixelCount, unsigned char* out)
{
    const auto level = [](float v) {
        // NaN fails both tests and lands on 0.
        const float clamped = v > 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f);
        return static_cast<unsigned char>(clamped * 255.0f + 0.5f);
    };
    for (std::size_t p = 0; p < pixelCount; ++p) {
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
    for (std::size_t p = 0; p < pixelCount; ++p)
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

// Every value of an integer type as float, as OpenImageIO converts it.
template <class T> std::vector<float> levelsAsFloat(OIIO::TypeDesc type)
{
    std::vector<T> levels(std::size_t(1) << (8 * sizeof(T)));
    for (std::size_t v = 0; v < levels.size(); ++v)
        levels[v] = T(v);
    std::vector<float> values(levels.size());
    OIIO::convert_pixel_values(type, levels.data(), OIIO::TypeFloat, values.data(), int(levels.size()));
    return values;
}

} // namespace

void unsigned8ToFloat(const unsigned char* in, std::size_t count, float* out)
{
    static const std::vector<float> table = levelsAsFloat<unsigned char>(OIIO::TypeDesc::UINT8);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = table[in[i]];
}

void unsigned16ToFloat(const std::uint16_t* in, std::size_t count, float* out)
{
    static const std::vector<float> table = levelsAsFloat<std::uint16_t>(OIIO::TypeDesc::UINT16);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = table[in[i]];
}

void premultiply(float* pixels, std::size_t pixelCount, int channels, int alpha, const bool isColour[64])
{
    // The common layouts (RGBA, alpha last) in loops of their own, which the compiler unrolls.
    if (channels == 4 && alpha == 3 && isColour[0] && isColour[1] && isColour[2]) {
        for (std::size_t p = 0; p < pixelCount; ++p) {
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
