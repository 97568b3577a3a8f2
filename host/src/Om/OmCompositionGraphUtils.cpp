// Attribute references in texts.
#include <Vx/Om/OmCompositionGraphUtils.h>

namespace Vx {

const std::string& OmCompositionGraphUtils::getUdaPrefix()
{
    static const std::string prefix = "<attr:";
    return prefix;
}

void OmCompositionGraphUtils::substituteUdas(const OmGraph& graph, std::string& text)
{
    const OmComposition* composition = graph.getOmComposition();
    if (!composition)
        return;
    const std::string& prefix = getUdaPrefix();
    std::string result;
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
        result.append(text, position, start - position);
        const std::string name = text.substr(nameStart, end - nameStart);
        if (!name.empty() && composition->hasAttribute(name))
            result += composition->getAttribute(name);
        else
            result.append(text, start, end + 1 - start);
        position = end + 1;
    }
    result.append(text, position, std::string::npos);
    text.swap(result);
}

} // namespace Vx
