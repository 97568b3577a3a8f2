// Frame ranges.
#include <Vx/Render/FrameRange.h>

#include <algorithm>
#include <stdexcept>

namespace Vx::Render {

namespace {

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e + 1 - b);
}

// The outcome of reading a number: none at all, one beyond the frame numbers, or a value.
enum class Read
{
    None,
    TooLarge,
    Ok,
};

// Reads an optionally negative integer at `pos`, at most kMaxFrameNumber in size.
Read readNumber(const std::string& s, std::size_t& pos, std::int64_t& value)
{
    std::size_t i = pos;
    const bool negative = i < s.size() && s[i] == '-';
    if (negative)
        ++i;
    const std::size_t digitsStart = i;
    std::int64_t v = 0;
    bool tooLarge = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (!tooLarge)
            v = v * 10 + (s[i] - '0');
        tooLarge = tooLarge || v > FrameRange::kMaxFrameNumber;
    }
    if (i == digitsStart)
        return Read::None;
    pos = i;
    if (tooLarge)
        return Read::TooLarge;
    value = negative ? -v : v;
    return Read::Ok;
}

std::string describe(const std::string& item, const std::string& whole)
{
    std::string s = "Invalid range \"" + item + "\"";
    if (item != whole)
        s += " in \"" + whole + "\"";
    return s;
}

std::string allowedNumbers()
{
    const std::string max = std::to_string(FrameRange::kMaxFrameNumber);
    return "frame numbers go from -" + max + " to " + max;
}

} // namespace

FrameRange FrameRange::parse(const std::string& text)
{
    FrameRange range;
    range.m_text = text;
    if (trimmed(text).empty())
        throw std::invalid_argument("Invalid range \"" + text + "\": no frames given");

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = trimmed(text.substr(start, comma - start));
        start = comma + 1;

        std::int64_t first = 0;
        std::int64_t last = 0;
        std::int64_t step = 1;
        std::size_t pos = 0;
        Read read = readNumber(item, pos, first);
        bool frameTooLarge = read == Read::TooLarge;
        last = first;
        if (read != Read::None && pos < item.size() && item[pos] == '-') {
            ++pos;
            read = readNumber(item, pos, last);
            frameTooLarge = frameTooLarge || read == Read::TooLarge;
            if (read != Read::None && pos < item.size() && item[pos] == 'x') {
                ++pos;
                read = readNumber(item, pos, step);
                // A step beyond every frame number is as good as the largest one.
                if (read == Read::TooLarge) {
                    step = kMaxFrameNumber;
                    read = Read::Ok;
                }
            }
        }
        if (read == Read::None || pos != item.size())
            throw std::invalid_argument(describe(item, text));
        if (frameTooLarge)
            throw std::invalid_argument(describe(item, text) + ": " + allowedNumbers());
        if (last < first)
            throw std::invalid_argument(describe(item, text) + ": the last frame comes before the first");
        if (step < 1)
            throw std::invalid_argument(describe(item, text) + ": the step must be 1 or more");

        // At most 2 * 10^12 frames a run and one run per character: the sum fits easily.
        const std::uint64_t count = std::uint64_t(last - first) / std::uint64_t(step) + 1;
        range.m_runs.push_back(Run{first, step, count, range.m_size});
        range.m_size += count;
    }
    return range;
}

FrameRange FrameRange::fromTo(std::int64_t first, std::int64_t last)
{
    const std::string text = std::to_string(first) + "-" + std::to_string(last);
    if (first < -kMaxFrameNumber || first > kMaxFrameNumber || last < -kMaxFrameNumber || last > kMaxFrameNumber)
        throw std::invalid_argument("Invalid range \"" + text + "\": " + allowedNumbers());
    if (last < first)
        throw std::invalid_argument("Invalid range \"" + text + "\": the last frame comes before the first");
    FrameRange range;
    range.m_text = text;
    range.m_size = std::uint64_t(last - first) + 1;
    range.m_runs.push_back(Run{first, 1, range.m_size, 0});
    return range;
}

std::int64_t FrameRange::at(std::uint64_t index) const
{
    if (index >= m_size)
        throw std::out_of_range("Frame index " + std::to_string(index) + " is beyond the " + std::to_string(m_size) +
                                " frames of \"" + m_text + "\"");
    // The last run starting at or before `index`.
    const auto run = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                      [](std::uint64_t i, const Run& r) { return i < r.startIndex; }) -
                     1;
    return run->first + std::int64_t(index - run->startIndex) * run->step;
}

FrameRange FrameRange::slice(std::uint64_t begin, std::uint64_t count) const
{
    if (count == 0 || begin >= m_size || count > m_size - begin)
        throw std::out_of_range("Frames " + std::to_string(begin) + " to " + std::to_string(begin + count) +
                                " (exclusive) are not a part of the " + std::to_string(m_size) + " frames of \"" +
                                m_text + "\"");
    FrameRange part;
    const std::uint64_t end = begin + count;
    for (const Run& run : m_runs) {
        const std::uint64_t runEnd = run.startIndex + run.count;
        if (runEnd <= begin || run.startIndex >= end)
            continue;
        const std::uint64_t from = std::max(begin, run.startIndex);
        const std::uint64_t to = std::min(end, runEnd);
        const Run piece{run.first + std::int64_t(from - run.startIndex) * run.step, run.step, to - from, part.m_size};
        part.m_runs.push_back(piece);
        part.m_size += piece.count;
        if (!part.m_text.empty())
            part.m_text += ",";
        part.m_text += std::to_string(piece.first);
        if (piece.count > 1) {
            part.m_text += "-" + std::to_string(piece.first + std::int64_t(piece.count - 1) * piece.step);
            if (piece.step != 1)
                part.m_text += "x" + std::to_string(piece.step);
        }
    }
    return part;
}

std::int64_t FrameRange::lowest() const
{
    std::int64_t low = m_runs.front().first;
    for (const Run& run : m_runs)
        low = std::min(low, run.first);
    return low;
}

std::int64_t FrameRange::highest() const
{
    std::int64_t high = m_runs.front().first;
    for (const Run& run : m_runs)
        high = std::max(high, run.first + std::int64_t(run.count - 1) * run.step);
    return high;
}

bool FrameRange::contains(std::int64_t frame) const
{
    for (const Run& run : m_runs) {
        const std::int64_t lastOfRun = run.first + std::int64_t(run.count - 1) * run.step;
        if (frame >= run.first && frame <= lastOfRun && (frame - run.first) % run.step == 0)
            return true;
    }
    return false;
}

} // namespace Vx::Render
