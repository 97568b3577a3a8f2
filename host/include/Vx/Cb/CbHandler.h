// Callback objects: a handler the host calls back, made from a member operation of its owner
// (CbMethod) or from a free function with a stored datum (CbDataFunction), and the registries that
// keep handlers they do not own.
//
// Handlers are reference counted so that a registry and the owner can both hold one. Calling a
// handler is as thread-safe as the function it calls; the handler itself keeps no mutable state.
//
// Registrations end on whichever side dies first. A registry (CbRegistry: the node-event and
// time callbacks of a controller, the command-processed callbacks of a command stack, the value
// handlers of an input value) tells each handler it keeps that it does; a handler destroyed while
// still registered tells those registries to forget it, so it is never called afterwards, and a
// registry destroyed first leaves its handlers free to die later. Removing a registration
// explicitly works as before. Registering, removing and destroying registered handlers happen on
// the main thread only; a handler that was never registered may live and die on any thread.
//
//   owner's member:  CbMethod<Tool, void, const PiNodeEvent&> m_onEvent{this, &Tool::onEvent};
//   registration:    controller.addCallback(PiNodeEvent::SocketConnected, &m_onEvent);
//   end:             either removeCallback, or simply the owner's (and so the handler's) death.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace Vx {

/// What an argument-less callback returns: CbHandler<CbEmptyType> is a callback that takes and
/// gives nothing.
using CbEmptyType = void;

class CbRegistry;

/// What every handler shares, whatever it returns and takes: the registries that hold it, so
/// that its destruction ends its registrations.
class CbHandlerBase : public RCObject
{
public:
    CbHandlerBase() = default;
    /// A copy is registered nowhere: registrations belong to the handler that was registered.
    CbHandlerBase(const CbHandlerBase&) : RCObject() {}
    CbHandlerBase& operator=(const CbHandlerBase&) { return *this; }
    /// Ends every registration still open: each registry holding this handler forgets it.
    ~CbHandlerBase() override;

    /// How many registrations of this handler are open (one per registry entry).
    std::size_t getRegistrationCount() const { return m_registries.size(); }

private:
    friend class CbRegistry;
    std::vector<CbRegistry*> m_registries; // one entry per open registration
};

/// The base of every registry of handlers it does not own. A registry calls linkHandler for each
/// registration it records and unlinkHandler for each it ends; it implements forgetHandler to drop
/// all entries of a handler that is being destroyed. Main thread only.
class CbRegistry
{
public:
    CbRegistry() = default;
    CbRegistry(const CbRegistry&) = delete;
    CbRegistry& operator=(const CbRegistry&) = delete;
    /// Releases the handlers still registered, which may then die without reaching back here.
    virtual ~CbRegistry()
    {
        std::vector<CbHandlerBase*> linked;
        linked.swap(m_linked);
        for (CbHandlerBase* handler : linked)
            eraseAll(handler->m_registries, this);
    }

    /// How many registrations this registry holds open (one per entry).
    std::size_t getLinkCount() const { return m_linked.size(); }

protected:
    /// Records one registration of `handler`.
    void linkHandler(CbHandlerBase& handler)
    {
        m_linked.push_back(&handler);
        handler.m_registries.push_back(this);
    }
    /// Ends one registration of `handler`; nothing happens when there is none.
    void unlinkHandler(CbHandlerBase& handler)
    {
        if (eraseOne(m_linked, &handler))
            eraseOne(handler.m_registries, this);
    }
    /// `handler` is being destroyed: remove every entry that holds it, without calling it (nor
    /// linkHandler / unlinkHandler, whose bookkeeping is already done).
    virtual void forgetHandler(const CbHandlerBase& handler) = 0;

private:
    friend class CbHandlerBase;

    template <class T> static bool eraseOne(std::vector<T*>& items, T* item)
    {
        auto found = std::find(items.begin(), items.end(), item);
        if (found == items.end())
            return false;
        items.erase(found);
        return true;
    }
    template <class T> static void eraseAll(std::vector<T*>& items, T* item)
    {
        items.erase(std::remove(items.begin(), items.end(), item), items.end());
    }

    std::vector<CbHandlerBase*> m_linked; // one entry per open registration
};

inline CbHandlerBase::~CbHandlerBase()
{
    // Taken out first, so that whatever the registries do meanwhile finds nothing to update here.
    std::vector<CbRegistry*> registries;
    registries.swap(m_registries);
    std::sort(registries.begin(), registries.end());
    registries.erase(std::unique(registries.begin(), registries.end()), registries.end());
    for (CbRegistry* registry : registries) {
        CbRegistry::eraseAll(registry->m_linked, static_cast<CbHandlerBase*>(this));
        registry->forgetHandler(*this);
    }
}

