// Nodes: their values, their controller and their processing nodes.
#include <Vx/Pi/PiNode.h>

#include <Vx/Cm/CmCommandStack.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiNodeController.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>
#include <Vx/Pi/PiToolInterface.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>
#include <Vx/Px/PxAnimValue.h>

#include <stdexcept>

namespace Vx {

namespace {

template <class T> std::vector<typename PxAnimValueNode<T>::Key> toProcKeys(const PiValueContent& content)
{
    std::vector<typename PxAnimValueNode<T>::Key> keys;
    for (const PiKey& key : content.getKeys())
        keys.push_back({key.time, piVariantGet<T>(key.value)});
    return keys;
}

/// Makes the processing node of a value of type T and the function that sends it new content.
template <class T>
std::pair<PxNodePtr<PxNode const>, std::function<void(const PiValueContent&)>>
makeValueProcNode(const PiValueContent& content, const Rational& frameRate)
{
    using Node = PxAnimValueNode<T>;
    PxStrongHndl<Node> node =
        content.isAnimated()
            ? pxCreateNode<Node>(toProcKeys<T>(content), frameRate)
            : pxCreateNode<Node>(PxResult<T>(piVariantGet<T>(content.getConstant()), PxValidityInterval::FULL));
    Node* raw = node.get();
    auto update = [raw](const PiValueContent& changed) {
        RCShdPtr<PxRequest> request;
        if (changed.isAnimated())
            request = makeShared<PxSetRequest<Node, const std::vector<typename Node::Key>&>>(
                RCShdPtr<Node>(raw), &Node::setKeys, toProcKeys<T>(changed), PxValidityInterval::FULL);
        else
            request = makeShared<PxSetRequest<Node, const PxResult<T>&>>(
                RCShdPtr<Node>(raw), &Node::setConstant,
                PxResult<T>(piVariantGet<T>(changed.getConstant()), PxValidityInterval::FULL),
                PxValidityInterval::FULL);
        PxRequestMgr::getInstance().queueRequest(request);
    };
    return {PxNodePtr<PxNode const>(node), update};
}

RCShdPtr<PiValue> makeStoredValue(PiNode* node, const std::string& name, const RCShdPtr<const PiInputPolicy>& policy)
{
    const auto* stored = dynamic_cast<const PiStoredValuePolicy*>(policy.get());
    if (!stored)
        throw std::invalid_argument("The stored value \"" + name + "\" has no stored-value policy.");
    switch (stored->getValueType().getCode()) {
    case PiValueType::Bool:
        return makeShared<PiTypedValue<bool>>(node, name, policy);
    case PiValueType::Int:
        return makeShared<PiTypedValue<int>>(node, name, policy);
    case PiValueType::Double:
        return makeShared<PiTypedValue<double>>(node, name, policy);
    case PiValueType::String:
        return makeShared<PiTypedValue<std::string>>(node, name, policy);
    case PiValueType::ImageFormat:
        return makeShared<PiTypedValue<PxImageFormat>>(node, name, policy);
    default:
        throw std::invalid_argument("The stored value \"" + name + "\" has the value type " +
                                    std::to_string(stored->getValueType().getCode()) + ", which cannot be stored.");
    }
}

} // namespace

PiNode::PiNode(PiGraph* graph, std::string name) : OmComponent(std::move(name)), m_graph(graph) {}

PiNode::~PiNode()
{
    // Normally torn down by its graph; a node let go of elsewhere still unbinds its controller
    // first, so that the controller's destructor finds no node rather than a dying one.
    if (m_controller) {
        m_controller->attachNode(nullptr);
        m_controller.reset();
    }
    m_procNode.reset();
    m_valueProcNodes.clear();
    for (const auto& input : m_inputs)
        input->releaseLinks();
    for (const auto& value : m_storedValues)
        value->detachFromNode();
    for (const auto& output : m_outputs)
        output->detachFromNode();
}

void PiNode::addInput(const std::string& name, const RCShdPtr<const PiInputPolicy>& policy, PiInput* parent)
{
    if (getInput(name, false))
        throw std::invalid_argument("The node \"" + getName() + "\" already has an input named \"" + name + "\".");
    auto input = makeShared<PiInput>(this, name, policy, parent);
    m_inputs.push_back(input);
    if (parent)
        parent->addMember(input);
    if (input->holdsValue())
        input->applyOutput(makeShared<PiOutput>(this, name, policy->getSocketType(), PiOutput::Kind::ValueSource));
    if (const auto* structure = dynamic_cast<const PiStructuredInputPolicy*>(policy.get()))
        for (const auto& member : structure->getMembers())
            addInput(name + "." + member.name, member.policy, input.get());
}

void PiNode::build(const RCShdPtr<PiNodeController>& controller)
{
    if (!controller)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiNodeController>)));
    for (const auto& [name, policy] : controller->getInputPolicies()) {
        switch (policy->getRole()) {
        case PiInputPolicy::Role::Input:
            addInput(name, policy, nullptr);
            break;
        case PiInputPolicy::Role::StoredValue:
            m_storedValues.push_back(makeStoredValue(this, name, policy));
            break;
        case PiInputPolicy::Role::Output:
            m_outputs.push_back(makeShared<PiOutput>(this, name, policy->getSocketType(), PiOutput::Kind::Image));
            break;
        }
    }
    m_controller = controller;
    m_controller->attachNode(this);
}

