// Socket and value types, variants and content over time.
#include <Vx/Pi/PiTypes.h>

#include <Vx/RC/Assertions.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace Vx {

const char* PiSocketType::getName() const
{
    switch (m_code) {
    case Switch:
        return "Switch";
    case Double:
        return "Double";
    case Enumeration:
        return "Enumeration";
    case String:
        return "String";
    case Color:
        return "Color";
    case Image:
        return "Image";
    case Integer:
        return "Integer";
    case Structured:
        return "Structured";
    default:
        return "Unknown";
    }
}

const char* piVariantTypeName(const PiVariant& value)
{
    static const char* const names[] = {"bool", "int", "double", "std::string", "Vx::PxImageFormat"};
    return names[value.index()];
}

std::string piVariantToString(const PiVariant& value)
{
    std::ostringstream text;
    std::visit(
        [&text](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                text << '"' << v << '"';
            else if constexpr (std::is_same_v<T, PxImageFormat>)
                text << v.width << "x" << v.height;
            else
                text << v;
        },
        value);
    return text.str();
}

PiValueType piValueTypeOfSocket(PiSocketType socket)
{
    switch (socket.getCode()) {
    case PiSocketType::Switch:
        return PiValueType::Bool;
    case PiSocketType::Double:
        return PiValueType::Double;
    case PiSocketType::Enumeration:
    case PiSocketType::Integer:
        return PiValueType::Int;
    case PiSocketType::String:
        return PiValueType::String;
    default:
        throw std::invalid_argument(std::string("A socket of type ") + socket.getName() + " (" +
                                    std::to_string(socket.getCode()) + ") holds no value of its own.");
    }
}

PiVariant piZeroValue(PiValueType type)
{
    switch (type.getCode()) {
    case PiValueType::Bool:
        return false;
    case PiValueType::Double:
        return 0.0;
    case PiValueType::Int:
        return 0;
    case PiValueType::String:
        return std::string();
    case PiValueType::ImageFormat:
        return PxImageFormat();
    default:
        throw std::invalid_argument("The value type " + std::to_string(type.getCode()) +
                                    " cannot be stored: colours are structured inputs.");
    }
}

PiValueContent PiValueContent::fromKeys(std::vector<PiKey> keys)
{
    if (keys.empty())
        throw std::invalid_argument("Keyframed content needs at least one key.");
    for (const PiKey& key : keys)
        if (key.value.index() != keys.front().value.index())
            throw std::invalid_argument(std::string("The keys of one content must hold one type, not both ") +
                                        piVariantTypeName(keys.front().value) + " and " + piVariantTypeName(key.value) +
                                        ".");
    std::stable_sort(keys.begin(), keys.end(), [](const PiKey& a, const PiKey& b) { return a.time < b.time; });
    PiValueContent content(keys.front().value);
    content.m_keys = std::move(keys);
    return content;
}

PiVariant PiValueContent::evaluate(double time) const
{
    if (m_keys.empty())
        return m_constant;
    if (time <= m_keys.front().time)
        return m_keys.front().value;
    if (time >= m_keys.back().time)
        return m_keys.back().value;
    const auto next =
        std::upper_bound(m_keys.begin(), m_keys.end(), time, [](double t, const PiKey& k) { return t < k.time; });
    const PiKey& a = *(next - 1);
    const PiKey& b = *next;
    if (const double* va = std::get_if<double>(&a.value)) {
        const double vb = std::get<double>(b.value);
        return *va + (vb - *va) * (time - a.time) / (b.time - a.time);
    }
    return a.value;
}

bool operator==(const PiValueContent& a, const PiValueContent& b)
{
    if (a.m_keys.size() != b.m_keys.size())
        return false;
    if (a.m_keys.empty())
        return a.m_constant == b.m_constant;
    for (std::size_t i = 0; i < a.m_keys.size(); ++i)
        if (a.m_keys[i].time != b.m_keys[i].time || a.m_keys[i].value != b.m_keys[i].value)
            return false;
    return true;
}

template <class T> T piVariantGet(const PiVariant& value)
{
    if (const T* v = std::get_if<T>(&value))
        return *v;
    RCExUtil::throwExCastFailed(piVariantTypeName(value), RCExUtil::typeName(typeid(T)));
}

template bool piVariantGet<bool>(const PiVariant&);
template int piVariantGet<int>(const PiVariant&);
template double piVariantGet<double>(const PiVariant&);
template std::string piVariantGet<std::string>(const PiVariant&);
template PxImageFormat piVariantGet<PxImageFormat>(const PiVariant&);

} // namespace Vx
