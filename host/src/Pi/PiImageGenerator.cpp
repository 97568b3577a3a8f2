// The inputs shared by image generators.
#include <Vx/Pi/PiImageGenerator.h>

#include <Vx/Pi/PiColorProcNode.h>
#include <Vx/Pi/PiEnumPolicy.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiRangeInputPolicy.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>
#include <Vx/Pi/PiUndoGuardNoLog.h>

#include <limits>

namespace Vx {

namespace {
constexpr double kLargest = double(std::numeric_limits<float>::max());
} // namespace

#define VX_GENERATOR_NAME(function, text)                                                                              \
    const std::string& PiImageGenerator::function()                                                                    \
    {                                                                                                                  \
        static const std::string name = text;                                                                          \
        return name;                                                                                                   \
    }

VX_GENERATOR_NAME(getFormatValueName, "Format")
VX_GENERATOR_NAME(getXResolutionInputName, "Resolution X")
VX_GENERATOR_NAME(getYResolutionInputName, "Resolution Y")
VX_GENERATOR_NAME(getFillColorInputName, "Fill Color")
VX_GENERATOR_NAME(getFillAlphaInputName, "Fill Alpha")
VX_GENERATOR_NAME(getInTimeInputName, "In Time")
VX_GENERATOR_NAME(getOutTimeInputName, "Out Time")
VX_GENERATOR_NAME(getRepeatModeInputName, "Repeat Mode")
VX_GENERATOR_NAME(getLockDurationInputName, "Lock Duration")
VX_GENERATOR_NAME(getTimeOffsetInputName, "Time Offset")

#undef VX_GENERATOR_NAME

void PiImageGeneratorImp::describeInputs(PiToolPolicyDescriptor& descriptor)
{
    using G = PiImageGenerator;
    descriptor.stores(G::getFormatValueName(), PiValueType::ImageFormat);
    descriptor.requires(G::getXResolutionInputName(), PiSocketType::Integer,
                        PiRangeInputPolicy<int>::create(0, 65536, 0, true, false), PiSocketType::Single);
    descriptor.requires(G::getYResolutionInputName(), PiSocketType::Integer,
                        PiRangeInputPolicy<int>::create(0, 65536, 0, true, false), PiSocketType::Single);
    PiColorProcNode::describe(G::getFillColorInputName(), descriptor, -kLargest, kLargest, 0.0);
    descriptor.requires(G::getFillAlphaInputName(), PiSocketType::Double,
                        PiRangeInputPolicy<double>::create(0.0, 1.0, 1.0, true, false), PiSocketType::Single);
    descriptor.requires(G::getInTimeInputName(), PiSocketType::Double,
                        PiRangeInputPolicy<double>::create(-kLargest, kLargest, 0.0, true, false),
                        PiSocketType::Single);
    descriptor.requires(G::getOutTimeInputName(), PiSocketType::Double,
                        PiRangeInputPolicy<double>::create(-kLargest, kLargest, kLargest, true, false),
                        PiSocketType::Single);
    descriptor.requires(G::getRepeatModeInputName(), PiSocketType::Enumeration,
                        PiEnumPolicy::Builder()
                            .addPair(G::RepeatNone, "None")
                            .addPair(G::RepeatHold, "Hold")
                            .addPair(G::RepeatLoop, "Loop")
                            .setDefaultValue(G::RepeatNone)
                            .create(),
                        PiSocketType::Single);
    descriptor.requires(G::getLockDurationInputName(), PiSocketType::Switch,
                        PiSwitchInputPolicy::create(false, false, false), PiSocketType::Single);
    descriptor.requires(G::getTimeOffsetInputName(), PiSocketType::Double,
                        PiRangeInputPolicy<double>::create(-kLargest, kLargest, 0.0, true, false),
                        PiSocketType::Single);
}

void PiImageGeneratorImp::addInputPolicies(PiNodeController& controller)
{
    PiToolPolicyDescriptor descriptor;
    describeInputs(descriptor);
    for (Iterator<PiToolPolicyDescriptor::PolicyEntry> entry = descriptor.getPolicies(); !entry.atEnd(); ++entry)
        PiToolInterfaceManip::addInputPolicy(controller, entry->getName(), entry->getPtr());
}

void PiImageGeneratorImp::resetStoredValues(PiNodeController& controller)
{
    RCShdPtr<PiNode> node = controller.getNode();
    if (!node)
        return;
    if (RCShdPtr<PiValue> format = node->getStoredValue(PiImageGenerator::getFormatValueName(), false)) {
        PiUndoGuardNoLog noLog;
        format->resetToDefault();
    }
}

} // namespace Vx
