// The base of image tools: a controller whose node modifies the image on its primary input (or
// generates one when nothing is connected), and the descriptor such tools describe themselves in.
//
// The host builds the node's processing nodes through createProcNodes, which hands the tool the
// processing node of the image connected to the primary input (empty when none) and asks for the
// node producing the tool's output: createModifierProcNode. Main thread only.
#pragma once

#include <Vx/Pi/PiImageInputPolicy.h>
#include <Vx/Pi/PiToolInterface.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>

#include <string>

namespace Vx {

class PiToolProtocol;

struct PiImageModifierTypes
{
    /// The parts of an image a modifier can be told to affect (bits).
    enum AffectType : int
    {
        AffectColor = 1,
        AffectAlpha = 2,
        AffectDepth = 4,
    };
    enum MaskingMode : int
    {
        NoMasking = 0, ///< no mask input
        MaskInput = 1, ///< one image input "Mask" limits the effect
    };
};

class PiImageModifier : public PiToolInterface,
                        public PiToolTopologyInterface,
                        public PiUserInterface,
                        public PiSchematicInterface,
                        public PiOutcomeInterface
{
public:
    /// What an image tool declares: its inputs (PiToolPolicyDescriptor) and its modifier flags.
    /// Made around the host's descriptor, every declaration also goes to it.
    class Descriptor : public PiToolPolicyDescriptor
    {
    public:
        explicit Descriptor(PiToolDescriptor* hostDescriptor = nullptr) : m_host(hostDescriptor) {}

        void setMaskingMode(PiImageModifierTypes::MaskingMode mode) { m_maskingMode = mode; }
        void setMaskingMode(int mode) { m_maskingMode = PiImageModifierTypes::MaskingMode(mode); }
        PiImageModifierTypes::MaskingMode getMaskingMode() const { return m_maskingMode; }
        void setCanBeDisplayModifier(bool can) { m_displayModifier = can; }
        bool canBeDisplayModifier() const { return m_displayModifier; }
        void setCanMute(bool can) { m_canMute = can; }
        /// Whether the tool can be muted (pass its input through); true unless set otherwise.
        bool canMute() const { return m_canMute; }
        void setCanAffect(int type, bool can);
        /// Whether the tool can be limited to the parts `type` (AffectType bits): colour and
        /// alpha unless set otherwise.
        bool canAffect(int type) const { return (m_affect & type) == type; }

    protected:
        void addEntry(const PolicyEntry& entry) override;

    private:
        PiToolDescriptor* m_host;
        PiImageModifierTypes::MaskingMode m_maskingMode = PiImageModifierTypes::NoMasking;
        bool m_displayModifier = true;
        bool m_canMute = true;
        int m_affect = PiImageModifierTypes::AffectColor | PiImageModifierTypes::AffectAlpha;
    };

    /// `uiDescriptionPath`: the tool's user-interface description; "<ToolUiDir>" at its start
    /// stands for the host's tool user-interface folder.
    explicit PiImageModifier(const char* uiDescriptionPath);
    ~PiImageModifier() override;

    const std::string& getUiDescriptionPath() const { return m_uiDescriptionPath; }

    /// Builds the tool's processing nodes over `inputNode`, the processing node of the image
    /// connected to the primary input (empty when none), and returns the one producing the
    /// output image.
    virtual PxNodePtr<PxImageProtocol const>
    createModifierProcNode(OutputPublisher& publisher, const PxNodePtr<PxImageProtocol const>& inputNode) = 0;
    /// Calls createModifierProcNode with the primary input's processing node.
    PxNodePtr<PxImageProtocol const> createProcNodes(OutputPublisher& publisher) override;
    /// Resets the inputs to their defaults (PiToolInterface::reset).
    void reset() override;

    /// The names of the stored mute flag, the stored affect bits and the output image.
    static const std::string& getMuteValueName();
    static const std::string& getAffectValueName();
    static const std::string& getOutputName();
    /// The name of the mask input of tools with masking mode MaskInput.
    static const std::string& getMaskInputName();

    /// Declares the primary image input named by `policy` (PiImageInputPolicy::getPrimaryInputName).
    static void addSingleImageInput(PiToolPolicyDescriptor& descriptor,
                                    const RCShdPtr<const PiImageInputPolicy>& policy,
                                    PiSocketType::Cardinality cardinality);
    /// Declares the mask input when the descriptor's masking mode asks for one.
    static void describeMasking(Descriptor& descriptor);
    /// Attaches the mask input's policy to a controller.
    static void addMaskingInputPolicies(PiNodeController& controller);

    /// Registers an image tool with the process-wide tool registry (PiToolRegistry), which owns
    /// the protocol object from then on; called from a package's initialisation. Throws
    /// std::invalid_argument for a null tool or a name already registered.
    static void registerTool(OPtr<PiToolProtocol> tool);

private:
    std::string m_uiDescriptionPath;
};

} // namespace Vx
