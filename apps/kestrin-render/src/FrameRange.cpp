// Frame ranges.
#include <Vx/Render/FrameRange.h>

#include <cstdint>
#include <limits>
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

// Reads an optionally negative integer at `pos`; false when there is none or it overflows an int.
bool readInt(const std::string& s, std::size_t& pos, int& value)
{
    std::size_t i = pos;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    const std::size_t digitsStart = i;
    std::int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i] - '0');
        if (v > std::int64_t(std::numeric_limits<int>::max()) + 1)
            return false;
        ++i;
    }
    if (i == digitsStart)
        return false;
    v = negative ? -v : v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return false;
    value = int(v);
    pos = i;
    return true;
}

std::string describe(const std::string& item, const std::string& whole)
{
    std::string s = "Invalid range \"" + item + "\"";
    if (item != whole)
        s += " in \"" + whole + "\"";
    return s;
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

        int first = 0;
        int last = 0;
        int step = 1;
        std::size_t pos = 0;
        bool ok = readInt(item, pos, first);
        last = first;
        if (ok && pos < item.size() && item[pos] == '-') {
            ++pos;
            ok = readInt(item, pos, last);
            if (ok && pos < item.size() && item[pos] == 'x') {
                ++pos;
                ok = readInt(item, pos, step);
            }
        }
        if (!ok || pos != item.size())
            throw std::invalid_argument(describe(item, text));
        if (last < first)
            throw std::invalid_argument(describe(item, text) + ": the last frame comes before the first");
        if (step < 1)
            throw std::invalid_argument(describe(item, text) + ": the step must be 1 or more");

        const std::uint64_t count = (std::uint64_t(std::int64_t(last) - first) / std::uint64_t(step)) + 1;
        if (count + range.m_frames.size() > kMaxFrames)
            throw std::invalid_argument(describe(item, text) + ": more than " + std::to_string(kMaxFrames) + " frames");
        for (std::int64_t f = first; f <= last; f += step)
            range.m_frames.push_back(int(f));
    }
    return range;
}

} // namespace Vx::Render