/// A callable returning R for the arguments Args.
template <class R, class... Args> class CbHandler : public CbHandlerBase
{
public:
    virtual R call(Args... args) const = 0;
    R operator()(Args... args) const { return call(std::forward<Args>(args)...); }
};

/// Calls `method` on `owner`. The owner must outlive the handler's use (it usually owns it).
template <class Owner, class R, class... Args> class CbMethod : public CbHandler<R, Args...>
{
public:
    using Method = R (Owner::*)(Args...);
    CbMethod(Owner* owner, Method method) : m_owner(owner), m_method(method) {}
    R call(Args... args) const override { return (m_owner->*m_method)(std::forward<Args>(args)...); }

private:
    Owner* m_owner;
    Method m_method;
};

/// Calls `function` with a copy of `datum` kept in the handler, followed by the call's arguments.
template <class R, class Datum, class... Args> class CbDataFunction : public CbHandler<R, Args...>
{
public:
    using Function = R (*)(const Datum&, Args...);
    CbDataFunction(Function function, Datum datum) : m_function(function), m_datum(std::move(datum)) {}
    R call(Args... args) const override { return m_function(m_datum, std::forward<Args>(args)...); }

private:
    Function m_function;
    Datum m_datum;
};

/// A registry of handlers per key (an event): what node controllers, time protocols and command
/// stacks keep. A handler registered for several keys is called for each; registering a handler
/// for a key twice changes nothing. Main thread only.
template <class Key, class Handler> class CbCallbackList : public CbRegistry
{
public:
    CbCallbackList() = default;
    CbCallbackList(const CbCallbackList&) = delete;
    CbCallbackList& operator=(const CbCallbackList&) = delete;
    ~CbCallbackList() override = default;

    /// Calls `handler` for `key` from now on; a null handler is ignored.
    void add(const Key& key, Handler* handler)
    {
        if (!handler || contains(key, handler))
            return;
        m_entries.emplace_back(key, handler);
        linkHandler(*handler);
    }
    /// Ends the calls of `handler` for `key`; removing one not registered does nothing.
    void remove(const Key& key, Handler* handler)
    {
        auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                  [&](const Entry& e) { return e.first == key && e.second == handler; });
        if (found == m_entries.end())
            return;
        m_entries.erase(found);
        unlinkHandler(*handler);
    }
    bool contains(const Key& key, const Handler* handler) const
    {
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [&](const Entry& e) { return e.first == key && e.second == handler; });
    }
    /// How many registrations the list holds.
    std::size_t getCount() const { return m_entries.size(); }

    /// Calls every handler registered for `key` with `args`, oldest first. A handler removed (or
    /// destroyed) by an earlier one during the same notification is not called.
    template <class... CallArgs> void notify(const Key& key, CallArgs&&... args) const
    {
        const std::vector<Entry> snapshot = m_entries;
        for (const Entry& entry : snapshot)
            if (entry.first == key && contains(key, entry.second))
                entry.second->call(args...);
    }

private:
    using Entry = std::pair<Key, Handler*>;

    void forgetHandler(const CbHandlerBase& handler) override
    {
        m_entries.erase(
            std::remove_if(m_entries.begin(), m_entries.end(),
                           [&](const Entry& e) { return static_cast<const CbHandlerBase*>(e.second) == &handler; }),
            m_entries.end());
    }

    std::vector<Entry> m_entries;
};

/// A registry of one handler (or none): a value's update or invalidation handler. Setting another
/// handler ends the registration of the previous one. Main thread only.
template <class Handler> class CbHandlerSlot : public CbRegistry
{
public:
    CbHandlerSlot() = default;
    CbHandlerSlot(const CbHandlerSlot&) = delete;
    CbHandlerSlot& operator=(const CbHandlerSlot&) = delete;
    ~CbHandlerSlot() override = default;

    /// Holds `handler` (null: none) instead of the current one.
    void set(Handler* handler)
    {
        if (handler == m_handler)
            return;
        if (m_handler)
            unlinkHandler(*m_handler);
        m_handler = handler;
        if (m_handler)
            linkHandler(*m_handler);
    }
    /// The handler held; null when none is, or the one held was destroyed.
    Handler* get() const { return m_handler; }

private:
    void forgetHandler(const CbHandlerBase& handler) override
    {
        if (m_handler && static_cast<const CbHandlerBase*>(m_handler) == &handler)
            m_handler = nullptr;
    }

    Handler* m_handler = nullptr;
};

} // namespace Vx
