// How long a processing result stays true: an interval of time in seconds.
//
// A result computed for time t is valid for every time in [start, end). Combining the results of
// several inputs keeps what all of them agree on: the larger start and the smaller end.
#pragma once

#include <Vx/Tm/Rational.h>

#include <limits>
#include <ostream>
#include <utility>

namespace Vx {

struct PxValidityInterval
{
    double start = -std::numeric_limits<double>::infinity();
    double end = std::numeric_limits<double>::infinity();

    /// All of time.
    static const PxValidityInterval FULL;

    /// The frame of `rate` that `time` (seconds) falls in: [frame start, next frame start).
    static PxValidityInterval createFrameInterval(const Rational& rate, double time);

    /// The common part: the larger start and the smaller end (empty when they do not meet).
    PxValidityInterval intersected(const PxValidityInterval& other) const
    {
        return {start > other.start ? start : other.start, end < other.end ? end : other.end};
    }
    void intersect(const PxValidityInterval& other) { *this = intersected(other); }

    bool contains(double time) const { return start <= time && time < end; }
    bool isEmpty() const { return !(start < end); }
    bool isFull() const { return *this == FULL; }

    friend bool operator==(const PxValidityInterval& a, const PxValidityInterval& b)
    {
        return a.start == b.start && a.end == b.end;
    }
    friend bool operator!=(const PxValidityInterval& a, const PxValidityInterval& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& os, const PxValidityInterval& v)
    {
        return os << "[" << v.start << ", " << v.end << ")";
    }
};

inline const PxValidityInterval PxValidityInterval::FULL{};

/// A value computed by the processing graph, with the interval over which it holds.
template <class T> struct PxResult
{
    T value{};
    PxValidityInterval validity;

    PxResult() = default;
    PxResult(T v, const PxValidityInterval& valid) : value(std::move(v)), validity(valid) {}
};

} // namespace Vx
