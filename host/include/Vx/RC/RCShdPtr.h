// Strong and weak handles to reference-counted objects, and OPtr for ownership handed over.
//
// RCStrongBasePtr<T> holds one reference; dereferencing an empty handle raises RCExNullPtr
// naming the handle type. RCShdPtr<T> is the everyday name. Handles are not synchronised
// themselves: one handle object is used by one thread at a time, the objects they share may be
// held from many.
#pragma once

#include <Vx/RC/Assertions.h>
#include <Vx/RC/RCBase.h>

#include <cstddef>
#include <memory>
#include <typeinfo>
#include <utility>

namespace Vx {

/// Tells a strong handle's constructor to take over a reference the caller already holds.
struct RCAdoptRef
{
};

template <class T, class Counter = LkCounter<int>> class RCStrongBasePtr
{
public:
    RCStrongBasePtr() noexcept = default;
    RCStrongBasePtr(std::nullptr_t) noexcept {}
    /// Takes a new reference to `object` (which may be null).
    explicit RCStrongBasePtr(T* object) noexcept : m_ptr(object)
    {
        if (m_ptr)
            m_ptr->addRef();
    }
    /// Takes over the reference to `object` that the caller holds (RCWeakPtr::lock's): the count
    /// is left as it is.
    RCStrongBasePtr(T* object, RCAdoptRef) noexcept : m_ptr(object) {}
    RCStrongBasePtr(const RCStrongBasePtr& other) noexcept : RCStrongBasePtr(other.m_ptr) {}
    RCStrongBasePtr(RCStrongBasePtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template <class U> RCStrongBasePtr(const RCStrongBasePtr<U, Counter>& other) noexcept : RCStrongBasePtr(other.get())
    {
    }
    ~RCStrongBasePtr()
    {
        if (m_ptr)
            m_ptr->release();
    }

    RCStrongBasePtr& operator=(const RCStrongBasePtr& other) noexcept
    {
        assign(other.m_ptr);
        return *this;
    }
    RCStrongBasePtr& operator=(RCStrongBasePtr&& other) noexcept
    {
        if (this != &other) {
            T* old = std::exchange(m_ptr, std::exchange(other.m_ptr, nullptr));
            if (old)
                old->release();
        }
        return *this;
    }

    /// Refers to `object` instead: the new one is referenced before the old one is released, so
    /// assigning the object already held changes nothing.
    void assign(T* object) noexcept
    {
        if (object == m_ptr)
            return;
        if (object)
            object->addRef();
        T* old = std::exchange(m_ptr, object);
        if (old)
            old->release();
    }
    void reset() noexcept { assign(nullptr); }

    T* get() const noexcept { return m_ptr; }
    T& operator*() const { return *checked(); }
    T* operator->() const { return checked(); }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    bool isNull() const noexcept { return m_ptr == nullptr; }

    friend bool operator==(const RCStrongBasePtr& a, const RCStrongBasePtr& b) { return a.m_ptr == b.m_ptr; }
    friend bool operator!=(const RCStrongBasePtr& a, const RCStrongBasePtr& b) { return a.m_ptr != b.m_ptr; }

private:
    T* checked() const
    {
        if (!m_ptr)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCStrongBasePtr)));
        return m_ptr;
    }

    T* m_ptr = nullptr;
};

template <class T> using RCShdPtr = RCStrongBasePtr<T, LkCounter<int>>;

/// Makes a new reference-counted object and its first handle.
template <class T, class... Args> RCShdPtr<T> makeShared(Args&&... args)
{
    return RCShdPtr<T>(new T(std::forward<Args>(args)...));
}

/// A weak reference: observes an object without keeping it alive; lock() yields a strong handle
/// or an empty one once the object died.
template <class T> class RCWeakPtr
{
public:
    RCWeakPtr() noexcept = default;
    RCWeakPtr(const RCShdPtr<T>& strong) : m_object(strong.get())
    {
        if (m_object)
            m_block = m_object->acquireWeakBlock();
    }
    RCWeakPtr(const RCWeakPtr& other) noexcept : m_object(other.m_object), m_block(other.m_block)
    {
        if (m_block)
            m_block->refs.fetch_add(1, std::memory_order_relaxed);
    }
    RCWeakPtr& operator=(RCWeakPtr other) noexcept
    {
        std::swap(m_object, other.m_object);
        std::swap(m_block, other.m_block);
        return *this;
    }
    ~RCWeakPtr()
    {
        if (m_block && m_block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete m_block;
    }

    RCShdPtr<T> lock() const
    {
        if (!m_block)
            return {};
        std::lock_guard<std::mutex> guard(m_block->mutex);
        if (!m_block->object || !m_object->tryAddRef())
            return {};
        // The handle adopts the reference tryAddRef took: taking a second one and dropping the
        // first would put a release, with its path to destruction, where the count cannot reach
        // zero (and GCC's flow analysis, following that path, warns of a write out of bounds).
        return RCShdPtr<T>(m_object, RCAdoptRef{});
    }
    bool expired() const { return lock().isNull(); }

private:
    T* m_object = nullptr;
    detail::RCWeakBlock* m_block = nullptr;
};

/// Sole ownership handed from one side to another (a tool protocol object, build information):
/// whoever holds the OPtr deletes the object, unless it releases it to a new owner.
template <class T> class OPtr
{
public:
    OPtr() noexcept = default;
    explicit OPtr(T* object) noexcept : m_ptr(object) {}
    OPtr(OPtr&&) noexcept = default;
    OPtr& operator=(OPtr&&) noexcept = default;
    template <class U> OPtr(OPtr<U>&& other) noexcept : m_ptr(other.release()) {}

    T* get() const noexcept { return m_ptr.get(); }
    T* release() noexcept { return m_ptr.release(); }
    T* operator->() const
    {
        if (!m_ptr)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(OPtr)));
        return m_ptr.get();
    }
    T& operator*() const { return *operator->(); }
    explicit operator bool() const noexcept { return static_cast<bool>(m_ptr); }

private:
    std::unique_ptr<T> m_ptr;
};

/// The name the tool protocol gives the new controller it hands over (PiToolProtocol::
/// createController): an OPtr, owned by the caller.
template <class T> using OPtrRet = OPtr<T>;

} // namespace Vx
