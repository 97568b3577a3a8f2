// The untyped base of input policies and the host's default policies.
#include <Vx/Pi/PiInputPolicy.h>

#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiStructuredPolicyDescriptor.h>
#include <Vx/Pi/PiSwitchInputPolicy.h>

#include <stdexcept>
#include <typeinfo>

namespace Vx {

PiInputPolicy::~PiInputPolicy() = default;

bool PiInputPolicy::canAnimate() const
{
    return false;
}

PiExtrapolationType PiInputPolicy::getDefaultExtrapolationType() const
{
    return PiExtrapolationType::Constant;
}

PiInterpolationType PiInputPolicy::getDefaultInterpolationType() const
{
    return canAnimate() && getSocketType() == PiSocketType::Double ? PiInterpolationType::Linear
                                                                   : PiInterpolationType::Constant;
}

bool PiInputPolicy::isUserEditable() const
{
    return true;
}

bool PiInputPolicy::isHidden() const
{
    return false;
}

bool PiInputPolicy::hasSameType(const PiInputPolicy& other) const
{
    return typeid(*this) == typeid(other) && getSocketType() == other.getSocketType() && getRole() == other.getRole();
}

void PiInputPolicy::resetValue(PiValueContent& content) const
{
    content = PiValueContent(getDefaultValue());
}

std::vector<std::string> PiInputPolicy::getDomainLabels() const
{
    return {};
}

bool PiInputPolicy::isPassAll() const
{
    return true;
}

PiVariant PiInputPolicy::getDefaultValue() const
{
    throw std::logic_error(std::string("An input of socket type ") + getSocketType().getName() +
                           " holds no value of its own and has no default.");
}

bool PiInputPolicy::isValidValue(const PiVariant& value) const
{
    (void)value;
    return false;
}

PiVariant PiInputPolicy::filterVariant(const PiVariant& value) const
{
    throw std::invalid_argument("The value " + piVariantToString(value) +
                                " cannot be written to an input of socket type " + getSocketType().getName() + ".");
}

RCShdPtr<const PiInputPolicy> PiInputPolicy::createDefault(PiSocketType socket)
{
    switch (socket.getCode()) {
    case PiSocketType::Switch:
        return PiSwitchInputPolicy::create(false, true, false);
    case PiSocketType::Double:
        return makeShared<PiTypedInputPolicy<double>>(true);
    case PiSocketType::Enumeration:
        return makeShared<PiTypedInputPolicy<int>>(true, PiSocketType::Enumeration);
    case PiSocketType::Integer:
        return makeShared<PiTypedInputPolicy<int>>(true);
    case PiSocketType::String:
        return makeShared<PiTypedInputPolicy<std::string>>(true);
    case PiSocketType::Image:
        return PiImageInputPolicy::create(3, 7, 1, 0, false);
    case PiSocketType::Color: {
        PiStructuredPolicyDescriptor channels;
        for (const char* channel : {"Red", "Green", "Blue"})
            channels.add(channel, PiSocketType::Double, PiSocketType::Single);
        return channels.createPolicy(PiSocketType::Color);
    }
    default:
        throw std::invalid_argument(std::string("The socket type ") + socket.getName() + " (" +
                                    std::to_string(socket.getCode()) + ") has no default policy.");
    }
}

RCShdPtr<const PiSwitchInputPolicy> PiSwitchInputPolicy::create(bool defaultValue, bool animatable, bool hidden)
{
    return RCShdPtr<const PiSwitchInputPolicy>(new PiSwitchInputPolicy(defaultValue, animatable, hidden));
}

} // namespace Vx
