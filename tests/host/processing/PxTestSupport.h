// Helpers shared by the processing graph tests: requests that run a function on the request
// manager's worker thread, and a node that records what happens to it.
//
// Everything here is created and released on the test's main thread, which plays the graph
// thread; only the functions handed to runOnRequestThread run on the worker.
#pragma once

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/RC/Assertions.h>
#include <Vx/RC/RCShdPtr.h>

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Vx {
namespace pxtest {

/// The assertion every handle operation makes, exactly as written in the host.
inline const std::string kGraphThreadCheck = "!PxRequestMgr::getInstance().isWorkerThreadCurrent()";

/// A request that runs a function as its execution, on the worker thread.
class PxFunctionRequest : public PxRequest
{
public:
    explicit PxFunctionRequest(std::function<void()> function) : m_function(std::move(function)) {}
    void performExecute() override { m_function(); }

private:
    std::function<void()> m_function;
};

/// Queues `function` as a request and waits until it (and everything queued before) has run.
inline void runOnRequestThread(std::function<void()> function)
{
    PxRequestMgr& mgr = PxRequestMgr::getInstance();
    mgr.queueRequest(makeShared<PxFunctionRequest>(std::move(function)));
    mgr.waitForIdle();
}

/// A node with one int setting. Records every call of its setter (value, and whether it ran on
/// the worker thread) and the flags of every invalidation reaching it from a child.
class ProbeNode : public PxNode
{
public:
    explicit ProbeNode(const Init& init) : PxNode(init) { ++constructed(); }

    void setValue(int value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.push_back(value);
        m_onWorker.push_back(PxRequestMgr::getInstance().isWorkerThreadCurrent());
    }
    std::vector<int> getValues() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_values;
    }
    std::vector<bool> getSetterOnWorker() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_onWorker;
    }
    std::vector<int> getReceivedFlags() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_flags;
    }

    /// How many ProbeNodes were ever constructed in this process.
    static int& constructed()
    {
        static int count = 0;
        return count;
    }

protected:
    void propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_flags.push_back(flags);
        }
        PxNode::propagateAndRemapInvalidation(interval, flags);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_values;
    std::vector<bool> m_onWorker;
    std::vector<int> m_flags;
};

/// A set request calling ProbeNode::setValue with `value` and invalidating `interval`.
inline RCShdPtr<PxRequest> makeSetRequest(const PxStrongHndl<ProbeNode>& node, int value,
                                          const PxValidityInterval& interval = PxValidityInterval::FULL)
{
    return makeShared<PxSetRequest<ProbeNode, int>>(RCShdPtr<ProbeNode>(node.get()), &ProbeNode::setValue, value,
                                                    interval);
}

/// Queues a set request making `node` hold `value` for all time, and waits for it.
template <class T> void setConstant(const PxStrongHndl<PxAnimValueNode<T>>& node, const T& value)
{
    using Request = PxSetRequest<PxAnimValueNode<T>, const PxResult<T>&>;
    PxRequestMgr::getInstance().queueRequest(
        makeShared<Request>(RCShdPtr<PxAnimValueNode<T>>(node.get()), &PxAnimValueNode<T>::setConstant,
                            PxResult<T>(value, PxValidityInterval::FULL), PxValidityInterval::FULL));
    PxRequestMgr::getInstance().waitForIdle();
}

template <class T> PxStrongHndl<PxAnimValueNode<T>> makeConstant(const T& value)
{
    return pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(value, PxValidityInterval::FULL));
}

} // namespace pxtest
} // namespace Vx
