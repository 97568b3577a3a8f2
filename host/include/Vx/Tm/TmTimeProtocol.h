// The time protocol of a composition graph: callbacks on changes of its time range.
//
// A graph's controller implements TmTimeProtocol; a tool reaches it through PiGraph::getController
// and registers handlers for the events it cares about. Handlers are not owned: a registration
// ends when it is removed or when its handler is destroyed, whichever comes first (CbRegistry).
// Handlers run on the main thread, inside the command that changed the range. TmTimeCallbackList
// is the registry an implementation keeps.
#pragma once

#include <Vx/Cb/CbHandler.h>

#include <cstddef>

namespace Vx {

/// What changed in a graph's time.
enum class TmTimeEvent
{
    StartTimeChanged, ///< the first frame of the range
    EndTimeChanged,   ///< the end of the range
};

class TmTimeProtocol
{
public:
    using Handler = CbHandler<void, const TmTimeEvent&>;

    virtual ~TmTimeProtocol() = default;

    /// Calls `handler` with the event each time `event` happens, until removed or until the
    /// handler is destroyed. Registering the same handler for the same event twice changes nothing.
    virtual void addCallback(TmTimeEvent event, Handler* handler) = 0;
    /// Ends the calls of `handler` for `event`; removing one not registered does nothing.
    virtual void removeCallback(TmTimeEvent event, Handler* handler) = 0;
};

/// The handlers registered per event, for implementations of TmTimeProtocol. A handler destroyed
/// while registered is forgotten; the list destroyed first lets its handlers go.
class TmTimeCallbackList : private CbCallbackList<TmTimeEvent, TmTimeProtocol::Handler>
{
    using List = CbCallbackList<TmTimeEvent, TmTimeProtocol::Handler>;

public:
    void add(TmTimeEvent event, TmTimeProtocol::Handler* handler) { List::add(event, handler); }
    void remove(TmTimeEvent event, TmTimeProtocol::Handler* handler) { List::remove(event, handler); }
    bool contains(TmTimeEvent event, const TmTimeProtocol::Handler* handler) const
    {
        return List::contains(event, handler);
    }
    std::size_t getCount() const { return List::getCount(); }
    /// Calls every handler registered for `event`, oldest first; one removed (or destroyed) by an
    /// earlier handler during the same call is skipped.
    void notify(TmTimeEvent event) const;
};

} // namespace Vx
