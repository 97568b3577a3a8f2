// The registration side of a tool: what the host asks a tool before any node of it exists.
//
// PiToolProtocol is the interface the host lists tools through and creates their controllers
// with: the tool's strings (name, category, product, maker, version, description), its schema
// number, whether it is internal or a super tool, the name of its primary input, its description
// (describe into a PiToolDescriptor) and new controllers (createController). It is a virtual
// base: a tool's protocol object combines PiToolProtocolImp (the strings and flags given at
// construction) with the parts that answer the rest (PiImageModifierProtocol and the class
// templates PiToolPolicyProtocol / PiImageModifierInfo), all sharing one PiToolProtocol.
//
// PiOrvaneToolProtocol gives the product strings of the host application itself, for tools that
// ship with it or present themselves as part of it.
//
// A protocol object is made once per tool, inside its package's initialisation, and handed to the
// host (PiImageModifier::registerTool / PiToolRegistry), which owns it until the tool is
// unregistered. Main thread only.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <string>

namespace Vx {

class PiNodeController;
class PiToolDescriptor;

class PiToolProtocol
{
public:
    virtual ~PiToolProtocol();
    PiToolProtocol(const PiToolProtocol&) = delete;
    PiToolProtocol& operator=(const PiToolProtocol&) = delete;

    /// The product the tool belongs to.
    virtual const std::string& getProductName() const = 0;
    /// The category the host files the tool under in its menus.
    virtual const std::string& getCategory() const = 0;
    virtual const std::string& getManufacturer() const = 0;
    /// The tool's version, as shown to the user.
    virtual const std::string& getVersion() const = 0;
    /// The version of the tool's description (its inputs and stored values) saved with
    /// compositions, so that the host can recognise descriptions of older tools.
    virtual int getSchemaNb() const = 0;
    /// One sentence telling the user what the tool does.
    virtual const std::string& getDescription() const = 0;
    /// Whether the tool is the host's own and not offered to the user.
    virtual bool isInternal() const = 0;
    /// Whether the tool is made of a graph of other tools.
    virtual bool isSuperTool() const = 0;
    /// The name of the tool's primary image input; empty when it has none.
    virtual std::string getPrimaryInput() const = 0;
    /// Declares the tool's inputs, stored values and outputs into `descriptor`, which the host
    /// supplies (fresh, or one it keeps for the tool).
    virtual void describe(PiToolDescriptor& descriptor) const = 0;
    /// A new controller for a new node of the tool, with the tool's input policies attached;
    /// owned by the caller (PiGraph::createNode takes it).
    virtual OPtrRet<PiNodeController> createController() const = 0;
    /// Whether a composition saved with an older schema number of the tool may be loaded without
    /// asking the user. True unless a tool says otherwise.
    virtual bool allowsAutomaticBackwardComp() const;
    /// The tool's name: the one the user sees and the host registers it under ("Blur").
    virtual const std::string& getShortToolName() const = 0;

    /// The category of tools that generate or draw into images, "Image/Generate".
    static const std::string& getImageGenerationCategory();

protected:
    PiToolProtocol() = default;
};

/// The strings and flags of a tool, given once at construction; the PiToolProtocol operations
/// that only report them.
class PiToolProtocolImp : public virtual PiToolProtocol
{
public:
    /// Whether the user is offered the tool.
    enum class ToolVisibility : int
    {
        Internal = 0, ///< the host's own: not listed for the user
        Public = 1,   ///< listed in the host's tool menus
    };
    /// How the tool is built.
    enum class ToolStructure : int
    {
        Simple = 0,    ///< one node with one controller
        SuperTool = 1, ///< a graph of other tools
    };

    PiToolProtocolImp(std::string toolName, std::string category, std::string productName, std::string manufacturer,
                      std::string version, int schemaNb, std::string description, ToolVisibility visibility,
                      ToolStructure structure);
    ~PiToolProtocolImp() override;

    const std::string& getProductName() const override { return m_productName; }
    const std::string& getCategory() const override { return m_category; }
    const std::string& getManufacturer() const override { return m_manufacturer; }
    const std::string& getVersion() const override { return m_version; }
    int getSchemaNb() const override { return m_schemaNb; }
    const std::string& getDescription() const override { return m_description; }
    /// True for ToolVisibility::Internal.
    bool isInternal() const override { return m_visibility == ToolVisibility::Internal; }
    /// True for ToolStructure::SuperTool.
    bool isSuperTool() const override { return m_structure == ToolStructure::SuperTool; }
    const std::string& getShortToolName() const override { return m_toolName; }

    ToolVisibility getToolVisibility() const { return m_visibility; }
    ToolStructure getToolStructure() const { return m_structure; }

private:
    std::string m_toolName;
    std::string m_category;
    std::string m_productName;
    std::string m_manufacturer;
    std::string m_version;
    int m_schemaNb;
    std::string m_description;
    ToolVisibility m_visibility;
    ToolStructure m_structure;
};

/// The product strings of the host application.
struct PiOrvaneToolProtocol
{
    /// "Kestrin".
    static const std::string& getOrvaneProductName();
    /// "Orvane".
    static const std::string& getOrvaneManufacturer();
    /// The host application's version, "1.0".
    static const std::string& getOrvaneVersionString();
};

} // namespace Vx
