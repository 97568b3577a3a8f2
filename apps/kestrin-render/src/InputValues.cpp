// Reading, checking, writing and describing input values.
#include <Vx/Render/InputValues.h>

#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

template <class T> std::string formatNumber(T value)
{
    std::ostringstream out;
    out << std::setprecision(8) << value;
    return out.str();
}

std::string joinLabels(const PiEnumPolicy& policy)
{
    std::string text;
    for (const auto& [code, label] : policy.getPairs())
        text += (text.empty() ? "" : ", ") + label + " (" + std::to_string(code) + ")";
    return text;
}

double parseDouble(const std::string& raw, const std::string& name)
{
    const std::string text = trim(raw);
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        throw std::invalid_argument(quoted(name) + " takes a number, not " + quoted(raw));
    return value;
}

int parseInt(const std::string& raw, const std::string& name)
{
    const std::string text = trim(raw);
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        throw std::invalid_argument(quoted(name) + " takes a whole number, not " + quoted(raw));
    return int(value);
}

bool parseBool(const std::string& raw, const std::string& name)
{
    const std::string text = lower(trim(raw));
    if (text == "on" || text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "off" || text == "false" || text == "no" || text == "0")
        return false;
    throw std::invalid_argument(quoted(name) + " takes on/off, true/false, yes/no or 1/0, not " + quoted(raw));
}

/// A JSON whole number as an int; one beyond an int is an error, not a wrapped value.
int jsonInt(const json& value, const std::string& name)
{
    const bool fits = value.is_number_unsigned()
                          ? value.get<std::uint64_t>() <= std::uint64_t(INT_MAX)
                          : value.get<std::int64_t>() >= INT_MIN && value.get<std::int64_t>() <= INT_MAX;
    if (!fits)
        throw std::invalid_argument(quoted(name) + " takes a whole number, not " + value.dump());
    return value.get<int>();
}

/// The bounds users can run into: the tool model writes "no bound" as the largest float.
template <class T> std::string describeRange(const PiInputPolicy& policy)
{
    const auto* range = dynamic_cast<const PiRangeInputPolicy<T>*>(&policy);
    if (!range)
        return {};
    constexpr double kUnbounded = 1e38;
    const bool low = double(range->getMin()) > -kUnbounded;
    const bool high = double(range->getMax()) < kUnbounded;
    const std::string soft = range->hasSoftBounds() ? "suggested " : "";
    if (low && high)
        return soft + "range [" + formatNumber(range->getMin()) + ", " + formatNumber(range->getMax()) + "]";
    if (low)
        return soft + "at least " + formatNumber(range->getMin());
    if (high)
        return soft + "at most " + formatNumber(range->getMax());
    return {};
}

/// Throws unless `value` lies within the hard bounds of `policy` (soft bounds only guide), even
/// where the policy would clamp it.
template <class T> void checkRange(const PiInputPolicy& policy, T value, const std::string& name)
{
    const auto* range = dynamic_cast<const PiRangeInputPolicy<T>*>(&policy);
    if (!range || range->hasSoftBounds())
        return;
    if (value < range->getMin() || value > range->getMax()) {
        const std::string bounds = describeRange<T>(policy);
        const bool closed = bounds.compare(0, 6, "range ") == 0;
        throw std::invalid_argument(quoted(name) + " takes values " +
                                    (closed ? "in " + bounds.substr(6) : "of " + bounds) + ", not " +
                                    formatNumber(value));
    }
}

