// Per-pixel compositing operators.
#pragma once

#include <Vx/Co/CoColor.h>

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
};

} // namespace Vx
