// Reading, checking, writing and describing input values.
#include <Vx/Render/InputValues.h>

#include <Vx/Render/FrameRange.h>
#include <Vx/Render/InQuotes.h>

#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

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

/// The tool model writes "no bound" as the largest float; bounds this large are not shown to
/// users as limits, unless a value runs past them.
constexpr double kUnbounded = 1e38;

/// A value as the user wrote it: a text as typed (without surrounding blanks), anything else as
/// JSON.
std::string typedText(const json& value)
{
    return value.is_string() ? trim(value.get<std::string>()) : value.dump();
}

double parseDouble(const std::string& raw, const std::string& name)
{
    const std::string text = trim(raw);
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || std::isnan(value))
        throw std::invalid_argument(inQuotes(name) + " takes a number, not " + inQuotes(raw));
    if (std::isinf(value) || (errno == ERANGE && std::abs(value) > 1.0))
        throw std::invalid_argument(inQuotes(name) + " takes a number, not " + inQuotes(text) +
                                    ", which is too large (numbers run to about 1.8e308)");
    return value;
}

/// A whole number written as text. Numbers beyond 64 bits saturate: they are out of every range
/// anyway, and the message quotes them as typed.
std::int64_t parseWhole(const std::string& raw, const std::string& name)
{
    const std::string text = trim(raw);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0')
        throw std::invalid_argument(inQuotes(name) + " takes a whole number, not " + inQuotes(raw));
    return value;
}

/// A JSON whole number, saturated to 64 bits (see parseWhole).
std::int64_t jsonWhole(const json& value)
{
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::uint64_t(INT64_MAX))
        return INT64_MAX;
    return value.get<std::int64_t>();
}

bool parseBool(const std::string& raw, const std::string& name)
{
    const std::string text = lower(trim(raw));
    if (text == "on" || text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "off" || text == "false" || text == "no" || text == "0")
        return false;
    throw std::invalid_argument(inQuotes(name) + " takes on/off, true/false, yes/no or 1/0, not " + inQuotes(raw));
}

/// The bounds users can run into, in words ("range [0, 1]", "at least 0"); empty when the
/// policy sets none.
template <class T> std::string describeRange(const PiInputPolicy& policy)
{
    const auto* range = dynamic_cast<const PiRangeInputPolicy<T>*>(&policy);
    if (!range)
        return {};
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
/// where the policy would clamp it. `typed`: the value as the user wrote it. An Integer input
/// without a range still holds only an int.
template <class T>
void checkRange(const PiInputPolicy& policy, double value, const std::string& name, const std::string& typed)
{
    double min = std::is_integral_v<T> ? double(INT_MIN) : -HUGE_VAL;
    double max = std::is_integral_v<T> ? double(INT_MAX) : HUGE_VAL;
    if (const auto* range = dynamic_cast<const PiRangeInputPolicy<T>*>(&policy)) {
        if (range->hasSoftBounds())
            return;
        min = double(range->getMin());
        max = double(range->getMax());
    }
    if (min <= value && value <= max)
        return;
    // A bound that is only "no bound" is named when the value runs past it.
    const bool low = min > -kUnbounded || value < min;
    const bool high = max < kUnbounded || value > max;
    const auto bound = [](double b) {
        return std::is_integral_v<T> ? std::to_string(std::int64_t(b)) : formatNumber(b);
    };
    std::string allowed;
    if (low && high)
        allowed = "in [" + bound(min) + ", " + bound(max) + "]";
    else if (low)
        allowed = "of at least " + bound(min);
    else
        allowed = "of at most " + bound(max);
    throw std::invalid_argument(inQuotes(name) + " takes values " + allowed + ", not " + typed);
}

/// The code of an enumeration value, or an error naming the value as typed and every choice.
int checkChoice(const PiEnumPolicy* choices, std::int64_t code, const std::string& name, const std::string& typed)
{
    if (code < INT_MIN || code > INT_MAX || (choices && !choices->isValid(int(code))))
        throw std::invalid_argument(typed + " is not one of the choices of " + inQuotes(name) + ": " +
                                    (choices ? joinLabels(*choices) : std::string("(none)")));
    return int(code);
}

/// One value (not keyframes) of a scalar input, from JSON or text, checked.
PiVariant readScalar(const PiInput& input, const json& value)
{
    const std::string& name = input.getName();
    const PiInputPolicy& policy = *input.getPolicy();
    const std::string typed = typedText(value);
    switch (int(input.getSocketType())) {
    case PiSocketType::String:
        if (!value.is_string())
            throw std::invalid_argument(inQuotes(name) + " takes a text, not " + value.dump());
        return value.get<std::string>();
    case PiSocketType::Double: {
        double number = 0.0;
        if (value.is_number())
            number = value.get<double>();
        else if (value.is_string())
            number = parseDouble(value.get<std::string>(), name);
        else
            throw std::invalid_argument(inQuotes(name) + " takes a number, not " + value.dump());
        checkRange<double>(policy, number, name, typed);
        return number;
    }
    case PiSocketType::Integer: {
        std::int64_t number = 0;
        if (value.is_number_integer())
            number = jsonWhole(value);
        else if (value.is_string())
            number = parseWhole(value.get<std::string>(), name);
        else
            throw std::invalid_argument(inQuotes(name) + " takes a whole number, not " + value.dump());
        if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy))
            return checkChoice(choices, number, name, typed);
        checkRange<int>(policy, double(number), name, typed);
        return int(number);
    }
    case PiSocketType::Switch:
        if (value.is_boolean())
            return value.get<bool>();
        if (value.is_number_integer() && (value == json(0) || value == json(1)))
            return value == json(1);
        if (value.is_string())
            return parseBool(value.get<std::string>(), name);
        throw std::invalid_argument(inQuotes(name) + " takes on/off, true/false, yes/no or 1/0, not " + value.dump());
    case PiSocketType::Enumeration: {
        const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy);
        if (value.is_number_integer())
            return checkChoice(choices, jsonWhole(value), name, typed);
        if (!value.is_string())
            throw std::invalid_argument(inQuotes(name) + " takes one of its choices, not " + value.dump());
        const std::string text = trim(value.get<std::string>());
        if (choices)
            for (const auto& [code, label] : choices->getPairs())
                if (lower(label) == lower(text))
                    return code;
        char* end = nullptr;
        const long long number = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0')
            throw std::invalid_argument(inQuotes(text) + " is not one of the choices of " + inQuotes(name) + ": " +
                                        (choices ? joinLabels(*choices) : std::string("(none)")));
        return checkChoice(choices, number, name, text);
    }
    default:
        throw std::invalid_argument(inQuotes(name) + " holds no value that can be set");
    }
}

