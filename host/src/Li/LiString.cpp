// Number formatting and pattern substitution for texts the host shows. Tools may substitute
// per-frame values on every render request, so substitution is a single pass over the text with
// no copying beyond the result.
#include <Vx/Li/LiString.h>

#include <array>
#include <charconv>
#include <stdexcept>
#include <system_error>

namespace Vx {

std::string LiStringUtil::convertNb(int value)
{
    return convertNb(static_cast<std::int64_t>(value));
}

std::string LiStringUtil::convertNb(std::int64_t value)
{
    // 19 digits and a sign hold every 64-bit value, the smallest included.
    std::array<char, 24> digits{};
    const std::to_chars_result result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec != std::errc())
        throw std::logic_error("The number could not be written in decimal digits.");
    return std::string(digits.data(), result.ptr);
}

void LiStringSubstituter::addPattern(const std::string& pattern, const RCShdPtr<Handler>& handler)
{
    if (pattern.empty())
        throw std::invalid_argument("A substitution pattern must not be empty: an empty pattern would match at every "
                                    "position of the text.");
    if (!handler)
        throw std::invalid_argument("The substitution pattern \"" + pattern + "\" was given no handler.");
    m_patterns.emplace_back(pattern, handler);
}

std::string LiStringSubstituter::substitute(const std::string& text) const
{
    if (m_patterns.empty())
        return text;

    // Most characters start no pattern; knowing the first characters lets the scan skip them
    // without comparing every pattern at every position, and the text between matches is copied
    // in one piece.
    std::array<bool, 256> startsPattern{};
    for (const auto& entry : m_patterns)
        startsPattern[static_cast<unsigned char>(entry.first.front())] = true;

    std::string result;
    result.reserve(text.size());
    std::size_t copiedUpTo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!startsPattern[static_cast<unsigned char>(text[pos])]) {
            ++pos;
            continue;
        }
        const std::pair<std::string, RCShdPtr<Handler>>* match = nullptr;
        for (const auto& entry : m_patterns) {
            if (text.compare(pos, entry.first.size(), entry.first) == 0) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            ++pos;
            continue;
        }
        result.append(text, copiedUpTo, pos - copiedUpTo);
        result += match->second->call();
        pos += match->first.size();
        copiedUpTo = pos;
    }
    result.append(text, copiedUpTo, std::string::npos);
    return result;
}

} // namespace Vx