/// One value (not keyframes) of a scalar input, from JSON or text, checked.
PiVariant readScalar(const PiInput& input, const json& value)
{
    const std::string& name = input.getName();
    const PiInputPolicy& policy = *input.getPolicy();
    switch (int(input.getSocketType())) {
    case PiSocketType::String:
        if (!value.is_string())
            throw std::invalid_argument(quoted(name) + " takes a text, not " + value.dump());
        return value.get<std::string>();
    case PiSocketType::Double: {
        double number = 0.0;
        if (value.is_number())
            number = value.get<double>();
        else if (value.is_string())
            number = parseDouble(value.get<std::string>(), name);
        else
            throw std::invalid_argument(quoted(name) + " takes a number, not " + value.dump());
        checkRange<double>(policy, number, name);
        return number;
    }
    case PiSocketType::Integer: {
        int number = 0;
        if (value.is_number_integer())
            number = jsonInt(value, name);
        else if (value.is_string())
            number = parseInt(value.get<std::string>(), name);
        else
            throw std::invalid_argument(quoted(name) + " takes a whole number, not " + value.dump());
        checkRange<int>(policy, number, name);
        if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy); choices && !choices->isValid(number))
            throw std::invalid_argument(std::to_string(number) + " is not one of the choices of " + quoted(name) +
                                        ": " + joinLabels(*choices));
        return number;
    }
    case PiSocketType::Switch:
        if (value.is_boolean())
            return value.get<bool>();
        if (value.is_number_integer() && (value == 0 || value == 1))
            return value == 1;
        if (value.is_string())
            return parseBool(value.get<std::string>(), name);
        throw std::invalid_argument(quoted(name) + " takes on/off, true/false, yes/no or 1/0, not " + value.dump());
    case PiSocketType::Enumeration: {
        const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy);
        int code = 0;
        if (value.is_number_integer()) {
            code = jsonInt(value, name);
        } else if (value.is_string()) {
            const std::string text = trim(value.get<std::string>());
            bool found = false;
            if (choices)
                for (const auto& [c, label] : choices->getPairs())
                    if (lower(label) == lower(text)) {
                        code = c;
                        found = true;
                    }
            if (!found) {
                char* end = nullptr;
                errno = 0;
                const long number = std::strtol(text.c_str(), &end, 10);
                // A code beyond an int must not wrap around onto a valid one.
                if (text.empty() || *end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX)
                    throw std::invalid_argument(quoted(text) + " is not one of the choices of " + quoted(name) + ": " +
                                                (choices ? joinLabels(*choices) : std::string("(none)")));
                code = int(number);
            }
        } else {
            throw std::invalid_argument(quoted(name) + " takes one of its choices, not " + value.dump());
        }
        if (choices && !choices->isValid(code))
            throw std::invalid_argument(std::to_string(code) + " is not one of the choices of " + quoted(name) + ": " +
                                        joinLabels(*choices));
        return code;
    }
    default:
        throw std::invalid_argument(quoted(name) + " holds no value that can be set");
    }
}

/// Constant or keyframed content of a scalar input.
PiValueContent readContent(const PiInput& input, const json& value, const Rational& rate)
{
    if (!value.is_object())
        return PiValueContent(readScalar(input, value));
    if (value.size() != 1 || !value.contains("keys") || !value["keys"].is_array() || value["keys"].empty())
        throw std::invalid_argument(quoted(input.getName()) +
                                    ": keyframes are written {\"keys\": [[frame, value], ...]}, not " + value.dump());
    std::vector<PiKey> keys;
    for (const json& key : value["keys"]) {
        if (!key.is_array() || key.size() != 2 || !key[0].is_number())
            throw std::invalid_argument(quoted(input.getName()) + ": a keyframe is written [frame, value], not " +
                                        key.dump());
        const double seconds = key[0].get<double>() * double(rate.den) / double(rate.num);
        keys.push_back({seconds, readScalar(input, key[1])});
    }
    std::sort(keys.begin(), keys.end(), [](const PiKey& a, const PiKey& b) { return a.time < b.time; });
    return PiValueContent::fromKeys(std::move(keys));
}

void writeContent(PiInput& input, const PiValueContent& content)
{
    try {
        input.setContent(content);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(quoted(input.getName()) + ": " + e.what());
    }
}

/// The three member values of a colour, from "r,g,b" or [r, g, b].
std::vector<json> colourMembers(const PiInput& input, const json& value)
{
    std::vector<json> members;
    if (value.is_array()) {
        for (const json& member : value)
            members.push_back(member);
    } else if (value.is_string()) {
        std::stringstream text(value.get<std::string>());
        std::string part;
        while (std::getline(text, part, ','))
            members.emplace_back(part);
    }
    if (members.size() != 3)
        throw std::invalid_argument(quoted(input.getName()) + " takes a colour as three numbers \"r,g,b\", not " +
                                    (value.is_string() ? quoted(value.get<std::string>()) : value.dump()));
    return members;
}

json formatVariant(const PiInput& input, const PiVariant& value)
{
    if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(input.getPolicy().get());
        choices && input.getSocketType() == PiSocketType::Enumeration) {
        const std::string label = choices->getDomainLabel(piVariantGet<int>(value));
        if (!label.empty())
            return label;
    }
    return std::visit(
        [](const auto& v) -> json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, PxImageFormat>)
                return std::to_string(v.width) + "x" + std::to_string(v.height);
            else
                return v;
        },
        value);
}

std::string typeName(const PiInput& input)
{
    switch (int(input.getSocketType())) {
    case PiSocketType::Switch:
        return "on/off";
    case PiSocketType::Double:
        return "number";
    case PiSocketType::Enumeration:
        return "choice";
    case PiSocketType::String:
        return "text";
    case PiSocketType::Color:
        return "colour r,g,b";
    case PiSocketType::Image:
        return "image";
    case PiSocketType::Integer:
        return "whole number";
    default:
        return input.getSocketType().getName();
    }
}

std::string describeDefault(const PiInput& input)
{
    const PiVariant value = input.getPolicy()->getDefaultValue();
    if (const double* number = std::get_if<double>(&value))
        return std::abs(*number) >= 1e38 ? std::string(*number < 0 ? "-" : "") + "unbounded" : formatNumber(*number);
    const json formatted = formatVariant(input, value);
    return formatted.is_string() ? quoted(formatted.get<std::string>()) : formatted.dump();
}

} // namespace

