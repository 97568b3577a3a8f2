// A node of a composition graph: one use of a tool, with its inputs, stored values, outputs, its
// controller and its processing nodes.
//
// A node is made by PiGraph::createNode from a controller carrying the tool's input policies, and
// lives as long as its graph holds it (or anyone else holds a handle). It owns its controller.
// Its processing nodes are built on demand (getProcNode) by the controller, through a
// PiToolTopologyInterface, and rebuilt when the controller asks for it; the processing nodes that
// carry its inputs' values are made on first request and kept up to date by set-requests as the
// values change. Attribute changes of a node are told to its own observers and to its graph's.
// Main thread only.
#pragma once

#include <Vx/Om/OmComponent.h>
#include <Vx/Pi/PiCommandStack.h>
#include <Vx/Pi/PiInput.h>
#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxNode.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Vx {

class PiGraph;
class PiNodeController;

class PiNode : public OmComponent
{
public:
    PiNode(PiGraph* graph, std::string name);
    ~PiNode() override;

    /// The input `name` (a member of a structure is "Structure.Member"). When missing: throws
    /// std::invalid_argument naming the node and the input if `mustExist`, else returns null.
    RCShdPtr<PiInput> getInput(const std::string& name, bool mustExist);
    RCShdPtr<const PiInput> getInput(const std::string& name, bool mustExist) const;
    /// Every input, structures before their members, in declaration order.
    const std::vector<RCShdPtr<PiInput>>& getInputs() const { return m_inputs; }
    /// The stored value `name` (see getInput for a missing one).
    RCShdPtr<PiValue> getStoredValue(const std::string& name, bool mustExist);
    RCShdPtr<const PiValue> getStoredValue(const std::string& name, bool mustExist) const;
    /// The output `name` (see getInput for a missing one).
    RCShdPtr<PiOutput> getOutput(const std::string& name, bool mustExist) const;
    /// The primary image input, or null.
    RCShdPtr<PiInput> getPrimaryInput() const;

    /// The graph holding the node; null once removed.
    RCShdPtr<PiGraph> getGraph();
    RCShdPtr<const PiGraph> getGraph() const;
    PiGraph* getGraphPtr() const { return m_graph; }
    /// The command stack that records edits of this node (its composition's); null without one.
    RCShdPtr<PiCommandStack> getCommandStack() const;
    CmCommandStack* getEditStack() const override;
    /// The node's controller; null once the node is being destroyed.
    PiNodeController* getController() const { return m_controller.get(); }

    /// The processing node producing the node's output image, built first if needed. Empty for a
    /// controller that builds no processing nodes.
    PxNodePtr<PxImageProtocol const> getProcNode();
    /// Rebuilds the processing nodes now, and marks those of the nodes downstream out of date.
    void createProcNodes();
    /// Forgets the processing nodes; the next getProcNode() rebuilds them.
    void invalidateProcNodes();
    bool hasProcNodes() const { return !m_procNode.isNull(); }
    /// The processing node carrying input `name`'s value (see
    /// PiToolTopologyInterface::OutputPublisher::getInputNode).
    PxNodePtr<PxNode const> getValueProcNode(const std::string& name);
    /// How many builds of the processing nodes ran.
    int getProcBuildCount() const { return m_buildCount; }

    /// Host side: builds the inputs, stored values and outputs from the controller's policies,
    /// takes the controller and binds it to the node.
    void build(const RCShdPtr<PiNodeController>& controller);
    /// Host side: a value of this node changed; tells the processing graph, the value's listeners
    /// and the controller.
    void notifyValueChanged(PiValue& value);
    /// Host side: an input of this node was connected (or disconnected) to `output`.
    void notifyConnection(PiInput& input, const RCShdPtr<PiOutput>& output, bool connected);
    /// Host side: destroys the controller while the node and its graph are still reachable, then
    /// releases the processing nodes and unlinks the values. The node is unusable afterwards.
    void tearDown();
    /// Host side: the graph lets go of the node.
    void detachFromGraph() { m_graph = nullptr; }

protected:
    void notifyChange(const ObHints& hints) const override;

private:
    /// The item of `items` named `name`; empty, or an error naming the node and the `kind` of
    /// item when `mustExist`.
    template <class Item>
    RCShdPtr<Item> findNamed(const std::vector<RCShdPtr<Item>>& items, const std::string& name, bool mustExist,
                             const char* kind) const;
    void addInput(const std::string& name, const RCShdPtr<const PiInputPolicy>& policy, PiInput* parent);
    void syncValueProcNode(const PiValue& value);

    struct ValueProcNode
    {
        PxNodePtr<PxNode const> node;
        std::function<void(const PiValueContent&)> update; // queues a set-request
    };

    PiGraph* m_graph;
    RCShdPtr<PiNodeController> m_controller;
    std::vector<RCShdPtr<PiInput>> m_inputs;
    std::vector<RCShdPtr<PiValue>> m_storedValues;
    std::vector<RCShdPtr<PiOutput>> m_outputs;
    PxNodePtr<PxImageProtocol const> m_procNode;
    std::map<std::string, ValueProcNode> m_valueProcNodes;
    int m_buildCount = 0;
    bool m_building = false;
};

} // namespace Vx
