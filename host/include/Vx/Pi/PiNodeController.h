// The controller of a node: the tool's graph-side object, told by the host what happens to its
// node.
//
// A tool's protocol creates one controller per node and attaches the tool's input policies to it
// (PiToolInterfaceManip::addInputPolicy); the graph builds the node's inputs from those policies,
// attaches the controller, and calls nodeAdded() for a new node or nodeLoaded() for a node
// restored with saved values. The node owns its controller from then on; the controller reaches
// its node through getNode() (null once the node is gone).
//
// A controller that also derives from PiValueChangeInterface is told of every change of its
// node's values. Node events (connections) reach handlers registered with addCallback. Main
// thread only.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/Pi/PiInputPolicy.h>
#include <Vx/RC/RCShdPtr.h>

#include <string>
#include <utility>
#include <vector>

namespace Vx {

class PiNode;
class PiValue;

/// Events of a node that handlers can register for.
enum class PiNodeEvent
{
    SocketConnected,    ///< an output was connected to one of the node's inputs
    SocketDisconnected, ///< a connection to one of the node's inputs was removed
};

class PiNodeController : public RCObject
{
public:
    using EventHandler = CbHandler<void, const PiNodeEvent&>;
    using PolicyList = std::vector<std::pair<std::string, RCShdPtr<const PiInputPolicy>>>;

    PiNodeController();
    ~PiNodeController() override;
    PiNodeController(const PiNodeController&) = delete;
    PiNodeController& operator=(const PiNodeController&) = delete;

    /// The controlled node; null before the node is made and after it is gone.
    RCShdPtr<PiNode> getNode();
    RCShdPtr<const PiNode> getNode() const;

    /// A new node was made for this controller. The default calls nodeLoaded().
    virtual void nodeAdded();
    /// The node is ready (new, or restored with its saved values). The default does nothing.
    virtual void nodeLoaded();

    /// Calls `handler` with the event whenever `event` happens to the node, until removed. The
    /// handler is not owned: the registration ends when it is removed or when the handler is
    /// destroyed, whichever comes first, and the controller's destruction ends it too.
    /// Registering a handler twice for one event changes nothing.
    void addCallback(PiNodeEvent event, EventHandler* handler);
    /// Ends the calls of `handler` for `event`; removing one not registered does nothing.
    void removeCallback(PiNodeEvent event, EventHandler* handler);
    bool hasCallback(PiNodeEvent event, const EventHandler* handler) const;

    /// The input policies attached to this controller, in the order attached.
    const PolicyList& getInputPolicies() const { return m_policies; }
    /// The policy attached under `name`, or null.
    RCShdPtr<const PiInputPolicy> findInputPolicy(const std::string& name) const;

    /// Host side: binds the controller to its node (null: unbinds).
    void attachNode(PiNode* node) { m_node = node; }
    /// Host side: calls the handlers registered for `event`, oldest first.
    void notifyEvent(PiNodeEvent event) const;

private:
    friend class PiToolInterfaceManip;

    PiNode* m_node = nullptr;
    PolicyList m_policies;
    CbCallbackList<PiNodeEvent, EventHandler> m_callbacks;
};

/// Told of the changes of the node's values (inputs and stored values), edits and undos alike.
class PiValueChangeInterface
{
public:
    virtual ~PiValueChangeInterface() = default;
    virtual void valueChanged(const RCShdPtr<PiValue>& value) = 0;
};

/// Attaches input policies to a controller; used by tool protocols and by the host.
class PiToolInterfaceManip
{
public:
    virtual ~PiToolInterfaceManip() = default;
    /// Attaches `policy` under `name`. A name attached before keeps its place and gets the new
    /// policy. Raises the host's null-pointer exception for a null policy.
    static void addInputPolicy(PiNodeController& controller, const std::string& name,
                               const RCShdPtr<const PiInputPolicy>& policy);
};

} // namespace Vx
