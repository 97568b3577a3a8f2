// LiStringSubstituter: registered patterns replaced in one left-to-right pass, first registered
// pattern winning, replacements left as they are, one handler call per occurrence.
#include <Vx/Li/LiString.h>

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vx {
namespace {

std::string copyOf(const std::string& datum)
{
    return datum;
}

// The handler the renderer registers: a function returning a copy of its datum.
RCShdPtr<LiStringSubstituter::Handler> constantHandler(const std::string& value)
{
    return makeShared<CbDataFunction<std::string, std::string>>(&copyOf, value);
}

// Counts its calls and returns a different text for each, so that a test sees how many times
// and in which order a pattern was replaced.
class NumberedSource
{
public:
    explicit NumberedSource(std::string name) : m_name(std::move(name)) {}
    std::string next()
    {
        ++m_calls;
        return m_name + std::to_string(m_calls);
    }
    int getCalls() const { return m_calls; }

private:
    std::string m_name;
    int m_calls = 0;
};

RCShdPtr<LiStringSubstituter::Handler> numberedHandler(NumberedSource& source)
{
    return makeShared<CbMethod<NumberedSource, std::string>>(&source, &NumberedSource::next);
}

TEST(LiStringSubstituter, StartsEmptyAndLeavesTextAsItIs)
{
    LiStringSubstituter substituter;
    EXPECT_TRUE(substituter.isEmpty());
    EXPECT_EQ(substituter.substitute("shot010 <FrameNo>"), "shot010 <FrameNo>");
    EXPECT_EQ(substituter.substitute(""), "");
}

TEST(LiStringSubstituter, IsNotEmptyOnceAPatternIsAdded)
{
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>", constantHandler("12"));
    EXPECT_FALSE(substituter.isEmpty());
}

struct SubstitutionCase
{
    const char* text;
    const char* expected;
};

TEST(LiStringSubstituter, ReplacesTheRendererTokens)
{
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>", constantHandler("12"));
    substituter.addPattern("<Timecode>", constantHandler("00:00:00:12"));

    const SubstitutionCase cases[] = {
        {"", ""},
        {"<FrameNo>", "12"},
        {"shot010 <FrameNo>", "shot010 12"},
        {"<FrameNo> of 100", "12 of 100"},
        {"<FrameNo>-<FrameNo>-<FrameNo>", "12-12-12"},
        {"<FrameNo><FrameNo>", "1212"},
        {"<Timecode><FrameNo>", "00:00:00:1212"},
        {"TC <Timecode> / F <FrameNo>", "TC 00:00:00:12 / F 12"},
        {"<CurrentTime>", "<CurrentTime>"},
        {"< FrameNo >", "< FrameNo >"},
        {"<FrameNo", "<FrameNo"},
        {"FrameNo>", "FrameNo>"},
        {"<frameno>", "<frameno>"},
        {"<<FrameNo>>", "<12>"},
        {"<<<", "<<<"},
        {"x<FrameNo", "x<FrameNo"},
        {"\xc3\xa9<FrameNo>\xc3\xa9", "\xc3\xa9"
                                      "12\xc3\xa9"},
    };
    for (const SubstitutionCase& c : cases)
        EXPECT_EQ(substituter.substitute(c.text), c.expected) << "text \"" << c.text << "\"";
}

TEST(LiStringSubstituter, CallsTheHandlerOncePerOccurrenceFromLeftToRight)
{
    NumberedSource frames("F");
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>", numberedHandler(frames));

    EXPECT_EQ(substituter.substitute("<FrameNo> <FrameNo><FrameNo> <CurrentTime>"), "F1 F2F3 <CurrentTime>");
    EXPECT_EQ(frames.getCalls(), 3);

    EXPECT_EQ(substituter.substitute("no tokens here"), "no tokens here");
    EXPECT_EQ(frames.getCalls(), 3);
}

TEST(LiStringSubstituter, FirstRegisteredPatternWinsWhenPatternsOverlap)
{
    NumberedSource frameNumbers("N");
    NumberedSource frames("P");
    LiStringSubstituter longFirst;
    longFirst.addPattern("<FrameNo>", numberedHandler(frameNumbers));
    longFirst.addPattern("<Frame", numberedHandler(frames));

    EXPECT_EQ(longFirst.substitute("<FrameNo>"), "N1");
    EXPECT_EQ(longFirst.substitute("<Frame>"), "P1>");
    EXPECT_EQ(longFirst.substitute("<FrameRate> <FrameNo>"), "P2Rate> N2");
    EXPECT_EQ(frameNumbers.getCalls(), 2);
    EXPECT_EQ(frames.getCalls(), 2);

    NumberedSource shortNumbers("S");
    NumberedSource longNumbers("L");
    LiStringSubstituter shortFirst;
    shortFirst.addPattern("<Frame", numberedHandler(shortNumbers));
    shortFirst.addPattern("<FrameNo>", numberedHandler(longNumbers));

    EXPECT_EQ(shortFirst.substitute("<FrameNo>"), "S1No>");
    EXPECT_EQ(longNumbers.getCalls(), 0);
}

TEST(LiStringSubstituter, ResumesAfterTheMatchedPattern)
{
    // "aa" matched at 0 consumes both characters; the scan goes on at 2, so "aaa" holds one
    // occurrence followed by a lone "a".
    LiStringSubstituter substituter;
    substituter.addPattern("aa", constantHandler("X"));
    EXPECT_EQ(substituter.substitute("aaa"), "Xa");
    EXPECT_EQ(substituter.substitute("aaaa"), "XX");
    EXPECT_EQ(substituter.substitute("baaab"), "bXab");
}

TEST(LiStringSubstituter, DoesNotScanReplacementsAgain)
{
    NumberedSource calls("unused");
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>",
                           makeShared<CbMethod<NumberedSource, std::string>>(&calls, &NumberedSource::next));
    substituter.addPattern("<Self>", constantHandler("<FrameNo> and <Self>"));

    EXPECT_EQ(substituter.substitute("<Self>"), "<FrameNo> and <Self>");
    EXPECT_EQ(calls.getCalls(), 0);

    LiStringSubstituter joining;
    joining.addPattern("<A>", constantHandler("<"));
    joining.addPattern("<B>", constantHandler("B>"));
    EXPECT_EQ(joining.substitute("<A>B>"), "<B>");
}

TEST(LiStringSubstituter, AcceptsReplacementsOfAnyLength)
{
    LiStringSubstituter substituter;
    substituter.addPattern("<Gone>", constantHandler(""));
    substituter.addPattern("<Long>", constantHandler(std::string(1000, 'z')));
    EXPECT_EQ(substituter.substitute("a<Gone>b<Gone>"), "ab");
    EXPECT_EQ(substituter.substitute("<Long>!"), std::string(1000, 'z') + "!");
}

TEST(LiStringSubstituter, RejectsAnEmptyPattern)
{
    LiStringSubstituter substituter;
    try {
        substituter.addPattern("", constantHandler("x"));
        FAIL() << "an empty pattern was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "A substitution pattern must not be empty: an empty pattern would match at every "
                                   "position of the text.");
    }
    EXPECT_TRUE(substituter.isEmpty());
}

