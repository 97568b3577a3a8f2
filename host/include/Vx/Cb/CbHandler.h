// Callback objects: a handler the host calls back, made from a member operation of its owner
// (CbMethod) or from a free function with a stored datum (CbDataFunction).
//
// Handlers are reference counted so that a registry and the owner can both hold one. Calling a
// handler is as thread-safe as the function it calls; the handler itself keeps no mutable state.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <utility>

namespace Vx {

/// What an argument-less callback returns: CbHandler<CbEmptyType> is a callback that takes and
/// gives nothing.
using CbEmptyType = void;

/// A callable returning R for the arguments Args.
template <class R, class... Args>
class CbHandler : public RCObject
{
public:
    virtual R call(Args... args) const = 0;
    R operator()(Args... args) const { return call(std::forward<Args>(args)...); }
};

/// Calls `method` on `owner`. The owner must outlive the handler's use (it usually owns it).
template <class Owner, class R, class... Args>
class CbMethod : public CbHandler<R, Args...>
{
public:
    using Method = R (Owner::*)(Args...);
    CbMethod(Owner* owner, Method method) : m_owner(owner), m_method(method) {}
    R call(Args... args) const override { return (m_owner->*m_method)(std::forward<Args>(args)...); }
    Owner* getOwner() const { return m_owner; }

private:
    Owner* m_owner;
    Method m_method;
};

/// Calls `function` with a copy of `datum` kept in the handler, followed by the call's arguments.
template <class R, class Datum, class... Args>
class CbDataFunction : public CbHandler<R, Args...>
{
public:
    using Function = R (*)(const Datum&, Args...);
    CbDataFunction(Function function, Datum datum) : m_function(function), m_datum(std::move(datum)) {}
    R call(Args... args) const override { return m_function(m_datum, std::forward<Args>(args)...); }
    const Datum& getDatum() const { return m_datum; }

private:
    Function m_function;
    Datum m_datum;
};

} // namespace Vx
