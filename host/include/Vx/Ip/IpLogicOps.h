// Per-pixel compositing operators.
#pragma once

#include <Vx/Co/CoColor.h>

#include <cstddef>

namespace Vx {

struct IpLogicOps
{
    enum Operator : int
    {
        Over = 0, ///< a straight source with alpha a over a premultiplied destination
    };

    /// Combines a straight `source` colour (its alpha is the coverage times the opacity) with the
    /// premultiplied `destination` pixel and returns the new premultiplied pixel. For "over":
    /// rgb = source.rgb * a + destination.rgb * (1 - a), alpha = a + destination.alpha * (1 - a);
    /// a = 1 yields the source exactly, a = 0 the destination unchanged.
    static CoRgbaColorTyped<float> process(const CoRgbaColorTyped<float>& source,
                                           const CoRgbaColorTyped<float>& destination, int op)
    {
        (void)op; // "over" is the only operator the host has
        const float a = source.alpha;
        if (a == 1.0f)
            return {source.red, source.green, source.blue, 1.0f};
        if (a == 0.0f)
            return destination;
        const float keep = 1.0f - a;
        return {source.red * a + destination.red * keep, source.green * a + destination.green * keep,
                source.blue * a + destination.blue * keep, a + destination.alpha * keep};
    }

    /// process(source, pixel, Over) written back into `pixel` (four premultiplied floats), for
    /// loops over rows: the same arithmetic, without the colour copies.
    static void overInPlace(float* pixel, const CoRgbaColorTyped<float>& source)
    {
        const float a = source.alpha;
        if (a == 1.0f) {
            pixel[0] = source.red;
            pixel[1] = source.green;
            pixel[2] = source.blue;
            pixel[3] = 1.0f;
            return;
        }
        if (a == 0.0f)
            return;
        const float keep = 1.0f - a;
        pixel[0] = source.red * a + pixel[0] * keep;
        pixel[1] = source.green * a + pixel[1] * keep;
        pixel[2] = source.blue * a + pixel[2] * keep;
        pixel[3] = a + pixel[3] * keep;
    }

    /// overInPlace on `count` consecutive pixels with one source colour: the alpha tests made
    /// once for the row, so that the loop is plain arithmetic.
    static void overRow(float* pixels, std::size_t count, const CoRgbaColorTyped<float>& source)
    {
        const float a = source.alpha;
        if (a == 0.0f)
            return;
        if (a == 1.0f) {
            for (std::size_t i = 0; i < count; ++i)
                overInPlace(pixels + i * 4, source);
            return;
        }
        const float keep = 1.0f - a;
        const float red = source.red * a;
        const float green = source.green * a;
        const float blue = source.blue * a;
        for (std::size_t i = 0; i < count; ++i, pixels += 4) {
            pixels[0] = red + pixels[0] * keep;
            pixels[1] = green + pixels[1] * keep;
            pixels[2] = blue + pixels[2] * keep;
            pixels[3] = a + pixels[3] * keep;
        }
    }
};

} // namespace Vx
