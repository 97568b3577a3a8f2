// The Slate tool's registration with the host and the library's instances of the host's protocol
// templates.
#include "SlateRegistration.h"

#include <Vx/Msg/MsgServer.h>
#include <Vx/Pi/PiToolProtocol.h>

#include <memory>
#include <string>

template class Vx::PiToolPolicyProtocol<Vx::SlateController, Vx::PiImageModifier::Descriptor>;
template class Vx::PiImageModifierInfo<Vx::SlateController>;
template class Vx::Iterator<Vx::PiToolPolicyDescriptor::PolicyEntry>;

namespace Vx {

const char* const SlateRegistration::kToolName = "Slate";
const char* const SlateRegistration::kDescription = "Adds simple slate/overlay text.";

void SlateRegistration::registerTool()
{
    const std::string toolName = kToolName;
    const std::string category = PiToolProtocol::getImageGenerationCategory();
    const std::string productName = PiOrvaneToolProtocol::getOrvaneProductName();
    const std::string manufacturer = PiOrvaneToolProtocol::getOrvaneManufacturer();
    const std::string version = PiOrvaneToolProtocol::getOrvaneVersionString();
    const std::string description = kDescription;
    constexpr int schemaNb = 1;

    // Owned here until the host takes it, so that a failure in between destroys it.
    auto protocol = std::make_unique<SlateToolProtocol>(
        toolName, category, productName, manufacturer, version, schemaNb, description,
        PiToolProtocolImp::ToolVisibility::Public, PiToolProtocolImp::ToolStructure::Simple);
    PiImageModifier::registerTool(OPtr<PiToolProtocol>(protocol.release()));

    // The file guard of the package's initialisation is open: subscribing now keeps the texts of
    // the warnings that SlateController raises later.
    MsgServer& server = MsgServer::getInstance();
    server.addSubscription(SlateController::getInvalidFontSubscription());
    server.addSubscription(SlateController::getInvalidStyleSubscription());
    server.addSubscription(SlateController::getTextTooLongSubscription());
    server.addSubscription(SlateController::getMissingCharactersSubscription());
}

} // namespace Vx
