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
        float pixel[4] = {destination.red, destination.green, destination.blue, destination.alpha};
        overInPlace(pixel, source);
        return {pixel[0], pixel[1], pixel[2], pixel[3]};
    }

    /// process(source, pixel, Over) written back into `pixel` (four premultiplied floats).
    static void overInPlace(float* pixel, const CoRgbaColorTyped<float>& source)
    {
        const float a = source.alpha;
        if (a == 0.0f)
            return;
        if (a == 1.0f) {
            cover(pixel, source);
            return;
        }
        blend(pixel, source.red * a, source.green * a, source.blue * a, a);
    }

    /// overInPlace on `count` consecutive pixels with one source colour: the alpha tests and the
    /// source's products made once for the row, so that the loop is plain arithmetic.
    static void overRow(float* pixels, std::size_t count, const CoRgbaColorTyped<float>& source)
    {
        const float a = source.alpha;
        if (a == 0.0f)
            return;
        if (a == 1.0f) {
            for (std::size_t i = 0; i < count; ++i)
                cover(pixels + i * 4, source);
            return;
        }
        const float red = source.red * a;
        const float green = source.green * a;
        const float blue = source.blue * a;
        for (std::size_t i = 0; i < count; ++i)
            blend(pixels + i * 4, red, green, blue, a);
    }

private:
    // "over" with an opaque source: the source replaces the pixel exactly.
    static void cover(float* pixel, const CoRgbaColorTyped<float>& source)
    {
        pixel[0] = source.red;
        pixel[1] = source.green;
        pixel[2] = source.blue;
        pixel[3] = 1.0f;
    }
    // "over" with 0 < a < 1, the source colour given already multiplied by a: the one place the
    // arithmetic is written.
    static void blend(float* pixel, float red, float green, float blue, float a)
    {
        const float keep = 1.0f - a;
        pixel[0] = red + pixel[0] * keep;
        pixel[1] = green + pixel[1] * keep;
        pixel[2] = blue + pixel[2] * keep;
        pixel[3] = a + pixel[3] * keep;
    }
};

} // namespace Vx
