// SlateRegistration: makes the Slate tool known to the host.
//
// The tool's protocol object is the host's PiImageModifierInfo<SlateController>: it answers the
// host's questions about the tool (name, category, maker, version, description, modifier flags,
// primary input), describes the tool once through SlateController::describe and makes new
// SlateControllers with every described input policy attached. The library instantiates the
// protocol templates over SlateController and exports them.
//
// registerTool runs once, from the package's initialisation (slateVxtoolInit.cpp), after the
// package-wide policies exist and while the tool's message file is open. Main thread.
#pragma once

#include "slateController.h"

#include <Vx/Pi/PiImageModifierInfo.h>
#include <Vx/Pi/PiToolPolicyProtocol.h>

namespace Vx {

/// The protocol object of the Slate tool, as the host owns it once registered.
using SlateToolProtocol = PiImageModifierInfo<SlateController>;

struct SlateRegistration
{
    /// The name the tool is registered and shown under.
    static const char* const kToolName;
    /// The one-sentence description of the tool.
    static const char* const kDescription;

    /// Registers the "Slate" tool with the host (PiImageModifier::registerTool, which takes the
    /// protocol object), then hands the tool's two message subscriptions to the message server,
    /// the invalid font first, the invalid style second. Needs SlateController::createStaticPolicies
    /// before the first use of the tool; host exceptions propagate, nothing half-made is left.
    static void registerTool();
};

} // namespace Vx

// Made once here and exported, so that the host and other libraries use the plug-in's own.
extern template class Vx::PiToolPolicyProtocol<Vx::SlateController, Vx::PiImageModifier::Descriptor>;
extern template class Vx::PiImageModifierInfo<Vx::SlateController>;
