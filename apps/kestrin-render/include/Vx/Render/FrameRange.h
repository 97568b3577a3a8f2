// Frame ranges as users type them on the command line: single frames, "first-last", stepped
// "first-lastxstep", and comma lists of these ("1,5,10-12"). Frames may be negative
// ("-5--1" is -5 to -1). Frames come out in the order written; a list may repeat a frame.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Vx::Render {

class FrameRange
{
public:
    /// The most frames one range may hold; a longer range is an error, not an allocation.
    static constexpr std::size_t kMaxFrames = 10'000'000;

    /// Parses `text`. Throws std::invalid_argument with a message naming the offending part,
    /// e.g. `Invalid range "1-x"`, for text that is not a range, an end before its start, a
    /// step below 1 or more than kMaxFrames frames.
    static FrameRange parse(const std::string& text);

    /// The frames, in the order the text lists them.
    const std::vector<int>& frames() const { return m_frames; }
    std::size_t size() const { return m_frames.size(); }
    int first() const { return m_frames.front(); }
    int last() const { return m_frames.back(); }
    /// The text the range was parsed from.
    const std::string& text() const { return m_text; }

private:
    FrameRange() = default;

    std::string m_text;
    std::vector<int> m_frames;
};

} // namespace Vx::Render