/// Whether keyframes on `input` of `node` reach the picture: its policy lets it animate and the
/// processing side reads it through an animated-value node. The Slate tool's "Text" is the
/// exception: it reaches the processing side once, substituted, through the stored value
/// "Substituted Text", so keyframes on it would never show.
bool inputAnimates(const PiNode& node, const PiInput& input)
{
    if (!input.getPolicy()->canAnimate())
        return false;
    return !(input.getName() == "Text" && node.getStoredValue("Substituted Text", false));
}

/// The generator's inputs that hold times: seconds of the composition's time.
bool isTimeInput(const std::string& name)
{
    return name == PiImageGenerator::getInTimeInputName() || name == PiImageGenerator::getOutTimeInputName() ||
           name == PiImageGenerator::getTimeOffsetInputName();
}

/// The time of a keyframe written at `frame`.
double keySeconds(double frame, const Rational& rate)
{
    return frame * double(rate.den) / double(rate.num);
}

/// The frame a keyframe at `seconds` is written at: of the frames next to seconds x rate, the one
/// that reads back to exactly `seconds` where there is one, so that a composition saved, loaded
/// and saved again is written the same (0.5 at 59.94 would otherwise drift in its last digit).
double keyFrameOf(double seconds, const Rational& rate)
{
    const double nearest = seconds * double(rate.num) / double(rate.den);
    double up = nearest;
    double down = nearest;
    for (int step = 0; step < 4; ++step) {
        if (keySeconds(up, rate) == seconds)
            return up;
        if (keySeconds(down, rate) == seconds)
            return down;
        up = std::nextafter(up, HUGE_VAL);
        down = std::nextafter(down, -HUGE_VAL);
    }
    return nearest;
}

/// Constant or keyframed content of a scalar input.
PiValueContent readContent(const PiInput& input, bool animates, const json& value, const Rational& rate)
{
    if (!value.is_object())
        return PiValueContent(readScalar(input, value));
    if (!animates)
        throw std::invalid_argument(inQuotes(input.getName()) +
                                    " does not animate: it takes one value for the whole range, not keyframes");
    if (value.size() != 1 || !value.contains("keys") || !value["keys"].is_array() || value["keys"].empty())
        throw std::invalid_argument(inQuotes(input.getName()) +
                                    ": keyframes are written {\"keys\": [[frame, value], ...]}, not " + value.dump());
    std::vector<PiKey> keys;
    for (const json& key : value["keys"]) {
        if (!key.is_array() || key.size() != 2 || !key[0].is_number())
            throw std::invalid_argument(inQuotes(input.getName()) + ": a keyframe is written [frame, value], not " +
                                        key.dump());
        // Keyframes live where frames do: a frame beyond the frame numbers has no time the composition
        // can reach, and converting it to the host's integer times would overflow.
        const double frame = key[0].get<double>();
        if (!(std::fabs(frame) <= double(FrameRange::kMaxFrameNumber)))
            throw std::invalid_argument(inQuotes(input.getName()) + ": the keyframe frame " + key[0].dump() +
                                        " is outside the frame numbers -" +
                                        std::to_string(FrameRange::kMaxFrameNumber) + " to " +
                                        std::to_string(FrameRange::kMaxFrameNumber));
        keys.push_back({keySeconds(frame, rate), readScalar(input, key[1])});
    }
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a].time < keys[b].time; });
    std::vector<PiKey> sorted;
    for (const std::size_t i : order) {
        // Two values at one frame leave the value at that frame to chance.
        if (!sorted.empty() && sorted.back().time == keys[i].time)
            throw std::invalid_argument(inQuotes(input.getName()) + " has two keyframes at frame " +
                                        value["keys"][i][0].dump());
        sorted.push_back(keys[i]);
    }
    keys = std::move(sorted);
    return PiValueContent::fromKeys(std::move(keys));
}

