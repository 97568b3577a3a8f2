// Rectangles of pixels (int) or of nominal coordinates (float).
//
// Fields in the order x0, x1, y0, y1; half-open: a rectangle covers x0 <= x < x1 and
// y0 <= y < y1 and is empty when x1 <= x0 or y1 <= y0. On the processing side y points up.
// Integer rectangles saturate at the int range where they are moved or measured (geAdd, geSub):
// no coordinate, however far out, makes the arithmetic undefined.
#pragma once

#include <algorithm>
#include <limits>
#include <ostream>
#include <type_traits>

namespace Vx {

/// a + b. For integers the sum saturates at the type's limits instead of overflowing, so that
/// pixel coordinates pushed to the edge of the int range by a huge measure stay defined (a box
/// reaching past every frame stays a box reaching past every frame).
template <class T> constexpr T geAdd(T a, T b)
{
    if constexpr (std::is_integral_v<T>) {
        T sum{};
        if (__builtin_add_overflow(a, b, &sum))
            return b > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
        return sum;
    } else {
        return a + b;
    }
}

/// a - b, saturating for integers as geAdd does.
template <class T> constexpr T geSub(T a, T b)
{
    if constexpr (std::is_integral_v<T>) {
        T difference{};
        if (__builtin_sub_overflow(a, b, &difference))
            return b < 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
        return difference;
    } else {
        return a - b;
    }
}

template <class T> struct GeRectangle
{
    T x0 = 0;
    T x1 = 0;
    T y0 = 0;
    T y1 = 0;

    constexpr GeRectangle() = default;
    constexpr GeRectangle(T ax0, T ax1, T ay0, T ay1) : x0(ax0), x1(ax1), y0(ay0), y1(ay1) {}

    constexpr bool isEmpty() const { return !(x0 < x1) || !(y0 < y1); }
    constexpr T getWidth() const { return geSub(x1, x0); }
    constexpr T getHeight() const { return geSub(y1, y0); }
    constexpr bool contains(T x, T y) const { return x0 <= x && x < x1 && y0 <= y && y < y1; }

    /// The rectangle moved by (dx, dy); integer coordinates saturate at the int range.
    constexpr GeRectangle translated(T dx, T dy) const
    {
        return {geAdd(x0, dx), geAdd(x1, dx), geAdd(y0, dy), geAdd(y1, dy)};
    }

    /// Common part of two rectangles; an empty rectangle when they do not overlap.
    constexpr GeRectangle intersected(const GeRectangle& o) const
    {
        GeRectangle r(std::max(x0, o.x0), std::min(x1, o.x1), std::max(y0, o.y0), std::min(y1, o.y1));
        return r.isEmpty() ? GeRectangle() : r;
    }

    /// Smallest rectangle holding both; an empty rectangle is neutral.
    constexpr GeRectangle united(const GeRectangle& o) const
    {
        if (o.isEmpty())
            return *this;
        if (isEmpty())
            return o;
        return {std::min(x0, o.x0), std::max(x1, o.x1), std::min(y0, o.y0), std::max(y1, o.y1)};
    }

    friend constexpr bool operator==(const GeRectangle& a, const GeRectangle& b)
    {
        return a.x0 == b.x0 && a.x1 == b.x1 && a.y0 == b.y0 && a.y1 == b.y1;
    }
    friend constexpr bool operator!=(const GeRectangle& a, const GeRectangle& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& os, const GeRectangle& r)
    {
        return os << "(" << r.x0 << ", " << r.x1 << ", " << r.y0 << ", " << r.y1 << ")";
    }
};

} // namespace Vx