template <class Item>
RCShdPtr<Item> PiNode::findNamed(const std::vector<RCShdPtr<Item>>& items, const std::string& name, bool mustExist,
                                 const char* kind) const
{
    for (const auto& item : items)
        if (item->getName() == name)
            return item;
    if (mustExist)
        throw std::invalid_argument("The node \"" + getName() + "\" has no " + kind + " named \"" + name + "\".");
    return {};
}

RCShdPtr<PiInput> PiNode::getInput(const std::string& name, bool mustExist)
{
    return findNamed(m_inputs, name, mustExist, "input");
}

RCShdPtr<const PiInput> PiNode::getInput(const std::string& name, bool mustExist) const
{
    return RCShdPtr<const PiInput>(const_cast<PiNode*>(this)->getInput(name, mustExist).get());
}

RCShdPtr<PiValue> PiNode::getStoredValue(const std::string& name, bool mustExist)
{
    return findNamed(m_storedValues, name, mustExist, "stored value");
}

RCShdPtr<const PiValue> PiNode::getStoredValue(const std::string& name, bool mustExist) const
{
    return RCShdPtr<const PiValue>(const_cast<PiNode*>(this)->getStoredValue(name, mustExist).get());
}

RCShdPtr<PiOutput> PiNode::getOutput(const std::string& name, bool mustExist) const
{
    return findNamed(m_outputs, name, mustExist, "output");
}

RCShdPtr<PiInput> PiNode::getPrimaryInput() const
{
    for (const auto& input : m_inputs)
        if (input->isPrimary())
            return input;
    return {};
}

RCShdPtr<PiGraph> PiNode::getGraph()
{
    return RCShdPtr<PiGraph>(m_graph);
}

RCShdPtr<const PiGraph> PiNode::getGraph() const
{
    return RCShdPtr<const PiGraph>(m_graph);
}

CmCommandStack* PiNode::getEditStack() const
{
    return m_graph ? m_graph->getEditStack() : nullptr;
}

RCShdPtr<PiCommandStack> PiNode::getCommandStack() const
{
    return RCShdPtr<PiCommandStack>(getEditStack());
}

void PiNode::notifyChange(const ObHints& hints) const
{
    notifyObservers(hints);
    if (m_graph)
        m_graph->notifyObservers(hints);
}

PxNodePtr<PxImageProtocol const> PiNode::getProcNode()
{
    if (!m_procNode && !m_building)
        createProcNodes();
    return m_procNode;
}

void PiNode::createProcNodes()
{
    auto* topology = dynamic_cast<PiToolTopologyInterface*>(m_controller.get());
    if (!topology) {
        m_procNode.reset();
        return;
    }
    if (m_building)
        throw std::logic_error("The node \"" + getName() + "\" asked for its processing nodes while building them.");
    m_building = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_building};
    PiToolTopologyInterface::OutputPublisher publisher(*this);
    PxNodePtr<PxImageProtocol const> result = topology->createProcNodes(publisher);
    m_procNode = result;
    ++m_buildCount;
    if (m_graph)
        for (const auto& downstream : m_graph->getDownstreamNodes(*this))
            downstream->invalidateProcNodes();
}

