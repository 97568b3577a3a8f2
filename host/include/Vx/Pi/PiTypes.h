// The vocabulary of the tool model: socket and value type codes, the values an input can hold,
// and the content of an input over time (a constant or keyframes).
//
// Times are in seconds, as in the processing graph. Keyframed double content interpolates
// linearly between keys; bool, int, string and image-format content holds the earlier key's value
// until the next key. Before the first key and after the last, the end key's value holds.
#pragma once

#include <Vx/Px/PxImage.h>

#include <string>
#include <variant>
#include <vector>

namespace Vx {

/// The kind of socket an input or output shows. The codes are stable: descriptions pass them as
/// integers.
class PiSocketType
{
public:
    enum Code : int
    {
        Switch = 0,      ///< a boolean
        Double = 1,      ///< a floating-point number
        Enumeration = 2, ///< an integer code from a list of labelled codes
        String = 3,      ///< a text
        Color = 4,       ///< a colour: a structure of three doubles "Red", "Green", "Blue"
        Image = 5,       ///< an image, connected to another node's output
        Integer = 6,     ///< an integer
        Structured = 7,  ///< a structure whose members are inputs of their own ("Name.Member")
    };
    /// How many connections an input takes. 0 is the only one the tool model supports.
    enum Cardinality : int
    {
        Single = 0,
    };

    constexpr PiSocketType(int code = Double) : m_code(code) {}
    constexpr int getCode() const { return m_code; }
    constexpr operator int() const { return m_code; }
    /// The code's name ("Switch", "Double"...), or "Unknown".
    const char* getName() const;

private:
    int m_code;
};

/// The type of a stored value. The codes are stable: descriptions pass them as integers.
class PiValueType
{
public:
    enum Code : int
    {
        Bool = 0,
        Double = 1,
        Int = 2,
        Color = 3, ///< not storable: colours are structured inputs
        String = 4,
        ImageFormat = 5,
    };
    constexpr PiValueType(int code = String) : m_code(code) {}
    constexpr int getCode() const { return m_code; }
    constexpr operator int() const { return m_code; }

private:
    int m_code;
};

/// One value of an input or stored value.
using PiVariant = std::variant<bool, int, double, std::string, PxImageFormat>;

/// The readable name of the type a variant holds ("bool", "int"...).
const char* piVariantTypeName(const PiVariant& value);
/// A variant as text, for messages: 1, 0.5, "text", 1920x1080.
std::string piVariantToString(const PiVariant& value);

/// The value type that an input of socket `socket` holds; throws std::invalid_argument for sockets
/// without a value of their own (Image, Color, Structured).
PiValueType piValueTypeOfSocket(PiSocketType socket);
/// The zero value of a value type (false, 0, 0.0, "", the default format).
PiVariant piZeroValue(PiValueType type);

/// How values are interpolated between keys and extended beyond them.
enum class PiInterpolationType
{
    Constant, ///< the earlier key holds
    Linear,   ///< straight lines between keys (double values only)
};
enum class PiExtrapolationType
{
    Constant, ///< the end key's value holds
};

/// A key of keyframed content.
struct PiKey
{
    double time; ///< seconds
    PiVariant value;
};

/// What an input holds over time: a constant, or keyframes sorted by time.
class PiValueContent
{
public:
    PiValueContent() = default;
    explicit PiValueContent(PiVariant constant) : m_constant(std::move(constant)) {}
    /// Keyframed content; `keys` must not be empty and all keys must hold the same type.
    static PiValueContent fromKeys(std::vector<PiKey> keys);

    bool isAnimated() const { return !m_keys.empty(); }
    const PiVariant& getConstant() const { return m_constant; }
    const std::vector<PiKey>& getKeys() const { return m_keys; }
    /// The value at `time` (seconds).
    PiVariant evaluate(double time) const;

    friend bool operator==(const PiValueContent& a, const PiValueContent& b);
    friend bool operator!=(const PiValueContent& a, const PiValueContent& b) { return !(a == b); }

private:
    PiVariant m_constant;
    std::vector<PiKey> m_keys;
};

/// The value of type T that a variant holds. Throws RCExCastFailed naming both types when it
/// holds another type.
template <class T> T piVariantGet(const PiVariant& value);

} // namespace Vx
