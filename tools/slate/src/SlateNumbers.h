// Number conversions of the rendering side.
#pragma once

#include <cmath>
#include <limits>

namespace Vx {

/// A float converted to int truncating toward zero, as the rendering rules require. Values
/// beyond the int range saturate and NaN gives 0, so that no input value, however wild, makes
/// the conversion undefined.
inline int truncToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483520.0f) // the largest float below 2^31
        return std::numeric_limits<int>::max();
    if (value <= -2147483648.0f)
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace Vx
