// Composition files: reading, writing back, and errors that say where the file is wrong.
#include "RenderTestUtil.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Render/CompositionFile.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(CompositionFile, MistakesAreNamed)
{
    struct Case
    {
        const char* text;
        const char* expected;
    };
    for (const Case& c : {
             Case{R"({"nmae": "x"})", "Composition \"comp.json\": unknown key \"nmae\" in the composition"},
             Case{R"({"range": {"first": 10, "last": 5}})",
                  "Composition \"comp.json\": the range ends (5) before it starts (10)"},
             Case{R"({"nodes": [{"tool": "Slate"}]})", "Composition \"comp.json\": a node has no \"name\""},
             Case{R"({"nodes": [{"name": "A"}]})", "Composition \"comp.json\": the node \"A\" has no \"tool\""},
             Case{R"({"nodes": [{"name": "A", "tool": "T"}, {"name": "A", "tool": "T"}]})",
                  "Composition \"comp.json\": two nodes are named \"A\""},
             Case{R"({"nodes": [{"name": "A", "tool": "T"}], "connections": [{"from": "B", "to": "A"}]})",
                  "Composition \"comp.json\": a connection names the node \"B\", which does not exist"},
             Case{R"({"attributes": {"client": 3}})",
                  "Composition \"comp.json\": the attribute \"client\" must be a text"},
             Case{R"({"version": {"number": "three"}})",
                  "Composition \"comp.json\": \"number\" in \"version\" has the wrong type"},
         }) {
        EXPECT_THROW_MESSAGE(parseComposition(c.text, "comp.json"), CompositionFileError, c.expected);
    }
}

TEST(CompositionFile, MissingFileIsNamed)
{
    EXPECT_THROW_MESSAGE(readCompositionFile("/nonexistent/comp.json"), CompositionFileError,
                         "Composition \"/nonexistent/comp.json\": cannot be read: No such file or directory");
}
