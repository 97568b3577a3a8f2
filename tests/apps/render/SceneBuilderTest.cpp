// SceneBuilder and mergeOptions: what the command line changes in a composition document, which
// node --set and --size address, every error of a composition with its exact message, and the
// document written back for --save.
#include "RenderTestUtil.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/InputValues.h>
#include <Vx/Render/SceneBuilder.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

using namespace Vx;
using namespace Vx::Render;
using Vx::Render::test::ScratchFolder;

namespace {

/// The document on one line: names, rate, range, attributes | nodes | connections | output.
std::string summary(const CompositionDoc& doc)
{
    std::ostringstream out;
    out << doc.name << " " << doc.versionName << " " << doc.versionNumber << " " << doc.fps << " " << doc.first << "-"
        << doc.last;
    for (const auto& [name, value] : doc.attributes)
        out << " " << name << "=" << value;
    out << " |";
    for (const NodeDoc& node : doc.nodes)
        out << " " << node.name << ":" << node.tool << (node.file.empty() ? "" : ":" + node.file);
    out << " |";
    for (const ConnectionDoc& c : doc.connections)
        out << " " << c.from << "->" << c.to << "." << c.input;
    out << " | " << doc.output;
    return out.str();
}

RenderOptions withOutput()
{
    RenderOptions options;
    options.output = "out.####.exr";
    return options;
}

TEST(MergeOptions, OptionsOverTheFileTheSequenceOnDiskAndTheFramesAskedFor)
{
    const ScratchFolder folder;
    for (const char* name : {"plate.0003.exr", "plate.0005.exr", "plate.12.exr", "plate.00007.exr", "other.0001.exr"})
        std::ofstream(folder.file(name)) << "x";
    const std::string plates = folder.file("plate.####.exr");
    const std::string file = R"({"name": "shot", "fps": "25", "range": {"first": 1001, "last": 1100},
        "attributes": {"client": "A", "lens": "35mm"},
        "nodes": [{"name": "Plate", "tool": "Read", "file": "old.####.exr"}, {"name": "Burn-in", "tool": "Slate"}],
        "connections": [{"from": "Plate", "to": "Burn-in", "input": "Input"}]})";
    struct Case
    {
        const char* file; // a composition, or null for none
        std::function<void(RenderOptions&)> options;
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, [](RenderOptions&) {}, "untitled v1 1 24 1-1 | Slate:Slate | | out.####.exr"},
        // -i adds a Read node feeding the Slate node; the range is what is on disk (padding matched).
        {nullptr, [&](RenderOptions& o) { o.input = plates; },
         "untitled v1 1 24 3-5 | Plate:Read:" + plates + " Slate:Slate | Plate->Slate.Input | out.####.exr"},
        // Without frames on disk, the frames asked for; --range over both.
        {nullptr, [&](RenderOptions& o) { o.input = folder.file("none.####.exr"), o.frames = "12,3,5-9x2"; },
         "untitled v1 1 24 3-12 | Plate:Read:" + folder.file("none.####.exr") +
             " Slate:Slate | Plate->Slate.Input | out.####.exr"},
        {nullptr,
         [&](RenderOptions& o) {
             o.input = plates, o.frames = "1-2", o.range = {{10, 20}};
         },
         "untitled v1 1 24 10-20 | Plate:Read:" + plates + " Slate:Slate | Plate->Slate.Input | out.####.exr"},
        // Over a file: names, rate and attributes replaced, the first Read node's file replaced.
        {file.c_str(),
         [&](RenderOptions& o) {
             o.input = plates, o.compName = "sh010", o.versionName = "comp", o.versionNumber = 3, o.fps = "23.976";
             o.attributes = {{"client", "B"}};
         },
         "sh010 comp 3 23.976 1001-1100 client=B lens=35mm | Plate:Read:" + plates +
             " Burn-in:Slate | Plate->Burn-in.Input | out.####.exr"},
        // A node already named "Plate" and no Slate node: new names are made free.
        {R"({"nodes": [{"name": "Plate", "tool": "Blur"}], "output": "file.####.png"})",
         [&](RenderOptions& o) { o.input = plates, o.output.clear(); },
         "untitled v1 1 24 1-1 | Plate 2:Read:" + plates +
             " Plate:Blur Slate:Slate | Plate 2->Slate.Input | "
             "file.####.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        RenderOptions options = withOutput();
        c.options(options);
        const std::optional<CompositionDoc> doc =
            c.file ? std::optional<CompositionDoc>(parseComposition(c.file, "comp.json")) : std::nullopt;
        EXPECT_EQ(summary(mergeOptions(doc, options)), c.expected);
    }
}

