// File patterns of image sequences.
#include <Vx/Render/FramePattern.h>

#include <Vx/Render/MovieFormat.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace Vx::Render {

namespace {

// A frame number token found in a pattern: where it starts and ends, and its padding.
struct Token
{
    std::size_t begin;
    std::size_t end;
    int padding;
};

[[noreturn]] void fail(FramePatternRole role, const std::string& pattern, const std::string& problem)
{
    throw std::invalid_argument(std::string(describeRole(role)) + " \"" + pattern + "\" " + problem);
}

} // namespace

const char* describeRole(FramePatternRole role)
{
    return role == FramePatternRole::Output ? "Output pattern" : "Input pattern";
}

FramePattern::FramePattern(const std::string& pattern, FramePatternRole role) : m_text(pattern), m_role(role)
{
    bool found = false;
    std::string* side = &m_prefix;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        Token token{i, i, 0};
        if (c == '#' || c == '@') {
            std::size_t j = i;
            while (j < pattern.size() && pattern[j] == c)
                ++j;
            const int count = int(j - i);
            // A lone hash is the usual four digits; a longer run spells out its digits.
            token = {i, j, c == '#' && count == 1 ? 4 : count};
        } else if (c == '%') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
                *side += '%';
                i += 2;
                continue;
            }
            std::size_t j = i + 1;
            int width = 0;
            bool zero = false;
            if (j < pattern.size() && pattern[j] == '0') {
                zero = true;
                ++j;
            }
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100)
                width = width * 10 + (pattern[j++] - '0');
            if (j >= pattern.size() || pattern[j] != 'd' || (!zero && width != 0) || width >= 100)
                fail(m_role, pattern,
                     "has an unsupported printf conversion at \"" + pattern.substr(i, j + 1 - i) +
                         "\" (use %d or %04d)");
            token = {i, j + 1, width == 0 ? 1 : width};
        } else {
            *side += c;
            ++i;
            continue;
        }
        if (found)
            fail(m_role, pattern, "has more than one frame number");
        found = true;
        m_padding = token.padding;
        side = &m_suffix;
        i = token.end;
    }
    if (!found)
        fail(m_role, pattern, "has no frame number (use #### or %04d)");
    if (m_padding > kMaxPadding)
        fail(m_role, pattern,
             "pads frame numbers to " + std::to_string(m_padding) + " digits: at most " + std::to_string(kMaxPadding) +
                 " are allowed (a frame number has up to 12 digits and a sign)");
}

FramePattern FramePattern::movie(const std::string& path)
{
    FramePattern pattern("%d", FramePatternRole::Input);
    pattern.m_text = path;
    pattern.m_prefix = path;
    pattern.m_movie = true;
    return pattern;
}

FramePattern FramePattern::input(const std::string& text)
{
    return isMovieInputPath(text) ? movie(text) : FramePattern(text, FramePatternRole::Input);
}

std::string FramePattern::path(std::int64_t frame) const
{
    if (m_movie)
        return m_text;
    // The longest number, -9223372036854775808, has 20 characters, and padding is at most
    // kMaxPadding: the buffer holds every result whole.
    static_assert(kMaxPadding < 32);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", m_padding, static_cast<long long>(frame));
    return m_prefix + digits + m_suffix;
}

} // namespace Vx::Render
