// Composition files: any bytes as the JSON text of a composition. A text that reads must write
// back (formatComposition) to a text that reads as the same composition; a text that does not
// read must fail with CompositionFileError, nothing else. Nothing is written to disk.
#include "FuzzHost.h"

#include <Vx/Render/CompositionFile.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Vx::Render;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CompositionDoc doc;
    try {
        doc = parseComposition(text, "fuzz.json");
    } catch (const CompositionFileError&) {
        return 0;
    }
    const std::string written = formatComposition(doc);
    CompositionDoc again;
    try {
        again = parseComposition(written, "fuzz.json");
    } catch (const CompositionFileError& e) {
        Vx::Fuzz::check(false, std::string("a written composition does not read back: ") + e.what());
    }
    Vx::Fuzz::check(formatComposition(again) == written, "a composition changes when written and read back");
    return 0;
}
