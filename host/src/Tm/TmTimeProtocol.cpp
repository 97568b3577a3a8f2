// The registry of time callbacks.
#include <Vx/Tm/TmTimeProtocol.h>

#include <algorithm>

namespace Vx {

void TmTimeCallbackList::add(TmTimeEvent event, TmTimeProtocol::Handler* handler)
{
    if (handler && !contains(event, handler))
        m_entries.emplace_back(event, handler);
}

void TmTimeCallbackList::remove(TmTimeEvent event, TmTimeProtocol::Handler* handler)
{
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), std::make_pair(event, handler)), m_entries.end());
}

bool TmTimeCallbackList::contains(TmTimeEvent event, const TmTimeProtocol::Handler* handler) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const auto& e) { return e.first == event && e.second == handler; });
}

void TmTimeCallbackList::notify(TmTimeEvent event) const
{
    const auto snapshot = m_entries;
    for (const auto& entry : snapshot)
        if (entry.first == event && contains(event, entry.second))
            entry.second->call(event);
}

} // namespace Vx
