// Attribute references in texts.
#include <Vx/Om/OmCompositionGraphUtils.h>

#include <algorithm>
#include <stdexcept>

namespace Vx {

const std::string& OmCompositionGraphUtils::getUdaPrefix()
{
    static const std::string prefix = "<attr:";
    return prefix;
}

void OmCompositionGraphUtils::substituteUdas(const OmGraph& graph, std::string& text)
{
    substituteUdas(graph, text, std::string::npos);
}

void OmCompositionGraphUtils::substituteUdas(const OmGraph& graph, std::string& text, std::size_t maxLength)
{
    const OmComposition* composition = graph.getOmComposition();
    if (!composition)
        return;
    const std::size_t bound = std::max(maxLength, text.size());
    // Every growth of the result is checked before it is paid for.
    std::string result;
    const auto append = [&](std::size_t from, std::size_t count) {
        if (count > bound - result.size())
            throw std::length_error(LiStringSubstituter::describeTooLong(bound));
        result.append(text, from, count);
    };
    const std::string& prefix = getUdaPrefix();
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = text.find(prefix, position);
        if (start == std::string::npos)
            break;
        const std::size_t nameStart = start + prefix.size();
        const std::size_t end = text.find('>', nameStart);
        if (end == std::string::npos)
            break; // unterminated: the rest stays as written
        append(position, start - position);
        const std::string name = text.substr(nameStart, end - nameStart);
        if (!name.empty() && composition->hasAttribute(name)) {
            const std::string& value = composition->getAttribute(name);
            if (value.size() > bound - result.size())
                throw std::length_error(LiStringSubstituter::describeTooLong(bound));
            result += value;
        } else {
            append(start, end + 1 - start);
        }
        position = end + 1;
    }
    append(position, text.size() - position);
    text.swap(result);
}

} // namespace Vx
