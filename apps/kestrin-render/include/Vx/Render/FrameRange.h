// Frame ranges as users type them on the command line: single frames, "first-last", stepped
// "first-lastxstep", and comma lists of these ("1,5,10-12"). Frames may be negative
// ("-5--1" is -5 to -1). Frames come out in the order written; a list may repeat a frame.
//
// Frame numbers are 64-bit, from -kMaxFrameNumber to kMaxFrameNumber (twelve digits). The bound
// keeps every frame exact through the processing graph's time in seconds (a double: a frame comes
// back from its time to within 4e-16 of its number, far below half a frame at 10^12) and keeps
// file names within 13 characters of frame number. A range is held as its runs (first, step,
// count), never as a list: "1-999999999999" takes a few bytes, and its frames are visited by
// index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vx::Render {

class FrameRange
{
public:
    /// The largest frame number (and minus it, the smallest).
    static constexpr std::int64_t kMaxFrameNumber = 999'999'999'999;

    /// Parses `text`. Throws std::invalid_argument with a message naming the offending part,
    /// e.g. `Invalid range "1-x"`, for text that is not a range, a frame number beyond
    /// kMaxFrameNumber, an end before its start or a step below 1.
    static FrameRange parse(const std::string& text);
    /// The frames from `first` to `last` (a composition's range). Throws std::invalid_argument
    /// (`Invalid range "first-last": ...`) as parse() does.
    static FrameRange fromTo(std::int64_t first, std::int64_t last);

    /// How many frames the range lists (repeats counted).
    std::uint64_t size() const { return m_size; }
    /// The frame at `index` (0 to size() - 1) in the order the text lists them.
    std::int64_t at(std::uint64_t index) const;
    std::int64_t first() const { return at(0); }
    std::int64_t last() const { return at(m_size - 1); }
    /// The smallest and the largest frame listed.
    std::int64_t lowest() const;
    std::int64_t highest() const;
    /// Whether `frame` is one of the frames listed.
    bool contains(std::int64_t frame) const;
    /// The text the range was parsed from.
    const std::string& text() const { return m_text; }

    /// The `count` frames from index `begin` on, in this range's order (a chunk of a render farm's
    /// task), held as runs like any range. Its text() lists the runs ("1001-1024", "1-9x2,20").
    /// Throws std::out_of_range when count is 0 or the frames go past size().
    FrameRange slice(std::uint64_t begin, std::uint64_t count) const;

private:
    struct Run
    {
        std::int64_t first;
        std::int64_t step;
        std::uint64_t count;
        std::uint64_t startIndex; ///< index of the run's first frame in the whole range
    };

    FrameRange() = default;

    std::string m_text;
    std::vector<Run> m_runs;
    std::uint64_t m_size = 0;
};

} // namespace Vx::Render
