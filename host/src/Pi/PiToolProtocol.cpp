// Tool protocols: the strings every tool reports and the host's product strings.
#include <Vx/Pi/PiToolProtocol.h>

#include <utility>

namespace Vx {

PiToolProtocol::~PiToolProtocol() = default;

bool PiToolProtocol::allowsAutomaticBackwardComp() const
{
    return true;
}

const std::string& PiToolProtocol::getImageGenerationCategory()
{
    static const std::string category = "Image/Generate";
    return category;
}

PiToolProtocolImp::PiToolProtocolImp(std::string toolName, std::string category, std::string productName,
                                     std::string manufacturer, std::string version, int schemaNb,
                                     std::string description, ToolVisibility visibility, ToolStructure structure)
    : m_toolName(std::move(toolName)), m_category(std::move(category)), m_productName(std::move(productName)),
      m_manufacturer(std::move(manufacturer)), m_version(std::move(version)), m_schemaNb(schemaNb),
      m_description(std::move(description)), m_visibility(visibility), m_structure(structure)
{
}

PiToolProtocolImp::~PiToolProtocolImp() = default;

const std::string& PiOrvaneToolProtocol::getOrvaneProductName()
{
    static const std::string name = "Kestrin";
    return name;
}

const std::string& PiOrvaneToolProtocol::getOrvaneManufacturer()
{
    static const std::string name = "Orvane";
    return name;
}

const std::string& PiOrvaneToolProtocol::getOrvaneVersionString()
{
    static const std::string version = "1.0";
    return version;
}

} // namespace Vx
