// Reading a byte string as characters: well-formed UTF-8 sequences decode, every other byte is its
// Latin-1 character; writing it back as UTF-8 keeps those characters.
#include <Vx/Li/LiUtf8.h>

#include <gtest/gtest.h>

#include <string>

using namespace Vx;

namespace {

std::u32string decodeAll(const std::string& text)
{
    std::u32string characters;
    for (std::size_t pos = 0; pos < text.size();)
        characters += LiUtf8::decodeNext(text, pos);
    return characters;
}

} // namespace

TEST(LiUtf8, DecodesWellFormedSequencesAndReadsEveryOtherByteAsLatin1)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        std::u32string characters;
        bool utf8;
    };
    const Case cases[] = {
        {"ASCII", "Az09 ~", U"Az09 ~", true},
        {"NUL and DEL", std::string("a\0\x7f", 3), std::u32string(U"a\0\x7f", 3), true},
        {"two bytes: smallest", "\xC2\x80", U"\x80", true},
        {"two bytes: e acute", "caf\xC3\xA9", U"caf\xE9", true},
        {"two bytes: largest", "\xDF\xBF", U"\x7FF", true},
        {"three bytes: smallest", "\xE0\xA0\x80", U"\x800", true},
        {"three bytes: Greek alpha, euro", "\xCE\xB1\xE2\x82\xAC", U"\x3B1\x20AC", true},
        {"three bytes: last before the surrogates", "\xED\x9F\xBF", U"\xD7FF", true},
        {"three bytes: first after the surrogates", "\xEE\x80\x80", U"\xE000", true},
        {"three bytes: largest", "\xEF\xBF\xBF", U"\xFFFF", true},
        {"four bytes: smallest", "\xF0\x90\x80\x80", U"\x10000", true},
        {"four bytes: bold capital A", "\xF0\x9D\x90\x80", U"\x1D400", true},
        {"four bytes: largest code point", "\xF4\x8F\xBF\xBF", U"\x10FFFF", true},
        {"Latin-1 byte", "caf\xE9", U"caf\xE9", false},
        {"stray continuation bytes",
         "\x80\xBF"
         "a",
         U"\x80\xBF"
         "a",
         false},
        {"overlong two bytes", "\xC0\xAF\xC1\xBF", U"\xC0\xAF\xC1\xBF", false},
        {"overlong three bytes", "\xE0\x80\xAF", U"\xE0\x80\xAF", false},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", U"\xF0\x8F\xBF\xBF", false},
        {"surrogate high", "\xED\xA0\x80", U"\xED\xA0\x80", false},
        {"surrogate low", "\xED\xBF\xBF", U"\xED\xBF\xBF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", U"\xF4\x90\x80\x80", false},
        {"lead bytes F5 to FF", "\xF5\xFF", U"\xF5\xFF", false},
        {"truncated two bytes at the end", "a\xC3", U"a\xC3", false},
        {"truncated three bytes at the end", "a\xE2\x82", U"a\xE2\x82", false},
        {"truncated four bytes at the end", "\xF0\x9D\x90", U"\xF0\x9D\x90", false},
        {"truncated sequence before ASCII",
         "\xE2\x82"
         "A",
         U"\xE2\x82"
         "A",
         false},
        {"lead byte before a lead byte", "\xC3\xC3\xA9", U"\xC3\xE9", false},
        {"mixed", "\xE9\xC3\xA9\xF0\x9F\x98\x80\x80", U"\xE9\xE9\x1F600\x80", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(decodeAll(c.bytes), c.characters);
        EXPECT_EQ(LiUtf8::isUtf8(c.bytes), c.utf8);
        // Written as UTF-8, the text reads to the same characters, and is left alone when it was UTF-8.
        const std::string written = LiUtf8::toUtf8(c.bytes);
        EXPECT_TRUE(LiUtf8::isUtf8(written));
        EXPECT_EQ(decodeAll(written), c.characters);
        if (c.utf8) {
            EXPECT_EQ(written, c.bytes);
        }
    }
}

TEST(LiUtf8, WritesLatin1BytesAsTheirTwoByteSequences)
{
    EXPECT_EQ(LiUtf8::toUtf8("caf\xE9 \xFF\x80"), "caf\xC3\xA9 \xC3\xBF\xC2\x80");
    EXPECT_EQ(LiUtf8::toUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(LiUtf8::describe(U'\xE9'), "U+00E9");
    EXPECT_EQ(LiUtf8::describe(U'\x1D400'), "U+1D400");
}
