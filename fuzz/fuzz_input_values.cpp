// Input values of the Slate tool, the way users write them: the first byte chooses the frame
// rate and the form; the rest is either one --set argument ("Name=value", through the command
// line parser) or an input name, a line feed and a JSON value as a composition file's "inputs"
// holds it. The composition is built as kestrin-render builds it; a value is either taken or
// refused with std::invalid_argument (or std::runtime_error) before anything renders. A value
// taken must survive --save: the composition written back reads and builds to the same document.
#include "FuzzHost.h"

#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/RenderOptions.h>
#include <Vx/Render/SceneBuilder.h>

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using namespace Vx::Render;
using Vx::Fuzz::check;

const char* const kRates[] = {"24", "30000/1001", "25", "60000/1001"};

/// The document `doc` builds to with `options`, or nothing when the build refuses a value.
std::optional<CompositionDoc> buildDocument(const CompositionDoc& doc, const RenderOptions& options)
{
    SceneBuilder scene;
    try {
        scene.build(doc, "fuzz.json", options, doc.first);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    return scene.toDocument();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Vx::Fuzz::initializeSlateHost();
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    RenderOptions options;
    CompositionDoc file;
    file.fps = kRates[mode & 3];
    if ((mode & 4) == 0) {
        const char* argv[] = {"kestrin-render", "--null-output", "--size", "64x32", "-s", rest.c_str()};
        std::ostringstream out;
        std::ostringstream err;
        const ParsedCommandLine parsed = parseCommandLine(6, argv, out, err);
        if (!parsed.options)
            return 0;
        options = *parsed.options;
    } else {
        const std::size_t newline = rest.find('\n');
        if (newline == std::string::npos)
            return 0;
        const nlohmann::ordered_json value = nlohmann::ordered_json::parse(rest.substr(newline + 1), nullptr, false);
        if (value.is_discarded())
            return 0;
        file.nodes.push_back(NodeDoc{"Slate", "Slate", {}, {{rest.substr(0, newline), value}}, {}});
        options.nullOutput = true;
        options.size = std::make_pair(64, 32);
    }

    const std::optional<CompositionDoc> built = buildDocument(mergeOptions(file, options), options);
    if (!built)
        return 0;
    std::string saved;
    try {
        saved = formatComposition(*built);
    } catch (const CompositionFileError&) {
        // A text that is not UTF-8: kestrin-render refuses --save before rendering.
        return 0;
    }
    CompositionDoc reread;
    try {
        reread = parseComposition(saved, "saved.json");
    } catch (const CompositionFileError& e) {
        check(false, std::string("a saved composition does not read: ") + e.what() + "\n" + saved);
    }
    const std::optional<CompositionDoc> rebuilt = buildDocument(reread, RenderOptions{});
    check(rebuilt.has_value(), "a saved composition does not build:\n" + saved);
    check(formatComposition(*rebuilt) == saved,
          "a saved composition builds to another one:\n" + saved + "\n" + formatComposition(*rebuilt));
    return 0;
}
