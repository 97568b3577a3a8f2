// A numeric input bounded by a range, with a default.
//
// create(min, max, default, clampOutOfRange, softBounds):
// - softBounds false (hard bounds): a value outside [min, max] is either clamped to the nearest
//   bound (clampOutOfRange true) or rejected with std::invalid_argument (clampOutOfRange false),
//   the input keeping its previous value;
// - softBounds true: the bounds only guide user interfaces (slider ends); every value is stored
//   as written and valid.
// NaN is never accepted. Values are animatable.
#pragma once

#include <Vx/Pi/PiInputPolicy.h>

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace Vx {

template <class T> class PiRangeInputPolicy : public PiTypedInputPolicy<T>
{
public:
    /// Throws std::invalid_argument when min > max or the default lies outside [min, max].
    static RCShdPtr<const PiRangeInputPolicy> create(T min, T max, T defaultValue, bool clampOutOfRange,
                                                     bool softBounds)
    {
        if (!(min <= max) || !(min <= defaultValue && defaultValue <= max)) {
            std::ostringstream message;
            message << "The range [" << min << ", " << max << "] with default " << defaultValue
                    << " is not valid: the minimum must not exceed the maximum and the default must lie between them.";
            throw std::invalid_argument(message.str());
        }
        return RCShdPtr<const PiRangeInputPolicy>(
            new PiRangeInputPolicy(min, max, defaultValue, clampOutOfRange, softBounds));
    }

    bool isValid(const T& value) const override
    {
        if (isNan(value))
            return false;
        return m_soft || (m_min <= value && value <= m_max);
    }
    T filterValue(const T& value) const override
    {
        if (isNan(value))
            throw std::invalid_argument("The value NaN is not a number and cannot be stored.");
        if (m_soft || (m_min <= value && value <= m_max))
            return value;
        if (m_clamp)
            return value < m_min ? m_min : m_max;
        std::ostringstream message;
        message << "The value " << value << " lies outside the range [" << m_min << ", " << m_max << "].";
        throw std::invalid_argument(message.str());
    }
    T getDefault() const override { return m_default; }
    T getMin() const override { return m_min; }
    T getMax() const override { return m_max; }
    bool isPassAll() const override { return m_soft; }

    bool clampsOutOfRange() const { return m_clamp; }
    bool hasSoftBounds() const { return m_soft; }

private:
    PiRangeInputPolicy(T min, T max, T defaultValue, bool clamp, bool soft)
        : PiTypedInputPolicy<T>(true), m_min(min), m_max(max), m_default(defaultValue), m_clamp(clamp), m_soft(soft)
    {
    }
    static bool isNan(const T& value)
    {
        if constexpr (std::is_floating_point_v<T>)
            return std::isnan(value);
        else
            return false;
    }

    T m_min;
    T m_max;
    T m_default;
    bool m_clamp;
    bool m_soft;
};

} // namespace Vx
