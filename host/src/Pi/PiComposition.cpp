// Compositions, graphs, connections and the time range.
#include <Vx/Pi/PiComposition.h>

#include <Vx/Cm/CmCommandStack.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace Vx {

namespace {

/// Replaces what feeds an input; undo restores what fed it before.
class PiConnectionCommand : public CmCommand
{
public:
    PiConnectionCommand(PiGraph& graph, const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
        : m_graph(&graph), m_input(input), m_output(output)
    {
    }
    std::string getName() const override { return m_output && !m_output->isValueSource() ? "Connect" : "Disconnect"; }
    void execute() override
    {
        m_previous = m_input->getOutput();
        m_graph->applyConnection(m_input, m_output);
    }
    void undo() override { m_graph->applyConnection(m_input, m_previous); }

private:
    RCShdPtr<PiGraph> m_graph;
    RCShdPtr<PiInput> m_input;
    RCShdPtr<PiOutput> m_output;
    RCShdPtr<PiOutput> m_previous;
};

std::string describe(const DtTime& time)
{
    std::ostringstream text;
    text << time.frames << "@" << time.rate;
    return text.str();
}

} // namespace

void PiCompositionGraphController::applyTimeRange(const DtTime& start, const DtTime& end)
{
    const bool startChanged = start.frames != m_start.frames || start.rate != m_start.rate;
    const bool endChanged = end.frames != m_end.frames || end.rate != m_end.rate;
    m_start = start;
    m_end = end;
    if (startChanged)
        m_callbacks.notify(TmTimeEvent::StartTimeChanged);
    if (endChanged)
        m_callbacks.notify(TmTimeEvent::EndTimeChanged);
}

PiGraph::PiGraph(PiComposition* composition, std::string name, const DtTime& start, const DtTime& end)
    : OmGraph(std::move(name), composition), m_composition(composition),
      m_graphController(makeShared<PiCompositionGraphController>(start, end)), m_controller(m_graphController)
{
}

PiGraph::~PiGraph()
{
    close();
}

RCShdPtr<PiComposition> PiGraph::getComposition() const
{
    return RCShdPtr<PiComposition>(m_composition);
}

void PiGraph::detachComposition()
{
    m_composition = nullptr;
    detachFromComposition();
}

bool PiGraph::isModifiable(bool includeComposition) const
{
    if (m_locked)
        return false;
    return !includeComposition || !m_composition || !m_composition->isReadOnly();
}

void PiGraph::setTimeRange(const DtTime& start, const DtTime& end)
{
    if (start.rate != end.rate || end.frames < start.frames)
        throw std::invalid_argument(
            "The time range from " + describe(start) + " to " + describe(end) +
            " is not valid: both ends must count frames of one rate, the end not before the start.");
    DtTime oldStart;
    DtTime oldEnd;
    getTimeRange(oldStart, oldEnd);
    if (oldStart.frames == start.frames && oldEnd.frames == end.frames && oldStart.rate == start.rate)
        return;
    RCShdPtr<PiCompositionGraphController> controller = m_graphController;
    auto command = makeShared<CmFunctionCommand>(
        "Set Time Range", [controller, start, end] { controller->applyTimeRange(start, end); },
        [controller, oldStart, oldEnd] { controller->applyTimeRange(oldStart, oldEnd); });
    if (CmCommandStack* stack = getEditStack())
        stack->submit(command);
    else
        command->execute();
}

RCShdPtr<PiNode> PiGraph::createNode(const std::string& name, OPtr<PiNodeController> controller, PiNodeOrigin origin,
                                     const std::map<std::string, PiValueContent>& saved)
{
    if (!controller)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(OPtr<PiNodeController>)));
    RCShdPtr<PiNodeController> owned(controller.release());
    auto node = makeShared<PiNode>(this, name);
    node->build(owned);
    for (const auto& [valueName, content] : saved) {
        RCShdPtr<PiValue> value = node->getInput(valueName, false);
        if (!value)
            value = node->getStoredValue(valueName, false);
        if (!value)
            throw std::invalid_argument("The saved value \"" + valueName + "\" names nothing on the node \"" + name +
                                        "\".");
        value->restoreContent(content);
    }
    m_nodes.push_back(node);
    if (origin == PiNodeOrigin::Created)
        owned->nodeAdded();
    else
        owned->nodeLoaded();
    return node;
}

void PiGraph::removeNode(const RCShdPtr<PiNode>& node)
{
    const auto found = std::find(m_nodes.begin(), m_nodes.end(), node);
    if (found == m_nodes.end())
        return;
    for (const auto& downstream : getDownstreamNodes(*node))
        for (const auto& input : downstream->getInputs())
            if (input->isConnected() && input->getOutput()->getNodePtr() == node.get())
                applyConnection(input, {});
    // Recorded commands may refer to the node; the history cannot be replayed without it.
    if (CmCommandStack* stack = getEditStack())
        stack->clear();
    node->tearDown();
    node->detachFromGraph();
    m_nodes.erase(std::find(m_nodes.begin(), m_nodes.end(), node));
}

RCShdPtr<PiNode> PiGraph::findNode(const std::string& name) const
{
    for (const auto& node : m_nodes)
        if (node->getName() == name)
            return node;
    return {};
}

