// Number conversions of the rendering side.
#pragma once

#include <Vx/Ge/GeRectangle.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Vx {

// Every place where the layout's float arithmetic becomes int pixels goes through truncToInt, and
// every int addition or subtraction of pixel coordinates that a user's measure can push to the
// edge of the int range goes through geAdd and geSub (saturating), or through 64 bits.

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

/// A double converted to float, saturated at the largest finite float: the processing side's
/// parameters are doubles that may exceed the float range (an offset has no bound). NaN stays NaN.
inline float toFloat(double value)
{
    constexpr double largest = double(std::numeric_limits<float>::max());
    if (value > largest)
        return std::numeric_limits<float>::max();
    if (value < -largest)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

/// a - b as a float, computed in 64 bits so that coordinates far apart do not overflow; the same
/// value as float(a - b) whenever that is defined.
inline float floatDifference(int a, int b)
{
    return float(std::int64_t(a) - std::int64_t(b));
}

/// An int64 clamped to the int range.
inline int clampToInt(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace Vx
