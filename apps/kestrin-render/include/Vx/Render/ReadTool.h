// The "Read" tool: a node that reads an image sequence from disk, the plate a Slate node is drawn
// over. kestrin-render registers it with the tool registry itself, next to the plug-ins' tools.
//
//   Read node ("File": the sequence's pattern) --> ImageSequenceSource --> Slate node's "Input"
//
// The node's processing node is an ImageSequenceSource over the "File" pattern, counting time at
// the composition's frame rate; its format is the size of the sequence's first frame, or of the
// frame set with setFormatFrame (the first frame to be rendered). Building the processing node
// reads that frame's header, so a missing first frame is an error naming the file when the
// composition is built, before anything is rendered. Main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Render/ImageIO.h>

namespace Vx::Render {

class ReadController : public PiImageModifier
{
public:
    /// The tool's name in the registry and in composition files.
    static const std::string& getToolName();
    /// The name of the input holding the sequence's pattern.
    static const std::string& getFileInputName();

    ReadController();
    ~ReadController() override;

    /// Declares the "File" input (the output is declared by the tool's protocol).
    static void describe(PiImageModifier::Descriptor& descriptor);

    /// The frame whose header gives the node's format; without one, the graph's first frame.
    void setFormatFrame(std::int64_t frame) { m_formatFrame = frame; }

    /// Builds the ImageSequenceSource. Throws std::invalid_argument for a pattern without a frame
    /// number, std::runtime_error naming the file when the format frame cannot be read.
    PxNodePtr<PxImageProtocol const> createModifierProcNode(OutputPublisher& publisher,
                                                            const PxNodePtr<PxImageProtocol const>& inputNode) override;

    /// The source of the latest build; empty before the first.
    const PxStrongHndl<FrameSource>& getSource() const { return m_source; }

private:
    std::optional<std::int64_t> m_formatFrame;
    PxStrongHndl<FrameSource> m_source;
};

/// Registers the Read tool with the process-wide tool registry, once; later calls do nothing.
void registerReadTool();

} // namespace Vx::Render
