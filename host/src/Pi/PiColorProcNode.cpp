// Colour inputs and their processing node.
#include <Vx/Pi/PiColorProcNode.h>

#include <Vx/Pi/PiRangeInputPolicy.h>

#include <stdexcept>

namespace Vx {

const char* const PiColorProcNode::kRed = "Red";
const char* const PiColorProcNode::kGreen = "Green";
const char* const PiColorProcNode::kBlue = "Blue";

void PiColorProcNode::describe(const std::string& name, PiToolPolicyDescriptor& descriptor, double min, double max,
                               double defaultValue)
{
    PiStructuredPolicyDescriptor channels;
    for (const char* channel : {kRed, kGreen, kBlue})
        channels.add(channel, PiSocketType::Double,
                     PiRangeInputPolicy<double>::create(min, max, defaultValue, true, false), PiSocketType::Single);
    descriptor.requires(name, PiSocketType::Color,
                        RCShdPtr<const PiInputPolicy>(channels.createPolicy(PiSocketType::Color)),
                        PiSocketType::Single);
}

namespace {
PxNodePtr<PxAnimValueProtocol<double> const> channelNode(PiToolTopologyInterface::OutputPublisher& publisher,
                                                         const PiInput& input, const char* channel)
{
    return pxDownCast<PxAnimValueProtocol<double> const>(publisher.getInputNode(input.getName() + "." + channel));
}
} // namespace

PiColorProcNode::PiColorProcNode(const Init& init, PiToolTopologyInterface::OutputPublisher& publisher,
                                 const RCShdPtr<const PiInput>& input)
    : PxNode(init)
{
    if (!input)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiInput>)));
    if (input->getSocketType() != PiSocketType::Color)
        throw std::invalid_argument("The input \"" + input->getName() + "\" is not a colour input.");
    m_red = channelNode(publisher, *input, kRed);
    m_green = channelNode(publisher, *input, kGreen);
    m_blue = channelNode(publisher, *input, kBlue);
}

PiColorProcNode::~PiColorProcNode()
{
    unregisterChild(PxNodePtr<PxNode const>(m_red));
    unregisterChild(PxNodePtr<PxNode const>(m_green));
    unregisterChild(PxNodePtr<PxNode const>(m_blue));
}

void PiColorProcNode::init()
{
    PxAnimValueProtocol<CoRgbColorTyped<float>>::init();
    registerChild(PxNodePtr<PxNode const>(m_red));
    registerChild(PxNodePtr<PxNode const>(m_green));
    registerChild(PxNodePtr<PxNode const>(m_blue));
}

PxResult<CoRgbColorTyped<float>> PiColorProcNode::getValue(double time) const
{
    PxResult<CoRgbColorTyped<float>> result;
    const auto read = [&](const PxNodePtr<PxAnimValueProtocol<double> const>& node) {
        if (!node)
            return 0.0f;
        const PxResult<double> channel = node->getValue(time);
        result.validity.intersect(channel.validity);
        return float(channel.value);
    };
    result.value.red = read(m_red);
    result.value.green = read(m_green);
    result.value.blue = read(m_blue);
    return result;
}

} // namespace Vx