TEST(SceneBuilder, CompositionMistakesAreNamedWithTheFileTheNodeAndTheInput)
{
    struct Case
    {
        const char* file;
        std::string path;
        std::function<void(RenderOptions&)> options;
        std::string message;
    };
    const auto none = [](RenderOptions&) {};
    const Case cases[] = {
        {R"({"nodes": [{"name": "Soft", "tool": "Blur"}]})", "comp.json", none,
         "Composition \"comp.json\": the node \"Soft\" uses the tool \"Blur\", which no plug-in registers"},
        {R"({"nodes": [{"name": "Soft", "tool": "Blur"}]})", "", none,
         "the node \"Soft\" uses the tool \"Blur\", which no plug-in registers"},
        {R"({"nodes": [{"name": "Card", "tool": "Slate", "inputs": {"Box": "on", "Text Opacity": 3}}]})", "comp.json",
         none, "Composition \"comp.json\": node \"Card\": \"Text Opacity\" takes values in [0, 1], not 3"},
        {R"({"nodes": [{"name": "A", "tool": "Slate"}, {"name": "B", "tool": "Slate"}],
             "connections": [{"from": "A", "to": "B", "input": "Text"}]})",
         "comp.json", none,
         "Composition \"comp.json\": the connection from \"A\" to \"B\" names \"Text\", which is not an image input "
         "of \"B\""},
        {R"({"fps": "fast"})", "comp.json", none,
         "Composition \"comp.json\": \"fps\": Invalid frame rate \"fast\" (use a number such as 24, 23.976 or "
         "24000/1001)"},
        {R"({"fps": "fast"})", "comp.json", [](RenderOptions& o) { o.fps = "0"; },
         "--fps: Invalid frame rate \"0\": a frame rate must be above zero"},
        {"{}", "comp.json",
         [](RenderOptions& o) {
             o.sets = {{"Box", "on"}, {"Txt", "hello"}};
         },
         "--set \"Txt=hello\": \"Txt\" is not an input of the node \"Slate\" (kestrin-render --describe lists the "
         "inputs)"},
    };
    for (const Case& c : cases) {
        RenderOptions options = withOutput();
        c.options(options);
        const CompositionDoc doc = mergeOptions(parseComposition(c.file, "comp.json"), options);
        SceneBuilder scene;
        EXPECT_THROW_MESSAGE(scene.build(doc, c.path, options, 1), std::invalid_argument, c.message);
    }
}

TEST(SceneBuilder, SetAndSizeGoToTheLastSlateNodeAndSizeOnlyToAGenerator)
{
    for (const bool connected : {false, true}) {
        SCOPED_TRACE(connected);
        const std::string connection = connected ? R"([{"from": "A", "to": "B", "input": "Input"}])" : "[]";
        const CompositionDoc file = parseComposition(R"({"fps": "25", "nodes": [{"name": "A", "tool": "Slate"},
            {"name": "B", "tool": "Slate"}], "connections": )" +
                                                         connection + "}",
                                                     "comp.json");
        RenderOptions options = withOutput();
        options.sets = {{"Text", "hi"}};
        options.size = {{64, 32}};
        SceneBuilder scene;
        scene.build(mergeOptions(file, options), "comp.json", options, 1);
        ASSERT_EQ(scene.getSlateNode()->getName(), "B");
        EXPECT_EQ(scene.getOutputNode()->getName(), "B");
        const auto text = [&](const char* node) {
            return formatInputContent(*scene.getGraph()->findNode(node)->getInput("Text", true), {25, 1}).dump();
        };
        EXPECT_EQ(text("A"), "\"\"");
        EXPECT_EQ(text("B"), "\"hi\"");
        const RCShdPtr<PiInput> width =
            scene.getSlateNode()->getInput(PiImageGenerator::getXResolutionInputName(), true);
        EXPECT_EQ(holdsDefault(*width), connected);
        if (!connected) {
            EXPECT_EQ(formatInputContent(*width, {25, 1}).dump(), "64");
            // A generated plate counts frames at the composition's rate.
            EXPECT_TRUE(scene.getOutputProcNode()->getImageFormat().frameRate == Rational(25, 1));
        }
    }
}

TEST(SceneBuilder, DocumentForSaveKeepsWhatDiffersFromTheDefaultsTheTextAndTheSubstitutedText)
{
    const CompositionDoc file = parseComposition(
        R"({"name": "shot010", "nodes": [{"name": "Card", "tool": "Slate", "inputs": {"Text Size": 48,
            "Box": true, "Text Color": [1, 0.5, 0], "Offset.Y": {"keys": [[1, 0], [10, 60]]}}}]})",
        "comp.json");
    RenderOptions options = withOutput();
    options.sets = {{"Vertical Alignment", "bottom"}, {"Text", "<CompName> <FrameNo>"}};
    SceneBuilder scene;
    scene.build(mergeOptions(file, options), "comp.json", options, 1);
    const CompositionDoc saved = scene.toDocument();
    ASSERT_EQ(saved.nodes.size(), 1u);
    nlohmann::ordered_json inputs = nlohmann::ordered_json::object();
    for (const auto& [name, value] : saved.nodes[0].inputs)
        inputs[name] = value;
    EXPECT_EQ(inputs.dump(), R"({"Text":"<CompName> <FrameNo>","Text Color":[1.0,0.5,0.0],"Box":true,)"
                             R"("Offset.Y":{"keys":[[1,0.0],[10,60.0]]},"Vertical Alignment":"Bottom"})");
    ASSERT_EQ(saved.nodes[0].stored.size(), 1u);
    EXPECT_EQ(saved.nodes[0].stored[0].first, "Substituted Text");
    EXPECT_EQ(saved.nodes[0].stored[0].second.get<std::string>(), "shot010 <FrameNo>");
}

} // namespace
