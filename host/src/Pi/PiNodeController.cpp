// Node controllers and the interfaces tools implement.
#include <Vx/Pi/PiNodeController.h>

#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiToolInterface.h>

#include <algorithm>

namespace Vx {

PiNodeController::PiNodeController() = default;

PiNodeController::~PiNodeController() = default;

RCShdPtr<PiNode> PiNodeController::getNode()
{
    return RCShdPtr<PiNode>(m_node);
}

RCShdPtr<const PiNode> PiNodeController::getNode() const
{
    return RCShdPtr<const PiNode>(m_node);
}

void PiNodeController::nodeAdded()
{
    nodeLoaded();
}

void PiNodeController::nodeLoaded() {}

void PiNodeController::addCallback(PiNodeEvent event, EventHandler* handler)
{
    m_callbacks.add(event, handler);
}

void PiNodeController::removeCallback(PiNodeEvent event, EventHandler* handler)
{
    m_callbacks.remove(event, handler);
}

bool PiNodeController::hasCallback(PiNodeEvent event, const EventHandler* handler) const
{
    return m_callbacks.contains(event, handler);
}

void PiNodeController::notifyEvent(PiNodeEvent event) const
{
    m_callbacks.notify(event, event);
}

RCShdPtr<const PiInputPolicy> PiNodeController::findInputPolicy(const std::string& name) const
{
    for (const auto& entry : m_policies)
        if (entry.first == name)
            return entry.second;
    return {};
}

void PiToolInterfaceManip::addInputPolicy(PiNodeController& controller, const std::string& name,
                                          const RCShdPtr<const PiInputPolicy>& policy)
{
    if (!policy)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInputPolicy>)));
    for (auto& entry : controller.m_policies) {
        if (entry.first == name) {
            entry.second = policy;
            return;
        }
    }
    controller.m_policies.emplace_back(name, policy);
}

RCShdPtr<PiInput> PiToolInterface::getPrimaryInput()
{
    RCShdPtr<PiNode> node = getNode();
    RCShdPtr<PiInput> input = node->getPrimaryInput();
    if (!input)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiInput>)));
    return input;
}

RCShdPtr<const PiInput> PiToolInterface::getPrimaryInput() const
{
    RCShdPtr<const PiNode> node = getNode();
    RCShdPtr<const PiInput> input(node->getPrimaryInput().get());
    if (!input)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInput>)));
    return input;
}

void PiToolInterface::reset()
{
    RCShdPtr<PiNode> node = getNode();
    for (const RCShdPtr<PiInput>& input : node->getInputs())
        input->resetToDefault();
}

void PiTopologyInterface::inputConnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
{
    (void)input;
    (void)output;
}

void PiTopologyInterface::inputDisconnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
{
    (void)input;
    (void)output;
}

PxNodePtr<PxNode const> PiToolTopologyInterface::OutputPublisher::getInputNode(const std::string& name) const
{
    return m_node.getValueProcNode(name);
}

void PiToolTopologyInterface::forceCreateProcNodes()
{
    getNode()->createProcNodes();
}

RCShdPtr<RCObject> PiUserInterface::createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context) const
{
    (void)widget;
    (void)context;
    return {};
}

RCShdPtr<RCObject> PiUserInterface::createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context)
{
    (void)widget;
    (void)context;
    return {};
}

} // namespace Vx
