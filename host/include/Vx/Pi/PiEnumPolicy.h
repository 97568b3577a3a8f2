// An enumeration: an integer input whose values are a list of codes with labels.
//
// Built with PiEnumPolicy::Builder: addPair for each code and label in display order, optionally
// setAnimatable (default true: keyframes step from one code to the next) and setDefaultValue
// (default: the first code), then create. Writing a code that is not in the list is rejected with
// std::invalid_argument.
#pragma once

#include <Vx/Pi/PiInputPolicy.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

class PiEnumPolicy : public PiTypedInputPolicy<int>
{
public:
    class Builder
    {
    public:
        Builder& addPair(int code, const char* label);
        Builder& addPair(int code, const std::string& label);
        Builder& setAnimatable(bool animatable);
        Builder& setDefaultValue(int code);
        /// The policy. Throws std::invalid_argument when no pair was added, a code appears twice,
        /// or the default is not one of the codes.
        RCShdPtr<const PiEnumPolicy> create() const;

    private:
        std::vector<std::pair<int, std::string>> m_pairs;
        bool m_animatable = true;
        std::optional<int> m_default;
    };

    bool isValid(const int& code) const override { return findLabel(code) != nullptr; }
    int filterValue(const int& code) const override;
    int getDefault() const override { return m_default; }
    int getMin() const override;
    int getMax() const override;
    std::vector<int> getDomain() const override;
    std::string getDomainLabel(const int& code) const override;
    std::vector<std::string> getDomainLabels() const override;
    bool isPassAll() const override { return false; }

    /// The code of `label`; throws std::invalid_argument naming the label when there is none.
    int getCode(const std::string& label) const;
    const std::vector<std::pair<int, std::string>>& getPairs() const { return m_pairs; }

private:
    PiEnumPolicy(std::vector<std::pair<int, std::string>> pairs, bool animatable, int defaultValue)
        : PiTypedInputPolicy<int>(animatable, PiSocketType::Enumeration), m_pairs(std::move(pairs)),
          m_default(defaultValue)
    {
    }
    const std::string* findLabel(int code) const;

    std::vector<std::pair<int, std::string>> m_pairs;
    int m_default;
};

} // namespace Vx
