// Order-keeping JSON documents read in linear time: the same documents and errors as the
// library's own parser, and a composition of a million attributes read and written back.
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/JsonDocumentReader.h>

#include <gtest/gtest.h>

#include <string>

using namespace Vx::Render;

namespace {

std::string parsedOrError(const std::string& text, bool indexed)
{
    try {
        return (indexed ? parseOrderedJson(text) : nlohmann::ordered_json::parse(text)).dump();
    } catch (const nlohmann::json::exception& e) {
        return std::string("error ") + e.what();
    }
}

} // namespace

TEST(JsonDocumentReader, BuildsWhatTheLibraryParserBuilds)
{
    const char* const texts[] = {
        R"({"b": 1, "a": [true, null, -2, 3.5, 18446744073709551615, "x"], "c": {}})",
        R"({"a": 1, "b": 2, "a": {"z": [], "y": [[1], {"k": "v"}]}})", // a repeated key keeps its first place
        R"([{"a": 1}, {"a": 2, "a": 3}])",
        R"("text")",
        R"({"a": 1,})",
        R"({"a": [1, 2})",
        R"(1e999)",
        "",
    };
    for (const char* text : texts)
        EXPECT_EQ(parsedOrError(text, true), parsedOrError(text, false)) << text;
}

TEST(JsonDocumentReader, AMillionAttributesAreReadAndWrittenBack)
{
    // Before, every key was looked up along the keys before it: minutes for this composition.
    constexpr int kCount = 1000000;
    CompositionDoc doc;
    for (int i = 0; i < kCount; ++i)
        doc.attributes.emplace("attribute " + std::to_string(i), std::to_string(i));
    const CompositionDoc read = parseComposition(formatComposition(doc), "many.json");
    ASSERT_EQ(read.attributes.size(), std::size_t(kCount));
    EXPECT_EQ(read.attributes, doc.attributes);
}
