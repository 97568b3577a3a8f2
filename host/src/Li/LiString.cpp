// Number formatting and pattern substitution for texts the host shows. Tools may substitute
// per-frame values on every render request, so substitution is a single pass over the text with
// no copying beyond the result.
#include <Vx/Li/LiString.h>

#include <algorithm>
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

std::string LiStringSubstituter::describeTooLong(std::size_t maxLength)
{
    return "The text with its substitutions made would be longer than " + std::to_string(maxLength) +
           " bytes, the most substitution may make of it.";
}

std::string LiStringSubstituter::substitute(const std::string& text, std::size_t maxLength) const
{
    if (m_patterns.empty())
        return text;
    const std::size_t bound = std::max(maxLength, text.size());

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
        const std::string replacement = match->second->call();
        // Checked before each growth is paid for: the result never holds more than the bound.
        if (pos - copiedUpTo > bound - result.size() || replacement.size() > bound - result.size() - (pos - copiedUpTo))
            throw std::length_error(describeTooLong(bound));
        result.append(text, copiedUpTo, pos - copiedUpTo);
        result += replacement;
        pos += match->first.size();
        copiedUpTo = pos;
    }
    if (text.size() - copiedUpTo > bound - result.size())
        throw std::length_error(describeTooLong(bound));
    result.append(text, copiedUpTo, std::string::npos);
    return result;
}

} // namespace Vx
