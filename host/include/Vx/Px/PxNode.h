// Processing nodes and the handles that hold them.
//
// A PxNode is one node of the processing graph. Nodes are built on the graph thread, completed by
// init(), and say which nodes they read by registering them as children; invalidating a node
// invalidates every node that registered it, up the graph. Handles (PxStrongHndl, PxNodePtr,
// PxUPtr) are reference-counted pointers to nodes that may be created, assigned and released on
// the graph thread only: each such operation asserts
// "!PxRequestMgr::getInstance().isWorkerThreadCurrent()".
#pragma once

#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/RC/Assertions.h>
#include <Vx/RC/RCShdPtr.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Vx {

namespace detail {
inline void assertGraphThread()
{
    VX_ASSERT(!PxRequestMgr::getInstance().isWorkerThreadCurrent());
}
/// The same check where no exception may leave (a handle's destructor): a failure prints the
/// assertion and ends the process, as a failed assertion in a destructor must.
void assertGraphThreadOrTerminate() noexcept;
} // namespace detail

/// A reference-counted handle to a processing node (or to one of its protocols), for the graph
/// thread only. Dereferencing an empty handle raises RCExNullPtr; dereferencing is allowed on
/// any thread.
template <class T> class PxStrongHndl
{
public:
    PxStrongHndl() { detail::assertGraphThread(); }
    PxStrongHndl(std::nullptr_t) : PxStrongHndl() {}
    explicit PxStrongHndl(T* node)
    {
        detail::assertGraphThread();
        m_ptr = node;
        if (m_ptr)
            m_ptr->addRef();
    }
    PxStrongHndl(const PxStrongHndl& other) : PxStrongHndl(other.m_ptr) {}
    template <class U> PxStrongHndl(const PxStrongHndl<U>& other) : PxStrongHndl(implicitUpcast(other.get())) {}
    PxStrongHndl(PxStrongHndl&& other)
    {
        detail::assertGraphThread();
        m_ptr = std::exchange(other.m_ptr, nullptr);
    }
    ~PxStrongHndl()
    {
        detail::assertGraphThreadOrTerminate();
        if (m_ptr)
            m_ptr->release();
    }

    PxStrongHndl& operator=(const PxStrongHndl& other)
    {
        assign(other.m_ptr);
        return *this;
    }
    PxStrongHndl& operator=(PxStrongHndl&& other)
    {
        detail::assertGraphThread();
        if (this != &other) {
            T* old = std::exchange(m_ptr, std::exchange(other.m_ptr, nullptr));
            if (old)
                old->release();
        }
        return *this;
    }

    /// Refers to `node` instead; the new node is referenced before the old one is released.
    void assign(T* node)
    {
        detail::assertGraphThread();
        if (node == m_ptr)
            return;
        if (node)
            node->addRef();
        T* old = std::exchange(m_ptr, node);
        if (old)
            old->release();
    }
    void reset() { assign(nullptr); }

    T* get() const noexcept { return m_ptr; }
    T& operator*() const { return *checked(); }
    T* operator->() const { return checked(); }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    bool isNull() const noexcept { return m_ptr == nullptr; }

    friend bool operator==(const PxStrongHndl& a, const PxStrongHndl& b) { return a.m_ptr == b.m_ptr; }
    friend bool operator!=(const PxStrongHndl& a, const PxStrongHndl& b) { return a.m_ptr != b.m_ptr; }

private:
    // Only conversions the language makes implicitly (to a base, adding const) are allowed here;
    // going down to a protocol is pxDownCast's job.
    static T* implicitUpcast(T* node) { return node; }

    T* checked() const
    {
        if (!m_ptr)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(PxStrongHndl)));
        return m_ptr;
    }

    T* m_ptr = nullptr;
};

/// A handle to a node seen through one of its protocols, e.g. PxNodePtr<PxImageProtocol const>.
template <class T> using PxNodePtr = PxStrongHndl<T>;
/// A handle to a node that changed upstream, as handed to re-initialisation.
template <class T> using PxUPtr = PxStrongHndl<T>;

class PxNode : public virtual RCObject
{
public:
    /// What every node is built from.
    struct Init
    {
        std::string name; ///< shown in messages; may be empty
    };

    explicit PxNode(const Init& init);
    ~PxNode() override;

    /// Completes the node after construction; nodes that read others register them here.
    virtual void init();
    /// Called by the host when upstream nodes changed shape (format, rate); invalidates this node
    /// over `interval`. Nodes holding derived state remake it after calling this.
    virtual void invalidateAndReinitialize(const PxValidityInterval& interval, const PxUPtr<PxNode const>& changed,
                                           int flags);

    /// Records that this node reads `child`: invalidating the child invalidates this node too.
    /// Graph thread.
    void registerChild(const PxNodePtr<PxNode const>& child);
    /// Undoes one registerChild of `child`. Graph thread.
    void unregisterChild(const PxNodePtr<PxNode const>& child);

    /// Marks results of this node over `interval` as out of date, and propagates to every node
    /// that registered this one as a child. `flags` travels along unchanged. Any thread.
    void invalidate(const PxValidityInterval& interval, int flags);

    const std::string& getName() const { return m_name; }
    /// How many times this node was invalidated (directly or from below), and the last interval.
    std::uint64_t getInvalidationCount() const { return m_invalidations.load(); }
    PxValidityInterval getLastInvalidation() const;
    /// The nodes that registered this one as a child, as they stand. Graph thread.
    std::vector<const PxNode*> getParents() const;

protected:
    /// Invalidation arriving from a child: a node that shifts time remaps `interval` before
    /// passing it on. The default invalidates this node over the same interval.
    virtual void propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags);
    /// Invalidates this node and its parents; the caller holds the graph's structure lock.
    void invalidateLocked(const PxValidityInterval& interval, int flags);

private:
    std::string m_name;
    std::vector<PxNode*> m_parents; // guarded by the graph's structure lock
    std::atomic<std::uint64_t> m_invalidations{0};
    // Invalidations may arrive on several threads at once: the two ends of the last interval are
    // written and read together, never one from each.
    mutable std::mutex m_lastMutex;
    PxValidityInterval m_last{0.0, 0.0};
};

/// The checked down-cast of a node handle to a protocol: an empty handle gives an empty handle,
/// a node of another kind raises RCExCastFailed naming the node's type and the target type.
template <class To, class From> PxNodePtr<To> pxDownCast(const PxNodePtr<From>& from)
{
    if (!from)
        return PxNodePtr<To>();
    To* to = dynamic_cast<To*>(from.get());
    if (!to)
        RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(*from.get())), RCExUtil::typeName(typeid(PxNodePtr<To>)));
    return PxNodePtr<To>(to);
}

/// The host's node-creation routine: builds a T from a fresh Init and `args`, wraps it in a
/// handle and completes it with init(). Graph thread.
template <class T, class... Args> PxStrongHndl<T> pxCreateNode(Args&&... args)
{
    // Checked before building: a node the handle then refused would have no owner to release it.
    detail::assertGraphThread();
    PxStrongHndl<T> node(new T(PxNode::Init{}, std::forward<Args>(args)...));
    node->init();
    return node;
}

} // namespace Vx
