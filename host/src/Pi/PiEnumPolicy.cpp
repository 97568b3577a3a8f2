// Enumerations and their builder.
#include <Vx/Pi/PiEnumPolicy.h>

#include <algorithm>
#include <stdexcept>

namespace Vx {

PiEnumPolicy::Builder& PiEnumPolicy::Builder::addPair(int code, const char* label)
{
    return addPair(code, std::string(label ? label : ""));
}

PiEnumPolicy::Builder& PiEnumPolicy::Builder::addPair(int code, const std::string& label)
{
    m_pairs.emplace_back(code, label);
    return *this;
}

PiEnumPolicy::Builder& PiEnumPolicy::Builder::setAnimatable(bool animatable)
{
    m_animatable = animatable;
    return *this;
}

PiEnumPolicy::Builder& PiEnumPolicy::Builder::setDefaultValue(int code)
{
    m_default = code;
    return *this;
}

RCShdPtr<const PiEnumPolicy> PiEnumPolicy::Builder::create() const
{
    if (m_pairs.empty())
        throw std::invalid_argument("An enumeration needs at least one code and label.");
    for (std::size_t i = 0; i < m_pairs.size(); ++i)
        for (std::size_t j = i + 1; j < m_pairs.size(); ++j)
            if (m_pairs[i].first == m_pairs[j].first)
                throw std::invalid_argument("The enumeration code " + std::to_string(m_pairs[i].first) +
                                            " appears twice (\"" + m_pairs[i].second + "\" and \"" + m_pairs[j].second +
                                            "\").");
    const int defaultCode = m_default.value_or(m_pairs.front().first);
    const bool known =
        std::any_of(m_pairs.begin(), m_pairs.end(), [&](const auto& p) { return p.first == defaultCode; });
    if (!known)
        throw std::invalid_argument("The default code " + std::to_string(defaultCode) +
                                    " is not one of the enumeration's codes.");
    return RCShdPtr<const PiEnumPolicy>(new PiEnumPolicy(m_pairs, m_animatable, defaultCode));
}

const std::string* PiEnumPolicy::findLabel(int code) const
{
    for (const auto& pair : m_pairs)
        if (pair.first == code)
            return &pair.second;
    return nullptr;
}

int PiEnumPolicy::filterValue(const int& code) const
{
    if (!findLabel(code))
        throw std::invalid_argument("The code " + std::to_string(code) + " is not one of the enumeration's codes.");
    return code;
}

int PiEnumPolicy::getMin() const
{
    return std::min_element(m_pairs.begin(), m_pairs.end())->first;
}

int PiEnumPolicy::getMax() const
{
    return std::max_element(m_pairs.begin(), m_pairs.end())->first;
}

std::vector<int> PiEnumPolicy::getDomain() const
{
    std::vector<int> codes;
    for (const auto& pair : m_pairs)
        codes.push_back(pair.first);
    return codes;
}

std::string PiEnumPolicy::getDomainLabel(const int& code) const
{
    const std::string* label = findLabel(code);
    return label ? *label : std::string();
}

std::vector<std::string> PiEnumPolicy::getDomainLabels() const
{
    std::vector<std::string> labels;
    for (const auto& pair : m_pairs)
        labels.push_back(pair.second);
    return labels;
}

int PiEnumPolicy::getCode(const std::string& label) const
{
    for (const auto& pair : m_pairs)
        if (pair.second == label)
            return pair.first;
    throw std::invalid_argument("The enumeration has no label \"" + label + "\".");
}

} // namespace Vx
