// Intrusive reference counting: the ownership model of every shared host object.
//
// An object derived from RCBase<LkCounter<int>> carries its own atomic count; handles
// (RCStrongBasePtr / RCShdPtr, the processing handles of Px) add and drop references, and the
// object dies by its virtual destructor when the count reaches zero. Weak references (RCWeakPtr)
// observe an object without keeping it alive. Counting is safe from any thread.
#pragma once

#include <atomic>
#include <mutex>

namespace Vx {

/// An atomic counter: the lock-free counting policy of RCBase.
template <class T> class LkCounter
{
public:
    explicit LkCounter(T initial = 0) noexcept : m_value(initial) {}
    T increment() noexcept { return m_value.fetch_add(1, std::memory_order_relaxed) + 1; }
    T decrement() noexcept { return m_value.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    /// Increments only when the count is above zero; returns whether it did.
    bool incrementIfAlive() noexcept
    {
        T current = m_value.load(std::memory_order_relaxed);
        while (current > 0) {
            if (m_value.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel))
                return true;
        }
        return false;
    }
    T get() const noexcept { return m_value.load(std::memory_order_acquire); }

private:
    std::atomic<T> m_value;
};

template <class Counter> class RCBase;

namespace detail {
/// Shared by an object and its weak references; outlives the object while weak references exist.
struct RCWeakBlock
{
    std::mutex mutex;
    void* object = nullptr; // the RCBase, or null once it died
    std::atomic<int> refs{1};
};
} // namespace detail

/// Base of reference-counted host objects. Starts at count zero; the first handle takes it to one.
template <class Counter> class RCBase
{
public:
    RCBase() noexcept = default;
    RCBase(const RCBase&) noexcept : RCBase() {}
    RCBase& operator=(const RCBase&) noexcept { return *this; }

    void addRef() const noexcept { m_count.increment(); }
    /// Drops one reference; destroys the object when it was the last.
    void release() const noexcept
    {
        if (m_count.decrement() == 0)
            const_cast<RCBase*>(this)->destroyNow();
    }
    int getRefCount() const noexcept { return m_count.get(); }

    /// Used by RCWeakPtr: the weak block of this object, created on first use.
    detail::RCWeakBlock* acquireWeakBlock() const;
    /// Used by RCWeakPtr: takes a strong reference if the object is still alive.
    bool tryAddRef() const noexcept { return m_count.incrementIfAlive(); }

protected:
    virtual ~RCBase();

private:
    void destroyNow() noexcept;

    mutable Counter m_count{0};
    mutable std::atomic<detail::RCWeakBlock*> m_weak{nullptr};
};

template <class Counter> detail::RCWeakBlock* RCBase<Counter>::acquireWeakBlock() const
{
    detail::RCWeakBlock* block = m_weak.load(std::memory_order_acquire);
    if (!block) {
        auto* fresh = new detail::RCWeakBlock;
        fresh->object = const_cast<RCBase*>(this);
        fresh->refs.store(1); // the object's own reference to its block
        if (m_weak.compare_exchange_strong(block, fresh, std::memory_order_acq_rel))
            block = fresh;
        else
            delete fresh;
    }
    block->refs.fetch_add(1, std::memory_order_relaxed);
    return block;
}

template <class Counter> void RCBase<Counter>::destroyNow() noexcept
{
    // A weak reference locking at this moment holds the block's mutex while it tries to add a
    // reference; the count is already zero, so it fails, and we wait for it before deleting.
    if (detail::RCWeakBlock* block = m_weak.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(block->mutex);
        block->object = nullptr;
    }
    delete this;
}

template <class Counter> RCBase<Counter>::~RCBase()
{
    if (detail::RCWeakBlock* block = m_weak.load(std::memory_order_acquire)) {
        if (block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete block;
    }
}

using RCObject = RCBase<LkCounter<int>>;

} // namespace Vx
