// SMPTE timecodes: HH:MM:SS:FF for a frame count at a frame rate.
//
// Rates that are not whole numbers count in their nominal whole rate (23.976 counts 24 frames a
// second, 29.97 counts 30). At 29.97 and 59.94 the timecode is drop-frame, written with ';'
// before the frames: frame numbers 0 and 1 (0 to 3 at 59.94) are skipped at the start of every
// minute that is not a multiple of ten. Hours wrap at 24. Negative frame counts are written
// with a leading '-' followed by the timecode of the count's magnitude (frame -1 at 24 is
// "-00:00:00:01"). Formatters are immutable and shared between threads.
//
// Where counting starts is a composition setting (LiTimeCodeOrigin): by default frame N is N
// frames after 00:00:00:00; a start timecode names the timecode of the range's first frame; or
// each frame takes the timecode its input frame's header carries.
#pragma once

#include <Vx/RC/RCShdPtr.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace Vx {

class LiTimeCode : public RCObject
{
public:
    /// A formatter counting at `rate`; `flags` as for LiTimeCodeFactory::createTimeCode. Throws
    /// std::invalid_argument for a rate that is not positive or above 1000000 frames a second.
    LiTimeCode(const Rational& rate, int flags);

    /// The timecode of `time`'s frame count, counted at this formatter's rate (the rate `time`
    /// carries is not consulted). Frame 0 is 00:00:00:00.
    std::string toString(const DtTime& time) const;

    /// The frame count whose timecode is `text`: the inverse of toString for 00:00:00:00 to
    /// 23:59:59:FF. `text` is HH:MM:SS:FF; a drop-frame formatter also takes HH:MM:SS;FF (either
    /// separator means the same label). Throws std::invalid_argument, naming the text and what is
    /// allowed, for another shape, hours above 23, minutes or seconds above 59, frames at or
    /// above the nominal rate, ';' on a non-drop-frame count, or a label drop-frame skips.
    std::int64_t toFrameCount(const std::string& text) const;

    /// The rate this formatter counts at, as it was given.
    const Rational& getRate() const { return m_rate; }
    /// Frames counted per second: the rate rounded to a whole number, at least 1.
    int getNominalRate() const { return m_nominal; }
    bool isDropFrame() const { return m_dropFrame; }

private:
    Rational m_rate;
    int m_nominal;
    bool m_dropFrame;
};

/// Where <Timecode> counting starts, a setting of the composition. The default counts frame N
/// as N frames after 00:00:00:00, drop-frame at 29.97 and 59.94.
struct LiTimeCodeOrigin
{
    /// The timecode of the first frame of the composition's range (HH:MM:SS:FF, or HH:MM:SS;FF),
    /// every other frame counting on from it; empty for the default count.
    std::string start;
    /// Each frame's timecode is the one its input frame's header carries; a frame without one
    /// counts as if this were off.
    bool fromInput = false;
    /// Drop-frame counting at 29.97 and 59.94 (the default); false counts those rates non-drop.
    /// Other rates always count non-drop.
    bool dropFrame = true;

    /// The flags for LiTimeCodeFactory::createTimeCode that count as this origin says.
    int getFormatterFlags() const { return dropFrame ? 0 : 1; }
    bool isDefault() const { return start.empty() && !fromInput && dropFrame; }
    friend bool operator==(const LiTimeCodeOrigin& a, const LiTimeCodeOrigin& b)
    {
        return a.start == b.start && a.fromInput == b.fromInput && a.dropFrame == b.dropFrame;
    }
    friend bool operator!=(const LiTimeCodeOrigin& a, const LiTimeCodeOrigin& b) { return !(a == b); }
};

/// Makes timecode formatters; the same rate and flags give the same shared formatter.
class LiTimeCodeFactory
{
public:
    static LiTimeCodeFactory& getInstance();
    /// A formatter for `rate`. `flags` 0 asks for the rate's standard form (drop-frame at 29.97
    /// and 59.94, non-drop elsewhere); any other value counts non-drop. Equal rates written
    /// differently (24000/1001 and 48000/2002) share a formatter.
    /// Callable from any thread; throws as the LiTimeCode constructor does.
    RCShdPtr<LiTimeCode> createTimeCode(const Rational& rate, int flags);

private:
    std::mutex m_mutex;
    std::map<std::pair<std::pair<std::int64_t, std::int64_t>, int>, RCShdPtr<LiTimeCode>> m_cache;
};

} // namespace Vx