void assignInput(PiNode& node, const std::string& name, const json& value, const Rational& rate)
{
    const RCShdPtr<PiInput> input = node.getInput(name, false);
    if (!input)
        throw std::invalid_argument(quoted(name) + " is not an input of the node " + quoted(node.getName()) +
                                    " (kestrin-render --describe lists the inputs)");
    switch (int(input->getSocketType())) {
    case PiSocketType::Image:
        throw std::invalid_argument(quoted(name) + " is an image input: it is connected, not set");
    case PiSocketType::Structured: {
        std::string members;
        for (const RCShdPtr<PiInput>& member : input->getMembers())
            members += (members.empty() ? "" : ", ") + member->getName();
        throw std::invalid_argument(quoted(name) + " is set member by member: " + members);
    }
    case PiSocketType::Color: {
        if (value.is_object()) {
            // Keyframed colours are written per member, so that each channel keeps its own keys.
            throw std::invalid_argument(quoted(name) + ": keyframes of a colour are set on its members (" +
                                        quoted(name + "." + PiColorProcNode::kRed) + " ...)");
        }
        const std::vector<json> members = colourMembers(*input, value);
        std::vector<PiVariant> values;
        for (std::size_t i = 0; i < 3; ++i)
            values.push_back(readScalar(*input->getMembers().at(i), members[i]));
        for (std::size_t i = 0; i < 3; ++i)
            writeContent(*input->getMembers()[i], PiValueContent(values[i]));
        return;
    }
    default:
        writeContent(*input, readContent(*input, value, rate));
    }
}

json formatInputContent(const PiInput& input, const Rational& rate)
{
    if (input.getSocketType() == PiSocketType::Color) {
        json rgb = json::array();
        for (const RCShdPtr<PiInput>& member : input.getMembers()) {
            if (member->isAnimated())
                return nullptr;
            rgb.push_back(formatVariant(*member, member->getContent().getConstant()));
        }
        return rgb;
    }
    const PiValueContent& content = input.getContent();
    if (!content.isAnimated())
        return formatVariant(input, content.getConstant());
    json keys = json::array();
    for (const PiKey& key : content.getKeys()) {
        const double frame = key.time * double(rate.num) / double(rate.den);
        const double whole = std::round(frame);
        // Keys on whole frames are written as integers, as users write them.
        const json frameValue = std::abs(frame - whole) < 1e-6 ? json(std::int64_t(whole)) : json(frame);
        keys.push_back(json::array({frameValue, formatVariant(input, key.value)}));
    }
    return json{{"keys", keys}};
}

bool holdsDefault(const PiInput& input)
{
    if (input.getSocketType() == PiSocketType::Color) {
        for (const RCShdPtr<PiInput>& member : input.getMembers())
            if (!holdsDefault(*member))
                return false;
        return true;
    }
    if (!input.holdsValue())
        return true;
    return input.getContent() == PiValueContent(input.getPolicy()->getDefaultValue());
}

void describeInputs(const PiNode& node, std::ostream& out)
{
    for (const RCShdPtr<PiInput>& input : node.getInputs()) {
        if (input->getSocketType() == PiSocketType::Structured)
            continue;
        if (const PiInput* parent = input->getParent(); parent && parent->getSocketType() == PiSocketType::Color)
            continue;
        const PiInputPolicy& policy = *input->getPolicy();
        std::vector<std::string> details;
        switch (int(input->getSocketType())) {
        case PiSocketType::Image:
            details.push_back(input->isPrimary() ? "the plate drawn over (-i PATTERN); a generator without it"
                                                 : "connected in a composition file");
            break;
        case PiSocketType::Color: {
            const std::string range = describeRange<double>(*input->getMembers().front()->getPolicy());
            if (!range.empty())
                details.push_back(range + " each");
            std::string defaults;
            for (const RCShdPtr<PiInput>& member : input->getMembers())
                defaults += (defaults.empty() ? "" : ",") +
                            formatNumber(piVariantGet<double>(member->getPolicy()->getDefaultValue()));
            details.push_back("default " + defaults);
            break;
        }
        default: {
            if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy))
                details.push_back("choices " + joinLabels(*choices));
            const std::string range = input->getSocketType() == PiSocketType::Integer ? describeRange<int>(policy)
                                                                                      : describeRange<double>(policy);
            if (!range.empty() && !dynamic_cast<const PiEnumPolicy*>(&policy))
                details.push_back(range);
            details.push_back("default " + describeDefault(*input));
            if (policy.canAnimate())
                details.push_back("animatable");
        }
        }
        out << "  " << std::left << std::setw(24) << input->getName() << " " << std::setw(13) << typeName(*input);
        for (std::size_t i = 0; i < details.size(); ++i)
            out << (i == 0 ? "" : "; ") << details[i];
        out << "\n";
    }
}

} // namespace Vx::Render
