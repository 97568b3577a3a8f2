// A warning raised with a tool's message subscription: the usual message a tool shows the user
// when something it was asked for cannot be done as asked (an unknown font, a missing style).
//
//   MsgWarning warning(s_invalidFont);
//   warning.substitute(fontName);
//   warning.display();
#pragma once

#include <Vx/Msg/MsgProtocol.h>
#include <Vx/Msg/MsgSubscription.h>

namespace Vx {

class MsgWarning : public MsgProtocol
{
public:
    /// A warning with the text of `subscription`'s id, no values yet.
    explicit MsgWarning(const MsgSubscription& subscription);
    /// Same, with another severity for the rare warning that is only informative or is an error.
    MsgWarning(const MsgSubscription& subscription, MsgSeverity severity);
};

} // namespace Vx
