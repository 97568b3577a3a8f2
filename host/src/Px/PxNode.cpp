// Graph structure (who reads whom) and invalidation.
//
// The parent lists of all nodes are guarded by one graph-wide lock: registering and
// unregistering (graph thread) take it exclusively, an invalidation walking up the graph (any
// thread) takes it shared for the whole walk, so a parent cannot die while the walk visits it.
#include <Vx/Px/PxNode.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <mutex>
#include <shared_mutex>

namespace Vx {

void detail::assertGraphThreadOrTerminate() noexcept
{
    try {
        assertGraphThread();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s A processing handle was released on a worker thread.\n", e.what());
        std::terminate();
    }
}

namespace {
std::shared_mutex& structureLock()
{
    static std::shared_mutex lock;
    return lock;
}
} // namespace

PxNode::PxNode(const Init& init) : m_name(init.name) {}

PxNode::~PxNode() = default;

void PxNode::init() {}

void PxNode::invalidateAndReinitialize(const PxValidityInterval& interval, const PxUPtr<PxNode const>&, int flags)
{
    invalidate(interval, flags);
}

void PxNode::registerChild(const PxNodePtr<PxNode const>& child)
{
    if (!child)
        return;
    std::unique_lock<std::shared_mutex> lock(structureLock());
    const_cast<PxNode*>(child.get())->m_parents.push_back(this);
}

void PxNode::unregisterChild(const PxNodePtr<PxNode const>& child)
{
    if (!child)
        return;
    std::unique_lock<std::shared_mutex> lock(structureLock());
    auto& parents = const_cast<PxNode*>(child.get())->m_parents;
    const auto it = std::find(parents.begin(), parents.end(), this);
    if (it != parents.end())
        parents.erase(it);
}

void PxNode::invalidate(const PxValidityInterval& interval, int flags)
{
    std::shared_lock<std::shared_mutex> lock(structureLock());
    invalidateLocked(interval, flags);
}

void PxNode::invalidateLocked(const PxValidityInterval& interval, int flags)
{
    {
        std::lock_guard<std::mutex> lock(m_lastMutex);
        m_last = interval;
        m_invalidations.fetch_add(1);
    }
    for (PxNode* parent : m_parents)
        parent->propagateAndRemapInvalidation(interval, flags);
}

void PxNode::propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags)
{
    invalidateLocked(interval, flags);
}

PxValidityInterval PxNode::getLastInvalidation() const
{
    std::lock_guard<std::mutex> lock(m_lastMutex);
    return m_last;
}

std::vector<const PxNode*> PxNode::getParents() const
{
    std::shared_lock<std::shared_mutex> lock(structureLock());
    return {m_parents.begin(), m_parents.end()};
}

} // namespace Vx
