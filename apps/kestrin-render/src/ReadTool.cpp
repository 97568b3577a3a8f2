// The Read tool: an image sequence as a node of the composition.
#include <Vx/Render/ReadTool.h>

#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageModifierInfo.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiToolRegistry.h>

namespace Vx::Render {

const std::string& ReadController::getToolName()
{
    static const std::string name = "Read";
    return name;
}

const std::string& ReadController::getFileInputName()
{
    static const std::string name = "File";
    return name;
}

ReadController::ReadController() : PiImageModifier("<ToolUiDir>/read.xml") {}

ReadController::~ReadController() = default;

void ReadController::describe(PiImageModifier::Descriptor& descriptor)
{
    // A file pattern is not something to animate.
    descriptor.requires(getFileInputName(), PiSocketType::String,
                        RCShdPtr<const PiInputPolicy>(new PiTypedInputPolicy<std::string>(false)),
                        PiSocketType::Single);
    descriptor.setMaskingMode(PiImageModifierTypes::NoMasking);
    descriptor.setCanBeDisplayModifier(false);
    descriptor.setCanMute(false);
}

PxNodePtr<PxImageProtocol const> ReadController::createModifierProcNode(OutputPublisher& publisher,
                                                                        const PxNodePtr<PxImageProtocol const>&)
{
    publisher.beginOutput();
    RCShdPtr<PiNode> node = getNode();
    const std::string pattern = piVariantGet<std::string>(node->getInput(getFileInputName(), true)->getVariant());
    RCShdPtr<PiGraph> graph = node->getGraph();
    RCShdPtr<PiComposition> composition = PiCompositionUtils::getComposition(graph);

    FrameSource::Options options;
    options.frameRate = composition->getFrameRate();
    // A render reads each frame once; the frames being rendered stay in the cache while they are
    // held, so one more is all that is worth keeping.
    options.cacheSize = 1;
    DtTime start;
    DtTime end;
    graph->getTimeRange(start, end);
    options.firstFrame = m_formatFrame ? *m_formatFrame : start.frames;
    // A movie's first picture is the composition's first frame.
    options.movieStartFrame = start.frames;
    m_source = ImageIO::get().createSequenceSource(FramePattern::input(pattern), options);
    return PxNodePtr<PxImageProtocol const>(m_source);
}

void registerReadTool()
{
    PiToolRegistry& registry = PiToolRegistry::getInstance();
    if (registry.findTool(ReadController::getToolName()))
        return;
    registry.registerTool(OPtr<PiToolProtocol>(new PiImageModifierInfo<ReadController>(
        ReadController::getToolName(), "Image/Read", PiOrvaneToolProtocol::getOrvaneProductName(),
        PiOrvaneToolProtocol::getOrvaneManufacturer(), PiOrvaneToolProtocol::getOrvaneVersionString(), 1,
        "Reads an image sequence from disk.", PiToolProtocolImp::ToolVisibility::Public,
        PiToolProtocolImp::ToolStructure::Simple)));
}

} // namespace Vx::Render
