// The registry of time callbacks.
#include <Vx/Tm/TmTimeProtocol.h>

namespace Vx {

void TmTimeCallbackList::notify(TmTimeEvent event) const
{
    List::notify(event, event);
}

} // namespace Vx
