// The interfaces a tool's controller implements to take part in the graph, the processing graph
// and the user interface.
//
// - PiToolInterface: the tool's primary input and its reset.
// - PiTopologyInterface: told when an input of the node is connected or disconnected.
// - PiToolTopologyInterface: builds the node's processing nodes. The host calls createProcNodes
//   with an OutputPublisher through which the tool reaches the processing nodes that carry its
//   inputs' values; a tool asks for a rebuild with forceCreateProcNodes.
// - PiUserInterface: companions of the widgets of the tool's user interface.
// Main thread only; processing-node handles are made and released only there.
#pragma once

#include <Vx/Pi/PiNodeController.h>
#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxNode.h>

#include <string>

namespace Vx {

class PiInput;
class PiOutput;

class PiToolInterface : public virtual PiNodeController
{
public:
    /// The node's primary image input. Raises the host's null-pointer exception without a node
    /// or without a primary input.
    RCShdPtr<PiInput> getPrimaryInput();
    RCShdPtr<const PiInput> getPrimaryInput() const;
    /// The user resets the tool: every value input gets its policy's default (user edits, so
    /// undoable; inputs already at their default are not written).
    virtual void reset();
};

class PiTopologyInterface
{
public:
    virtual ~PiTopologyInterface() = default;
    /// `output` was connected to the node's `input`. The default does nothing.
    virtual void inputConnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output);
    /// The connection from `output` to `input` was removed. The default does nothing.
    virtual void inputDisconnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output);
};

class PiToolTopologyInterface : public PiTopologyInterface, public virtual PiNodeController
{
public:
    /// What a tool building its processing nodes reads the processing nodes of its inputs from.
    class OutputPublisher
    {
    public:
        explicit OutputPublisher(PiNode& node) : m_node(node) {}
        /// Starts a build: the tool makes this call before any other.
        void beginOutput() { m_begun = true; }
        bool hasBegun() const { return m_begun; }
        /// The processing node that carries input `name`'s value: a PxAnimValueNode<T> (T bool,
        /// int, double or std::string) kept up to date by the host as the value changes, constant
        /// or keyframed. For an image input, the processing node of the connected node's output
        /// (empty when nothing is connected); for a structured input, an empty handle (its members
        /// have nodes of their own). Throws std::invalid_argument naming an unknown input.
        PxNodePtr<PxNode const> getInputNode(const std::string& name) const;
        PiNode& getNode() const { return m_node; }

    private:
        PiNode& m_node;
        bool m_begun = false;
    };

    /// Rebuilds the node's processing nodes now (and makes the nodes downstream rebuild theirs).
    void forceCreateProcNodes();
    /// Builds the node's processing nodes and returns the one producing its output image.
    virtual PxNodePtr<PxImageProtocol const> createProcNodes(OutputPublisher& publisher) = 0;
};

/// A widget of a tool's user interface, as the host shows it.
class PiWidget : public RCObject
{
public:
    explicit PiWidget(std::string name) : m_name(std::move(name)) {}
    const std::string& getName() const { return m_name; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

private:
    std::string m_name;
    bool m_enabled = true;
};

class PiUserInterface
{
public:
    virtual ~PiUserInterface() = default;
    /// A companion object for `widget`, which the host keeps as long as the widget; null for none.
    /// `context` is the host's user-interface context code. The default gives none.
    virtual RCShdPtr<RCObject> createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context) const;
    virtual RCShdPtr<RCObject> createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context);
};

/// How the node appears in the schematic; no operations yet.
class PiSchematicInterface
{
public:
    virtual ~PiSchematicInterface() = default;
};

/// What the node produces besides its image; no operations yet.
class PiOutcomeInterface
{
public:
    virtual ~PiOutcomeInterface() = default;
};

} // namespace Vx
