// Conversions between seconds (the processing graph's time) and frames (what users count).
//
// Frame n of a rate r starts at n / r seconds. Converting a frame's start to seconds and back
// gives the same frame for every frame a production uses (the round trip is exact for frames
// 0 to at least 10^7 at 23.976, 24, 25, 29.97, 30, 59.94 and 60). Callable from any thread.
#pragma once

#include <Vx/Tm/Rational.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>

namespace Vx {

/// A time counted in frames of a frame rate.
struct DtTime
{
    std::int64_t frames = 0; ///< whole frames since time 0 (negative before it)
    Rational rate{24, 1};

    std::int64_t getFrameCount() const { return frames; }
};

/// The duration from `b` to `a`, in frames of their common rate: a range's length is end - start.
/// Throws std::invalid_argument when the two times count frames of different rates.
inline DtTime operator-(const DtTime& a, const DtTime& b)
{
    if (a.rate != b.rate) {
        std::ostringstream message;
        message << "The times " << a.frames << "@" << a.rate << " and " << b.frames << "@" << b.rate
                << " count frames of different rates and cannot be subtracted.";
        throw std::invalid_argument(message.str());
    }
    return DtTime{a.frames - b.frames, a.rate};
}

struct TmTimeUtil
{
    /// The frame that `seconds` falls in at `rate`: floor(seconds * rate), where a time within a
    /// tiny tolerance below a frame's start counts as that frame (floating point round trips).
    /// The tolerance is relative: 1e-12 of the frame position. Throws std::invalid_argument for
    /// an invalid rate, and for a time that is not finite or whose frame count does not fit in 64
    /// bits.
    static DtTime getDtTimeFromSeconds(const Rational& rate, double seconds);
    /// The start of frame `frames` at `rate`, in seconds. Throws std::invalid_argument for an
    /// invalid rate.
    static double getSecondsFromFrames(const Rational& rate, std::int64_t frames);
};

} // namespace Vx
