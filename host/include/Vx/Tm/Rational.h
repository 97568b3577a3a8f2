// An exact ratio of two integers: frame rates (24000/1001) and pixel aspect ratios.
#pragma once

#include <cstdint>
#include <ostream>

namespace Vx {

namespace detail {
// Products of two 64-bit numbers: typed rates have up to 12 digits above and below the line, so
// their cross products do not fit in 64 bits.
__extension__ using RationalProduct = __int128;
} // namespace detail

struct Rational
{
    std::int64_t num = 0;
    std::int64_t den = 1;

    constexpr Rational() = default;
    constexpr Rational(std::int64_t n, std::int64_t d = 1) : num(n), den(d) {}

    constexpr double toDouble() const { return den == 0 ? 0.0 : double(num) / double(den); }
    constexpr bool isValid() const { return num > 0 && den > 0; }

    friend constexpr bool operator==(const Rational& a, const Rational& b)
    {
        return detail::RationalProduct(a.num) * b.den == detail::RationalProduct(b.num) * a.den;
    }
    friend constexpr bool operator!=(const Rational& a, const Rational& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& os, const Rational& r) { return os << r.num << "/" << r.den; }
};

} // namespace Vx