void PiNode::invalidateProcNodes()
{
    if (!m_procNode)
        return;
    m_procNode.reset();
    if (m_graph)
        for (const auto& downstream : m_graph->getDownstreamNodes(*this))
            downstream->invalidateProcNodes();
}

PxNodePtr<PxNode const> PiNode::getValueProcNode(const std::string& name)
{
    const RCShdPtr<PiInput> input = getInput(name, true);
    if (input->isImageInput()) {
        if (!input->isConnected())
            return {};
        RCShdPtr<PiNode> upstream = input->getOutput()->getNode();
        return upstream ? PxNodePtr<PxNode const>(upstream->getProcNode()) : PxNodePtr<PxNode const>();
    }
    if (!input->holdsValue())
        return {};
    const auto found = m_valueProcNodes.find(name);
    if (found != m_valueProcNodes.end())
        return found->second.node;

    Rational frameRate(24, 1);
    if (m_graph)
        if (const RCShdPtr<PiComposition> composition = m_graph->getComposition())
            frameRate = composition->getFrameRate();
    const PiValueContent& content = input->getContent();
    std::pair<PxNodePtr<PxNode const>, std::function<void(const PiValueContent&)>> made;
    switch (content.getConstant().index()) {
    case 0:
        made = makeValueProcNode<bool>(content, frameRate);
        break;
    case 1:
        made = makeValueProcNode<int>(content, frameRate);
        break;
    case 2:
        made = makeValueProcNode<double>(content, frameRate);
        break;
    case 3:
        made = makeValueProcNode<std::string>(content, frameRate);
        break;
    default:
        throw std::invalid_argument("The input \"" + name + "\" holds a value that no processing node carries.");
    }
    m_valueProcNodes[name] = ValueProcNode{made.first, made.second};
    return made.first;
}

void PiNode::syncValueProcNode(const PiValue& value)
{
    const auto found = m_valueProcNodes.find(value.getName());
    if (found != m_valueProcNodes.end() && dynamic_cast<const PiInput*>(&value))
        found->second.update(value.getContent());
}

void PiNode::notifyValueChanged(PiValue& value)
{
    // The processing graph follows at once; the tools hear of a user edit once it has executed.
    syncValueProcNode(value);
    const RCShdPtr<PiNode> node(this);
    const RCShdPtr<PiValue> changed(&value);
    auto tell = [node, changed] {
        changed->notifyListeners();
        if (auto* listener = dynamic_cast<PiValueChangeInterface*>(node->m_controller.get()))
            listener->valueChanged(changed);
    };
    CmCommandStack* stack = getEditStack();
    if (!stack || !stack->deferUntilExecuted(tell))
        tell();
}

void PiNode::notifyConnection(PiInput& input, const RCShdPtr<PiOutput>& output, bool connected)
{
    const RCShdPtr<PiNode> keepAlive(this);
    const int buildsBefore = m_buildCount;
    if (auto* topology = dynamic_cast<PiTopologyInterface*>(m_controller.get())) {
        if (connected)
            topology->inputConnected(RCShdPtr<PiInput>(&input), output);
        else
            topology->inputDisconnected(RCShdPtr<PiInput>(&input), output);
    }
    if (m_controller)
        m_controller->notifyEvent(connected ? PiNodeEvent::SocketConnected : PiNodeEvent::SocketDisconnected);
    // An image connection the controller did not rebuild for makes the processing nodes out of
    // date; they are rebuilt when next asked for.
    if (input.isImageInput() && m_buildCount == buildsBefore)
        invalidateProcNodes();
    notifyComponentChange(OmComponentsHint::Kind::LinkChanged, input.getName());
}

void PiNode::tearDown()
{
    if (m_controller) {
        RCShdPtr<PiNodeController> controller = std::move(m_controller);
        // A controller someone else still holds must not keep a pointer to a node going away.
        if (controller->getRefCount() > 1)
            controller->attachNode(nullptr);
        controller.reset(); // the controller's destructor still reaches this node and its graph
    }
    m_procNode.reset();
    m_valueProcNodes.clear();
    for (const auto& input : m_inputs)
        input->releaseLinks();
    for (const auto& value : m_storedValues)
        value->detachFromNode();
    for (const auto& output : m_outputs)
        output->detachFromNode();
}

} // namespace Vx
