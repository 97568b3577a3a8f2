// Colours as the tools see them: red, green, blue (and alpha), straight, in float.
#pragma once

#include <ostream>

namespace Vx {

template <class T> struct CoRgbColorTyped
{
    T red = 0;
    T green = 0;
    T blue = 0;

    /// Black.
    static const CoRgbColorTyped ZERO;

    friend constexpr bool operator==(const CoRgbColorTyped& a, const CoRgbColorTyped& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend constexpr bool operator!=(const CoRgbColorTyped& a, const CoRgbColorTyped& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& os, const CoRgbColorTyped& c)
    {
        return os << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
    }
};

template <class T> inline const CoRgbColorTyped<T> CoRgbColorTyped<T>::ZERO{};

template <class T> struct CoRgbaColorTyped
{
    T red = 0;
    T green = 0;
    T blue = 0;
    T alpha = 0;

    friend constexpr bool operator==(const CoRgbaColorTyped& a, const CoRgbaColorTyped& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
    }
    friend constexpr bool operator!=(const CoRgbaColorTyped& a, const CoRgbaColorTyped& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& os, const CoRgbaColorTyped& c)
    {
        return os << "(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
    }
};

} // namespace Vx
