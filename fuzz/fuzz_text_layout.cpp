// Text layout with substitution: random bytes as a Slate node's text, as the composition's name
// and as its attributes, laid out in a real font at a small size. The node is built as
// kestrin-render builds it (a generated 64x32 plate), so the text goes through the graph-side
// substitution (composition tokens, then attribute references) and the frame-side one (frame
// number, timecode) before it is laid out and composited; a frame of the input's choosing is
// rendered whole at full or half resolution. The tile must cover the frame and every pixel that
// comes out must be finite.
#include "FuzzHost.h"

#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/FrameRate.h>
#include <Vx/Render/RenderOptions.h>
#include <Vx/Render/SceneBuilder.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

const char* const kRates[] = {"24", "30000/1001", "25", "60000/1001"};
const char* const kFonts[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "No Such Family"};
constexpr int kWidth = 64;
constexpr int kHeight = 32;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Vx;
    using namespace Vx::Render;
    Fuzz::initializeSlateHost();
    FuzzedDataProvider in(data, size);

    CompositionDoc doc;
    doc.fps = kRates[in.ConsumeIntegralInRange(0, 3)];
    const int frame = in.ConsumeIntegralInRange(-100000, 10'000'000);
    doc.first = frame - in.ConsumeIntegralInRange(0, 100);
    doc.last = frame + in.ConsumeIntegralInRange(0, 100);
    const int level = in.ConsumeIntegralInRange(0, 1);
    NodeDoc slate{"Slate", "Slate", {}, {}, {}};
    slate.inputs.emplace_back("Text Font", kFonts[in.ConsumeIntegralInRange(0, 3)]);
    slate.inputs.emplace_back("Text Style", in.ConsumeIntegralInRange(0, 3));
    slate.inputs.emplace_back("Text Size", in.ConsumeIntegralInRange(6, 20));
    slate.inputs.emplace_back("Horizontal Alignment", in.ConsumeIntegralInRange(0, 2));
    slate.inputs.emplace_back("Vertical Alignment", in.ConsumeIntegralInRange(0, 2));
    slate.inputs.emplace_back("Drop Shadow", in.ConsumeBool());
    slate.inputs.emplace_back("Box", in.ConsumeBool());
    slate.inputs.emplace_back("Offset.X", in.ConsumeIntegralInRange(-40, 40));
    slate.inputs.emplace_back("Offset.Y", in.ConsumeIntegralInRange(-40, 40));
    doc.name = in.ConsumeRandomLengthString(16);
    doc.versionName = in.ConsumeRandomLengthString(16);
    for (int attributes = in.ConsumeIntegralInRange(0, 3); attributes > 0; --attributes) {
        const std::string name = in.ConsumeRandomLengthString(16);
        const std::string value = in.ConsumeRandomLengthString(64);
        // The names a composition file can hold (the reader refuses the others).
        if (!name.empty() && name.find('>') == std::string::npos)
            doc.attributes[name] = value;
    }
    slate.inputs.emplace_back("Text", in.ConsumeRemainingBytesAsString());
    doc.nodes.push_back(std::move(slate));

    RenderOptions options;
    options.nullOutput = true;
    options.size = std::make_pair(kWidth, kHeight);
    SceneBuilder scene;
    try {
        scene.build(doc, "fuzz.json", options, doc.first);
    } catch (const std::invalid_argument& e) {
        // Names and attributes are free text; only a font or style the inputs refuse may stop it.
        Fuzz::check(false, std::string("the composition does not build: ") + e.what());
    }
    const PxNodePtr<PxImageProtocol const> proc = scene.getOutputProcNode();
    const double seconds = TmTimeUtil::getSecondsFromFrames(parseFrameRate(doc.fps), frame);
    const GeRectangle<int> region(0, kWidth >> level, 0, kHeight >> level);
    PxRequestMgr::RenderScope render;
    const PxImageResult result = proc->getImage(PxImageContext{seconds, level, region});
    const GeRectangle<int> covered = result.getPixelRegion();
    Fuzz::check(covered == region, "the rendered tile covers " + std::to_string(covered.x0) + "," +
                                       std::to_string(covered.y0) + " to " + std::to_string(covered.x1) + "," +
                                       std::to_string(covered.y1) + ", not the frame, at frame " +
                                       std::to_string(frame));
    const IxReadGuard pixels = result.getTileGuard();
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            for (int c = 0; c < 4; ++c)
                Fuzz::check(std::isfinite(pixels.getPixel(x, y)[c]), "a pixel is not finite");
    return 0;
}
