// File attributes as texts.
#include <Vx/Render/FileMetadata.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

namespace Vx::Render {

namespace {

template <class T> void appendShortest(std::string& out, T value)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    out.append(digits, result.ptr);
}

template <class T> T elementAt(const OIIO::ParamValue& attribute, std::size_t index)
{
    T value;
    std::memcpy(&value, static_cast<const char*>(attribute.data()) + index * sizeof(T), sizeof(T));
    return value;
}

// Element `index` of a numeric attribute, in decimal or shortest float text.
void appendElement(std::string& out, const OIIO::ParamValue& attribute, std::size_t index)
{
    using B = OIIO::TypeDesc::BASETYPE;
    switch (OIIO::TypeDesc::BASETYPE(attribute.type().basetype)) {
    case B::UINT8:
        out += std::to_string(elementAt<std::uint8_t>(attribute, index));
        break;
    case B::INT8:
        out += std::to_string(elementAt<std::int8_t>(attribute, index));
        break;
    case B::UINT16:
        out += std::to_string(elementAt<std::uint16_t>(attribute, index));
        break;
    case B::INT16:
        out += std::to_string(elementAt<std::int16_t>(attribute, index));
        break;
    case B::UINT32:
        out += std::to_string(elementAt<std::uint32_t>(attribute, index));
        break;
    case B::INT32:
        out += std::to_string(elementAt<std::int32_t>(attribute, index));
        break;
    case B::UINT64:
        out += std::to_string(elementAt<std::uint64_t>(attribute, index));
        break;
    case B::INT64:
        out += std::to_string(elementAt<std::int64_t>(attribute, index));
        break;
    case B::HALF: {
        float value = 0.0f;
        OIIO::convert_pixel_values(OIIO::TypeDesc::HALF, static_cast<const char*>(attribute.data()) + index * 2,
                                   OIIO::TypeDesc::FLOAT, &value, 1);
        appendShortest(out, value);
        break;
    }
    case B::FLOAT:
        appendShortest(out, elementAt<float>(attribute, index));
        break;
    case B::DOUBLE:
        appendShortest(out, elementAt<double>(attribute, index));
        break;
    default:
        break;
    }
}

bool isWholeNumber(OIIO::TypeDesc type)
{
    using B = OIIO::TypeDesc::BASETYPE;
    switch (B(type.basetype)) {
    case B::UINT8:
    case B::INT8:
    case B::UINT16:
    case B::INT16:
    case B::UINT32:
    case B::INT32:
    case B::UINT64:
    case B::INT64:
        return true;
    default:
        return false;
    }
}

std::string twoDigits(unsigned value)
{
    return std::string(1, char('0' + value / 10 % 10)) + char('0' + value % 10);
}

} // namespace

std::string formatTimeCodeWord(std::uint32_t t)
{
    const unsigned frames = (t & 0x0f) + ((t >> 4) & 0x03) * 10;
    const bool dropFrame = (t >> 6) & 1;
    const unsigned seconds = ((t >> 8) & 0x0f) + ((t >> 12) & 0x07) * 10;
    const unsigned minutes = ((t >> 16) & 0x0f) + ((t >> 20) & 0x07) * 10;
    const unsigned hours = ((t >> 24) & 0x0f) + ((t >> 28) & 0x03) * 10;
    return twoDigits(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(seconds) + (dropFrame ? ";" : ":") +
           twoDigits(frames);
}

std::string formatAttribute(const OIIO::ParamValue& attribute)
{
    const OIIO::TypeDesc type = attribute.type();
    const std::size_t values = std::size_t(attribute.nvalues()) * std::max<std::size_t>(1, type.numelements());
    std::string out;
    if (type.basetype == OIIO::TypeDesc::STRING) {
        for (std::size_t i = 0; i < values; ++i) {
            if (i > 0)
                out += ' ';
            const char* text = elementAt<const char*>(attribute, i);
            out += text ? text : "";
        }
        return out;
    }
    if (type.vecsemantics == OIIO::TypeDesc::TIMECODE && type.basetype == OIIO::TypeDesc::UINT32 &&
        type.aggregate == OIIO::TypeDesc::SCALAR) {
        // Each timecode is a time word and a word of user bits; only the time is shown.
        for (std::size_t i = 0; i + 1 < values; i += 2) {
            if (i > 0)
                out += ' ';
            out += formatTimeCodeWord(elementAt<std::uint32_t>(attribute, i));
        }
        return out;
    }
    if (type.vecsemantics == OIIO::TypeDesc::RATIONAL && type.aggregate == OIIO::TypeDesc::VEC2 &&
        isWholeNumber(type)) {
        for (std::size_t i = 0; i < values; ++i) {
            if (i > 0)
                out += ' ';
            appendElement(out, attribute, i * 2);
            out += '/';
            appendElement(out, attribute, i * 2 + 1);
        }
        return out;
    }
    const std::size_t elements = values * std::size_t(type.aggregate);
    if (type.basetype == OIIO::TypeDesc::PTR || type.basetype == OIIO::TypeDesc::UNKNOWN ||
        type.basetype == OIIO::TypeDesc::NONE)
        return attribute.get_string();
    for (std::size_t i = 0; i < elements; ++i) {
        if (i > 0)
            out += ' ';
        appendElement(out, attribute, i);
    }
    return out;
}

PxMetadataPtr makeMetadata(const OIIO::ImageSpec& spec)
{
    std::vector<PxMetadata::Entry> entries;
    entries.reserve(spec.extra_attribs.size());
    for (const OIIO::ParamValue& attribute : spec.extra_attribs)
        entries.emplace_back(attribute.name().string(), formatAttribute(attribute));
    return std::make_shared<const PxMetadata>(std::move(entries));
}

std::optional<Rational> headerFrameRate(const OIIO::ImageSpec& spec)
{
    const OIIO::ParamValue* rate = spec.find_attribute("FramesPerSecond");
    if (!rate || rate->type() != OIIO::TypeRational)
        return std::nullopt;
    const Rational value(elementAt<std::int32_t>(*rate, 0), elementAt<std::int32_t>(*rate, 1));
    if (!value.isValid())
        return std::nullopt;
    return value;
}

} // namespace Vx::Render
