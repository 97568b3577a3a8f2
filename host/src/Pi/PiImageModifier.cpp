// Image modifiers and their descriptor.
#include <Vx/Pi/PiImageModifier.h>

#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiToolRegistry.h>

#include <utility>

namespace Vx {

void PiImageModifier::Descriptor::setCanAffect(int type, bool can)
{
    m_affect = can ? (m_affect | type) : (m_affect & ~type);
}

void PiImageModifier::Descriptor::addEntry(const PolicyEntry& entry)
{
    PiToolPolicyDescriptor::addEntry(entry);
    if (m_host)
        m_host->declare(entry);
}

PiImageModifier::PiImageModifier(const char* uiDescriptionPath)
    : m_uiDescriptionPath(uiDescriptionPath ? uiDescriptionPath : "")
{
}

PiImageModifier::~PiImageModifier() = default;

PxNodePtr<PxImageProtocol const> PiImageModifier::createProcNodes(OutputPublisher& publisher)
{
    PxNodePtr<PxImageProtocol const> inputNode;
    RCShdPtr<PiNode> node = getNode();
    if (RCShdPtr<PiInput> primary = node->getPrimaryInput())
        inputNode = pxDownCast<PxImageProtocol const>(node->getValueProcNode(primary->getName()));
    return createModifierProcNode(publisher, inputNode);
}

void PiImageModifier::reset()
{
    PiToolInterface::reset();
}

const std::string& PiImageModifier::getMuteValueName()
{
    static const std::string name = "Mute";
    return name;
}

const std::string& PiImageModifier::getAffectValueName()
{
    static const std::string name = "Affect";
    return name;
}

const std::string& PiImageModifier::getOutputName()
{
    static const std::string name = "Output";
    return name;
}

const std::string& PiImageModifier::getMaskInputName()
{
    static const std::string name = "Mask";
    return name;
}

void PiImageModifier::addSingleImageInput(PiToolPolicyDescriptor& descriptor,
                                          const RCShdPtr<const PiImageInputPolicy>& policy,
                                          PiSocketType::Cardinality cardinality)
{
    if (!policy)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<const PiImageInputPolicy>)));
    const std::string name = policy->isPrimary() ? PiImageInputPolicy::getPrimaryInputName() : getMaskInputName();
    descriptor.requires(name, PiSocketType::Image, RCShdPtr<const PiInputPolicy>(policy), cardinality);
}

void PiImageModifier::describeMasking(Descriptor& descriptor)
{
    if (descriptor.getMaskingMode() == PiImageModifierTypes::NoMasking)
        return;
    descriptor.requires(getMaskInputName(), PiSocketType::Image, PiImageInputPolicy::create(3, 2, 1, 0, false),
                        PiSocketType::Single);
}

void PiImageModifier::addMaskingInputPolicies(PiNodeController& controller)
{
    PiToolInterfaceManip::addInputPolicy(controller, getMaskInputName(), PiImageInputPolicy::create(3, 2, 1, 0, false));
}

void PiImageModifier::registerTool(OPtr<PiToolProtocol> tool)
{
    PiToolRegistry::getInstance().registerTool(std::move(tool));
}

} // namespace Vx
