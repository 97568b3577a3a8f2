// Frame rates typed by users.
#include <Vx/Render/FrameRate.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <stdexcept>

namespace Vx::Render {

namespace {

// How far a decimal may be from a 1000/1001 rate and still mean it: rates are written with two
// or three decimals (23.98, 23.976), both well within this.
constexpr double kVideoRateTolerance = 0.005;
// Numbers are limited so that num / den fits comfortably in 64 bits.
constexpr int kMaxDigits = 12;

[[noreturn]] void fail(const std::string& text, const char* why)
{
    throw std::invalid_argument("Invalid frame rate \"" + text + "\"" + why);
}

constexpr const char* kUsage = " (use a number such as 24, 23.976 or 24000/1001)";

// Reads unsigned digits at `pos`; returns how many were read (0 if none), or -1 when too many.
int readDigits(const std::string& s, std::size_t& pos, std::int64_t& value)
{
    int n = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        if (++n > kMaxDigits)
            return -1;
        value = value * 10 + (s[pos++] - '0');
    }
    return n;
}

Rational reduced(std::int64_t num, std::int64_t den)
{
    const std::int64_t g = std::gcd(num, den);
    return g > 1 ? Rational(num / g, den / g) : Rational(num, den);
}

} // namespace

Rational parseFrameRate(const std::string& text)
{
    std::size_t pos = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        if (text[0] == '-')
            fail(text, ": a frame rate must be above zero");
        ++pos;
    }
    std::int64_t whole = 0;
    const int wholeDigits = readDigits(text, pos, whole);
    if (wholeDigits < 0)
        fail(text, kUsage);

    if (pos < text.size() && text[pos] == '/') {
        ++pos;
        std::int64_t den = 0;
        const int denDigits = readDigits(text, pos, den);
        if (wholeDigits <= 0 || denDigits <= 0 || pos != text.size())
            fail(text, kUsage);
        if (whole == 0 || den == 0)
            fail(text, ": a frame rate must be above zero");
        return reduced(whole, den);
    }

    std::int64_t fraction = 0;
    int fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        fractionDigits = readDigits(text, pos, fraction);
        if (fractionDigits < 0)
            fail(text, kUsage);
    }
    if (wholeDigits + fractionDigits == 0 || pos != text.size())
        fail(text, kUsage);
    // The rate is whole * 10^fractionDigits + fraction: trailing zeros add nothing, and 18
    // digits in all keep it within 64 bits.
    while (fractionDigits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --fractionDigits;
    }
    if (wholeDigits + fractionDigits > 18)
        fail(text, ": a decimal frame rate has at most 18 significant digits");

    std::int64_t scale = 1;
    for (int i = 0; i < fractionDigits; ++i)
        scale *= 10;
    const std::int64_t num = whole * scale + fraction;
    if (num == 0)
        fail(text, ": a frame rate must be above zero");
    if (fraction != 0) {
        const double value = double(num) / double(scale);
        const double nominal = std::round(value * 1.001);
        if (nominal >= 1.0 && std::abs(value - nominal * 1000.0 / 1001.0) < kVideoRateTolerance)
            return reduced(std::int64_t(nominal) * 1000, 1001);
    }
    return reduced(num, scale);
}

} // namespace Vx::Render
