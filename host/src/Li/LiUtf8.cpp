// Decoding and encoding of UTF-8 texts, bytes that are not UTF-8 read as Latin-1.
#include <Vx/Li/LiUtf8.h>

#include <cstdio>

namespace Vx {

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

char32_t LiUtf8::decodeMultiByte(const std::string& text, std::size_t& pos)
{
    const std::size_t size = text.size();
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(pos);

    // The length of the sequence and the range its second byte must lie in: narrower than the
    // continuation bytes for E0 (overlong), ED (surrogates), F0 (overlong) and F4 (above U+10FFFF).
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }
    if (length == 0 || size - pos < length || at(pos + 1) < low || at(pos + 1) > high) {
        ++pos;
        return lead; // Latin-1
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(at(pos + i))) {
            ++pos;
            return lead;
        }
        value = (value << 6) | (at(pos + i) & 0x3F);
    }
    pos += length;
    return value;
}

void LiUtf8::append(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string LiUtf8::toUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t c = decodeNext(text, pos);
        // A well-formed sequence is copied; a single byte read as Latin-1 is encoded.
        if (pos - start > 1 || c < 0x80)
            out.append(text, start, pos - start);
        else
            append(out, c);
    }
    return out;
}

bool LiUtf8::isUtf8(const std::string& text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        if (decodeNext(text, pos) >= 0x80 && pos - start == 1)
            return false;
    }
    return true;
}

std::string LiUtf8::describe(char32_t c)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", unsigned(c));
    return buffer;
}

} // namespace Vx
