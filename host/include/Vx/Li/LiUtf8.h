// UTF-8 as the host reads a text: the characters of a byte string.
//
// A text is a byte string. Every well-formed UTF-8 sequence of one to four bytes is one character;
// every other byte (a stray continuation byte, the lead byte of an overlong form, of a surrogate,
// of a value above U+10FFFF or of a sequence cut short) is read on its own as the Latin-1
// character of its value, U+0080 to U+00FF. So every byte string is a text: nothing is dropped,
// nothing throws, and a text written in Latin-1 reads as it always did.
//
// Pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Vx {

struct LiUtf8
{
    /// The character that starts at byte `pos` of `text` (pos < text.size()); moves `pos` past it
    /// (one byte for a byte that is not part of a well-formed sequence).
    static char32_t decodeNext(const std::string& text, std::size_t& pos)
    {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            ++pos;
            return byte;
        }
        return decodeMultiByte(text, pos);
    }

    /// `text` as well-formed UTF-8: its well-formed sequences as they are, every other byte as the
    /// UTF-8 of its Latin-1 character. Reads to the same characters as `text`; a text already
    /// UTF-8 comes back unchanged.
    static std::string toUtf8(const std::string& text);

    /// Whether every byte of `text` is part of a well-formed sequence.
    static bool isUtf8(const std::string& text);

    /// Appends the UTF-8 encoding of `c`, a code point up to U+10FFFF.
    static void append(std::string& out, char32_t c);

    /// "U+00E9", "U+1D400": the code point in hexadecimal, at least four digits.
    static std::string describe(char32_t c);

private:
    static char32_t decodeMultiByte(const std::string& text, std::size_t& pos);
};

} // namespace Vx