TEST(LiStringSubstituter, RejectsAMissingHandler)
{
    LiStringSubstituter substituter;
    try {
        substituter.addPattern("<FrameNo>", RCShdPtr<LiStringSubstituter::Handler>());
        FAIL() << "a pattern without handler was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "The substitution pattern \"<FrameNo>\" was given no handler.");
    }
    EXPECT_TRUE(substituter.isEmpty());
}

TEST(LiStringSubstituter, HandlesLongTextsWithManyOccurrences)
{
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>", constantHandler("123456"));
    substituter.addPattern("<Timecode>", constantHandler("01:02:03:04"));

    std::string text;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        text += "<FrameNo>:<Timecode>|< <";
        expected += "123456:01:02:03:04|< <";
    }
    EXPECT_EQ(substituter.substitute(text), expected);

    // Every character starts a pattern here, and none completes one.
    const std::string nearMisses(1000000, '<');
    EXPECT_EQ(substituter.substitute(nearMisses), nearMisses);
}

// The definition of a substitution spelled out in the most direct way, to compare against on
// random texts: at each position, the first registered pattern found there.
std::string substituteDirectly(const std::string& text, const std::vector<std::pair<std::string, std::string>>& table)
{
    std::string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        bool matched = false;
        for (const auto& [pattern, replacement] : table) {
            if (text.substr(pos, pattern.size()) == pattern) {
                result += replacement;
                pos += pattern.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            result += text[pos++];
    }
    return result;
}

TEST(LiStringSubstituter, AgreesWithTheDirectDefinitionOnRandomTexts)
{
    const std::vector<std::pair<std::string, std::string>> table = {
        {"<ab>", "[1]"}, {"<a", "[2]"}, {"b>", "<ab>"}, {"a", "aa"}, {"<b<", ""},
    };
    LiStringSubstituter substituter;
    for (const auto& [pattern, replacement] : table)
        substituter.addPattern(pattern, constantHandler(replacement));

    const std::string alphabet = "<>ab ";
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(substituter.substitute(text), substituteDirectly(text, table)) << "text \"" << text << "\"";
    }
}

} // namespace
} // namespace Vx