void PiGraph::connect(const RCShdPtr<PiOutput>& output, const RCShdPtr<PiInput>& input)
{
    if (!output)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiOutput>)));
    if (!input)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiInput>)));
    PiNode* target = input->getNodePtr();
    PiNode* source = output->getNodePtr();
    if (!target || target->getGraphPtr() != this || !source || source->getGraphPtr() != this)
        throw std::invalid_argument("The output \"" + output->getName() + "\" and the input \"" + input->getName() +
                                    "\" must both belong to nodes of the graph \"" + getName() + "\".");
    if (!input->isImageInput() || output->getKind() != PiOutput::Kind::Image)
        throw std::invalid_argument("Only image outputs connect to image inputs; \"" + output->getName() +
                                    "\" cannot feed \"" + input->getName() + "\".");
    // A cycle would appear if the target already feeds the source, directly or not.
    std::vector<PiNode*> pending{source};
    while (!pending.empty()) {
        PiNode* node = pending.back();
        pending.pop_back();
        if (node == target)
            throw std::invalid_argument("Connecting \"" + source->getName() + "\" to \"" + target->getName() +
                                        "\" would make a cycle.");
        for (const auto& upstreamInput : node->getInputs())
            if (upstreamInput->isConnected())
                if (PiNode* upstream = upstreamInput->getOutput()->getNodePtr())
                    pending.push_back(upstream);
    }
    if (input->getOutput() == output)
        return;
    auto command = makeShared<PiConnectionCommand>(*this, input, output);
    if (CmCommandStack* stack = getEditStack())
        stack->submit(command);
    else
        command->execute();
}

void PiGraph::disconnect(const RCShdPtr<PiInput>& input)
{
    if (!input)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiInput>)));
    if (!input->getOutput())
        return;
    auto command = makeShared<PiConnectionCommand>(*this, input, RCShdPtr<PiOutput>());
    if (CmCommandStack* stack = getEditStack())
        stack->submit(command);
    else
        command->execute();
}

void PiGraph::applyConnection(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
{
    const RCShdPtr<PiOutput> previous = input->getOutput();
    if (previous == output)
        return;
    input->applyOutput(output);
    PiNode* node = input->getNodePtr();
    if (!node)
        return;
    if (previous)
        node->notifyConnection(*input, previous, false);
    if (output)
        node->notifyConnection(*input, output, true);
}

std::vector<RCShdPtr<PiNode>> PiGraph::getDownstreamNodes(const PiNode& node) const
{
    std::vector<RCShdPtr<PiNode>> result;
    for (const auto& candidate : m_nodes) {
        for (const auto& input : candidate->getInputs()) {
            if (input->isConnected() && input->getOutput()->getNodePtr() == &node) {
                result.push_back(candidate);
                break;
            }
        }
    }
    return result;
}

void PiGraph::close()
{
    // Controllers first, while every node and this graph can still be reached from them.
    const std::vector<RCShdPtr<PiNode>> nodes = m_nodes;
    for (const auto& node : nodes)
        node->tearDown();
    for (const auto& node : nodes)
        node->detachFromGraph();
    m_nodes.clear();
}

PiComposition::PiComposition(const std::string& name, const Rational& frameRate)
    : OmComposition(name), m_frameRate(frameRate)
{
    if (!frameRate.isValid()) {
        std::ostringstream message;
        message << "The frame rate " << frameRate << " of the composition \"" << name << "\" is not valid.";
        throw std::invalid_argument(message.str());
    }
}

RCShdPtr<PiComposition> PiComposition::create(const std::string& name, const Rational& frameRate)
{
    return RCShdPtr<PiComposition>(new PiComposition(name, frameRate));
}

PiComposition::~PiComposition()
{
    // Nothing holds this composition any more: graphs must not hand it out while being closed.
    for (const auto& graph : m_graphs)
        graph->detachComposition();
    for (const auto& graph : m_graphs)
        graph->close();
}

void PiComposition::setVersionNumber(int version)
{
    if (version == m_versionNumber)
        return;
    const int previous = m_versionNumber;
    PiComposition* self = this;
    auto apply = [self](int value) {
        self->m_versionNumber = value;
        self->notifyComponentChange(OmComponentsHint::Kind::AttributeChanged, "Version Number");
    };
    getCommandStackPtr()->submit(makeShared<CmFunctionCommand>(
        "Set Version Number", [apply, version] { apply(version); }, [apply, previous] { apply(previous); }));
}

void PiComposition::setCurrentTime(double seconds)
{
    if (seconds == m_currentTime)
        return;
    m_currentTime = seconds;
    for (const auto& graph : m_graphs)
        for (const auto& node : graph->getNodes())
            for (const auto& input : node->getInputs())
                input->notifyTimeChanged();
}

RCShdPtr<PiGraph> PiComposition::createGraph(const std::string& name, std::int64_t startFrame, std::int64_t endFrame)
{
    if (endFrame < startFrame)
        throw std::invalid_argument("The graph \"" + name + "\" cannot end at frame " + std::to_string(endFrame) +
                                    ", before its start at frame " + std::to_string(startFrame) + ".");
    auto graph = makeShared<PiGraph>(this, name, DtTime{startFrame, m_frameRate}, DtTime{endFrame, m_frameRate});
    m_graphs.push_back(graph);
    return graph;
}

void PiComposition::close()
{
    const std::vector<RCShdPtr<PiGraph>> graphs = m_graphs;
    for (const auto& graph : graphs)
        graph->close();
    getCommandStackPtr()->clear();
    for (const auto& graph : graphs)
        graph->detachComposition();
    m_graphs.clear();
}

RCShdPtr<const PiComposition> PiCompositionUtils::getComposition(const RCShdPtr<const PiGraph>& graph)
{
    if (!graph)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiGraph>)));
    return RCShdPtr<const PiComposition>(graph->getComposition().get());
}

RCShdPtr<PiComposition> PiCompositionUtils::getComposition(const RCShdPtr<PiGraph>& graph)
{
    if (!graph)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiGraph>)));
    return graph->getComposition();
}

} // namespace Vx
