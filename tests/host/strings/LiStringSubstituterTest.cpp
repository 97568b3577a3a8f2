// LiStringSubstituter: registered patterns replaced in one left-to-right pass, first registered
// pattern winning, replacements left as they are, one handler call per occurrence.
#include "common/ExpectThrowMessage.h"

#include <Vx/Li/LiString.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

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
    std::string next() { return m_name + std::to_string(++m_calls); }
    int getCalls() const { return m_calls; }
    RCShdPtr<LiStringSubstituter::Handler> handler()
    {
        return makeShared<CbMethod<NumberedSource, std::string>>(this, &NumberedSource::next);
    }

private:
    std::string m_name;
    int m_calls = 0;
};

TEST(LiStringSubstituter, ReplacesTheRendererTokens)
{
    LiStringSubstituter substituter;
    EXPECT_TRUE(substituter.isEmpty());
    EXPECT_EQ(substituter.substitute("shot010 <FrameNo>"), "shot010 <FrameNo>");
    substituter.addPattern("<FrameNo>", constantHandler("12"));
    substituter.addPattern("<Timecode>", constantHandler("00:00:00:12"));
    EXPECT_FALSE(substituter.isEmpty());

    const struct
    {
        const char* text;
        const char* expected;
    } cases[] = {
        {"shot010 <FrameNo>", "shot010 12"},
        {"TC <Timecode> / F <FrameNo>", "TC 00:00:00:12 / F 12"},
        {"<CurrentTime>", "<CurrentTime>"},
        {"<FrameNo", "<FrameNo"},
        {"<frameno>", "<frameno>"},
        {"<<FrameNo>>", "<12>"},
        {"\xc3\xa9<FrameNo>\xc3\xa9", "\xc3\xa9"
                                      "12\xc3\xa9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(substituter.substitute(c.text), c.expected) << "text \"" << c.text << "\"";
}

TEST(LiStringSubstituter, CallsTheHandlerOncePerOccurrenceFromLeftToRight)
{
    NumberedSource frames("F");
    LiStringSubstituter substituter;
    substituter.addPattern("<FrameNo>", frames.handler());
    EXPECT_EQ(substituter.substitute("<FrameNo> <FrameNo><FrameNo> <CurrentTime>"), "F1 F2F3 <CurrentTime>");
    EXPECT_EQ(substituter.substitute("no tokens here"), "no tokens here");
    EXPECT_EQ(frames.getCalls(), 3);
}

TEST(LiStringSubstituter, FirstRegisteredPatternWinsAndTheScanResumesAfterIt)
{
    NumberedSource numbers("N");
    NumberedSource prefixes("P");
    LiStringSubstituter longFirst;
    longFirst.addPattern("<FrameNo>", numbers.handler());
    longFirst.addPattern("<Frame", prefixes.handler());
    EXPECT_EQ(longFirst.substitute("<FrameNo>"), "N1");
    EXPECT_EQ(longFirst.substitute("<FrameRate> <FrameNo>"), "P1Rate> N2");

    NumberedSource shortNumbers("S");
    NumberedSource longNumbers("L");
    LiStringSubstituter shortFirst;
    shortFirst.addPattern("<Frame", shortNumbers.handler());
    shortFirst.addPattern("<FrameNo>", longNumbers.handler());
    EXPECT_EQ(shortFirst.substitute("<FrameNo>"), "S1No>");
    EXPECT_EQ(longNumbers.getCalls(), 0);

    // "aa" matched at 0 consumes both characters: "aaa" holds one occurrence and a lone "a".
    LiStringSubstituter pairs;
    pairs.addPattern("aa", constantHandler("X"));
    EXPECT_EQ(pairs.substitute("aaa"), "Xa");
    EXPECT_EQ(pairs.substitute("baaaab"), "bXXb");
}

TEST(LiStringSubstituter, RejectsAnEmptyPatternAndAMissingHandler)
{
    LiStringSubstituter substituter;
    const struct
    {
        const char* pattern;
        RCShdPtr<LiStringSubstituter::Handler> handler;
        const char* message;
    } cases[] = {
        {"", constantHandler("x"),
         "A substitution pattern must not be empty: an empty pattern would match at every position of the text."},
        {"<FrameNo>", RCShdPtr<LiStringSubstituter::Handler>(),
         "The substitution pattern \"<FrameNo>\" was given no handler."},
    };
    for (const auto& c : cases) {
        EXPECT_THROW_MESSAGE(substituter.addPattern(c.pattern, c.handler), std::invalid_argument, c.message);
    }
    EXPECT_TRUE(substituter.isEmpty());
}

} // namespace
} // namespace Vx
