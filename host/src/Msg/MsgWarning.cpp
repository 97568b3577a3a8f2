#include <Vx/Msg/MsgWarning.h>

namespace Vx {

MsgWarning::MsgWarning(const MsgSubscription& subscription) : MsgWarning(subscription, MsgSeverity::Warning) {}

MsgWarning::MsgWarning(const MsgSubscription& subscription, MsgSeverity severity)
    : MsgProtocol(subscription.getId(), severity)
{
}

} // namespace Vx
