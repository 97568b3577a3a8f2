// Seconds to frames and back. The processing graph asks for images at times in seconds that were
// themselves made from frame numbers, so the conversion must give back the frame a time was made
// from, even though neither n / r nor its product with r is exact in floating point.
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>

namespace Vx {

namespace {

void checkRate(const Rational& rate)
{
    if (!rate.isValid()) {
        std::ostringstream message;
        message << "The frame rate " << rate << " is not valid: its numerator and denominator must both be positive.";
        throw std::invalid_argument(message.str());
    }
}

// How far below a frame's start a frame position may lie and still count as that frame, relative
// to the position. Turning frame n into seconds (n * den / num) and back (s * num / den) rounds
// three times, each by at most half a unit in the last place (1.1e-16 relative), so a frame's
// start comes back within about 4e-16 * n of n. 1e-12 leaves a margin of more than two thousand
// for that and for small sums of such times made by callers, and is still tiny: at frame 10^7 it
// is 1e-5 of a frame, under half a microsecond at 24 frames a second. A fixed tolerance of a
// fraction of a frame would not do: relative to the position it must stay well below one frame
// over the whole range, or times well inside a late frame would be moved to the next one.
constexpr double kRelativeFrameTolerance = 1e-12;

} // namespace

DtTime TmTimeUtil::getDtTimeFromSeconds(const Rational& rate, double seconds)
{
    checkRate(rate);
    const double position = seconds * double(rate.num) / double(rate.den);
    // 2^63 is exact as a double; anything at or beyond it has no 64-bit frame count.
    constexpr double kFrameLimit = 9223372036854775808.0;
    if (!std::isfinite(position) || position >= kFrameLimit || position < -kFrameLimit) {
        std::ostringstream message;
        message.precision(17);
        message << "The time " << seconds << " seconds at the frame rate " << rate
                << " has no frame count: the result would not be a finite 64-bit number.";
        throw std::invalid_argument(message.str());
    }

    const double nearest = std::nearbyint(position);
    const double tolerance = kRelativeFrameTolerance * std::max(1.0, std::fabs(position));
    double frame = std::floor(position);
    if (std::fabs(position - nearest) <= tolerance && nearest < kFrameLimit)
        frame = nearest;

    DtTime time;
    time.frames = static_cast<std::int64_t>(frame);
    time.rate = rate;
    return time;
}

double TmTimeUtil::getSecondsFromFrames(const Rational& rate, std::int64_t frames)
{
    checkRate(rate);
    return double(frames) * double(rate.den) / double(rate.num);
}

} // namespace Vx