void writeContent(PiInput& input, const PiValueContent& content)
{
    try {
        input.setContent(content);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(inQuotes(input.getName()) + ": " + e.what());
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
        throw std::invalid_argument(inQuotes(input.getName()) + " takes a colour as three numbers \"r,g,b\", not " +
                                    (value.is_string() ? inQuotes(value.get<std::string>()) : value.dump()));
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
    return formatted.is_string() ? inQuotes(formatted.get<std::string>()) : formatted.dump();
}

} // namespace

void assignInput(PiNode& node, const std::string& name, const json& value, const Rational& rate)
{
    const RCShdPtr<PiInput> input = node.getInput(name, false);
    if (!input)
        throw std::invalid_argument(inQuotes(name) + " is not an input of the node " + inQuotes(node.getName()) +
                                    " (kestrin-render --describe lists the inputs)");
    switch (int(input->getSocketType())) {
    case PiSocketType::Image:
        throw std::invalid_argument(inQuotes(name) + " is an image input: it is connected, not set");
    case PiSocketType::Structured: {
        std::string members;
        for (const RCShdPtr<PiInput>& member : input->getMembers())
            members += (members.empty() ? "" : ", ") + member->getName();
        throw std::invalid_argument(inQuotes(name) + " is set member by member: " + members);
    }
    case PiSocketType::Color: {
        if (value.is_object()) {
            // Keyframed colours are written per member, so that each channel keeps its own keys.
            throw std::invalid_argument(inQuotes(name) + ": keyframes of a colour are set on its members (" +
                                        inQuotes(name + "." + PiColorProcNode::kRed) + " ...)");
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
        writeContent(*input, readContent(*input, inputAnimates(node, *input), value, rate));
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
        const double whole = std::round(key.time * double(rate.num) / double(rate.den));
        const double frame = keyFrameOf(key.time, rate);
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
            if (input->getMembers().front()->getPolicy()->canAnimate())
                details.push_back("animatable member by member");
            break;
        }
        default: {
            if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy))
                details.push_back("choices " + joinLabels(*choices));
            const std::string range = input->getSocketType() == PiSocketType::Integer ? describeRange<int>(policy)
                                                                                      : describeRange<double>(policy);
            if (!range.empty() && !dynamic_cast<const PiEnumPolicy*>(&policy))
                details.push_back(range);
            if (isTimeInput(input->getName()))
                details.push_back("seconds");
            details.push_back("default " + describeDefault(*input));
            if (inputAnimates(node, *input))
                details.push_back("animatable");
        }
        }
        out << "  " << std::left << std::setw(24) << input->getName() << " " << std::setw(13) << typeName(*input);
        for (std::size_t i = 0; i < details.size(); ++i)
            out << (i == 0 ? "" : "; ") << details[i];
        out << "\n";
    }
}

json describeInputJson(const PiNode& node, const PiInput& input, const Rational& rate)
{
    json out{{"name", input.getName()}, {"type", typeName(input)}};
    const PiInput& scalar = input.getSocketType() == PiSocketType::Color ? *input.getMembers().front() : input;
    const PiInputPolicy& policy = *scalar.getPolicy();
    if (const auto* choices = dynamic_cast<const PiEnumPolicy*>(&policy)) {
        json labels = json::array();
        for (const auto& [code, label] : choices->getPairs())
            labels.push_back(label);
        out["choices"] = labels;
    } else if (const auto* range = dynamic_cast<const PiRangeInputPolicy<double>*>(&policy)) {
        if (range->getMin() > -kUnbounded)
            out["min"] = range->getMin();
        if (range->getMax() < kUnbounded)
            out["max"] = range->getMax();
        out["soft"] = range->hasSoftBounds();
    } else if (const auto* whole = dynamic_cast<const PiRangeInputPolicy<int>*>(&policy)) {
        out["min"] = whole->getMin();
        out["max"] = whole->getMax();
        out["soft"] = whole->hasSoftBounds();
    }
    if (input.getSocketType() == PiSocketType::Color) {
        json defaults = json::array();
        for (const RCShdPtr<PiInput>& member : input.getMembers())
            defaults.push_back(formatVariant(*member, member->getPolicy()->getDefaultValue()));
        out["default"] = defaults;
    } else if (input.holdsValue()) {
        out["default"] = formatVariant(input, policy.getDefaultValue());
    }
    out["value"] =
        input.holdsValue() || input.getSocketType() == PiSocketType::Color ? formatInputContent(input, rate) : json();
    out["animates"] = inputAnimates(node, scalar);
    return out;
}

} // namespace Vx::Render
