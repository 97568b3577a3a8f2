// OPtrRet: how an operation hands over a new object it made (a tool protocol's controller).
//
// The caller owns what it receives: it keeps the object by converting the result to an OPtr<T>
// (or an OPtr of a base of T), or lets the result go, which destroys the object. Like OPtr it is
// moved, never copied. Used on the main thread with the objects it carries.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace Vx {

template <class T> class OPtrRet
{
public:
    OPtrRet() noexcept = default;
    /// Takes ownership of `object` (which may be null).
    explicit OPtrRet(T* object) noexcept : m_ptr(object) {}
    OPtrRet(OPtrRet&&) noexcept = default;
    OPtrRet& operator=(OPtrRet&&) noexcept = default;
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    OPtrRet(OPtrRet<U>&& other) noexcept : m_ptr(other.release())
    {
    }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    OPtrRet(OPtr<U>&& other) noexcept : m_ptr(other.release())
    {
    }

    /// Hands the object to an OPtr of T or of one of T's bases.
    template <class U, class = std::enable_if_t<std::is_convertible<T*, U*>::value>> operator OPtr<U>() &&
    {
        return OPtr<U>(release());
    }

    T* get() const noexcept { return m_ptr.get(); }
    /// Gives up ownership: the caller deletes the object.
    T* release() noexcept { return m_ptr.release(); }
    /// Raises the host's null-pointer exception when empty.
    T* operator->() const
    {
        if (!m_ptr)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(OPtrRet)));
        return m_ptr.get();
    }
    T& operator*() const { return *operator->(); }
    explicit operator bool() const noexcept { return static_cast<bool>(m_ptr); }

private:
    std::unique_ptr<T> m_ptr;
};

} // namespace Vx
