// PiImageModifierInfo<Controller>: the whole protocol object of an image tool, made once by the
// tool's registration and handed to the host:
//
//   PiImageModifier::registerTool(OPtr<PiToolProtocol>(new PiImageModifierInfo<BlurController>(
//       "Blur", PiToolProtocol::getImageGenerationCategory(), PiOrvaneToolProtocol::getOrvaneProductName(),
//       PiOrvaneToolProtocol::getOrvaneManufacturer(), PiOrvaneToolProtocol::getOrvaneVersionString(), 1,
//       "Blurs its input.", PiToolProtocolImp::ToolVisibility::Public, PiToolProtocolImp::ToolStructure::Simple)));
//
// It derives from PiToolProtocolImp (the strings), PiImageModifierProtocol (the modifier flags) and
// PiToolPolicyProtocol<Controller, PiImageModifier::Descriptor> (description cache and
// controllers), which share one PiToolProtocol. Beyond the controller's own description it
// declares the stored mute flag and affect bits, the output image and the masking inputs; the
// flags are cached with the description and checked by the host (checkRequirements). Controllers
// get the masking input policies when the masking mode asks for them. Main thread only.
#pragma once

#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiImageModifierProtocol.h>
#include <Vx/Pi/PiToolPolicyProtocol.h>
#include <Vx/Pi/PiToolProtocol.h>

#include <string>
#include <utility>

namespace Vx {

template <class Controller>
class PiImageModifierInfo : public PiToolProtocolImp,
                            public PiImageModifierProtocol,
                            public PiToolPolicyProtocol<Controller, PiImageModifier::Descriptor>
{
    using PolicyProtocol = PiToolPolicyProtocol<Controller, PiImageModifier::Descriptor>;

public:
    PiImageModifierInfo(std::string toolName, std::string category, std::string productName, std::string manufacturer,
                        std::string version, int schemaNb, std::string description, ToolVisibility visibility,
                        ToolStructure structure)
        : PiToolProtocol(),
          PiToolProtocolImp(std::move(toolName), std::move(category), std::move(productName), std::move(manufacturer),
                            std::move(version), schemaNb, std::move(description), visibility, structure),
          PiImageModifierProtocol(), PolicyProtocol()
    {
    }
    ~PiImageModifierInfo() override = default;

    using PolicyProtocol::describe;

    /// Declares the stored mute flag (Bool), the stored affect bits (Int), the output image, then
    /// the controller's description, then the masking inputs its masking mode asks for.
    void describe(PiImageModifier::Descriptor& descriptor) const override
    {
        descriptor.stores(PiImageModifier::getMuteValueName(), PiValueType::Bool);
        descriptor.stores(PiImageModifier::getAffectValueName(), PiValueType::Int);
        descriptor.produces(PiImageModifier::getOutputName(), PiSocketType::Image);
        Controller::describe(descriptor);
        PiImageModifier::describeMasking(descriptor);
    }
    /// Caches the primary input name and entries, then the flags, and checks them. A description
    /// the check rejects is not kept: the exception propagates and the next query describes again.
    void copyFromDescriptor(PiImageModifier::Descriptor& descriptor) const override
    {
        PolicyProtocol::copyFromDescriptor(descriptor);
        m_canMute = descriptor.canMute();
        m_canAffectAlpha = descriptor.canAffect(PiImageModifierTypes::AffectAlpha);
        m_canAffectDepth = descriptor.canAffect(PiImageModifierTypes::AffectDepth);
        m_canAffectColor = descriptor.canAffect(PiImageModifierTypes::AffectColor);
        m_canBeDisplayModifier = descriptor.canBeDisplayModifier();
        m_maskingMode = descriptor.getMaskingMode();
        try {
            checkRequirements();
        } catch (...) {
            this->forgetDescription();
            throw;
        }
    }
    /// Attaches the cached policies, then the masking input policies unless the masking mode is
    /// NoMasking.
    void initializeController(Controller& controller) const override
    {
        PolicyProtocol::initializeController(controller);
        if (getMaskingMode() != PiImageModifierTypes::NoMasking)
            PiImageModifier::addMaskingInputPolicies(controller);
    }

    bool canMute() const override
    {
        this->describe();
        return m_canMute;
    }
    bool canAffectAlpha() const override
    {
        this->describe();
        return m_canAffectAlpha;
    }
    bool canAffectDepth() const override
    {
        this->describe();
        return m_canAffectDepth;
    }
    bool canAffectColor() const override
    {
        this->describe();
        return m_canAffectColor;
    }
    bool canBeDisplayModifier() const override
    {
        this->describe();
        return m_canBeDisplayModifier;
    }
    PiImageModifierTypes::MaskingMode getMaskingMode() const override
    {
        this->describe();
        return m_maskingMode;
    }

private:
    mutable bool m_canMute = false;
    mutable bool m_canAffectAlpha = false;
    mutable bool m_canAffectDepth = false;
    mutable bool m_canAffectColor = false;
    mutable bool m_canBeDisplayModifier = false;
    mutable PiImageModifierTypes::MaskingMode m_maskingMode = PiImageModifierTypes::NoMasking;
};

} // namespace Vx
