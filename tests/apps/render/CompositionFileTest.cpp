// Composition files: reading, writing back, and errors that say where the file is wrong.
#include "RenderTestUtil.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Render/CompositionFile.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace Vx::Render;

namespace {

const char* kFull = R"({
  "name": "shot010",
  "version": {"name": "comp", "number": 3},
  "fps": "24000/1001",
  "range": {"first": 1001, "last": 1100},
  "attributes": {"client": "ACME", "lens": "35mm"},
  "nodes": [
    {"name": "Plate", "tool": "Read", "file": "plates/shot010.####.exr"},
    {"name": "Burn-in", "tool": "Slate",
     "inputs": {"Text": "<CompName> v<VersionNo>", "Text Size": 36, "Text Color": [1, 0.5, 0],
                "Box": true, "Offset.Y": {"keys": [[1001, 0.0], [1100, 120.0]]}},
     "stored": {"Substituted Text": "shot010 v3"}}
  ],
  "connections": [{"from": "Plate", "to": "Burn-in", "input": "Input"}],
  "output": "out/shot010.####.exr"
})";

} // namespace

TEST(CompositionFile, WritesWhatItReadsAtomically)
{
    const CompositionDoc doc = parseComposition(kFull, "comp.json");
    const std::string text = formatComposition(doc);
    const CompositionDoc again = parseComposition(text, "again.json");
    EXPECT_EQ(formatComposition(again), text);
    EXPECT_EQ(again.nodes[1].inputs[2].second, doc.nodes[1].inputs[2].second);

    const Vx::Render::test::ScratchFolder dir;
    const std::string path = dir.file("saved.json");
    writeCompositionFile(doc, path);
    EXPECT_EQ(formatComposition(readCompositionFile(path)), text);
    EXPECT_EQ(dir.listNames(), std::vector<std::string>{"saved.json"}); // no temporary file left behind
}

TEST(CompositionFile, SyntaxErrorsGiveLineAndColumn)
{
    EXPECT_THROW_MESSAGE_START(parseComposition("{\n  \"name\": \"a\",\n  \"fps\": 24,,\n}", "comp.json"),
                               CompositionFileError, "Composition \"comp.json\": syntax error at line 3, column 13");
}

/// A composition of one Slate node "S" with `inputs` (JSON members).
std::string slateWith(const std::string& inputs)
{
    return R"({"nodes": [{"name": "S", "tool": "Slate", "inputs": {)" + inputs + "}}]}";
}

// Every mistake the file itself shows, with where it is and what is allowed; among them inputs the
// fuzz targets (fuzz/) once crashed on or found wrong.
TEST(CompositionFile, MistakesAreNamed)
{
    const std::string deep = R"({"nodes": [{"name": "S", "tool": "Slate", "stored": {"X": )" + std::string(70, '[') +
                             std::string(70, ']') + "}}]}";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"nmae": "x"})", "unknown key \"nmae\" in the composition"},
        {R"({"range": {"first": 10, "last": 5}})", "the range ends (5) before it starts (10)"},
        {R"({"nodes": [{"tool": "Slate"}]})", "a node has no \"name\""},
        {R"({"nodes": [{"name": "A"}]})", "the node \"A\" has no \"tool\""},
        {R"({"nodes": [{"name": "A", "tool": "T"}, {"name": "A", "tool": "T"}]})", "two nodes are named \"A\""},
        {R"({"nodes": [{"name": "A", "tool": "T"}], "connections": [{"from": "B", "to": "A"}]})",
         "a connection names the node \"B\", which does not exist"},
        {R"({"attributes": {"client": 3}})", "the attribute \"client\" must be a text"},
        {R"({"attributes": {"": "x"}})", "the attribute name \"\" must not be empty nor hold '>'"},
        {R"({"attributes": {"a>b": "x"}})", "the attribute name \"a>b\" must not be empty nor hold '>'"},
        {R"({"version": {"number": "three"}})", "\"number\" in \"version\" has the wrong type"},
        {R"({"version": {"number": 5.5e121}})", "\"number\" in \"version\" takes a whole number, not 5.5e+121"},
        {R"({"version": {"number": 2147483648}})",
         "\"number\" in \"version\" takes a whole number from -2147483648 to 2147483647, not 2147483648"},
        {R"({"range": {"first": 1.5}})", "\"first\" in \"range\" takes a whole number, not 1.5"},
        {R"({"range": {"first": 1, "last": 18446744073709551615}})",
         "\"last\" in \"range\" takes a whole number from -9223372036854775808 to 9223372036854775807, not "
         "18446744073709551615"},
        {deep, "line 1, column 119: arrays and objects nest more than 64 levels deep"},
        {R"({"fps": 1e600})",
         "syntax error at line 1, column 9: the number 1e600 is too large (numbers run to about 1.8e308 in "
         "magnitude)"},
        {slateWith("\n  \"Box Margin\": NaN\n"),
         "syntax error at line 2, column 17: \"NaN\" is not a JSON value (numbers are written with digits, texts in "
         "double quotes; there is no NaN or Infinity)"},
        {slateWith("\"Text\": \"a\xff: b\""),
         "syntax error at line 1, column 64: a text holds the byte 0xFF, which is not UTF-8 (composition files are "
         "UTF-8)"},
        // A lead byte followed by a plain one: the parser stops on the plain one.
        {"{\"at\xf3ributes\": 1}",
         "syntax error at line 1, column 5: a text holds the byte 0xF3, which is not UTF-8 (composition files are "
         "UTF-8)"},
        {"{\"name\": \"a\x01\"}",
         "syntax error at line 1, column 12: invalid string: control character U+0001 (SOH) must be escaped to "
         "\\u0001"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(message);
        EXPECT_THROW_MESSAGE(parseComposition(text, "comp.json"), CompositionFileError,
                             "Composition \"comp.json\": " + message);
    }
}

TEST(CompositionFile, MissingFileIsNamed)
{
    EXPECT_THROW_MESSAGE(readCompositionFile("/nonexistent/comp.json"), CompositionFileError,
                         "Composition \"/nonexistent/comp.json\": cannot be read: No such file or directory");
}
