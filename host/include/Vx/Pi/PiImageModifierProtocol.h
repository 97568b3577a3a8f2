// The protocol part of image tools (PiImageModifier): what the host asks before it shows or makes
// a node of the tool: whether it can be muted, which parts of an image it can be limited to,
// whether it can be a display modifier, and its masking mode. PiImageModifierInfo<Controller>
// answers these from the tool's cached description and has the host check that description
// (checkRequirements). Main thread only.
#pragma once

#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiToolProtocol.h>

namespace Vx {

class PiImageModifierProtocol : public virtual PiToolProtocol
{
public:
    PiImageModifierProtocol() = default;
    ~PiImageModifierProtocol() override;

    /// Whether the tool can be muted (pass its input through).
    virtual bool canMute() const = 0;
    /// Whether the tool can be limited to the alpha channel (PiImageModifierTypes::AffectAlpha).
    virtual bool canAffectAlpha() const = 0;
    /// Whether the tool can be limited to depth (PiImageModifierTypes::AffectDepth).
    virtual bool canAffectDepth() const = 0;
    /// Whether the tool can be limited to the colour channels (PiImageModifierTypes::AffectColor).
    virtual bool canAffectColor() const = 0;
    /// Whether the tool can modify the image the viewer shows.
    virtual bool canBeDisplayModifier() const = 0;
    virtual PiImageModifierTypes::MaskingMode getMaskingMode() const = 0;
    /// Checks the tool's cached description: the masking mode must be one the host knows, and a
    /// tool that can be a display modifier needs a primary input to modify. Throws
    /// std::logic_error naming the tool and the fault.
    virtual void checkRequirements() const;

    /// Whether the tool can be limited to every part in `types` (AffectType bits).
    bool canAffect(int types) const;
};

} // namespace Vx
