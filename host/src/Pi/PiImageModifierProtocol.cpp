// The modifier flags of image tools and the host's check of their description.
#include <Vx/Pi/PiImageModifierProtocol.h>

#include <stdexcept>
#include <string>

namespace Vx {

PiImageModifierProtocol::~PiImageModifierProtocol() = default;

void PiImageModifierProtocol::checkRequirements() const
{
    const int mode = getMaskingMode();
    if (mode != PiImageModifierTypes::NoMasking && mode != PiImageModifierTypes::MaskInput)
        throw std::logic_error("The image tool \"" + getShortToolName() + "\" declares the masking mode " +
                               std::to_string(mode) + ", which is none of the host's (0 or 1).");
    if (canBeDisplayModifier() && getPrimaryInput().empty())
        throw std::logic_error("The image tool \"" + getShortToolName() +
                               "\" can be a display modifier but declares no primary image input to modify.");
}

bool PiImageModifierProtocol::canAffect(int types) const
{
    if ((types & PiImageModifierTypes::AffectColor) && !canAffectColor())
        return false;
    if ((types & PiImageModifierTypes::AffectAlpha) && !canAffectAlpha())
        return false;
    if ((types & PiImageModifierTypes::AffectDepth) && !canAffectDepth())
        return false;
    return true;
}

} // namespace Vx
