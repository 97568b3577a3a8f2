// Builds the host composition that kestrin-render renders, from a composition document and the
// command line, and turns it back into a document for --save.
//
//   COMPOSITION.json --readCompositionFile--> CompositionDoc --mergeOptions(options)--> CompositionDoc
//        --SceneBuilder::build--> PiComposition: one graph (the version) with the document's nodes
//           and connections, inputs applied in file order, then --size, then every --set
//        --getOutputNode()->getProcNode()--> what TileRenderer renders
//
// The Slate node that --set and --size address is the last Slate node of the document (the one
// drawn last); the Read node that -i addresses is the first Read node. Each plain --layer adds a
// Slate node stacked over the node drawn last (mergeOptions) and takes the --set options after
// it; --layer N gives them to the document's N-th Slate node. The timecode origin (start
// timecode, header timecodes, drop-frame) is checked against the rate and set on the composition
// before its nodes are made. Options override the file:
// composition name, version name and number, frame rate, range, attributes and output, and the
// movie and colour settings (RunSettings.h). Every
// error is raised before any frame is rendered, as std::invalid_argument or std::runtime_error
// whose message starts with what caused it (the file and node, the option, the tool).
//
// Main thread. The builder owns the composition and closes it when destroyed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <Vx/Pi/PiComposition.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/ImageIO.h>
#include <Vx/Render/RenderOptions.h>

namespace Vx::Render {

/// The Slate tool's name in the registry and in composition files.
inline const std::string kSlateToolName = "Slate";

/// The first and last frames of the files on disk matching `pattern`, or nothing when none does.
std::optional<std::pair<std::int64_t, std::int64_t>> findSequenceRange(const FramePattern& pattern);

/// `file` (or an empty composition) with `options` applied over it: names, rate, range (from the
/// options, else the file, else the input sequence on disk, else the frames asked for), attributes,
/// output, movie and colour settings, and a Read node for -i connected to the Slate node's primary input. Adds a Slate
/// node when the document has none. `--set` and `--size` are not applied here (see build).
CompositionDoc mergeOptions(const std::optional<CompositionDoc>& file, const RenderOptions& options);

class SceneBuilder
{
public:
    SceneBuilder() = default;
    ~SceneBuilder();
    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    /// Builds the composition of `doc` (as mergeOptions made it; `docPath` names the file its
    /// inputs came from in errors, empty for none), then applies `options.size` and
    /// `options.sets` to the Slate node. `formatFrame`: the frame whose header gives a Read node's
    /// format (the first frame to render). Builds the output's processing nodes, so that a
    /// missing first input frame is reported here.
    void build(const CompositionDoc& doc, const std::string& docPath, const RenderOptions& options,
               std::int64_t formatFrame);

    const RCShdPtr<PiComposition>& getComposition() const { return m_composition; }
    const RCShdPtr<PiGraph>& getGraph() const { return m_graph; }
    /// The node whose image is rendered: the last node no connection leaves from.
    const RCShdPtr<PiNode>& getOutputNode() const { return m_output; }
    /// The Slate node the --set options before any --layer address.
    const RCShdPtr<PiNode>& getSlateNode() const { return m_slate; }
    /// The source of the first Read node; empty for a generated plate.
    PxStrongHndl<FrameSource> getInputSource() const;
    /// The output's processing node, built.
    PxNodePtr<PxImageProtocol const> getOutputProcNode() const;

    /// The composition as it stands, as a document: the merged document's names, range and
    /// connections, each node's inputs that differ from their defaults (and always "Text"), and
    /// the Slate nodes' "Substituted Text".
    CompositionDoc toDocument() const;

    /// Closes the composition (also done by the destructor).
    void close();

private:
    CompositionDoc m_doc;
    Rational m_rate{24, 1};
    RCShdPtr<PiComposition> m_composition;
    RCShdPtr<PiGraph> m_graph;
    RCShdPtr<PiNode> m_output;
    RCShdPtr<PiNode> m_slate;
    RCShdPtr<PiNode> m_read;
};

} // namespace Vx::Render
