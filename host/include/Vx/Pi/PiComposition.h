// Compositions and their graphs (versions), the tool model's document.
//
// A PiComposition has a name, an id, a version number, a frame rate, a current time, user-defined
// attributes, a command stack holding the history of its edits, and its graphs. A PiGraph (one
// version of the composition) has a name, a time range, its nodes and the connections between
// them, and a controller that answers for the graph as a whole: the PiCompositionGraphInterface
// (time range) and the TmTimeProtocol (callbacks on range changes), reached through
// PiGraph::getController.
//
// Ownership: the composition owns its graphs, a graph its nodes, a node its controller. Because a
// controller may hold its composition, and recorded commands hold what they edit, a composition
// is ended with close(), which destroys the controllers while their nodes are still reachable,
// clears the history and lets go of graphs and nodes. Main thread only.
#pragma once

#include <Vx/Li/LiTimeCode.h>
#include <Vx/Om/OmComposition.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiNodeController.h>
#include <Vx/RC/RCShdPtr.h>
#include <Vx/Tm/TmTimeProtocol.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <map>
#include <string>
#include <vector>

namespace Vx {

class PiComposition;

/// The time range of a composition graph.
class PiCompositionGraphInterface
{
public:
    virtual ~PiCompositionGraphInterface() = default;
    /// The first frame and the end (one past the last frame) of the graph.
    virtual void getTimeRange(DtTime& start, DtTime& end) const = 0;
};

/// The controller of a composition graph: its time range and the callbacks on its changes.
class PiCompositionGraphController : public PiNodeController, public PiCompositionGraphInterface, public TmTimeProtocol
{
public:
    PiCompositionGraphController(const DtTime& start, const DtTime& end) : m_start(start), m_end(end) {}

    void getTimeRange(DtTime& start, DtTime& end) const override
    {
        start = m_start;
        end = m_end;
    }
    void addCallback(TmTimeEvent event, Handler* handler) override { m_callbacks.add(event, handler); }
    void removeCallback(TmTimeEvent event, Handler* handler) override { m_callbacks.remove(event, handler); }
    std::size_t getCallbackCount() const { return m_callbacks.getCount(); }

    /// Host side: sets the range and calls the handlers of StartTimeChanged (when the start
    /// changed), then of EndTimeChanged (when the end changed).
    void applyTimeRange(const DtTime& start, const DtTime& end);

private:
    DtTime m_start;
    DtTime m_end;
    TmTimeCallbackList m_callbacks;
};

/// Whether a node is new or restored with saved values; chooses nodeAdded or nodeLoaded.
enum class PiNodeOrigin
{
    Created,
    Loaded,
};

class PiGraph : public OmGraph
{
public:
    PiGraph(PiComposition* composition, std::string name, const DtTime& start, const DtTime& end);
    ~PiGraph() override;

    /// The composition holding the graph; null once it was closed.
    RCShdPtr<PiComposition> getComposition() const;
    /// The graph's controller, a PiCompositionGraphController (down-cast it to
    /// PiCompositionGraphInterface or TmTimeProtocol).
    RCWeakPtr<PiNodeController> getController() const { return RCWeakPtr<PiNodeController>(m_controller); }
    const RCShdPtr<PiCompositionGraphController>& getGraphController() const { return m_graphController; }

    /// Whether the graph may be changed now: not locked, and when `includeComposition` is true,
    /// not part of a read-only composition either.
    bool isModifiable(bool includeComposition) const;
    void setLocked(bool locked) { m_locked = locked; }

    void getTimeRange(DtTime& start, DtTime& end) const { m_graphController->getTimeRange(start, end); }
    /// Sets the time range (a user edit, undoable). Throws std::invalid_argument when the end lies
    /// before the start or the two count frames of different rates.
    void setTimeRange(const DtTime& start, const DtTime& end);

