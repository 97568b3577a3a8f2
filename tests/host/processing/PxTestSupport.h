// Helpers shared by the processing graph tests: requests that run a function on the request
// manager's worker thread, and small nodes that record what happens to them.
//
// Everything here is created and released on the test's main thread, which plays the graph
// thread; only the functions handed to runOnRequestThread run on the worker.
#pragma once

#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/RC/Assertions.h>
#include <Vx/RC/RCShdPtr.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
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

/// The id of the request manager's worker thread.
inline std::thread::id requestThreadId()
{
    std::thread::id id;
    runOnRequestThread([&id] { id = std::this_thread::get_id(); });
    return id;
}

/// What an operation expected to fail a host assertion did.
struct AssertionOutcome
{
    bool threw = false;
    std::string expression;
    std::string message;
};

template <class F> AssertionOutcome captureAssertion(F&& operation)
{
    AssertionOutcome outcome;
    try {
        operation();
    } catch (const RCExAssertionFailed& e) {
        outcome.threw = true;
        outcome.expression = e.getExpression();
        outcome.message = e.what();
    }
    return outcome;
}

/// A node with one int setting. Records every call of its setter (value and thread) and the flags
/// of every invalidation reaching it from a child.
class ProbeNode : public PxNode
{
public:
    explicit ProbeNode(const Init& init) : PxNode(init) { ++constructed(); }

    void setValue(int value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.push_back(value);
        m_setterThreads.push_back(std::this_thread::get_id());
        m_setterOnWorker.push_back(PxRequestMgr::getInstance().isWorkerThreadCurrent());
    }

    std::vector<int> getValues() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_values;
    }
    std::vector<std::thread::id> getSetterThreads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_setterThreads;
    }
    std::vector<bool> getSetterOnWorker() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_setterOnWorker;
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
    std::vector<std::thread::id> m_setterThreads;
    std::vector<bool> m_setterOnWorker;
    std::vector<int> m_flags;
};

/// A node that reads its child `offset` seconds later (a time shift): an invalidation from below
/// reaches it, and its parents, moved by `offset`.
class TimeShiftNode : public PxNode
{
public:
    TimeShiftNode(const Init& init, double offset) : PxNode(init), m_offset(offset) {}

protected:
    void propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags) override
    {
        invalidateLocked({interval.start + m_offset, interval.end + m_offset}, flags);
    }

private:
    double m_offset;
};

} // namespace pxtest
} // namespace Vx