    /// Makes a node named `name` whose inputs, stored values and outputs are built from the
    /// policies attached to `controller`; `saved` gives the contents of a restored node by value
    /// name (filtered by the policies). The node then owns the controller; nodeAdded() (Created)
    /// or nodeLoaded() (Loaded) is called before this returns. Making a node is not an edit.
    RCShdPtr<PiNode> createNode(const std::string& name, OPtr<PiNodeController> controller,
                                PiNodeOrigin origin = PiNodeOrigin::Created,
                                const std::map<std::string, PiValueContent>& saved = {});
    /// Removes `node`, its connections and its controller (not an edit).
    void removeNode(const RCShdPtr<PiNode>& node);
    const std::vector<RCShdPtr<PiNode>>& getNodes() const { return m_nodes; }
    /// The node named `name`, or null.
    RCShdPtr<PiNode> findNode(const std::string& name) const;

    /// Connects `output` to `input` (a user edit, undoable), replacing the input's connection.
    /// Throws std::invalid_argument unless both are images, belong to this graph's nodes, and the
    /// connection makes no cycle.
    void connect(const RCShdPtr<PiOutput>& output, const RCShdPtr<PiInput>& input);
    /// Removes what feeds `input` (a user edit, undoable): the connection of an image input, the
    /// value source of a value input. Does nothing when nothing feeds it.
    void disconnect(const RCShdPtr<PiInput>& input);

    /// Host side: sets what feeds `input` without recording and notifies the node's controller,
    /// its event handlers and the observers (LinkChanged).
    void applyConnection(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output);
    /// Host side: the nodes fed by `node`'s outputs.
    std::vector<RCShdPtr<PiNode>> getDownstreamNodes(const PiNode& node) const;
    /// Host side: tears down every node and lets go of them.
    void close();
    void detachComposition();

private:
    PiComposition* m_composition;
    RCShdPtr<PiCompositionGraphController> m_graphController;
    RCShdPtr<PiNodeController> m_controller; // the same object, as the base getController names
    std::vector<RCShdPtr<PiNode>> m_nodes;
    bool m_locked = false;
};

class PiComposition : public OmComposition
{
public:
    /// A new, empty composition.
    static RCShdPtr<PiComposition> create(const std::string& name, const Rational& frameRate = Rational(24, 1));
    ~PiComposition() override;

    int getVersionNumber() const { return m_versionNumber; }
    /// Sets the version number (a user edit, undoable); observers get AttributeChanged for
    /// "Version Number".
    void setVersionNumber(int version);
    const Rational& getFrameRate() const { return m_frameRate; }
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    /// Where <Timecode> counting starts (the default counts from 00:00:00:00 at frame 0). Nodes
    /// read it when they build their processing nodes: set it before the graph's nodes are made.
    const LiTimeCodeOrigin& getTimeCodeOrigin() const { return m_timeCodeOrigin; }
    void setTimeCodeOrigin(const LiTimeCodeOrigin& origin) { m_timeCodeOrigin = origin; }

    /// The time the user looks at, in seconds; values are read at it when no time is given.
    double getCurrentTime() const { return m_currentTime; }
    /// Moves the current time (not an edit); values with animated content become invalid.
    void setCurrentTime(double seconds);

    /// Adds a graph (version) named `name` with the range [start, end) in frames of the
    /// composition's rate.
    RCShdPtr<PiGraph> createGraph(const std::string& name, std::int64_t startFrame, std::int64_t endFrame);

    /// The command stack recording the composition's edits.
    RCShdPtr<CmCommandStack> getCommandStack() const { return getCommandStackPtr(); }

    /// Ends the composition: destroys every controller, clears the history and lets go of the
    /// graphs. The composition stays readable (name, attributes) but empty.
    void close();

private:
    PiComposition(const std::string& name, const Rational& frameRate);

    int m_versionNumber = 1;
    Rational m_frameRate;
    LiTimeCodeOrigin m_timeCodeOrigin;
    double m_currentTime = 0.0;
    bool m_readOnly = false;
    std::vector<RCShdPtr<PiGraph>> m_graphs;
};

struct PiCompositionUtils
{
    /// The composition holding `graph`. Raises the host's null-pointer exception for a null graph;
    /// returns null for a graph no composition holds.
    static RCShdPtr<const PiComposition> getComposition(const RCShdPtr<const PiGraph>& graph);
    static RCShdPtr<PiComposition> getComposition(const RCShdPtr<PiGraph>& graph);
};

} // namespace Vx
